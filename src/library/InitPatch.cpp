#include "InitPatch.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace velmora::library {
namespace {

// F0 10 06 01 <number>, then the nibble pairs, low nibble first.
constexpr std::size_t kHeaderSize = 5;
constexpr std::size_t kPatchDumpSize = 275;

} // namespace

std::variant<PatchBuffer, std::string> LoadInitPatch(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::string("Cannot find default.syx");
    std::vector<Byte> bytes(kPatchDumpSize);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(file.gcount()) < kPatchDumpSize)
        return "Cannot read " + path.filename().string() +
               ": the file is too short to hold a patch.";
    // The header, the checksum and the end byte are not looked at; the
    // carried 135th byte of the initial patch is always 0.
    PatchBuffer patch{};
    for (std::size_t i = 0; i < kPatchRecordSize; ++i) {
        const Byte low = bytes[kHeaderSize + 2 * i];
        const Byte high = bytes[kHeaderSize + 2 * i + 1];
        patch[i] = static_cast<Byte>(high * 16 + low);
    }
    return patch;
}

} // namespace velmora::library
