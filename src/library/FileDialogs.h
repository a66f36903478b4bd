// The open and save dialogs of the librarian, and the questions and notes
// that reading a file may bring, behind an interface so tests answer them
// without a window. The real one uses the platform's dialogs and message
// boxes.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWidget;

namespace velmora::library {

struct FileRequest
{
    QString caption;
    QString folder;        // initial folder
    QString fileName;      // proposed name ("*.syx", "Split07", or empty)
    QString filters;       // Qt form: "SysEx Files (*.syx *.mid);;Velmora Patch Files (*.vmp)"
    int filterIndex = 0;   // the filter shown first
    QString defaultSuffix; // added to a name typed without an extension ("syx")
};

struct FileChoice
{
    QString path;
    int filterIndex = 0; // 0 = first filter
};

// What to do with messages of a file whose checksum is wrong.
enum class BadChecksumAnswer
{
    Keep,  // use their bytes as they stand
    Drop,  // leave their targets as they were
    Cancel // read nothing of the file
};

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // nullopt when the user cancels.
    virtual std::optional<FileChoice> open(const FileRequest& request) = 0;
    // Asks before replacing an existing file; nullopt when cancelled.
    virtual std::optional<FileChoice> save(const FileRequest& request) = 0;
    // Asked when the name the user chose was changed after the dialog (".syx"
    // appended) and a file of the new name exists: true replaces it.
    virtual bool confirmReplace(const QString& path)
    {
        (void)path;
        return true;
    }
    // The question that names a file's messages with a bad checksum. Without
    // a dialog their bytes are kept, as they always were.
    virtual BadChecksumAnswer askBadChecksums(const QString& question)
    {
        (void)question;
        return BadChecksumAnswer::Keep;
    }
    // One of `choices` (its index), nothing when cancelled. Without a
    // dialog: the first.
    virtual std::optional<int> choose(const QString& question, const QStringList& choices)
    {
        (void)question;
        return choices.isEmpty() ? std::nullopt : std::optional<int>(0);
    }
    // A yes-or-no question about something more a file offers; without a
    // dialog: no, so nothing beyond what was asked for changes.
    virtual bool askYesNo(const QString& question)
    {
        (void)question;
        return false;
    }
    // A note on what a file command did (how many patches it read); not an
    // error.
    virtual void inform(const QString& text) { (void)text; }
};

std::unique_ptr<FileDialogs> createPlatformFileDialogs(QWidget* parent);

} // namespace velmora::library
