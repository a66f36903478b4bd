// One received MIDI message as the input device hands it to the program, and
// the exceptions the device components raise.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace velmora::midi {

struct TMyMidiEvent
{
    std::uint8_t Status = 0; // F0 for SysEx
    std::uint8_t Data1 = 0;  // 0 for SysEx
    std::uint8_t Data2 = 0;  // 0 for SysEx
    std::uint32_t TimeStamp = 0;
    std::uint16_t SysexSize = 0;         // 0 for a short message
    std::vector<std::uint8_t> SysexData; // a private copy of the SysEx bytes

    bool IsSysex() const { return SysexSize > 0; }

    static TMyMidiEvent Short(std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0)
    {
        TMyMidiEvent event;
        event.Status = status;
        event.Data1 = data1;
        event.Data2 = data2;
        return event;
    }
};

// Errors of the input and output components, carrying one message in words.
class EMidiInputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class EmidioutputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Number of bytes a message with this status byte has on the wire (status
// included); 0 for bytes that start no message of their own (data bytes,
// SysEx start and end).
constexpr int ShortMessageLength(std::uint8_t status)
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
