#include "Messages.h"

#include "SysexCodec.h"

#include <algorithm>

namespace velmora {
namespace {

Byte Status(Byte kind, int channel)
{
    return static_cast<Byte>(kind | (channel & 0x0F));
}

Message Sysex(std::initializer_list<Byte> body)
{
    Message m(body.size() + 4);
    m[0] = kSysexStart;
    m[1] = kManufacturer;
    m[2] = kDevice;
    std::copy(body.begin(), body.end(), m.begin() + 3);
    m.back() = kSysexEnd;
    return m;
}

} // namespace

std::size_t WriteBlockMessage(Byte op, Byte number, std::span<const Byte> block, Byte* out)
{
    out[0] = kSysexStart;
    out[1] = kManufacturer;
    out[2] = kDevice;
    out[3] = op;
    out[4] = number;
    NibblePack(block, out + kDumpHeaderSize);
    const std::size_t checksumAt = kDumpHeaderSize + 2 * block.size();
    out[checksumAt] = DumpChecksum(block);
    out[checksumAt + 1] = kSysexEnd;
    return checksumAt + 2;
}

Message BlockMessage(Byte op, Byte number, std::span<const Byte> block)
{
    Message m(BlockMessageSize(block.size()));
    WriteBlockMessage(op, number, block, m.data());
    return m;
}

Message PatchToEditBuffer(std::span<const Byte, kPatchRecordSize> record)
{
    return BlockMessage(opcode::PatchToEditBuffer, 0x00, record);
}

Message PatchToMemory(Byte n, std::span<const Byte, kPatchRecordSize> record)
{
    return BlockMessage(opcode::PatchToMemory, n, record);
}

Message SplitData(Byte n, std::span<const Byte, kSplitRecordSize> split)
{
    return BlockMessage(opcode::SplitData, n, split);
}

Byte ToSevenBit(Byte parameter, Byte recordValue)
{
    // For every valid record byte, "byte - 128 when 64 or more" and "the low
    // seven bits" agree; the mask also keeps stray bytes 64..127 and 128+ of
    // parameter 21 from turning into status bytes on the wire.
    (void)parameter;
    return recordValue & 0x7F;
}

int DisplayValue(Byte parameter, Byte sevenBitValue)
{
    const int v = sevenBitValue;
    if (parameter == 21)
        return v;
    if (parameter == 12)
        return v >= 32 ? v - 128 : v;
    return v >= 64 ? v - 128 : v;
}

Message ParameterEdit(Byte parameter, Byte sevenBitValue)
{
    return Sysex({opcode::Parameter, static_cast<Byte>(parameter & 0x7F),
                  static_cast<Byte>(sevenBitValue & 0x7F)});
}

Message ParameterEditPrefix()
{
    return Sysex({opcode::ParameterPrefix});
}

Message MatrixBus(int bus, Byte source, Byte amount, Byte destination)
{
    return Sysex({opcode::MatrixBus, static_cast<Byte>((bus - 1) & 0x7F),
                  static_cast<Byte>(source & 0x7F), static_cast<Byte>(amount & 0x7F),
                  static_cast<Byte>(destination & 0x7F)});
}

Message BankSelect(Byte bank)
{
    return Sysex({opcode::BankSelect, static_cast<Byte>(bank & 0x7F)});
}

Message Request(RequestType type, Byte number)
{
    return Sysex({opcode::Request, static_cast<Byte>(type), static_cast<Byte>(number & 0x7F)});
}

Message SplitMode(bool on)
{
    return {kSysexStart, kManufacturer, 0x02, 0x0D, static_cast<Byte>(on ? 0x02 : 0x01), kSysexEnd};
}

BankedNumber SplitPatchNumber(int patchNumber)
{
    return patchNumber >= 100 ? BankedNumber{1, static_cast<Byte>(patchNumber - 100)}
                              : BankedNumber{0, static_cast<Byte>(patchNumber)};
}

Message ProgramChange(int channel, Byte program)
{
    return {Status(0xC0, channel), static_cast<Byte>(program & 0x7F)};
}

std::optional<ShortMessage> ControlChange(int channel, int controller, int value)
{
    if (controller < 1 || controller >= 120 || value < 0 || value >= 128)
        return std::nullopt;
    return ShortMessage{Status(0xB0, channel), static_cast<Byte>(controller),
                        static_cast<Byte>(value)};
}

ShortMessage NoteOn(int channel, Byte note)
{
    return NoteOn(channel, note, 100);
}

ShortMessage NoteOff(int channel, Byte note)
{
    return NoteOff(channel, note, 100);
}

ShortMessage NoteOn(int channel, Byte note, Byte velocity)
{
    return {Status(0x90, channel), static_cast<Byte>(note & 0x7F),
            static_cast<Byte>(velocity & 0x7F)};
}

ShortMessage NoteOff(int channel, Byte note, Byte velocity)
{
    return {Status(0x80, channel), static_cast<Byte>(note & 0x7F),
            static_cast<Byte>(velocity & 0x7F)};
}

std::vector<ShortMessage> AllNotesOff(int channel, Byte note, std::array<Byte, 3> chord)
{
    return {NoteOff(channel, note),
            NoteOff(channel, chord[0]),
            NoteOff(channel, chord[1]),
            NoteOff(channel, chord[2]),
            {Status(0xB0, channel), 0x7B, 0x00},
            {Status(0xB0, channel), 0x79, 0x00}};
}

Message RegisteredParameterMessage(int channel, RegisteredParameter parameter, int value)
{
    const int x = parameter == RegisteredParameter::BendRange ? value : value + 64;
    return {Status(0xB0, channel),      0x64, static_cast<Byte>(parameter), 0x65, 0x00, 0x06,
            static_cast<Byte>(x & 0x7F)};
}

} // namespace velmora
