#include "PatchCommands.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace velmora::library {

const std::array<std::string_view, kMutateGroupCount> kMutateGroupNames = {
    "DCO", "VCF", "VCA", "LFO", "ENV", "RAMP", "TRACK", "PORTA", "MOD MATRIX"};

ClockRandom::ClockRandom()
    : engine_(static_cast<std::mt19937::result_type>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count()))
{}

int ClockRandom::Next(int n)
{
    if (n < 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

namespace {

// R(n) from any source, kept inside 0..n-1 whatever the source returns.
int Draw(RandomSource& random, int n)
{
    if (n < 1)
        return 0;
    return std::clamp(random.Next(n), 0, n - 1);
}

Byte Low8(int value)
{
    return static_cast<Byte>(value & 0xFF);
}

// A draw of 0..2n-2 folded into the negative range: v > half becomes
// 256 - v div 2.
Byte SignedDraw(RandomSource& random, int n, int half)
{
    const int v = Draw(random, n);
    return Low8(v > half ? 256 - v / 2 : v);
}

// Fills offsets first..last (inclusive) with R(n) each.
void DrawRange(std::span<Byte, kPatchRecordSize> record, std::size_t first, std::size_t last, int n,
               RandomSource& random)
{
    for (std::size_t offset = first; offset <= last; ++offset)
        record[offset] = Low8(Draw(random, n));
}

// Keeps at least one oscillator audible. The mix byte is the DCO 1 share
// (63 - mix is the DCO 2 share), so the mix leans towards the DCO that has a
// waveform: with DCO 1 alone 31..63, with DCO 2 alone 0..31, and with
// neither DCO 1 gets its pulse wave and the whole mix.
void MixRule(std::span<Byte, kPatchRecordSize> record, RandomSource& random)
{
    constexpr std::size_t dco1Waves = 13, dco2Waves = 18, mix = 20;
    if (record[dco1Waves] == 0 && record[dco2Waves] == 0) {
        record[dco1Waves] = 1;
        record[mix] = 63;
    } else if (record[dco1Waves] == 0) {
        record[mix] = Low8(31 - Draw(random, 32));
    } else if (record[dco2Waves] == 0) {
        record[mix] = Low8(63 - Draw(random, 33));
    }
}

} // namespace

Byte DrawS63(RandomSource& random)
{
    return SignedDraw(random, 127, 63);
}

Byte DrawS31(RandomSource& random)
{
    return SignedDraw(random, 63, 31);
}

void Randomize(std::span<Byte, kPatchRecordSize> record, RandomSource& random)
{
    auto set = [&](std::size_t offset, int n) { record[offset] = Low8(Draw(random, n)); };
    // DCO 1 and DCO 2; DCO 2 takes DCO 1's fixed modulations.
    DrawRange(record, 9, 11, 64, random);
    set(12, 4);
    set(13, 4);
    DrawRange(record, 14, 16, 64, random);
    record[17] = record[12];
    set(18, 5);
    record[19] = DrawS31(random);
    set(20, 64);
    MixRule(record, random);
    set(21, 2);
    set(22, 2);
    set(23, 4);
    set(24, 2);
    set(25, 4);
    // VCF; the VCA 1 level (31) stays.
    set(26, 128);
    set(27, 64);
    set(28, 5);
    set(29, 5);
    set(30, 64);
    // Portamento.
    set(32, 64);
    set(33, 4);
    set(34, 2);
    // LFO 1 and 2 without their sample sources (40, 47).
    for (const std::size_t lfo : {std::size_t{35}, std::size_t{42}}) {
        set(lfo, 64);
        set(lfo + 1, 3);
        set(lfo + 2, 2);
        set(lfo + 3, 6);
        set(lfo + 4, 32);
        set(lfo + 6, 64);
    }
    // Envelopes 1..3: trigger, delay (0 for envelopes 1 and 2), attack,
    // decay, sustain, release, amplitude, LFO trigger, mode.
    for (const std::size_t envelope : {std::size_t{49}, std::size_t{58}, std::size_t{67}}) {
        set(envelope, 4);
        if (envelope == 67)
            set(envelope + 1, 64);
        else
            record[envelope + 1] = 0;
        DrawRange(record, envelope + 2, envelope + 6, 64, random);
        set(envelope + 7, 4);
        set(envelope + 8, 2);
    }
    // Tracking generator: its own output is never its input.
    const int input = Draw(random, 21);
    record[76] = Low8(input == 11 ? 9 : input);
    DrawRange(record, 77, 81, 64, random);
    // Ramps.
    set(82, 64);
    set(83, 2);
    set(84, 64);
    set(85, 2);
    // Fixed modulation amounts; vibrato of the DCOs only one time in four.
    for (std::size_t offset = 86; offset <= 89; ++offset) {
        if (offset == 86 || offset == 88)
            record[offset] = Draw(random, 4) == 3 ? DrawS63(random) : Byte{0};
        else
            record[offset] = DrawS63(random);
    }
    // The velocity and envelope-to-VCA amounts (92..96) stay.
    for (std::size_t offset = 90; offset <= 103; ++offset) {
        if (offset < 92 || offset > 96)
            record[offset] = DrawS63(random);
    }
}

namespace {

// The step of a mutation: s = R(2) first, then the magnitude from R(n),
// negative when s = 0.
int Step(RandomSource& random, int n)
{
    const bool negative = Draw(random, 2) == 0;
    const int magnitude = Draw(random, n);
    return negative ? -magnitude : magnitude;
}

Byte MutateSigned(Byte value, int d, int top, int positiveMax)
{
    const int v = value;
    int r = v + d;
    if (v <= top) {
        if (r < 0)
            r = 255 - std::abs(d);
        else if (r > positiveMax)
            r = positiveMax - d;
    } else {
        if (r < top + 1)
            r = top + std::abs(d);
        else if (r > 255)
            r = d;
    }
    return Low8(r);
}

enum class Kind : std::uint8_t
{
    Unsigned,
    Signed63,
    Signed31,
};

struct Target
{
    std::uint8_t offset;
    Kind kind;
    std::uint8_t max; // for Unsigned
};

constexpr Target U(int offset, int max = 63)
{
    return {static_cast<std::uint8_t>(offset), Kind::Unsigned, static_cast<std::uint8_t>(max)};
}
constexpr Target S(int offset)
{
    return {static_cast<std::uint8_t>(offset), Kind::Signed63, 0};
}

// Groups 1..8 in the order their bytes are mutated; group 9 is the matrix.
const std::array<std::vector<Target>, 8> kGroups = {{
    {U(9), U(10), U(11), U(14), U(15), U(16), U(20), S(86), S(87), S(88), S(89),
     Target{19, Kind::Signed31, 0}},
    {U(26, 127), U(30), U(27), S(90), S(91), S(100), S(101)},
    {U(31), S(92)},
    {U(35), U(41), U(42), U(48), U(39, 31), U(46, 31), S(97), S(102), S(98), S(103)},
    // Envelope 1 without its sustain (53), envelopes 2 and 3 whole.
    {U(50), U(51), U(52), U(54), U(55), U(59), U(60), U(61), U(62), U(63),
     U(64), U(68), U(69), U(70), U(71), U(72), U(73), S(94), S(95), S(96)},
    {U(82), U(84)},
    {U(76, 19), U(77), U(78), U(79), U(80), U(81)},
    {U(32), S(99)},
}};

} // namespace

Byte MutateUnsigned(Byte value, int factor, int max, RandomSource& random)
{
    const int d = Step(random, 2 * factor);
    int r = value + d;
    if (r < 0)
        r = std::abs(d);
    else if (r > max)
        r = max - d;
    return Low8(r);
}

Byte MutateSigned63(Byte value, int factor, RandomSource& random)
{
    return MutateSigned(value, Step(random, 2 * factor), 192, 63);
}

Byte MutateSigned31(Byte value, int factor, RandomSource& random)
{
    return MutateSigned(value, Step(random, factor), 224, 31);
}

BusSelection BusesOn(std::span<const Byte, kPatchRecordSize> record)
{
    BusSelection on{};
    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        const std::size_t source = BusOffset(bus);
        on[static_cast<std::size_t>(bus - 1)] = record[source] != 0 && record[source + 2] != 0;
    }
    return on;
}

void Mutate(std::span<Byte, kPatchRecordSize> record, const MutateFactors& factors,
            const BusSelection& tickedBuses, RandomSource& random)
{
    for (std::size_t group = 0; group < kGroups.size(); ++group) {
        const int f = std::min<int>(factors[group], kMaxMutateFactor);
        if (f == 0)
            continue;
        for (const Target& target : kGroups[group]) {
            Byte& byte = record[target.offset];
            switch (target.kind) {
            case Kind::Unsigned:
                byte = MutateUnsigned(byte, f, target.max, random);
                break;
            case Kind::Signed63:
                byte = MutateSigned63(byte, f, random);
                break;
            case Kind::Signed31:
                byte = MutateSigned31(byte, f, random);
                break;
            }
        }
    }
    const int f = std::min<int>(factors[8], kMaxMutateFactor);
    if (f == 0)
        return;
    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        if (!tickedBuses[static_cast<std::size_t>(bus - 1)])
            continue;
        const std::size_t source = BusOffset(bus);
        record[source] = Low8(MutateUnsigned(record[source], f, 18, random) + 1);
        record[source + 2] = Low8(MutateUnsigned(record[source + 2], f, 30, random) + 1);
        record[source + 1] = MutateSigned63(record[source + 1], f, random);
    }
}

void Mutate(PatchBuffer& patch, const MutateFactors& factors, RandomSource& random)
{
    const auto record = RecordOf(patch);
    Mutate(record, factors, BusesOn(record), random);
}

void CompareState::Toggle(PatchBuffer& current, const PatchBuffer& compareData)
{
    const auto record = RecordOf(current);
    if (!on_) {
        std::copy(record.begin(), record.end(), saved_.begin());
        std::copy_n(compareData.begin(), kPatchRecordSize, record.begin());
    } else {
        std::copy(saved_.begin(), saved_.end(), record.begin());
    }
    on_ = !on_;
}

} // namespace velmora::library
