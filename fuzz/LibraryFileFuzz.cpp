// Feeds arbitrary files to the librarian's five loaders. The first input byte
// chooses the loader (and, with its high bit, whether the bytes go through a
// real file written by the atomic writer); the rest is the file. A file the
// loader takes must give what its format says: SysEx records that re-pack and
// load again unchanged, raw entries equal to the file's first bytes. A
// refused file must be shorter than its format.
#include "library/SysexFiles.h"

#include <cstdlib>
#include <filesystem>
#include <random>

using namespace velmora;
using namespace velmora::library;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// One scratch file for the whole run, removed at exit.
struct Scratch
{
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("velmora-libfuzz-" + std::to_string(std::random_device{}()));
    ~Scratch() { std::filesystem::remove(path); }
};

template <typename T>
const T* taken(const Loaded<T>& loaded, std::span<const Byte> file, std::size_t size)
{
    check(std::holds_alternative<T>(loaded) == (file.size() >= size));
    return std::get_if<T>(&loaded);
}

template <typename T>
Loaded<T> load(bool throughFile, std::span<const Byte> file,
               Loaded<T> (*decode)(std::span<const Byte>, const std::string&),
               Loaded<T> (*read)(const std::filesystem::path&))
{
    Loaded<T> decoded = decode(file, "fuzz.syx");
    if (!throughFile)
        return decoded;
    static Scratch scratch;
    check(!writeFileAtomically(scratch.path, file));
    Loaded<T> loaded = read(scratch.path);
    check(loaded.index() == decoded.index());
    if (const T* value = std::get_if<T>(&loaded))
        check(*value == std::get<T>(decoded));
    return loaded;
}

bool prefix(std::span<const Byte> value, std::span<const Byte> file)
{
    return std::equal(value.begin(), value.end(), file.begin());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool throughFile = (data[0] & 0x80) != 0;
    const std::span<const Byte> file(data + 1, size - 1);
    switch (data[0] % 5) {
    case 0:
        if (const auto loaded = load(throughFile, file, &decodePatchSysex, &readPatchSysex);
            const auto* record = taken(loaded, file, kPatchSysexSize)) {
            const auto again = decodePatchSysex(patchSysex(*record, data[0]), "again.syx");
            check(std::get<PatchRecord>(again) == *record);
        }
        break;
    case 1:
        if (const auto loaded = load(throughFile, file, &decodeBankSysex, &readBankSysex);
            const auto* records = taken(loaded, file, kBankSysexSize)) {
            Bank bank{};
            for (std::size_t k = 0; k < bank.size(); ++k)
                std::copy((*records)[k].begin(), (*records)[k].end(), bank[k].begin());
            const auto bytes = bankSysex(bank);
            for (std::size_t k = 0; k < bank.size(); ++k)
                check(bytes[k * kPatchSysexSize + 4] == k);
            check(std::get<BankRecords>(decodeBankSysex(bytes, "again.syx")) == *records);
        }
        break;
    case 2:
        if (const auto loaded = load(throughFile, file, &decodeSplitSysex, &readSplitSysex);
            const auto* split = taken(loaded, file, kSplitSysexSize))
            check(std::get<SplitRecord>(
                      decodeSplitSysex(splitSysex(*split, data[0] % 50), "again.syx")) == *split);
        break;
    case 3:
        if (const auto loaded = load(throughFile, file, &decodePatchFile, &readPatchFile);
            const auto* patch = taken(loaded, file, kPatchFileSize))
            check(prefix(*patch, file));
        break;
    default:
        if (const auto loaded = load(throughFile, file, &decodeBankFile, &readBankFile);
            const auto* bank = taken(loaded, file, kBankFileSize))
            for (std::size_t k = 0; k < bank->size(); ++k)
                check(prefix((*bank)[k], file.subspan(k * kPatchFileSize)));
        break;
    }
    return 0;
}
