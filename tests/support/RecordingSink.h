// An output that records every message it is handed, bytes as they would go
// on the wire; it can be closed to check that senders then stay silent.
#pragma once

#include "protocol/MidiSink.h"

#include <cstdint>
#include <vector>

namespace velmora::test {

struct RecordingSink : MidiSink
{
    using Bytes = std::vector<std::uint8_t>;

    bool open = true;
    std::vector<Bytes> sent;

    bool isOpen() const override { return open; }
    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        const int length = (status & 0xE0) == 0xC0 ? 2 : 3;
        const Bytes m = {status, data1, data2};
        sent.emplace_back(m.begin(), m.begin() + length);
    }
    void sendLong(std::span<const std::uint8_t> bytes) override
    {
        sent.emplace_back(bytes.begin(), bytes.end());
    }
};

} // namespace velmora::test
