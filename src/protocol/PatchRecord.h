// The voice patch as the instrument stores it, and the other records that
// travel in dumps. Everything is a plain byte array laid out exactly as the
// instrument transfers it, so dumps, files and edits copy bytes unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora {

// 8 name bytes followed by 126 data bytes.
inline constexpr std::size_t kPatchRecordSize = 134;
// A patch record plus one further byte that is carried along with the patch
// (raw patch and bank files store it) but never interpreted or sent.
inline constexpr std::size_t kPatchBufferSize = 135;
inline constexpr std::size_t kPatchNameLength = 8;
inline constexpr std::size_t kBankPatchCount = 100;

// Split record: 6 name bytes, then 12 data bytes.
inline constexpr std::size_t kSplitRecordSize = 18;
inline constexpr std::size_t kSplitNameLength = 6;
inline constexpr std::size_t kSplitCount = 50;

// Global data blocks: the Matrix-1000 global dump and the Matrix-6 master dump.
inline constexpr std::size_t kGlobal1000Size = 172;
inline constexpr std::size_t kMaster6Size = 236;

// The ten modulation matrix buses fill offsets 104..133, three bytes each:
// source, amount, destination.
inline constexpr int kMatrixBusCount = 10;
inline constexpr std::size_t kFirstBusOffset = 104;

using Byte = std::uint8_t;
using PatchRecord = std::array<Byte, kPatchRecordSize>;
using PatchBuffer = std::array<Byte, kPatchBufferSize>;
using SplitRecord = std::array<Byte, kSplitRecordSize>;

// Offset of the source byte of bus 1..10; amount and destination follow it.
constexpr std::size_t busOffset(int bus)
{
    return kFirstBusOffset + 3 * static_cast<std::size_t>(bus - 1);
}

// The record part of a 135-byte buffer.
inline std::span<const Byte, kPatchRecordSize> recordOf(const PatchBuffer& buffer)
{
    return std::span<const Byte, kPatchRecordSize>(buffer.data(), kPatchRecordSize);
}
inline std::span<Byte, kPatchRecordSize> recordOf(PatchBuffer& buffer)
{
    return std::span<Byte, kPatchRecordSize>(buffer.data(), kPatchRecordSize);
}

// Signed fields hold 8-bit two's complement: a position below 0 is stored as
// 256 - |v|, 0 and above as v.
constexpr Byte signedToByte(int value)
{
    return static_cast<Byte>(value < 0 ? 256 - (-value) % 256 : value);
}

// A byte above `highestPositive` reads as negative (byte - 256), anything
// else unchanged. Patch fields use 63: bytes 64..127 are outside every
// documented range; they read as -192..-129 and so still write back to the
// same byte. Full eight-bit fields use 127.
constexpr int byteToSigned(Byte value, int highestPositive = 63)
{
    return value > highestPositive ? int(value) - 256 : int(value);
}

} // namespace velmora
