#include "library/BankEdits.h"

#include <algorithm>

namespace velmora::library {

void copyPatch(const BankEntries& bank, int entry, PatchRecord& clipboard)
{
    const auto record = recordOf(bank.at(static_cast<std::size_t>(entry)));
    std::copy(record.begin(), record.end(), clipboard.begin());
}

void pastePatch(const PatchRecord& clipboard, BankEntries& bank, int entry)
{
    auto record = recordOf(bank.at(static_cast<std::size_t>(entry)));
    std::copy(clipboard.begin(), clipboard.end(), record.begin());
}

void clearBank(BankEntries& bank)
{
    for (PatchBuffer& entry : bank)
        entry.fill(0);
}

void writeName(PatchBuffer& entry, std::string_view name)
{
    for (std::size_t i = 0; i < kPatchNameLength; ++i)
        entry[i] = static_cast<Byte>(i < name.size() ? name[i] : ' ');
}

std::optional<PatchMenuState> enableButtons(bool refresh, const TransferFlags& flags)
{
    if (!refresh)
        return std::nullopt;
    const bool loaded = flags.patchLoaded;
    return PatchMenuState{loaded, loaded, loaded, loaded, loaded, flags.initPatchAvailable};
}

} // namespace velmora::library
