// The records that dumps fill and transfers send: the current patch and its
// compare copy, the bank, the split table and the global record. The main
// window owns one set for the whole run; the editor, the librarian and the
// transfer engine all work on it.
#pragma once

#include "protocol/PatchRecord.h"

#include <array>

namespace velmora {

struct SynthRecords
{
    PatchBuffer currentPatch{};
    PatchBuffer compareData{};
    std::array<PatchBuffer, kBankPatchCount> bank{};
    std::array<SplitRecord, kSplitCount> splits{};
    // A Matrix-1000 global dump fills the first 172 bytes, a Matrix-6 master
    // dump all 236.
    std::array<Byte, kMaster6Size> global{};
};

} // namespace velmora
