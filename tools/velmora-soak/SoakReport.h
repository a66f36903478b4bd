// The soak's memory figures and its closing report.
#pragma once

#include "velmora-soak/Soak.h"

#include <cstdint>

namespace velmora::soak {

// The soak's resident memory after cycle 10 and after the last cycle.
class MemoryTrack
{
public:
    static constexpr int kBaselineCycle = 10;

    void afterCycle(int cycle);

    long baselineKiB() const { return baseline_; }
    long lastKiB() const { return last_; }
    bool hasBaseline() const { return baseline_ > 0; }

private:
    long baseline_ = 0;
    long last_ = 0;
};

// Growth of the resident memory from cycle 10 to the end that still counts
// as flat: allocator and library caches settle in steps of a few pages.
inline constexpr long kFlatKiB = 4096;

// Prints the figures; true when every cycle ended as it must and the memory
// stayed flat.
bool printReport(const Figures& figures, const MemoryTrack& memory, double seconds,
                 std::uint32_t seed, long instrumentPeakKiB);

} // namespace velmora::soak
