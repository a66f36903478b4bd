// Feeds arbitrary bytes to the controller map reader as "ccmap.dat". What it
// takes must be a map the program can use: at each place the file's own byte
// or 0, every controller 12..120 for a control that exists, none twice, and
// every non-zero byte it did not take counted for the warning. The 91 bytes
// the program writes for that map must read back as the same map, whole and
// without a warning.
#include "perform/ControllerMapFile.h"

#include <array>
#include <cstdio>
#include <cstdlib>

using namespace velmora;
using velmora::perform::ControllerMapFile;
using velmora::perform::decodeControllerMap;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "ControllerMapFuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const Byte> file(data, size);
    const ControllerMapFile map = decodeControllerMap(file);
    check(map.entriesRead == std::min<std::size_t>(size, ControllerMapFile::kEntries),
          "read another number of bytes than the file has");
    std::array<bool, 256> taken{};
    int leftOut = 0;
    for (std::size_t i = 0; i < map.entries.size(); ++i) {
        const Byte entry = map.entries[i];
        const Byte byte = i < map.entriesRead ? file[i] : 0;
        if (entry == 0) {
            leftOut += byte != 0 ? 1 : 0;
            continue;
        }
        check(entry == byte, "an entry is not the file's byte");
        check(ControllerMapFile::isController(entry), "an entry is no controller 12..120");
        check(ControllerMapFile::isMappable(static_cast<int>(i)), "an entry for no control");
        check(!taken[entry], "a controller is taken twice");
        taken[entry] = true;
    }
    check(map.unusable == leftOut, "the entries left out are miscounted");

    const ControllerMapFile again = decodeControllerMap(map.entries);
    check(again.entries == map.entries, "the written map reads back otherwise");
    check(again.entriesRead == ControllerMapFile::kEntries && again.unusable == 0,
          "the written map reads back with a warning");
    return 0;
}
