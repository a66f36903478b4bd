// Plausible patches for tests and demonstrations: every field drawn within
// its documented range from a seeded generator, so the same seed always gives
// the same patch.
#pragma once

#include "protocol/PatchRecord.h"

#include <cstdint>
#include <vector>

namespace velmora::demo {

// A patch named "DEMO nnn" (nnn = seed mod 1000), carried byte = seed mod 256.
PatchBuffer demoPatch(std::uint32_t seed);
// 100 demo patches in bank order, as a raw bank (13,500 bytes).
std::vector<Byte> demoRawBank(std::uint32_t firstSeed = 0);

} // namespace velmora::demo
