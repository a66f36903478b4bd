#include "protocol/SysexReader.h"

#include "protocol/Messages.h"
#include "protocol/SysexScanner.h"

#include <algorithm>

namespace velmora {
namespace {

// The Matrix-6 also takes 7F ("any unit") in place of its device number;
// files written for it may carry that.
constexpr Byte kAnyDevice = 0x7F;

bool isOurs(std::span<const Byte> m)
{
    return m.size() >= 4 && m[0] == kSysexStart && m[1] == kManufacturer &&
           (m[2] == kDevice || m[2] == kAnyDevice);
}

std::optional<SysexKind> kindOf(std::span<const Byte> m)
{
    switch (classifyMessage(m)) {
    case DumpKind::Patch:
        return SysexKind::Patch;
    case DumpKind::Split:
        return SysexKind::Split;
    case DumpKind::Global1000:
        return SysexKind::Global1000;
    case DumpKind::Master6:
        return SysexKind::Master6;
    case DumpKind::Other:
        break;
    }
    // A patch for the edit buffer: files written to be sent to a Matrix-1000.
    if (isOurs(m) && m[3] == opcode::patchToEditBuffer && m.size() == kPatchMessageSize)
        return SysexKind::EditBufferPatch;
    return std::nullopt;
}

UnpackStatus checksumOf(SysexKind kind, std::span<const Byte> m)
{
    std::vector<Byte> block;
    switch (kind) {
    case SysexKind::Patch:
    case SysexKind::EditBufferPatch:
        block.resize(kPatchRecordSize);
        return unpackBlock(m, block);
    case SysexKind::Split:
        block.resize(kSplitRecordSize);
        return unpackBlock(m, block);
    case SysexKind::Global1000:
        block.resize(kGlobal1000Size);
        return unpackBlock(m, block, ChecksumRule::Global);
    case SysexKind::Master6:
        block.resize(kMaster6Size);
        return unpackBlock(m, block, ChecksumRule::Global);
    }
    return UnpackStatus::TooShort;
}

std::string counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

} // namespace

DumpKind classifyMessage(std::span<const Byte> message)
{
    const DumpKind kind = classifyDump(message.size());
    if (kind == DumpKind::Other || !isOurs(message))
        return DumpKind::Other;
    const Byte expected = kind == DumpKind::Patch   ? opcode::patchToMemory
                          : kind == DumpKind::Split ? opcode::splitData
                                                    : opcode::masterData;
    return message[3] == expected ? kind : DumpKind::Other;
}

SysexContents readSysex(std::span<const Byte> data)
{
    SysexContents contents;
    const SysexScan scan = scanSysex(data);
    contents.strayBytes = scan.strayBytes;
    int bank = -1;
    for (const SysexSpan& span : scan.messages) {
        if (!span.complete) {
            ++contents.cutShort;
            continue;
        }
        const std::span<const Byte> m = data.subspan(span.offset, span.length);
        const auto kind = kindOf(m);
        if (!kind) {
            if (isOurs(m) && m.size() == 6 && m[3] == opcode::bankSelect && m[4] < 10)
                bank = m[4];
            ++contents.otherMessages;
            continue;
        }
        ReadMessage message;
        message.kind = *kind;
        message.offset = span.offset;
        message.length = span.length;
        message.checksum = checksumOf(*kind, m);
        message.bank = bank;
        if (*kind == SysexKind::Global1000 || *kind == SysexKind::Master6) {
            contents.global = message;
            continue;
        }
        message.number = m[4];
        (*kind == SysexKind::Split ? contents.splits : contents.patches).push_back(message);
    }
    return contents;
}

std::size_t SysexContents::badChecksums() const
{
    auto bad = [](const ReadMessage& m) { return m.checksum != UnpackStatus::Ok; };
    return static_cast<std::size_t>(std::ranges::count_if(patches, bad) +
                                    std::ranges::count_if(splits, bad)) +
           (global && bad(*global) ? 1 : 0);
}

std::optional<std::vector<int>> SysexContents::placement(std::size_t slots) const
{
    return placementOf(patches, slots);
}

std::optional<std::vector<int>> placementOf(std::span<const ReadMessage> messages,
                                            std::size_t slots)
{
    std::vector<int> numbers;
    std::vector<bool> taken(slots, false);
    for (const ReadMessage& message : messages) {
        const auto n = static_cast<std::size_t>(message.number);
        if (message.number < 0 || n >= slots || taken[n])
            return std::nullopt;
        taken[n] = true;
        numbers.push_back(message.number);
    }
    return numbers;
}

std::string SysexContents::skippedText() const
{
    std::vector<std::string> parts;
    if (cutShort > 0)
        parts.push_back(counted(cutShort, "message cut short", "messages cut short"));
    if (otherMessages > 0)
        parts.push_back(counted(otherMessages, "other message", "other messages"));
    if (strayBytes > 0)
        parts.push_back(counted(strayBytes, "stray byte", "stray bytes"));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

} // namespace velmora
