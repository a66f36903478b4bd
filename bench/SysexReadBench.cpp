// Reading and classifying a 1,000-patch collection: ten banks of 100 patch
// messages, each bank after its bank select, as an instrument writes them
// (valid checksums, names that are not all plain text). Once as a .syx and
// once as a Standard MIDI File holding the same messages, read as the SysEx
// tool reads a .mid: converted to its messages, then read. Goal: under 5 ms
// per read of either.
#include "protocol/Messages.h"
#include "protocol/MidiFile.h"
#include "protocol/SysexReader.h"
#include "support/DemoPatches.h"
#include "support/MidiFiles.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

using namespace velmora;

namespace {

constexpr int kBanks = 10;
constexpr int kPatchesPerBank = 100;

// The name field: the "BNKb: nn" a Matrix-1000 answers with, Matrix-6 names
// in its 6-bit code (0x00..0x3F), and names with control, DEL and top-bit
// bytes (among them F0 and F7, which the nibbles must not let through).
void name(PatchBuffer& patch, int bank, int n)
{
    switch (n % 4) {
    case 0:
    case 1: {
        const std::string text =
            "BNK" + std::to_string(bank) + ": " + (n < 10 ? "0" : "") + std::to_string(n);
        std::copy(text.begin(), text.end(), patch.begin());
        break;
    }
    case 2:
        for (std::size_t i = 0; i < kPatchNameLength; ++i)
            patch[i] = static_cast<Byte>((n * 7 + static_cast<int>(i) * 5) & 0x3F);
        break;
    default: {
        constexpr std::array<Byte, kPatchNameLength> odd{0x00, 0x7F, 0xF0, 0xF7,
                                                         0xFF, 0x80, 0x0D, 0x1B};
        std::rotate_copy(odd.begin(), odd.begin() + n % 8, odd.end(), patch.begin());
        break;
    }
    }
}

std::vector<Byte> thousandPatchSyx()
{
    std::vector<Byte> file;
    for (int bank = 0; bank < kBanks; ++bank) {
        const Message select = bankSelect(static_cast<Byte>(bank));
        file.insert(file.end(), select.begin(), select.end());
        for (int n = 0; n < kPatchesPerBank; ++n) {
            PatchBuffer patch = demo::demoPatch(static_cast<std::uint32_t>(bank * 100 + n));
            name(patch, bank, n);
            const Message message = patchToMemory(static_cast<Byte>(n), recordOf(patch));
            file.insert(file.end(), message.begin(), message.end());
        }
    }
    return file;
}

void report(benchmark::State& state, std::size_t fileSize, const SysexContents& contents)
{
    state.counters["patches"] = static_cast<double>(contents.patches.size());
    state.counters["bad_checksums"] = static_cast<double>(contents.badChecksums());
    // The ten bank selects.
    state.counters["other_messages"] = static_cast<double>(contents.otherMessages);
    state.counters["file_bytes"] = static_cast<double>(fileSize);
    state.SetLabel("goal: under 5 ms");
}

void readSyx(benchmark::State& state)
{
    const std::vector<Byte> file = thousandPatchSyx();
    SysexContents contents;
    for (auto _ : state) {
        contents = readSysex(file);
        benchmark::DoNotOptimize(contents.patches.data());
    }
    report(state, file.size(), contents);
}
BENCHMARK(readSyx)->Unit(benchmark::kMillisecond);

void readMid(benchmark::State& state)
{
    const std::vector<Byte> file = test::midiFileOf(thousandPatchSyx(), 0, false);
    SysexContents contents;
    for (auto _ : state) {
        const MidiFileSysex midi = sysexFromMidiFile(file);
        if (!midi.ok()) {
            state.SkipWithError(midi.error.c_str());
            break;
        }
        contents = readSysex(midi.messages);
        benchmark::DoNotOptimize(contents.patches.data());
    }
    report(state, file.size(), contents);
}
BENCHMARK(readMid)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
