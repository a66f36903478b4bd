// What the librarian's commands work on and what they ask of the windows:
// the records and flags of the main window, the remembered folders, the
// dialogs, and the refreshes, captions, sends and notes that follow a
// command. The main window fills one in; tests fill in their own.
#pragma once

#include "library/FileDialogs.h"
#include "protocol/SynthRecords.h"
#include "protocol/TransferFlags.h"

#include <QString>

#include <functional>

namespace velmora::library {

struct LibraryContext
{
    SynthRecords& records;
    TransferFlags& flags;
    FileDialogs& dialogs;
    // The remembered folders (settings "PatchPath", "BankPath", "SplitPath").
    QString& patchFolder;
    QString& bankFolder;
    QString& splitFolder;

    std::function<void(const QString&)> setMainCaption;
    std::function<void(const QString&)> setBankCaption;
    // Every editor control from the current patch.
    std::function<void()> initControls;
    // The patch controls only (random and mutate leave the matrix alone).
    std::function<void()> initPatchControls;
    // The current patch to the instrument's edit buffer (the model's way).
    std::function<void()> sendPatch;
    // The test note: `always` plays it whatever the auto-play switch.
    std::function<void(bool always)> playNote;
    // The main menu's patch commands from the flags.
    std::function<void()> enableButtons;
    // The bank manager's grids from the bank and the split table.
    std::function<void()> updateBankGrid;
    std::function<void(const QString&)> showError;
};

} // namespace velmora::library
