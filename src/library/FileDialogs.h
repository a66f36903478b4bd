// The open and save dialogs of the librarian, behind an interface so tests
// answer them without a window. The real one uses the platform's dialogs.
#pragma once

#include <QString>

#include <memory>
#include <optional>

class QWidget;

namespace velmora::library {

struct FileRequest
{
    QString caption;
    QString folder;        // initial folder
    QString fileName;      // proposed name ("*.syx", "Split07", or empty)
    QString filters;       // Qt form: "SysEx Files (*.syx);;Velmora Patch Files (*.vmp)"
    int filterIndex = 0;   // the filter shown first
    QString defaultSuffix; // added to a name typed without an extension ("syx")
};

struct FileChoice
{
    QString path;
    int filterIndex = 0; // 0 = first filter
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
};

std::unique_ptr<FileDialogs> createPlatformFileDialogs(QWidget* parent);

} // namespace velmora::library
