// The librarian's file formats, without widgets or dialogs: the patch, bank
// and split SysEx files (the instrument's own dump messages, readable by any
// SysEx tool), and the raw patch (.vmp) and bank (.vmb) files that the
// program reads but never writes. Loading examines nothing but the length:
// header, opcode, number, checksum and end byte are not looked at, and a
// longer file has only its first bytes used. Every write replaces the file
// atomically, so a failed save leaves the old file whole.
#pragma once

#include "protocol/PatchRecord.h"
#include "protocol/SysexCodec.h"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace velmora::library {

inline constexpr std::size_t kPatchSysexSize = 275;
// 27,500: the protocol's own constant, so both names may be in scope.
using velmora::kBankSysexSize;
inline constexpr std::size_t kSplitSysexSize = 43;
inline constexpr std::size_t kPatchFileSize = 135;
inline constexpr std::size_t kBankFileSize = 13500;

using Bank = std::array<PatchBuffer, kBankPatchCount>;
using BankRecords = std::array<PatchRecord, kBankPatchCount>;

// A load's result: the data, or the message that tells the user what went
// wrong ("... is too short for a patch file: 275 bytes expected, 120 found").
template <typename T> using Loaded = std::variant<T, std::string>;

// Building the files' bytes.
std::vector<Byte> patchSysex(std::span<const Byte, kPatchRecordSize> record, int patchNumber);
std::vector<Byte> bankSysex(const Bank& bank);
std::vector<Byte> splitSysex(const SplitRecord& split, int index);

// Reading them: only the first bytes of the file are read, as many as the
// format has; a shorter file is refused with a message naming it.
Loaded<PatchRecord> readPatchSysex(const std::filesystem::path& path);
Loaded<PatchBuffer> readPatchFile(const std::filesystem::path& path);
Loaded<BankRecords> readBankSysex(const std::filesystem::path& path);
Loaded<Bank> readBankFile(const std::filesystem::path& path);
Loaded<SplitRecord> readSplitSysex(const std::filesystem::path& path);

// The same from bytes already read; `fileName` names the file in a message.
Loaded<PatchRecord> decodePatchSysex(std::span<const Byte> bytes, const std::string& fileName);
Loaded<PatchBuffer> decodePatchFile(std::span<const Byte> bytes, const std::string& fileName);
Loaded<BankRecords> decodeBankSysex(std::span<const Byte> bytes, const std::string& fileName);
Loaded<Bank> decodeBankFile(std::span<const Byte> bytes, const std::string& fileName);
Loaded<SplitRecord> decodeSplitSysex(std::span<const Byte> bytes, const std::string& fileName);

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
