// Reading, inspecting and converting the files people keep Matrix patches in:
// SysEx files (.syx, any number of messages), raw patch files (.vmp, 135
// bytes) and raw bank files (.vmb, 100 entries of 135 bytes).
#pragma once

#include "PatchRecord.h"
#include "SysexCodec.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::syx {

inline constexpr std::size_t kRawBankSize = kBankPatchCount * kPatchBufferSize; // 13,500
// Larger files are refused: no collection of SysEx dumps comes near this.
inline constexpr std::size_t kMaxFileSize = 64u << 20;

using Bytes = std::vector<Byte>;

// A value or the reason there is none, in words for the user.
template <typename T> struct Result
{
    T value{};
    std::string error;
    bool ok() const { return error.empty(); }
};

Result<Bytes> ReadFileBytes(const std::string& path);
// Writes a temporary file beside `path` and moves it over `path`, so a failed
// write never leaves a half-written or emptied target. Returns "" on success.
std::string WriteFileAtomically(const std::string& path, std::span<const Byte> bytes);

enum class FileType
{
    Sysex,
    RawPatch,
    RawBank,
    Unknown,
};
// By extension, without regard to case.
FileType FileTypeOf(std::string_view path);

struct MessageInfo
{
    std::size_t index = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
    bool complete = false;
    DumpKind kind = DumpKind::Other;
    int opcode = -1; // -1 when the message is too short to hold one
    int number = -1;
    std::optional<std::string> name;      // patch and split names, bytes as they stand
    std::optional<UnpackStatus> checksum; // none for messages of other lengths
};

struct FileReport
{
    std::vector<MessageInfo> messages;
    std::size_t strayBytes = 0;
    std::size_t counts[5] = {}; // by DumpKind
    std::size_t badChecksums = 0;
    std::size_t incomplete = 0;

    std::size_t count(DumpKind kind) const { return counts[static_cast<int>(kind)]; }
    // One sentence on what is wrong with the file, or "" when nothing is.
    std::string Problem() const;
};

// Every SysEx message of `data`, each with its kind and checksum. With
// `matrix6Names` names are shown as a Matrix-6 sends them (bytes below 32
// raised by 64).
FileReport InspectSysex(std::span<const Byte> data, bool matrix6Names = false);

// A name for a terminal: printable characters as they are, others as \xNN.
std::string PrintableName(std::string_view raw);

// One patch taken from a file of any of the three types.
struct LoadedPatch
{
    PatchBuffer buffer{};
    bool hasCarriedByte = false;          // raw files hold the 135th byte
    std::optional<UnpackStatus> checksum; // SysEx only
    int number = -1;                      // SysEx only: byte 4 of the message
};
// `index` counts patch messages in a SysEx file and entries in a raw bank.
Result<LoadedPatch> LoadPatch(std::span<const Byte> data, FileType type, std::size_t index);

// Conversions between the raw formats and SysEx.
Bytes RawPatchToSysex(std::span<const Byte, kPatchBufferSize> raw, Byte number);
Bytes RawBankToSysex(std::span<const Byte, kRawBankSize> raw);
// The patch messages of a SysEx file as raw entries (the 135th byte is 0, as
// no message carries it). A bad checksum refuses the conversion unless
// `ignoreChecksums` is set.
Result<Bytes> SysexToRawPatch(std::span<const Byte> data, std::size_t index, bool ignoreChecksums);
Result<Bytes> SysexToRawBank(std::span<const Byte> data, bool ignoreChecksums);

} // namespace velmora::syx
