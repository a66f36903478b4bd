#include "velmora-soak/SoakReport.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>

namespace velmora::soak {

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer keeps freed memory in quarantine, so the resident memory
// grows without a leak; LeakSanitizer looks for leaks when the program ends.
constexpr bool kJudgeGrowth = false;
#else
constexpr bool kJudgeGrowth = true;
#endif

std::string grouped(long long value)
{
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

std::string kinds(const std::array<int, kFaultKinds>& counts)
{
    std::string text;
    for (int k = 1; k < kFaultKinds; ++k) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(counts[static_cast<std::size_t>(k)]) + " " +
                faultName(static_cast<FaultKind>(k));
    }
    return text;
}

} // namespace

void MemoryTrack::afterCycle(int cycle)
{
    last_ = statusKiB("/proc/self/status", "VmRSS");
    if (cycle == kBaselineCycle)
        baseline_ = last_;
}

bool printReport(const Figures& figures, const MemoryTrack& memory, double seconds,
                 std::uint32_t seed, long instrumentPeakKiB)
{
    const int injected = std::accumulate(figures.injected.begin(), figures.injected.end(), 0);
    const int survived = std::accumulate(figures.survived.begin(), figures.survived.end(), 0);
    const long peak = statusKiB("/proc/self/status", "VmHWM");
    const long growth = memory.lastKiB() - memory.baselineKiB();
    const bool flat = !memory.hasBaseline() || !kJudgeGrowth || growth <= kFlatKiB;

    std::printf("\nvelmora-soak: %d cycles in %.1f s, seed %u\n", figures.cycles, seconds, seed);
    std::printf("  faults injected:  %d (%s)\n", injected, kinds(figures.injected).c_str());
    std::printf("  faults survived:  %d of %d (%s)", survived, injected,
                kinds(figures.survived).c_str());
    if (figures.unjudged > 0)
        std::printf("; %d not judged: JACK disturbed their cycle", figures.unjudged);
    std::printf("\n");
    std::printf("  instrument restarts: %d\n", figures.restarts);
    std::printf("  bytes compared:   %s (%d bank reads of %s bytes)\n",
                grouped(static_cast<long long>(figures.bytesCompared)).c_str(), figures.bankReads,
                grouped(static_cast<long long>(kBankPatchCount * kPatchRecordSize)).c_str());
    std::printf("  peak memory:      %s KiB (VmHWM; the last instrument process: %s KiB)\n",
                grouped(peak).c_str(), grouped(instrumentPeakKiB).c_str());
    if (memory.hasBaseline()) {
        std::printf("  resident memory:  %s KiB after cycle %d, %s KiB at the end (%s%s KiB)\n",
                    grouped(memory.baselineKiB()).c_str(), MemoryTrack::kBaselineCycle,
                    grouped(memory.lastKiB()).c_str(), growth >= 0 ? "+" : "",
                    grouped(growth).c_str());
        if (!kJudgeGrowth)
            std::printf("  leak:             not judged from the resident memory under "
                        "AddressSanitizer; LeakSanitizer checks at exit\n");
        else if (flat)
            std::printf("  leak:             none (flat within %s KiB)\n",
                        grouped(kFlatKiB).c_str());
        else
            std::printf("  leak:             resident memory grew by %s KiB\n",
                        grouped(growth).c_str());
    } else {
        std::printf("  resident memory:  %s KiB at the end (fewer than %d cycles: no baseline)\n",
                    grouped(memory.lastKiB()).c_str(), MemoryTrack::kBaselineCycle);
    }
    std::printf("  JACK's doing:     %zu cycles\n", figures.jackLosses.size());
    for (const std::string& loss : figures.jackLosses)
        std::printf("    %s\n", loss.c_str());
    // A short run has few cycles now that uploads wait for the cable: one
    // disturbed cycle is still a run that shows something.
    const std::size_t tolerated =
        std::max<std::size_t>(1, static_cast<std::size_t>(figures.cycles) / 10);
    const bool fewLosses = figures.jackLosses.size() <= tolerated;
    if (!fewLosses)
        std::printf("  FAILED: JACK disturbed more than one cycle and more than a tenth of them; "
                    "the run shows nothing on so busy a server\n");
    for (const std::string& failure : figures.failures)
        std::printf("  FAILED %s\n", failure.c_str());
    const bool passed =
        figures.failures.empty() && survived + figures.unjudged == injected && flat && fewLosses;
    std::printf("velmora-soak: %s\n", passed ? "passed" : "FAILED");
    std::fflush(stdout);
    return passed;
}

} // namespace velmora::soak
