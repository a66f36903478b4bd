#include "protocol/Messages.h"

#include "protocol/SysexCodec.h"

#include <algorithm>

namespace velmora {
namespace {

Byte status(Byte kind, int channel)
{
    return static_cast<Byte>(kind | (channel & 0x0F));
}

Message sysex(std::initializer_list<Byte> body)
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

std::size_t writeBlockMessage(Byte op, Byte number, std::span<const Byte> block, Byte* out)
{
    out[0] = kSysexStart;
    out[1] = kManufacturer;
    out[2] = kDevice;
    out[3] = op;
    out[4] = number;
    nibblePack(block, out + kDumpHeaderSize);
    const std::size_t checksumAt = kDumpHeaderSize + 2 * block.size();
    out[checksumAt] = dumpChecksum(block);
    out[checksumAt + 1] = kSysexEnd;
    return checksumAt + 2;
}

Message blockMessage(Byte op, Byte number, std::span<const Byte> block)
{
    Message m(blockMessageSize(block.size()));
    writeBlockMessage(op, number, block, m.data());
    return m;
}

Message patchToEditBuffer(std::span<const Byte, kPatchRecordSize> record)
{
    return blockMessage(opcode::patchToEditBuffer, 0x00, record);
}

Message patchToMemory(Byte n, std::span<const Byte, kPatchRecordSize> record)
{
    return blockMessage(opcode::patchToMemory, n, record);
}

Message splitData(Byte n, std::span<const Byte, kSplitRecordSize> split)
{
    return blockMessage(opcode::splitData, n, split);
}

Message globalData(std::span<const Byte, kGlobal1000Size> record)
{
    return blockMessage(opcode::masterData, recordVersion::global1000, record);
}

Message master6Data(std::span<const Byte, kMaster6Size> record)
{
    return blockMessage(opcode::masterData, recordVersion::master6, record);
}

Byte toSevenBit(Byte parameter, Byte recordValue)
{
    // For every valid record byte, "byte - 128 when 64 or more" and "the low
    // seven bits" agree; the mask also keeps stray bytes 64..127 and 128+ of
    // parameter 21 from turning into status bytes on the wire.
    (void)parameter;
    return recordValue & 0x7F;
}

int displayValue(Byte parameter, Byte sevenBitValue)
{
    const int v = sevenBitValue;
    if (parameter == 21)
        return v;
    if (parameter == 12)
        return v >= 32 ? v - 128 : v;
    return v >= 64 ? v - 128 : v;
}

Message parameterEdit(Byte parameter, Byte sevenBitValue)
{
    return sysex({opcode::parameter, static_cast<Byte>(parameter & 0x7F),
                  static_cast<Byte>(sevenBitValue & 0x7F)});
}

Message parameterEditPrefix()
{
    return sysex({opcode::parameterPrefix});
}

Message matrixBus(int bus, Byte source, Byte amount, Byte destination)
{
    return sysex({opcode::matrixBus, static_cast<Byte>((bus - 1) & 0x7F),
                  static_cast<Byte>(source & 0x7F), static_cast<Byte>(amount & 0x7F),
                  static_cast<Byte>(destination & 0x7F)});
}

Message bankSelect(Byte bank)
{
    return sysex({opcode::bankSelect, static_cast<Byte>(bank & 0x7F)});
}

Message bankLockOff()
{
    return sysex({opcode::bankLockOff});
}

Message request(RequestType type, Byte number)
{
    return sysex({opcode::request, static_cast<Byte>(type), static_cast<Byte>(number & 0x7F)});
}

Message splitMode(bool on)
{
    return {kSysexStart, kManufacturer, 0x02, 0x0D, static_cast<Byte>(on ? 0x02 : 0x01), kSysexEnd};
}

BankedNumber splitPatchNumber(int patchNumber)
{
    return patchNumber >= 100 ? BankedNumber{1, static_cast<Byte>(patchNumber - 100)}
                              : BankedNumber{0, static_cast<Byte>(patchNumber)};
}

Message programChange(int channel, Byte program)
{
    return {status(0xC0, channel), static_cast<Byte>(program & 0x7F)};
}

std::optional<ShortMessage> controlChange(int channel, int controller, int value)
{
    if (controller < 1 || controller >= 120 || value < 0 || value >= 128)
        return std::nullopt;
    return ShortMessage{status(0xB0, channel), static_cast<Byte>(controller),
                        static_cast<Byte>(value)};
}

ShortMessage noteOn(int channel, Byte note)
{
    return noteOn(channel, note, 100);
}

ShortMessage noteOff(int channel, Byte note)
{
    return noteOff(channel, note, 100);
}

ShortMessage noteOn(int channel, Byte note, Byte velocity)
{
    return {status(0x90, channel), static_cast<Byte>(note & 0x7F),
            static_cast<Byte>(velocity & 0x7F)};
}

ShortMessage noteOff(int channel, Byte note, Byte velocity)
{
    return {status(0x80, channel), static_cast<Byte>(note & 0x7F),
            static_cast<Byte>(velocity & 0x7F)};
}

std::vector<ShortMessage> allNotesOff(int channel, Byte note, std::array<Byte, 3> chord)
{
    return {noteOff(channel, note),
            noteOff(channel, chord[0]),
            noteOff(channel, chord[1]),
            noteOff(channel, chord[2]),
            {status(0xB0, channel), 0x7B, 0x00},
            {status(0xB0, channel), 0x79, 0x00}};
}

Message registeredParameterMessage(int channel, RegisteredParameter parameter, int value)
{
    const int x = parameter == RegisteredParameter::BendRange ? value : value + 64;
    return {status(0xB0, channel),      0x64, static_cast<Byte>(parameter), 0x65, 0x00, 0x06,
            static_cast<Byte>(x & 0x7F)};
}

} // namespace velmora
