// The memory a virtual instrument starts with: plausible patches, splits and
// a global record, drawn from a seeded generator so that the same model,
// bank and number always give the same bytes.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SynthModel.h"

#include <vector>

namespace velmora {

// A patch named like "BRASS 01" (category, blank, the number within the bank
// in two digits) whose every field lies within its documented range.
PatchRecord factoryPatch(SynthModel model, int bank, int number);

// A split named "SPLTnn" (nn = index + 1, two digits). The data bytes are:
//   6  left zone upper key    0..127     7  right zone lower key   0..127
//   8  left transpose         signed     9  right transpose        signed
//  10  left patch number      0..99     11  right patch number     0..99
//  12  left volume            0..63     13  right volume           0..63
//  14  zone voice assignment  0..2      15..17 switches            0..1
// Indexes past the 50 stored splits give the filler a Matrix-1000 sends.
SplitRecord factorySplit(SynthModel model, int index);

// 172 bytes (Matrix-1000) or 236 (Matrix-6), laid out as the units' own:
// master tune (byte 8) and transpose (byte 34) at 0, basic channel (byte
// 11) 0, omni, controllers and patch change on; on the Matrix-1000 bend range
// (byte 164) 2 and memory protect (byte 171) off.
std::vector<Byte> factoryGlobal(SynthModel model);

// Where those live in both global records (the bend range and memory protect
// only in the Matrix-1000's).
inline constexpr std::size_t kGlobalMasterTune = 8;
inline constexpr std::size_t kGlobalBasicChannel = 11;
inline constexpr std::size_t kGlobalMasterTranspose = 34;
inline constexpr std::size_t kGlobalBendRange = 164;
inline constexpr std::size_t kGlobalMemoryProtect = 171;

} // namespace velmora
