// Feeds arbitrary files to the librarian's three loaders. The first input
// byte chooses the loader (and, with its high bit, whether the bytes go
// through a real file written by the atomic writer); the rest is the file. A
// file the loader takes must give what its format says: every patch and split
// the SysEx reader found re-packs through the writers and reads again
// unchanged with a good checksum; raw entries equal the file's first bytes. A
// refused raw file must be shorter than its format; a SysEx file is refused
// only as a MIDI file that cannot be read.
#include "library/SysexFiles.h"
#include "protocol/MidiFile.h"

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

// The record of a message read, written again by the writer and read back.
template <std::size_t N>
void repacks(std::span<const Byte> message,
             std::vector<Byte> (*write)(const std::array<Byte, N>&, int), int number)
{
    std::array<Byte, N> record{};
    check(unpackBlock(message, record) != UnpackStatus::TooShort);
    const std::vector<Byte> again = write(record, number);
    std::array<Byte, N> back{};
    check(unpackBlock(again, back) == UnpackStatus::Ok && back == record);
}

std::vector<Byte> writePatch(const PatchRecord& record, int number)
{
    return patchSysex(record, number);
}

std::vector<Byte> writeSplit(const SplitRecord& record, int number)
{
    return splitSysex(record, number);
}

void checkSysex(const SysexFile& file)
{
    const SysexContents again = readSysex(file.data);
    check(again.patches.size() == file.contents.patches.size());
    for (const ReadMessage& patch : file.contents.patches)
        repacks(patch.bytes(file.data), &writePatch, patch.number);
    for (const ReadMessage& split : file.contents.splits)
        repacks(split.bytes(file.data), &writeSplit, split.number);
}

template <typename T> bool same(const T& a, const T& b)
{
    return a == b;
}

// Read from the same bytes, two SysEx files hold the same messages.
bool same(const SysexFile& a, const SysexFile& b)
{
    return a.data == b.data && a.empty == b.empty;
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
        check(same(*value, std::get<T>(decoded)));
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
    switch (data[0] % 3) {
    case 0:
        if (const auto loaded = load(throughFile, file, &decodeSysexFile, &readSysexFile);
            const auto* sysex = std::get_if<SysexFile>(&loaded))
            checkSysex(*sysex);
        else
            check(isMidiFile(file));
        break;
    case 1:
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
