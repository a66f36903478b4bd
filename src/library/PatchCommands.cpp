#include "library/PatchCommands.h"

#include "protocol/PatchLayout.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::library {

ClockRandom::ClockRandom()
    : engine_(static_cast<std::mt19937::result_type>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count()))
{}

int ClockRandom::next(int n)
{
    if (n < 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

namespace {

// R(n) from any source, kept inside 0..n-1 whatever the source returns.
int draw(RandomSource& random, int n)
{
    if (n < 1)
        return 0;
    return std::clamp(random.next(n), 0, n - 1);
}

Byte low8(int value)
{
    return static_cast<Byte>(value & 0xFF);
}

// A draw of 0..2n-2 folded into the negative range: v > half becomes
// 256 - v div 2.
Byte signedDraw(RandomSource& random, int n, int half)
{
    const int v = draw(random, n);
    return low8(v > half ? 256 - v / 2 : v);
}

// Fills offsets first..last (inclusive) with R(n) each.
void drawRange(std::span<Byte, kPatchRecordSize> record, std::size_t first, std::size_t last, int n,
               RandomSource& random)
{
    for (std::size_t offset = first; offset <= last; ++offset)
        record[offset] = low8(draw(random, n));
}

// Keeps at least one oscillator audible. The mix byte is the DCO 1 share
// (63 - mix is the DCO 2 share), so the mix leans towards the DCO that has a
// waveform: with DCO 1 alone 31..63, with DCO 2 alone 0..31, and with
// neither DCO 1 gets its pulse wave and the whole mix.
void mixRule(std::span<Byte, kPatchRecordSize> record, RandomSource& random)
{
    constexpr std::size_t dco1Waves = 13, dco2Waves = 18, mix = 20;
    if (record[dco1Waves] == 0 && record[dco2Waves] == 0) {
        record[dco1Waves] = 1;
        record[mix] = 63;
    } else if (record[dco1Waves] == 0) {
        record[mix] = low8(31 - draw(random, 32));
    } else if (record[dco2Waves] == 0) {
        record[mix] = low8(63 - draw(random, 33));
    }
}

} // namespace

Byte drawS63(RandomSource& random)
{
    return signedDraw(random, 127, 63);
}

Byte drawS31(RandomSource& random)
{
    return signedDraw(random, 63, 31);
}

void randomize(std::span<Byte, kPatchRecordSize> record, RandomSource& random)
{
    auto set = [&](std::size_t offset, int n) { record[offset] = low8(draw(random, n)); };
    // DCO 1 and DCO 2; DCO 2 takes DCO 1's fixed modulations.
    drawRange(record, 9, 11, 64, random);
    set(12, 4);
    set(13, 4);
    drawRange(record, 14, 16, 64, random);
    record[17] = record[12];
    set(18, 5);
    record[19] = drawS31(random);
    set(20, 64);
    mixRule(record, random);
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
        drawRange(record, envelope + 2, envelope + 6, 64, random);
        set(envelope + 7, 4);
        set(envelope + 8, 2);
    }
    // Tracking generator: its own output is never its input.
    const int input = draw(random, 21);
    record[76] = low8(input == 11 ? 9 : input);
    drawRange(record, 77, 81, 64, random);
    // Ramps.
    set(82, 64);
    set(83, 2);
    set(84, 64);
    set(85, 2);
    // Fixed modulation amounts; vibrato of the DCOs only one time in four.
    for (std::size_t offset = 86; offset <= 89; ++offset) {
        if (offset == 86 || offset == 88)
            record[offset] = draw(random, 4) == 3 ? drawS63(random) : Byte{0};
        else
            record[offset] = drawS63(random);
    }
    // The velocity and envelope-to-VCA amounts (92..96) stay.
    for (std::size_t offset = 90; offset <= 103; ++offset) {
        if (offset < 92 || offset > 96)
            record[offset] = drawS63(random);
    }
}

namespace {

// The step of a mutation: s = R(2) first, then the magnitude from R(n),
// negative when s = 0.
int step(RandomSource& random, int n)
{
    const bool negative = draw(random, 2) == 0;
    const int magnitude = draw(random, n);
    return negative ? -magnitude : magnitude;
}

Byte mutateSigned(Byte value, int d, int top, int positiveMax)
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
    return low8(r);
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

constexpr Target u(int offset, int max = 63)
{
    return {static_cast<std::uint8_t>(offset), Kind::Unsigned, static_cast<std::uint8_t>(max)};
}
constexpr Target s(int offset)
{
    return {static_cast<std::uint8_t>(offset), Kind::Signed63, 0};
}

// Groups 1..8 in the order their bytes are mutated; group 9 is the matrix.
const std::array<std::vector<Target>, 8> kGroups = {{
    {u(9), u(10), u(11), u(14), u(15), u(16), u(20), s(86), s(87), s(88), s(89),
     Target{19, Kind::Signed31, 0}},
    {u(26, 127), u(30), u(27), s(90), s(91), s(100), s(101)},
    {u(31), s(92)},
    {u(35), u(41), u(42), u(48), u(39, 31), u(46, 31), s(97), s(102), s(98), s(103)},
    // Envelope 1 without its sustain (53), envelopes 2 and 3 whole.
    {u(50), u(51), u(52), u(54), u(55), u(59), u(60), u(61), u(62), u(63),
     u(64), u(68), u(69), u(70), u(71), u(72), u(73), s(94), s(95), s(96)},
    {u(82), u(84)},
    {u(76, 19), u(77), u(78), u(79), u(80), u(81)},
    {u(32), s(99)},
}};

} // namespace

Byte mutateUnsigned(Byte value, int factor, int max, RandomSource& random)
{
    const int d = step(random, 2 * factor);
    int r = value + d;
    if (r < 0)
        r = std::abs(d);
    else if (r > max)
        r = max - d;
    return low8(r);
}

Byte mutateSigned63(Byte value, int factor, RandomSource& random)
{
    return mutateSigned(value, step(random, 2 * factor), 192, 63);
}

Byte mutateSigned31(Byte value, int factor, RandomSource& random)
{
    return mutateSigned(value, step(random, factor), 224, 31);
}

BusSelection busesOn(std::span<const Byte, kPatchRecordSize> record)
{
    BusSelection on{};
    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        const std::size_t source = busOffset(bus);
        on[static_cast<std::size_t>(bus - 1)] = record[source] != 0 && record[source + 2] != 0;
    }
    return on;
}

