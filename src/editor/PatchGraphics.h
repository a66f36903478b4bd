// The eight patch drawings as point lists: DCO 1 and DCO 2 waveforms, the
// three envelopes, the tracking curve and the two ramps, each computed from
// the patch record alone. Coordinates are pixels of the drawing's box, origin
// top left, y growing downwards; points outside the box are left to the
// painter's clipping. Plain integer arithmetic on record bytes, so any byte
// value (not only 0..63) gives finite, overflow-free coordinates.
#pragma once

#include "protocol/PatchRecord.h"

#include <cstdint>
#include <vector>

namespace velmora::editor {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr Rgb kLime = 0x00FF00;
inline constexpr Rgb kYellow = 0xFFFF00;
inline constexpr Rgb kRed = 0xFF0000;
inline constexpr Rgb kWhite = 0xFFFFFF;
inline constexpr Rgb kAqua = 0x00FFFF;
inline constexpr Rgb kBlack = 0x000000;
inline constexpr Rgb kOlive = 0x808000;

struct Point
{
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// One polyline in its own colour.
struct Trace
{
    std::vector<Point> points;
    Rgb colour = kLime;
};

// Saw (aqua) then pulse (lime), each when its waveform bit is set; nothing
// when the mix gives DCO 1 no share (mix 0). The trace height grows with the
// DCO 1 share of the mix.
std::vector<Trace> dco1Traces(const PatchBuffer& patch);
// Saw then pulse of DCO 2; nothing when the mix is all DCO 1 (63). Noise is
// not drawn.
std::vector<Trace> dco2Traces(const PatchBuffer& patch);
// Envelope 1..3: delay, attack, decay, then either a release straight from
// the decay (DADR mode) or a sustain plateau ending at x = 120 and the
// release. Empty for another number.
std::vector<Point> envelopePoints(const PatchBuffer& patch, int envelope);
// The five tracking points at x = 5, 40, 75, 110, 145.
std::vector<Point> trackingPoints(const PatchBuffer& patch);
// Ramp 1..2: a drop at x = 5 and a rise whose length grows with the speed; a
// flat line when the speed is 0 or 1. Empty for another number.
std::vector<Point> rampPoints(const PatchBuffer& patch, int ramp);

// The right-click colour cycle of the line drawings: lime, yellow, red,
// white, aqua, lime. Any other colour stays as it is.
Rgb nextLineColour(Rgb colour);

} // namespace velmora::editor
