// The controller map file "ccmap.dat": 91 bytes, byte i the MIDI continuous
// controller (12..120) that drives editor control i, or 0 for none. Standard
// C++ only, so the fuzz tree builds it.
#pragma once

#include "protocol/PatchRecord.h"

#include <array>
#include <cstddef>
#include <span>

namespace velmora::perform {

struct ControllerMapFile
{
    static constexpr int kEntries = 91;
    static constexpr int kFirstController = 12;
    static constexpr int kLastController = 120;

    // A controller 12..120.
    static bool isController(int controller);
    // An index 0..90 that a control carries.
    static bool isMappable(int control);

    std::array<Byte, kEntries> entries{}; // the usable entries; 0 for the rest
    std::size_t entriesRead = 0;          // the file's bytes, up to kEntries
    int unusable = 0;                     // non-zero entries that were left out
};

// What a map file holds. An entry is taken only when it is a controller
// 12..120 that no earlier entry holds, for a control that exists; anything
// else is left out and counted rather than trusted. Bytes past the 91st are
// not read.
ControllerMapFile decodeControllerMap(std::span<const Byte> file);

} // namespace velmora::perform
