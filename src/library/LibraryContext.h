// What the librarian's commands work on and what they tell the windows: the
// records and flags of the main window, the remembered folders, the dialogs
// and the error reporter, and the signals for the refreshes, captions, sends
// and notes that follow a command. The main window makes one and connects
// its signals; tests make their own.
#pragma once

#include "common/ErrorReporter.h"
#include "library/FileDialogs.h"
#include "protocol/SynthRecords.h"
#include "protocol/TransferFlags.h"

#include <QList>
#include <QObject>
#include <QString>

namespace velmora::library {

// The data the commands work on.
struct LibraryData
{
    SynthRecords& records;
    TransferFlags& flags;
    FileDialogs& dialogs;
    // Where a command's failure goes (a file that cannot be read or written,
    // a send that failed).
    ErrorReporter& errors;
    // The remembered folders (settings "PatchPath", "BankPath", "SplitPath").
    QString& patchFolder;
    QString& bankFolder;
    QString& splitFolder;
};

class LibraryContext : public QObject, public LibraryData
{
    Q_OBJECT

public:
    explicit LibraryContext(const LibraryData& data, QObject* parent = nullptr)
        : QObject(parent), LibraryData(data)
    {}

signals:
    void mainCaptionChanged(const QString& caption);
    void bankCaptionChanged(const QString& caption);
    // The current patch changed as a whole: every editor control shows it.
    void patchChanged();
    // The patch parameters changed, the matrix did not (random and mutate):
    // the patch controls show them.
    void patchParametersChanged();
    // The current patch is to go to the instrument's edit buffer (the
    // model's way).
    void patchSendRequested();
    // The test note: `always` plays it whatever the auto-play switch.
    void testNoteRequested(bool always);
    // The flags may have changed: the main menu's patch commands follow them.
    void flagsChanged();
    // The bank or the split table changed: the bank manager's grids show them.
    void bankChanged();
    // A file filled these bank entries and splits (sent before bankChanged):
    // their cells show names from now on, whatever they showed before.
    void recordsFilled(const QList<int>& entries, const QList<int>& splits);
    // A file opened from the main window turned out to be a bank: the bank
    // manager is to come to the front.
    void bankManagerWanted();
    // The global record was taken from a file: the global controls show it.
    void globalsChanged();
};

} // namespace velmora::library
