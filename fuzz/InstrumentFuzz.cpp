// Feeds arbitrary bytes, cut into messages, to the virtual instrument of
// either model: whatever arrives, it must neither crash nor answer with a
// message that breaks MIDI framing.
#include "instrument/VirtualInstrument.h"
#include "protocol/SysexScanner.h"

#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    VirtualInstrument instrument(data[0] % 2 ? SynthModel::Matrix6 : SynthModel::Matrix1000);
    instrument.setOutput([](std::span<const Byte> message) {
        if (message.empty())
            std::abort();
        if (message.front() == 0xF0) {
            if (message.back() != 0xF7)
                std::abort();
            for (std::size_t i = 1; i + 1 < message.size(); ++i)
                if (message[i] >= 0x80)
                    std::abort();
        }
    });
    const std::span<const Byte> bytes(data + 1, size - 1);
    const SysexScan scan = scanSysex(bytes);
    std::size_t at = 0;
    for (const SysexSpan& m : scan.messages) {
        // What stands between two SysEx messages goes in as short messages.
        for (; at + 3 <= m.offset; at += 3)
            instrument.receive(bytes.subspan(at, 3));
        instrument.receive(bytes.subspan(m.offset, m.length));
        at = m.offset + m.length;
    }
    for (; at < bytes.size(); at += 3)
        instrument.receive(bytes.subspan(at, std::min<std::size_t>(3, bytes.size() - at)));
    return 0;
}
