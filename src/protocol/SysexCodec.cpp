#include "protocol/SysexCodec.h"

namespace velmora {

void nibblePack(std::span<const Byte> block, Byte* out)
{
    for (const Byte b : block) {
        *out++ = b & 0x0F;
        *out++ = static_cast<Byte>(b >> 4);
    }
}

Byte dumpChecksum(std::span<const Byte> block)
{
    Byte sum = 0;
    for (const Byte b : block)
        sum = static_cast<Byte>(sum + b);
    return sum & 0x7F;
}

Byte globalChecksum(std::span<const Byte> block)
{
    unsigned sum = 0;
    for (const Byte b : block) {
        sum += b;
        if (sum > 255)
            sum -= 255;
    }
    return static_cast<Byte>(sum & 0x7F);
}

const char* unpackStatusText(UnpackStatus status)
{
    switch (status) {
    case UnpackStatus::Ok:
        return "checksum ok";
    case UnpackStatus::BadChecksum:
        return "checksum error";
    case UnpackStatus::TooShort:
        return "message too short";
    }
    return "";
}

UnpackStatus unpackBlock(std::span<const Byte> message, std::span<Byte> block, ChecksumRule rule)
{
    const std::size_t checksumAt = kDumpHeaderSize + 2 * block.size();
    if (message.size() <= checksumAt)
        return UnpackStatus::TooShort;

    const Byte* in = message.data() + kDumpHeaderSize;
    for (Byte& b : block) {
        b = nibbleUnpack(in[0], in[1]);
        in += 2;
    }
    const Byte checksum = message[checksumAt];
    const bool fits = checksum == dumpChecksum(block) ||
                      (rule == ChecksumRule::Global && checksum == globalChecksum(block));
    return fits ? UnpackStatus::Ok : UnpackStatus::BadChecksum;
}

UnpackResult unpackBlock(std::span<const Byte> message, std::size_t blockLength, ChecksumRule rule)
{
    UnpackResult result;
    result.block.resize(blockLength);
    result.status = unpackBlock(message, std::span<Byte>(result.block), rule);
    if (result.status == UnpackStatus::TooShort)
        result.block.clear();
    return result;
}

DumpKind classifyDump(std::size_t totalLength)
{
    switch (totalLength) {
    case kPatchMessageSize:
        return DumpKind::Patch;
    case kSplitMessageSize:
        return DumpKind::Split;
    case kGlobal1000MessageSize:
        return DumpKind::Global1000;
    case kMaster6MessageSize:
        return DumpKind::Master6;
    default:
        return DumpKind::Other;
    }
}

const char* dumpKindName(DumpKind kind)
{
    switch (kind) {
    case DumpKind::Patch:
        return "patch";
    case DumpKind::Split:
        return "split";
    case DumpKind::Global1000:
        return "Matrix-1000 global";
    case DumpKind::Master6:
        return "Matrix-6 master";
    case DumpKind::Other:
        return "other";
    }
    return "other";
}

std::size_t dumpBlockLength(DumpKind kind)
{
    switch (kind) {
    case DumpKind::Patch:
        return kPatchRecordSize;
    case DumpKind::Split:
        return kSplitRecordSize;
    case DumpKind::Global1000:
        return kGlobal1000Size;
    case DumpKind::Master6:
        return kMaster6Size;
    case DumpKind::Other:
        return 0;
    }
    return 0;
}

ChecksumRule dumpChecksumRule(DumpKind kind)
{
    return kind == DumpKind::Global1000 || kind == DumpKind::Master6 ? ChecksumRule::Global
                                                                     : ChecksumRule::Dump;
}

} // namespace velmora
