// velmora-soak: bank downloads, edits, uploads and read-backs against
// velmora-instrument over JACK, with faults injected on a schedule, until the
// cycles are done or the time is up. Prints the figures at the end; exits 0
// when every cycle ended as it must, 1 when one did not, 3 when a cycle hung,
// 77 when no JACK server runs (the test is then skipped).
//
//   velmora-soak [--cycles N] [--seconds S] [--seed N] [--instrument PATH]
#include "velmora-soak/JackWatch.h"
#include "velmora-soak/Soak.h"
#include "velmora-soak/SoakReport.h"
#include "velmora-soak/Watchdog.h"

#include <QCoreApplication>

#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

using namespace velmora::soak;

namespace {

constexpr const char* kUsage =
    "usage: velmora-soak [--cycles N] [--seconds S] [--seed N] [--instrument PATH]\n"
    "  --cycles N         cycles to run (default 100)\n"
    "  --seconds S        start no cycle after S seconds (default: no limit)\n"
    "  --seed N           seed of the edits and fault positions (default: random)\n"
    "  --instrument PATH  the velmora-instrument program\n";

// A cycle that takes this long has hung: a faulted one takes some seconds.
constexpr auto kCycleLimit = std::chrono::seconds(120);

struct Options
{
    int cycles = 100;
    int seconds = 0;
    std::uint32_t seed = std::random_device{}();
    std::string instrument = VELMORA_INSTRUMENT_PATH;
};

bool parseNumber(std::string_view text, long long high, long long& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 && value <= high;
}

bool parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (i + 1 >= argc)
            return false;
        const std::string_view value = argv[++i];
        long long number = 0;
        if (option == "--instrument")
            options.instrument = value;
        else if (option == "--cycles" && parseNumber(value, 1'000'000, number) && number > 0)
            options.cycles = static_cast<int>(number);
        else if (option == "--seconds" && parseNumber(value, 1'000'000, number))
            options.seconds = static_cast<int>(number);
        else if (option == "--seed" && parseNumber(value, 0xFFFFFFFF, number))
            options.seed = static_cast<std::uint32_t>(number);
        else
            return false;
    }
    return true;
}

// Every fourth cycle is faulted, the kinds in turn; every other round of
// kinds hits the read-back (or, for the kill, the answer) instead of the
// download (or the upload).
Fault scheduleFor(int cycle)
{
    if (cycle % 4 != 0)
        return {};
    static constexpr FaultKind kKinds[] = {FaultKind::BadChecksum, FaultKind::Drop,
                                           FaultKind::Stall, FaultKind::Kill};
    const int k = cycle / 4 - 1;
    return {kKinds[k % 4], (k / 4) % 2 == 1};
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // A write to an instrument that was just killed must not end the soak.
    signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    const std::string name = "Velmora Soak " + std::to_string(getpid());
    const auto jack = JackWatch::open(name);
    if (jack == nullptr) {
        std::puts("velmora-soak: no JACK server is running; skipped");
        return 77;
    }

    std::printf("velmora-soak: seed %u, %d cycles", options.seed, options.cycles);
    if (options.seconds > 0)
        std::printf(" or %d s", options.seconds);
    std::printf(", velmora-instrument as \"%s\" on JACK, fast pace\n", name.c_str());
    std::fflush(stdout);

    Soak soak(options.instrument, name, options.seed, *jack);
    if (const std::string problem = soak.start(); !problem.empty()) {
        std::fprintf(stderr, "velmora-soak: %s\n", problem.c_str());
        return 1;
    }
    Watchdog watchdog([&soak](int cycle) {
        std::fprintf(stderr, "velmora-soak: cycle %d hung (%s)\n", cycle, soak.phase());
    });
    MemoryTrack memory;
    const auto start = Soak::Clock::now();
    int cycle = 0;
    while (!soak.broken()) {
        const bool timeUp = options.seconds > 0 &&
                            Soak::Clock::now() - start >= std::chrono::seconds(options.seconds);
        Fault fault;
        if (cycle >= options.cycles || timeUp) {
            // The run ends with a clean cycle, which shows the last fault survived.
            if (!soak.faultPending())
                break;
        } else {
            fault = scheduleFor(cycle + 1);
        }
        ++cycle;
        watchdog.arm(cycle, kCycleLimit);
        soak.runCycle(cycle, fault);
        watchdog.disarm();
        memory.afterCycle(cycle);
    }
    const double seconds = std::chrono::duration<double>(Soak::Clock::now() - start).count();
    return printReport(soak.results(), memory, seconds, options.seed, soak.instrumentPeakKiB()) ? 0
                                                                                                : 1;
}
