#include "SysexFiles.h"

#include "Messages.h"
#include "SysexCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

namespace velmora::library {
namespace {

namespace fs = std::filesystem;

// What each format is called in a message, and how many bytes it has.
struct Format
{
    const char* what;
    std::size_t size;
};
constexpr Format kPatchSysexFormat{"a patch SysEx file", kPatchSysexSize};
constexpr Format kBankSysexFormat{"a bank SysEx file", kBankSysexSize};
constexpr Format kSplitSysexFormat{"a split SysEx file", kSplitSysexSize};
constexpr Format kPatchFileFormat{"a Velmora patch file (.vmp)", kPatchFileSize};
constexpr Format kBankFileFormat{"a Velmora bank file (.vmb)", kBankFileSize};

std::optional<std::string> TooShort(std::span<const Byte> bytes, const std::string& fileName,
                                    const Format& format)
{
    if (bytes.size() >= format.size)
        return std::nullopt;
    return fileName + " is too short for " + format.what + ": " + std::to_string(format.size) +
           " bytes expected, " + std::to_string(bytes.size()) + " found.";
}

// Record byte i from the pair at 5 + 2i (low nibble) and 6 + 2i (high). The
// header, the checksum and the end byte are not looked at.
void Unpack(std::span<const Byte> message, std::span<Byte> out)
{
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] =
            NibbleUnpack(message[kDumpHeaderSize + 2 * i], message[kDumpHeaderSize + 2 * i + 1]);
}

std::string SystemError()
{
    return std::strerror(errno);
}

std::string NameOf(const fs::path& path)
{
    return path.filename().string();
}

// The first `size` bytes of the file, or all of a shorter one.
std::variant<std::vector<Byte>, std::string> ReadPrefix(const fs::path& path, std::size_t size)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return "Cannot open " + NameOf(path) + ": it is a folder, not a file.";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "Cannot open " + NameOf(path) + ": " + SystemError() + ".";
    std::vector<Byte> bytes(size);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (in.bad())
        return "Cannot read " + NameOf(path) + ": " + SystemError() + ".";
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

template <typename T>
Loaded<T> ReadAndDecode(const fs::path& path, const Format& format,
                        Loaded<T> (*decode)(std::span<const Byte>, const std::string&))
{
    auto read = ReadPrefix(path, format.size);
    if (auto* error = std::get_if<std::string>(&read))
        return *error;
    return decode(std::get<std::vector<Byte>>(read), NameOf(path));
}

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

} // namespace

Byte PatchNumberByte(int patchNumber)
{
    if (patchNumber >= 100 && patchNumber <= 199)
        return static_cast<Byte>(patchNumber - 100);
    return patchNumber >= 0 && patchNumber <= 99 ? static_cast<Byte>(patchNumber) : 0;
}

std::vector<Byte> PatchSysex(std::span<const Byte, kPatchRecordSize> record, int patchNumber)
{
    return PatchToMemory(PatchNumberByte(patchNumber), record);
}

std::vector<Byte> BankSysex(const Bank& bank)
{
    std::vector<Byte> bytes(kBankSysexSize);
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        WriteBlockMessage(opcode::PatchToMemory, static_cast<Byte>(k), RecordOf(bank[k]),
                          bytes.data() + k * kPatchSysexSize);
    return bytes;
}

std::vector<Byte> SplitSysex(const SplitRecord& split, int index)
{
    return SplitData(static_cast<Byte>(std::clamp(index, 0, int(kSplitCount) - 1)), split);
}

Loaded<PatchRecord> DecodePatchSysex(std::span<const Byte> bytes, const std::string& fileName)
{
    if (auto error = TooShort(bytes, fileName, kPatchSysexFormat))
        return *error;
    PatchRecord record{};
    Unpack(bytes, record);
    return record;
}

Loaded<PatchBuffer> DecodePatchFile(std::span<const Byte> bytes, const std::string& fileName)
{
    if (auto error = TooShort(bytes, fileName, kPatchFileFormat))
        return *error;
    PatchBuffer buffer{};
    std::copy_n(bytes.begin(), kPatchFileSize, buffer.begin());
    return buffer;
}

Loaded<BankRecords> DecodeBankSysex(std::span<const Byte> bytes, const std::string& fileName)
{
    if (auto error = TooShort(bytes, fileName, kBankSysexFormat))
        return *error;
    BankRecords records{};
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        Unpack(bytes.subspan(k * kPatchSysexSize, kPatchSysexSize), records[k]);
    return records;
}

Loaded<Bank> DecodeBankFile(std::span<const Byte> bytes, const std::string& fileName)
{
    if (auto error = TooShort(bytes, fileName, kBankFileFormat))
        return *error;
    Bank bank{};
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(k * kPatchFileSize), kPatchFileSize,
                    bank[k].begin());
    return bank;
}

Loaded<SplitRecord> DecodeSplitSysex(std::span<const Byte> bytes, const std::string& fileName)
{
    if (auto error = TooShort(bytes, fileName, kSplitSysexFormat))
        return *error;
    SplitRecord split{};
    Unpack(bytes, split);
    return split;
}

Loaded<PatchRecord> ReadPatchSysex(const fs::path& path)
{
    return ReadAndDecode(path, kPatchSysexFormat, &DecodePatchSysex);
}

Loaded<PatchBuffer> ReadPatchFile(const fs::path& path)
{
    return ReadAndDecode(path, kPatchFileFormat, &DecodePatchFile);
}

Loaded<BankRecords> ReadBankSysex(const fs::path& path)
{
    return ReadAndDecode(path, kBankSysexFormat, &DecodeBankSysex);
}

Loaded<Bank> ReadBankFile(const fs::path& path)
{
    return ReadAndDecode(path, kBankFileFormat, &DecodeBankFile);
}

Loaded<SplitRecord> ReadSplitSysex(const fs::path& path)
{
    return ReadAndDecode(path, kSplitSysexFormat, &DecodeSplitSysex);
}

std::optional<std::string> WriteFileAtomically(const fs::path& path, std::span<const Byte> bytes)
{
    const std::string failed = "Cannot save " + NameOf(path) + ": ";
    std::error_code ec;
    fs::path target = path;
    // A link is followed, so the file it points to gets the new content.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    const fs::file_status old = fs::status(target, ec);
    const bool exists = fs::exists(old);
    if (exists && fs::is_directory(old))
        return failed + "there is a folder of that name.";
    constexpr auto kAnyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (exists && (old.permissions() & kAnyWrite) == fs::perms::none)
        return failed + "the file is read-only.";

    std::random_device entropy;
    const fs::path temp = target.parent_path() / ("." + NameOf(target) + ".velmora-" +
                                                  std::to_string(entropy() % 1000000) + ".tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return failed + SystemError() + ".";
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            const std::string error = failed + SystemError() + ".";
            fs::remove(temp, ec);
            return error;
        }
    }
    if (exists)
        fs::permissions(temp, old.permissions(), ec);
    fs::rename(temp, target, ec);
    if (ec) {
        const std::string error = failed + ec.message() + ".";
        fs::remove(temp, ec);
        return error;
    }
    return std::nullopt;
}

std::string WithSyxExtension(const std::string& name)
{
    return name.find(".syx") == std::string::npos ? name + ".syx" : name;
}

std::string FolderPart(const std::string& name)
{
    const auto last = std::find_if(name.rbegin(), name.rend(), IsSeparator);
    return std::string(name.begin(), last.base());
}

std::string FilePart(const std::string& name)
{
    return name.substr(FolderPart(name).size());
}

} // namespace velmora::library
