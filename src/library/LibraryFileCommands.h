// The librarian's file commands: they ask for a file name, read or write
// the file and then bring the windows up to date (captions, editor, bank
// grid, menu items). The formats themselves are in SysexFiles; what a SysEx
// file holds is taken apart by SysexLoad.
#pragma once

#include "library/LibraryContext.h"
#include "library/SysexLoad.h"

#include <optional>
#include <utility>

namespace velmora::library {

class LibraryFileCommands
{
public:
    explicit LibraryFileCommands(LibraryContext& context);

    // `entry` is a bank entry 0..99; no entry means the current patch.
    void savePatch(std::optional<int> entry = std::nullopt);
    // Into an entry: a raw patch or the first patch of a SysEx file. Without
    // an entry (the main window's Open) as openFile.
    void openPatch(std::optional<int> entry = std::nullopt);
    void saveBank();
    // Up to a hundred patches of a SysEx file, or a raw bank.
    void openBank();
    void exportSplit(int split);
    // Asks for a patch file and reads its first patch without taking it
    // anywhere (the second patch of a merge): the file's name and the
    // record, or nothing after a Cancel or a message.
    std::optional<std::pair<QString, PatchRecord>> pickPatch();
    // The first split of a SysEx file.
    void importSplit(int split);
    // A file named on the command line or handed to a running copy: a .vmp
    // or .vmb by its name; a SysEx file by what it holds: one patch opens in
    // the editor, several as a bank (the bank manager comes to the front).
    void openFile(const QString& path);

private:
    // openFile's work; true when something was opened.
    bool openAny(const QString& path, bool rawPatch);
    void openEntry(const QString& path, int entry, bool raw);
    bool openRawBank(const QString& path);
    // What follows a file put into the bank or the split table: the cells
    // filled, the grids shown again, the bank caption (`caption`).
    void showBank(const QString& path, const SysexLoad::Filled& filled, bool caption = true);

    LibraryContext& context_;
    int openFilter_ = 0; // the open dialog's filter, kept between uses
};

} // namespace velmora::library
