// Reading, inspecting and converting the files people keep Matrix patches in:
// SysEx files (.syx, any number of messages), raw patch files (.vmp, 135
// bytes) and raw bank files (.vmb, 100 entries of 135 bytes). As in Velmora, a
// raw file longer than its format has only its first bytes used.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SysexCodec.h"

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

// The bytes of a file; of a Standard MIDI File (.mid), the SysEx messages it
// carries, one after another as in a .syx file.
Result<Bytes> readFileBytes(const std::string& path);
// Writes a temporary file beside `path` and moves it over `path`, so a failed
// write never leaves a half-written or emptied target. Returns "" on success.
std::string writeFileAtomically(const std::string& path, std::span<const Byte> bytes);

enum class FileType
{
    Sysex,
    RawPatch,
    RawBank,
    Unknown,
};
// By extension, without regard to case; a .mid reads as SysEx.
FileType fileTypeOf(std::string_view path);
bool isMidiPath(std::string_view path);

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
    // A whole-instrument backup: what it holds in a sentence.
    std::optional<std::string> backup;

    std::size_t count(DumpKind kind) const { return counts[static_cast<int>(kind)]; }
    // One sentence on what is wrong with the file, or "" when nothing is.
    std::string problem() const;
};

// Every SysEx message of `data`, each with its kind and checksum. With
// `matrix6Names` names are shown as a Matrix-6 sends them (bytes below 32
// raised by 64).
FileReport inspectSysex(std::span<const Byte> data, bool matrix6Names = false);

// A name for a terminal: printable characters as they are, others as \xNN.
std::string printableName(std::string_view raw);

// One patch taken from a file of any of the three types.
struct LoadedPatch
{
    PatchBuffer buffer{};
    bool hasCarriedByte = false;          // raw files hold the 135th byte
    std::optional<UnpackStatus> checksum; // SysEx only
    int number = -1;                      // SysEx only: byte 4 of the message
};
// `index` counts patch messages in a SysEx file and entries in a raw bank.
Result<LoadedPatch> loadPatch(std::span<const Byte> data, FileType type, std::size_t index);

// The entries of a raw patch or bank file.
struct RawEntry
{
    std::size_t index = 0;
    std::size_t offset = 0;
    std::string name; // bytes as they stand
    Byte carried = 0; // the 135th byte
};
struct RawReport
{
    std::size_t expected = 0; // the format's size
    std::size_t size = 0;     // the file's
    std::vector<RawEntry> entries;
    std::size_t unusedBytes() const { return size > expected ? size - expected : 0; }
    // "is 120 bytes; a raw patch file is 135 bytes" for a short file, else "".
    std::string problem() const;
};
// `type` is RawPatch or RawBank. A short file has no entries.
RawReport inspectRaw(std::span<const Byte> data, FileType type, bool matrix6Names = false);

// Every patch of a file in order: one of a .vmp, 100 of a .vmb, each patch
// message of a SysEx file (a bad checksum refuses the file unless
// `ignoreChecksums` is set; the 135th byte is then 0).
Result<std::vector<PatchBuffer>> collectPatches(std::span<const Byte> data, FileType type,
                                                bool ignoreChecksums);
// Up to 100 patches as a bank: a SysEx bank (message k carries k) or a raw
// bank; the entries after the last patch are all zero.
Bytes assembleBank(std::span<const PatchBuffer> patches, FileType type);
// The bytes of patch message `index` of a SysEx file, exactly as they stand.
Result<Bytes> patchMessage(std::span<const Byte> data, std::size_t index, bool ignoreChecksums);

// Conversions between the raw formats and SysEx.
Bytes rawPatchToSysex(std::span<const Byte, kPatchBufferSize> raw, Byte number);
// `raw` holds at least 13,500 bytes; the first 13,500 are used.
Bytes rawBankToSysex(std::span<const Byte> raw);
// The patch messages of a SysEx file as raw entries (the 135th byte is 0, as
// no message carries it). A bad checksum refuses the conversion unless
// `ignoreChecksums` is set.
Result<Bytes> sysexToRawPatch(std::span<const Byte> data, std::size_t index, bool ignoreChecksums);
Result<Bytes> sysexToRawBank(std::span<const Byte> data, bool ignoreChecksums);

} // namespace velmora::syx
