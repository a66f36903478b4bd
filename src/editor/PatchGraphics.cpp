#include "editor/PatchGraphics.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace velmora::editor {
namespace {

constexpr std::size_t kMixOffset = 20;
constexpr int kMixMax = 63;

struct Oscillator
{
    std::size_t shape;
    std::size_t pulseWidth;
    std::size_t waveform;
};
constexpr Oscillator kDco1{10, 11, 13};
constexpr Oscillator kDco2{15, 16, 18};
constexpr Byte kPulseBit = 0x01;
constexpr Byte kSawBit = 0x02;

// Delay, attack, decay, sustain, release follow each other; the mode byte
// comes seven bytes after the delay.
constexpr std::array<std::size_t, 3> kEnvelopeDelay = {50, 59, 68};
constexpr std::size_t kModeAfterDelay = 7;
constexpr Byte kDadrBit = 0x01;
constexpr int kSustainEnd = 120;

constexpr std::size_t kFirstTrackingOffset = 77;
constexpr std::array<int, 5> kTrackingX = {5, 40, 75, 110, 145};

constexpr std::array<std::size_t, 2> kRampSpeed = {82, 84};

// The mix as a share of 0..63. The slider never goes further, and a larger
// byte from a foreign patch draws as all DCO 1 rather than as a trace turned
// upside down.
int mixShare(const PatchBuffer& patch)
{
    return std::min<int>(patch[kMixOffset], kMixMax);
}

Trace sawTrace(int shape, int top, int bottom)
{
    const int w = shape / 2 + 1;
    return {{{1, top},
             {w, bottom},
             {63, top},
             {w + 63, bottom},
             {126, top},
             {w + 126, bottom},
             {189, top}},
            kAqua};
}

Trace pulseTrace(int width, int top, int bottom)
{
    const int p = std::clamp(width, 2, 61);
    return {{{1, bottom},
             {1, top},
             {p, top},
             {p, bottom},
             {63, bottom},
             {63, top},
             {p + 63, top},
             {p + 63, bottom},
             {127, bottom},
             {127, top},
             {p + 127, top},
             {p + 127, bottom}},
            kLime};
}

std::vector<Trace> oscillatorTraces(const PatchBuffer& patch, const Oscillator& dco, int top,
                                    int bottom)
{
    std::vector<Trace> traces;
    const Byte waveform = patch[dco.waveform];
    if (waveform & kSawBit)
        traces.push_back(sawTrace(patch[dco.shape], top, bottom));
    if (waveform & kPulseBit)
        traces.push_back(pulseTrace(patch[dco.pulseWidth], top, bottom));
    return traces;
}

} // namespace

std::vector<Trace> dco1Traces(const PatchBuffer& patch)
{
    const int mix = mixShare(patch);
    if (mix == 0)
        return {};
    const int h = mix / 3;
    return oscillatorTraces(patch, kDco1, 25 - h, 25 + h);
}

std::vector<Trace> dco2Traces(const PatchBuffer& patch)
{
    const int mix = mixShare(patch);
    if (mix == kMixMax)
        return {};
    const int h = mix / 3;
    std::vector<Trace> traces = oscillatorTraces(patch, kDco2, h + 4, 46 - h);
    // The DCO 2 pulse runs on to the right edge.
    if (patch[kDco2.waveform] & kPulseBit)
        traces.back().points.push_back({189, 46 - h});
    return traces;
}

std::vector<Point> envelopePoints(const PatchBuffer& patch, int envelope)
{
    if (envelope < 1 || envelope > 3)
        return {};
    const std::size_t first = kEnvelopeDelay[static_cast<std::size_t>(envelope - 1)];
    const int d = patch[first] / 2 + 1;
    const int a = patch[first + 1] / 2;
    const int e = patch[first + 2] / 2;
    const int s = patch[first + 3] / 2;
    const int r = patch[first + 4] / 2;
    if (patch[first + kModeAfterDelay] & kDadrBit)
        return {{1, 49}, {d, 49}, {d + a, 0}, {d + a + e, 25}, {d + a + e + r, 49}};
    return {{1, 49},
            {d, 49},
            {d + a, 0},
            {d + a + e, 49 - s},
            {kSustainEnd, 49 - s},
            {kSustainEnd + r, 49}};
}

std::vector<Point> trackingPoints(const PatchBuffer& patch)
{
    std::vector<Point> points;
    for (std::size_t i = 0; i < kTrackingX.size(); ++i)
        points.push_back({kTrackingX[i], 49 - (2 * patch[kFirstTrackingOffset + i]) / 3});
    return points;
}

std::vector<Point> rampPoints(const PatchBuffer& patch, int ramp)
{
    if (ramp < 1 || ramp > 2)
        return {};
    const int r = patch[kRampSpeed[static_cast<std::size_t>(ramp - 1)]] / 2;
    if (r == 0)
        return {{0, 1}, {45, 1}};
    return {{0, 1}, {5, 1}, {5, 96}, {r + 5, 1}, {45, 1}};
}

Rgb nextLineColour(Rgb colour)
{
    switch (colour) {
    case kLime:
        return kYellow;
    case kYellow:
        return kRed;
    case kRed:
        return kWhite;
    case kWhite:
        return kAqua;
    case kAqua:
        return kLime;
    default:
        return colour;
    }
}

} // namespace velmora::editor
