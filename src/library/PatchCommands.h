// The patch commands that make or change the current patch without the
// instrument, as pure functions over the records: Randomize draws a new
// patch, Mutate moves the present one a little in nine groups of parameters,
// and CompareState swaps the edited patch with the patch as last loaded.
// Every draw goes through a RandomSource, so tests can script the draws and
// check each rule exactly.
#pragma once

#include "protocol/PatchRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string_view>

namespace velmora::library {

// R(n): a number drawn uniformly from 0..n-1. Asked for n below 1 it gives 0.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual int next(int n) = 0;
};

// The commands' own source: a Mersenne twister seeded from the clock when it
// is made, which the commands do once per Randomize or Mutate.
class ClockRandom final : public RandomSource
{
public:
    ClockRandom();
    int next(int n) override;

private:
    std::mt19937 engine_;
};

// The two signed draws, as record bytes (8-bit two's complement).
// S63: 0..63 or -32..-63, never -1..-31. S31: 0..31 or -16..-31.
Byte drawS63(RandomSource& random);
Byte drawS31(RandomSource& random);

// Draws a new patch into the record. Left alone: the name, the keyboard
// mode, the VCA 1 level, the two LFO sample sources, the velocity and
// envelope-to-VCA amounts (92..96) and the modulation matrix. Bytes are
// drawn in ascending offset order; the mix rule follows the mix byte's own
// draw. A patch with both oscillators silent is never drawn: when neither
// DCO has a waveform, DCO 1 gets its pulse and the whole mix; when only one
// has, the mix leans towards it (the mix byte is the DCO 1 share).
void randomize(std::span<Byte, kPatchRecordSize> record, RandomSource& random);

// Mutation. The factor of a group is 0 (off) .. 10 (max); larger factors are
// taken as 10, so a byte in its range stays in its range.
inline constexpr std::size_t kMutateGroupCount = 9;
inline constexpr int kMaxMutateFactor = 10;
using MutateFactors = std::array<std::uint8_t, kMutateGroupCount>;

// The three mutators. Each draws s = R(2), then a step d = R(2a) (R(a) for
// mutateSigned31) made negative when s = 0, and returns the result's low
// eight bits. A value outside its range is mutated by the same arithmetic.
//   unsigned: v + d; below 0 gives |d|, above max gives max - d.
//   signed 63: for v <= 192 (0..63) below 0 gives 255 - |d|, above 63 gives
//   63 - d; otherwise (a negative value) below 193 gives 192 + |d|, above
//   255 gives d. Signed 31: the same with 224, 225 and 31.
Byte mutateUnsigned(Byte value, int factor, int max, RandomSource& random);
Byte mutateSigned63(Byte value, int factor, RandomSource& random);
Byte mutateSigned31(Byte value, int factor, RandomSource& random);

// Which of the ten modulation buses group 9 may change: those whose switch
// is ticked in the matrix editor.
using BusSelection = std::array<bool, kMatrixBusCount>;
// The buses a refresh shows ticked: both source and destination non-zero.
BusSelection busesOn(std::span<const Byte, kPatchRecordSize> record);

// Applies groups 1..9 in turn, each whose factor is above 0. Within a group
// the bytes are mutated in the order the group lists them; a bus's source,
// destination and amount in that order, bus 1 first. Bus sources and
// destinations come out raised by one, so they can reach 0 or 20 (32).
void mutate(std::span<Byte, kPatchRecordSize> record, const MutateFactors& factors,
            const BusSelection& tickedBuses, RandomSource& random);
// The same with the buses a refresh of this record would show ticked.
void mutate(PatchBuffer& patch, const MutateFactors& factors, RandomSource& random);

// Locked groups: Randomize and Mutate leave every byte of a locked group as
// it was, so a bass can be mutated without touching its envelopes. The nine
// groups are those of the Mutate setup, and a field belongs to the group of
// what it sets: "VCF Cutoff Frequency by Envelope 1" is the VCF's, "DCO 1
// Portamento" the DCO's, every matrix bus byte the matrix's.
using GroupLocks = std::array<bool, kMutateGroupCount>;
// The group (0..8) of a record offset, or nothing for the name and the
// keyboard mode, which neither command changes.
std::optional<std::size_t> lockGroupOf(std::size_t offset);
// Puts back, from `before`, every byte of `record` that a locked group holds.
void keepLocked(std::span<Byte, kPatchRecordSize> record,
                std::span<const Byte, kPatchRecordSize> before, const GroupLocks& locks);

// Compare: while on, the current patch shows the compare copy and the edited
// record waits in the save area; switching off puts it back, so edits made
// in between are dropped. The carried 135th byte is never touched.
class CompareState
{
public:
    bool isOn() const { return on_; }
    // Switches the state and swaps the record of `current` accordingly.
    void toggle(PatchBuffer& current, const PatchBuffer& compareData);

private:
    bool on_ = false;
    PatchRecord saved_{};
};

} // namespace velmora::library
