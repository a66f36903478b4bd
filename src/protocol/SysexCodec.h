// Framing, nibble packing and checksums of the instrument's data blocks, the
// unpacker for received dumps, and how an incoming dump is told apart (by its
// total length alone).
#pragma once

#include "protocol/PatchRecord.h"

#include <cstddef>
#include <span>
#include <vector>

namespace velmora {

inline constexpr Byte kSysexStart = 0xF0;
inline constexpr Byte kSysexEnd = 0xF7;
inline constexpr Byte kManufacturer = 0x10;
inline constexpr Byte kDevice = 0x06;
// F0, manufacturer, device, opcode, number: the packed data starts after them.
inline constexpr std::size_t kDumpHeaderSize = 5;

// Total length of a block message: header, packed block, checksum, F7.
constexpr std::size_t blockMessageSize(std::size_t blockLength)
{
    return kDumpHeaderSize + 2 * blockLength + 2;
}

inline constexpr std::size_t kPatchMessageSize = blockMessageSize(kPatchRecordSize);     // 275
inline constexpr std::size_t kSplitMessageSize = blockMessageSize(kSplitRecordSize);     // 43
inline constexpr std::size_t kGlobal1000MessageSize = blockMessageSize(kGlobal1000Size); // 351
inline constexpr std::size_t kMaster6MessageSize = blockMessageSize(kMaster6Size);       // 479
inline constexpr std::size_t kBankSysexSize = kBankPatchCount * kPatchMessageSize;       // 27,500

// Each byte travels as two: first its low four bits, then its high four bits.
// `out` must hold 2 * block.size() bytes.
void nibblePack(std::span<const Byte> block, Byte* out);
// A pair (lo, hi) gives hi * 16 + lo, modulo 256; neither half is checked.
inline Byte nibbleUnpack(Byte lo, Byte hi)
{
    return static_cast<Byte>(hi * 16 + lo);
}

// 8-bit running sum of the block, masked with 7F.
Byte dumpChecksum(std::span<const Byte> block);
// 8-bit sum with end-around carry (a sum past 255 drops 255), masked with 7F.
// The instruments send the plain sum with their global records too, but files
// written by older tools carry this one.
Byte globalChecksum(std::span<const Byte> block);

enum class ChecksumRule
{
    Dump,   // the plain sum
    Global, // global and master records: the plain sum or the end-around one
};

enum class UnpackStatus
{
    Ok,
    BadChecksum,
    TooShort, // the message ends before the block and its checksum byte
};

const char* unpackStatusText(UnpackStatus status);

// Unpacks `block.size()` bytes starting at the sixth byte of `message` and
// checks the byte after them against the checksum rule. The first five bytes
// and the final byte are not examined. On TooShort `block` is left untouched;
// on BadChecksum it holds the unpacked data all the same.
UnpackStatus unpackBlock(std::span<const Byte> message, std::span<Byte> block,
                         ChecksumRule rule = ChecksumRule::Dump);

struct UnpackResult
{
    std::vector<Byte> block;
    UnpackStatus status = UnpackStatus::TooShort;
    bool checksumOk() const { return status == UnpackStatus::Ok; }
};
UnpackResult unpackBlock(std::span<const Byte> message, std::size_t blockLength,
                         ChecksumRule rule = ChecksumRule::Dump);

// What an incoming SysEx message is, by its total length (F0..F7 inclusive).
enum class DumpKind
{
    Patch,      // 275: single patch, or a bank entry while a bank receive runs
    Split,      // 43
    Global1000, // 351: Matrix-1000 global dump
    Master6,    // 479: Matrix-6 master dump
    Other,      // ignored
};

DumpKind classifyDump(std::size_t totalLength);
const char* dumpKindName(DumpKind kind);
// Data block length and checksum rule of a dump kind (0 for Other).
std::size_t dumpBlockLength(DumpKind kind);
ChecksumRule dumpChecksumRule(DumpKind kind);

} // namespace velmora
