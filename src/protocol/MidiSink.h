// What every send path needs of the instrument's output: a short send, a long
// send and whether the output is open. Tests put a recording sink in place of
// the device.
#pragma once

#include <cstdint>
#include <span>

namespace velmora {

class MidiSink
{
public:
    virtual ~MidiSink() = default;
    virtual bool isOpen() const = 0;
    // A channel or system message; only as many bytes as the status calls for go out.
    virtual void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) = 0;
    // A whole SysEx message (or any byte string) in one piece.
    virtual void sendLong(std::span<const std::uint8_t> bytes) = 0;
};

} // namespace velmora
