#include "library/SysexFiles.h"

#include "protocol/Messages.h"
#include "protocol/MidiFile.h"
#include "protocol/SysexCodec.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

namespace velmora::library {
namespace {

namespace fs = std::filesystem;

// What each raw format is called in a message, and how many bytes it has.
struct Format
{
    const char* what;
    std::size_t size;
};
constexpr Format kPatchFileFormat{"a Velmora patch file (.vmp)", kPatchFileSize};
constexpr Format kBankFileFormat{"a Velmora bank file (.vmb)", kBankFileSize};

std::optional<std::string> tooShort(std::span<const Byte> bytes, const std::string& fileName,
                                    const Format& format)
{
    if (bytes.size() >= format.size)
        return std::nullopt;
    return fileName + " is too short for " + format.what + ": " + std::to_string(format.size) +
           " bytes expected, " + std::to_string(bytes.size()) + " found.";
}

std::string systemError()
{
    return std::strerror(errno);
}

std::string nameOf(const fs::path& path)
{
    return path.filename().string();
}

// The first `size` bytes of the file, or all of a shorter one. The buffer
// grows with what is read, so a large `size` costs nothing for a small file.
std::variant<std::vector<Byte>, std::string> readPrefix(const fs::path& path, std::size_t size)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return "Cannot open " + nameOf(path) + ": it is a folder, not a file.";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "Cannot open " + nameOf(path) + ": " + systemError() + ".";
    std::vector<Byte> bytes;
    std::array<char, 1 << 16> chunk{};
    while (bytes.size() < size && in) {
        in.read(chunk.data(),
                static_cast<std::streamsize>(std::min(chunk.size(), size - bytes.size())));
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + in.gcount());
    }
    if (in.bad())
        return "Cannot read " + nameOf(path) + ": " + systemError() + ".";
    return bytes;
}

template <typename T>
Loaded<T> readAndDecode(const fs::path& path, std::size_t size,
                        Loaded<T> (*decode)(std::span<const Byte>, const std::string&))
{
    auto read = readPrefix(path, size);
    if (auto* error = std::get_if<std::string>(&read))
        return *error;
    return decode(std::get<std::vector<Byte>>(read), nameOf(path));
}

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

} // namespace

Byte patchNumberByte(int patchNumber)
{
    if (patchNumber >= 100 && patchNumber <= 199)
        return static_cast<Byte>(patchNumber - 100);
    return patchNumber >= 0 && patchNumber <= 99 ? static_cast<Byte>(patchNumber) : 0;
}

std::vector<Byte> patchSysex(std::span<const Byte, kPatchRecordSize> record, int patchNumber)
{
    return patchToMemory(patchNumberByte(patchNumber), record);
}

std::vector<Byte> bankSysex(const Bank& bank)
{
    std::vector<Byte> bytes(kBankSysexSize);
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        writeBlockMessage(opcode::patchToMemory, static_cast<Byte>(k), recordOf(bank[k]),
                          bytes.data() + k * kPatchMessageSize);
    return bytes;
}

std::vector<Byte> splitSysex(const SplitRecord& split, int index)
{
    return splitData(static_cast<Byte>(std::clamp(index, 0, int(kSplitCount) - 1)), split);
}

Loaded<SysexFile> decodeSysexFile(std::span<const Byte> bytes, const std::string& fileName)
{
    SysexFile file;
    file.empty = bytes.empty();
    if (isMidiFile(bytes)) {
        // A Standard MIDI File stands for the SysEx messages it carries.
        MidiFileSysex midi = sysexFromMidiFile(bytes);
        if (!midi.ok())
            return fileName + " " + midi.error + ".";
        file.data = std::move(midi.messages);
    } else {
        file.data.assign(bytes.begin(), bytes.end());
    }
    file.contents = readSysex(file.data);
    return file;
}

Loaded<PatchBuffer> decodePatchFile(std::span<const Byte> bytes, const std::string& fileName)
{
    if (auto error = tooShort(bytes, fileName, kPatchFileFormat))
        return *error;
    PatchBuffer buffer{};
    std::copy_n(bytes.begin(), kPatchFileSize, buffer.begin());
    return buffer;
}

Loaded<Bank> decodeBankFile(std::span<const Byte> bytes, const std::string& fileName)
{
    if (auto error = tooShort(bytes, fileName, kBankFileFormat))
        return *error;
    Bank bank{};
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(k * kPatchFileSize), kPatchFileSize,
                    bank[k].begin());
    return bank;
}

Loaded<SysexFile> readSysexFile(const fs::path& path)
{
    auto read = readPrefix(path, kMaxSysexFileSize + 1);
    if (auto* error = std::get_if<std::string>(&read))
        return *error;
    const auto& bytes = std::get<std::vector<Byte>>(read);
    if (bytes.size() > kMaxSysexFileSize)
        return nameOf(path) + " is too large to be a patch or bank file (more than " +
               std::to_string(kMaxSysexFileSize >> 20) + " MB).";
    return decodeSysexFile(bytes, nameOf(path));
}

Loaded<PatchBuffer> readPatchFile(const fs::path& path)
{
    return readAndDecode(path, kPatchFileSize, &decodePatchFile);
}

Loaded<Bank> readBankFile(const fs::path& path)
{
    return readAndDecode(path, kBankFileSize, &decodeBankFile);
}

std::optional<std::string> writeFileAtomically(const fs::path& path, std::span<const Byte> bytes)
{
    const std::string failed = "Cannot save " + nameOf(path) + ": ";
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
    const fs::path temp = target.parent_path() / ("." + nameOf(target) + ".velmora-" +
                                                  std::to_string(entropy() % 1000000) + ".tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return failed + systemError() + ".";
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            const std::string error = failed + systemError() + ".";
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

std::string withSyxExtension(const std::string& name)
{
    return name.find(".syx") == std::string::npos ? name + ".syx" : name;
}

std::string folderPart(const std::string& name)
{
    const auto last = std::find_if(name.rbegin(), name.rend(), isSeparator);
    return std::string(name.begin(), last.base());
}

std::string filePart(const std::string& name)
{
    return name.substr(folderPart(name).size());
}

} // namespace velmora::library
