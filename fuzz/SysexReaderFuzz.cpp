// Feeds arbitrary bytes to the tolerant SysEx reader and the Standard MIDI
// File reader, and checks what they promise: every message taken lies inside
// the data with its kind's length and header, and the SysEx of a MIDI file
// reads back through the same reader.
#include "protocol/MidiFile.h"
#include "protocol/SysexReader.h"

using namespace velmora;

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void readAll(std::span<const Byte> bytes)
{
    const SysexContents contents = readSysex(bytes);
    auto inside = [&](const ReadMessage& m) {
        check(m.offset + m.length <= bytes.size());
        const auto message = m.bytes(bytes);
        check(message.front() == 0xF0 && message.back() == 0xF7);
        check(classifyMessage(message) != DumpKind::Other || m.kind == SysexKind::EditBufferPatch);
    };
    for (const ReadMessage& m : contents.patches)
        inside(m);
    for (const ReadMessage& m : contents.splits)
        inside(m);
    if (contents.global)
        inside(*contents.global);
    if (const auto placement = contents.placement())
        check(placement->size() == contents.patches.size());
    (void)contents.skippedText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const Byte> bytes(data, size);
    readAll(bytes);
    const MidiFileSysex midi = sysexFromMidiFile(bytes);
    check(midi.ok() || midi.messages.empty());
    readAll(midi.messages);
    return 0;
}
