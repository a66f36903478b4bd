// One received MIDI message as the input device hands it to the program, and
// the exceptions the device components raise.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace velmora::midi {

struct MidiEvent
{
    std::uint8_t status = 0; // F0 for SysEx
    std::uint8_t data1 = 0;  // 0 for SysEx
    std::uint8_t data2 = 0;  // 0 for SysEx
    std::uint32_t timeStamp = 0;
    std::uint16_t sysexSize = 0;         // 0 for a short message
    std::vector<std::uint8_t> sysexData; // a private copy of the SysEx bytes

    bool isSysex() const { return sysexSize > 0; }

    static MidiEvent shortMessage(std::uint8_t status, std::uint8_t data1 = 0,
                                  std::uint8_t data2 = 0)
    {
        MidiEvent event;
        event.status = status;
        event.data1 = data1;
        event.data2 = data2;
        return event;
    }
};

// Errors of the input and output components, carrying one message in words.
class MidiInputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class MidiOutputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Number of bytes a message with this status byte has on the wire (status
// included); 0 for bytes that start no message of their own (data bytes,
// SysEx start and end).
constexpr int shortMessageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xF0)
        return (status & 0xE0) == 0xC0 ? 2 : 3; // program change, channel pressure: 2
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    case 0xF0:
    case 0xF7:
        return 0;
    default:
        return 1;
    }
}

} // namespace velmora::midi
