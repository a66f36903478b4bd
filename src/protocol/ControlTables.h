// The tables indexed by an editor control's index (its Tag, 0..89): the
// instrument parameter number, the offset in the patch record and the name
// the program shows. Controls 70..79 are the matrix bus amounts (offsets
// 105 + 3k, never sent as parameters), 80..89 the bus switches (no entry).
#pragma once

#include "protocol/PatchRecord.h"

#include <array>
#include <string>

namespace velmora {

inline constexpr int kControlTableSize = 91;
inline constexpr int kFirstBusAmountControl = 70;
inline constexpr int kFirstBusSwitchControl = 80;
inline constexpr int kLastBusSwitchControl = 89;
// The controls that have rules of their own: the DCO mix (its bar shows
// DCO 1's share), the DCO 2 detune and the signed amounts 46..63 (two's
// complement), among them "Env 2 -> VCA 2".
inline constexpr int kMixControl = 6;
inline constexpr int kDetuneControl = 42;
inline constexpr int kFirstSignedAmountControl = 46;
inline constexpr int kVca2ByEnvelope2Control = 62;
inline constexpr int kLastSignedAmountControl = 63;

struct ControlTables
{
    std::array<Byte, kControlTableSize> paramNumbers{};
    std::array<Byte, kControlTableSize> patchOffsets{};
    std::array<std::string, kControlTableSize> controlNames;
};

// Fills the tables from the patch layout.
ControlTables initControlTables();

// The program's one set of tables, filled on first use and never changed.
const ControlTables& controls();

// True for the indexes that no control carries: 40, 41, 64..69 and 90.
bool isUnusedControl(int control);

} // namespace velmora
