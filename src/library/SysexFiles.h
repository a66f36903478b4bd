// The librarian's file formats, without widgets or dialogs: the patch, bank
// and split SysEx files (the instrument's own dump messages, readable by any
// SysEx tool), and the raw patch (.vmp) and bank (.vmb) files that the
// program reads but never writes. A SysEx file (or the SysEx a Standard MIDI
// File carries) is read by the protocol's SysexReader, which knows each
// message by its header, opcode and length and checks its checksum, however
// untidy the file; what to take from it is the file commands' business. A
// raw file is read by its length alone, a longer one having only its first
// bytes used. Every write replaces the file atomically, so a failed save
// leaves the old file whole.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SysexCodec.h"
#include "protocol/SysexReader.h"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace velmora::library {

// 27,500: the protocol's own constant, so both names may be in scope.
using velmora::kBankSysexSize;
inline constexpr std::size_t kPatchFileSize = 135;
inline constexpr std::size_t kBankFileSize = 13500;

// Larger files are refused: no collection of SysEx dumps comes near this.
inline constexpr std::size_t kMaxSysexFileSize = 64u << 20;

using Bank = std::array<PatchBuffer, kBankPatchCount>;

// A load's result: the data, or the message that tells the user what went
// wrong ("... is too short for a Velmora patch file (.vmp): 135 bytes
// expected, 120 found").
template <typename T> using Loaded = std::variant<T, std::string>;

// Building the files' bytes.
std::vector<Byte> patchSysex(std::span<const Byte, kPatchRecordSize> record, int patchNumber);
std::vector<Byte> bankSysex(const Bank& bank);
std::vector<Byte> splitSysex(const SplitRecord& split, int index);

// What a SysEx file holds: its messages (of a Standard MIDI File, the SysEx
// it carries, one message after another) and what the reader found in them.
struct SysexFile
{
    std::vector<Byte> data;
    SysexContents contents;
    bool empty = false; // the file has no bytes at all
};

// Reading a SysEx file (.syx, or .mid told by its first bytes). It is
// refused only when it cannot be read, is too large or is a MIDI file
// without readable SysEx; what it holds is the caller's to judge.
Loaded<SysexFile> readSysexFile(const std::filesystem::path& path);
// Reading the raw files: only the first bytes of the file are read, as many
// as the format has; a shorter file is refused with a message naming it.
Loaded<PatchBuffer> readPatchFile(const std::filesystem::path& path);
Loaded<Bank> readBankFile(const std::filesystem::path& path);

// The same from bytes already read; `fileName` names the file in a message.
Loaded<SysexFile> decodeSysexFile(std::span<const Byte> bytes, const std::string& fileName);
Loaded<PatchBuffer> decodePatchFile(std::span<const Byte> bytes, const std::string& fileName);
Loaded<Bank> decodeBankFile(std::span<const Byte> bytes, const std::string& fileName);

// The number byte of a patch message: 100..199 count within their bank, and
// a number outside 0..199 (-1 after a cancelled number dialog) gives 0.
Byte patchNumberByte(int patchNumber);

// Writes the bytes through a temporary file renamed over the target; the
// message to show when that failed.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const Byte> bytes);

// File-name rules: ".syx" appended unless the name contains ".syx" (exact
// case) anywhere; the folder part of a name is everything up to and
// including its last separator.
std::string withSyxExtension(const std::string& name);
std::string folderPart(const std::string& name);
std::string filePart(const std::string& name);

} // namespace velmora::library