void mutate(std::span<Byte, kPatchRecordSize> record, const MutateFactors& factors,
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
                byte = mutateUnsigned(byte, f, target.max, random);
                break;
            case Kind::Signed63:
                byte = mutateSigned63(byte, f, random);
                break;
            case Kind::Signed31:
                byte = mutateSigned31(byte, f, random);
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
        const std::size_t source = busOffset(bus);
        record[source] = low8(mutateUnsigned(record[source], f, 18, random) + 1);
        record[source + 2] = low8(mutateUnsigned(record[source + 2], f, 30, random) + 1);
        record[source + 1] = mutateSigned63(record[source + 1], f, random);
    }
}

void mutate(PatchBuffer& patch, const MutateFactors& factors, RandomSource& random)
{
    const auto record = recordOf(patch);
    mutate(record, factors, busesOn(record), random);
}

std::optional<std::size_t> lockGroupOf(std::size_t offset)
{
    const PatchField* field = fieldAt(offset);
    if (field == nullptr)
        return std::nullopt;
    // By the first word of the field's name: what the field sets.
    static constexpr std::array<std::pair<std::string_view, std::size_t>, 10> kOwners = {{
        {"DCO", 0},
        {"Dco", 0},
        {"VCF", 1},
        {"VCA", 2},
        {"LFO", 3},
        {"Envelope", 4},
        {"Ramp", 5},
        {"Tracking", 6},
        {"Portamento", 7},
        {"Bus", 8},
    }};
    const std::string_view name = field->name;
    for (const auto& [prefix, group] : kOwners)
        if (name.starts_with(prefix))
            return group;
    return std::nullopt;
}

void keepLocked(std::span<Byte, kPatchRecordSize> record,
                std::span<const Byte, kPatchRecordSize> before, const GroupLocks& locks)
{
    for (std::size_t offset = 0; offset < kPatchRecordSize; ++offset)
        if (const auto group = lockGroupOf(offset); group && locks[*group])
            record[offset] = before[offset];
}

void CompareState::toggle(PatchBuffer& current, const PatchBuffer& compareData)
{
    const auto record = recordOf(current);
    if (!on_) {
        std::copy(record.begin(), record.end(), saved_.begin());
        std::copy_n(compareData.begin(), kPatchRecordSize, record.begin());
    } else {
        std::copy(saved_.begin(), saved_.end(), record.begin());
    }
    on_ = !on_;
}

} // namespace velmora::library
