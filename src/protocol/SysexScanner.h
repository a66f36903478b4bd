// Splits a byte stream (a file, say) into the SysEx messages it holds.
#pragma once

#include "protocol/PatchRecord.h"

#include <cstddef>
#include <span>
#include <vector>

namespace velmora {

struct SysexSpan
{
    std::size_t offset = 0; // where its F0 stands
    std::size_t length = 0; // F0 through F7 inclusive, or up to the interruption
    bool complete = false;  // false when the stream ended or another status byte
                            // came before the F7
};

struct SysexScan
{
    std::vector<SysexSpan> messages;
    std::size_t strayBytes = 0; // bytes outside any message
};

// A message starts at F0 and ends at the next F7. Any other byte of 80 or
// more inside a message interrupts it: the message is kept as incomplete, and
// an F0 starts the next one.
SysexScan scanSysex(std::span<const Byte> data);

} // namespace velmora
