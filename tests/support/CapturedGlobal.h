// The global record of a Matrix-1000 as captured from a real unit in its
// factory state (the plain-sum checksum of its dump is 19 hex). Every byte
// not set here is 0; the unused ones keep the values the unit leaves there.
#pragma once

#include "protocol/PatchRecord.h"

#include <array>

namespace velmora::test {

inline std::array<Byte, kGlobal1000Size> capturedFactoryGlobal()
{
    std::array<Byte, kGlobal1000Size> r{};
    r[1] = 40;
    r[6] = 1;
    r[7] = 63;
    r[10] = 63;
    r[12] = r[13] = r[14] = 1;
    r[15] = 1;
    r[17] = 4;
    r[18] = 64;
    r[19] = 1;
    r[20] = 2;
    r[23] = 27;
    r[27] = 1;
    r[28] = 5;
    r[31] = 1;
    for (std::size_t i = 36; i <= 161; ++i)
        r[i] = 0xFF;
    r[164] = 2;
    r[166] = 1;
    return r;
}

} // namespace velmora::test
