// The bank manager's edits without widgets: where an entry or a split sits in
// its grid, copy and paste through the patch clipboard, clearing the bank,
// writing a name, the bank selector's texts, and which of the main menu's
// patch commands the flags allow.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/TransferFlags.h"

#include <QtGlobal>

#include <array>
#include <optional>
#include <string_view>

namespace velmora::library {

using BankEntries = std::array<PatchBuffer, kBankPatchCount>;

inline constexpr int kBankColumns = 10;
inline constexpr int kBankRows = 10;
inline constexpr int kSplitColumns = 10;
inline constexpr int kSplitRows = 5;
// What a cell shows before anything was put into its entry. This and the
// bank selector's texts are translated as the bank manager's.
inline constexpr const char* kEmptyCell =
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "<empty> ");

struct GridCell
{
    int column = 0;
    int row = 0;
};

// Each column holds ten consecutive patch numbers (five splits), so the grid
// reads in the order of the bank file.
constexpr GridCell bankCellOf(int entry)
{
    return {entry / kBankRows, entry % kBankRows};
}
constexpr int bankEntryAt(int column, int row)
{
    return column * kBankRows + row;
}
constexpr GridCell splitCellOf(int split)
{
    return {split / kSplitRows, split % kSplitRows};
}
constexpr int splitAt(int column, int row)
{
    return column * kSplitRows + row;
}

// The bank selector of a Matrix-1000; the index is the bank number.
inline constexpr std::array<const char*, 10> kBankSelectorTexts{
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "000 - 099 User 1"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "100 - 199 User 2"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "200 - 299 Synth 1"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "300 - 399 Synth 2"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "400 - 499 Wood + Brass"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "500 - 599 Brass + Lead"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "600 - 699 Strings"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "700 - 799 Bass"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "800 - 899 FX + Percussion"),
    QT_TRANSLATE_NOOP("velmora::library::BankManagerWindow", "900 - 999 Keyboards")};

// Entry bytes 0..133 to the clipboard, and back into an entry. The entry's
// further byte stays where it is.
void copyPatch(const BankEntries& bank, int entry, PatchRecord& clipboard);
void pastePatch(const PatchRecord& clipboard, BankEntries& bank, int entry);
// Every byte of every entry to 0.
void clearBank(BankEntries& bank);
// The first eight characters of `name` into bytes 0..7, blanks after a
// shorter name.
void writeName(PatchBuffer& entry, std::string_view name);

// What the main menu's patch commands show for the flags.
struct PatchMenuState
{
    bool save = false;
    bool upload = false;
    bool randomize = false;
    bool compare = false;
    bool mutate = false;
    bool initialize = false;
};
// Nothing when `refresh` is false: the menu stays as it is.
std::optional<PatchMenuState> enableButtons(bool refresh, const TransferFlags& flags);

} // namespace velmora::library
