// The librarian's file commands: they ask for a file name, read or write
// the file and then bring the windows up to date (captions, editor, bank
// grid, menu items). The formats themselves are in SysexFiles.
#pragma once

#include "library/LibraryContext.h"

#include <optional>

namespace velmora::library {

class LibraryFileCommands
{
public:
    explicit LibraryFileCommands(LibraryContext& context);

    // `entry` is a bank entry 0..99; no entry means the current patch.
    void savePatch(std::optional<int> entry = std::nullopt);
    void openPatch(std::optional<int> entry = std::nullopt);
    void saveBank();
    void openBank();
    void exportSplit(int split);
    void importSplit(int split);

private:
    LibraryContext& context_;
    int openFilter_ = 0; // the open dialog's filter, kept between uses
};

} // namespace velmora::library
