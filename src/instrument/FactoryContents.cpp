#include "instrument/FactoryContents.h"

#include "protocol/ModulationLists.h"
#include "protocol/PatchLayout.h"
#include "protocol/SysexCodec.h"

#include <array>
#include <cstdint>

namespace velmora {
namespace {

// SplitMix64: small, fast and good enough to make varied but repeatable
// contents.
class Generator
{
public:
    explicit Generator(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in lo..hi, both included.
    int between(int lo, int hi)
    {
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }

private:
    std::uint64_t state_;
};

enum class Kind : std::uint64_t
{
    Patch = 1,
    Split = 2,
};

Generator seeded(SynthModel model, Kind kind, int bank, int number)
{
    const auto m = static_cast<std::uint64_t>(model);
    const auto b = static_cast<std::uint64_t>(bank);
    const auto n = static_cast<std::uint64_t>(number);
    return Generator((m << 48) ^ (static_cast<std::uint64_t>(kind) << 40) ^ (b << 20) ^ n);
}

// The range each data byte is drawn from, taken once from the patch layout.
struct FieldRange
{
    std::size_t offset;
    int lo;
    int hi;
    bool isSigned;
};

std::vector<FieldRange> buildRanges()
{
    std::vector<FieldRange> ranges;
    for (const PatchField& field : patchFields()) {
        const int labels = static_cast<int>(field.labels.size());
        FieldRange r{field.offset, 0, 0, false};
        switch (field.kind) {
        case FieldKind::Unsigned:
            r.hi = field.max;
            break;
        case FieldKind::Signed:
        case FieldKind::BusAmount:
            r = {field.offset, -field.max, field.max, true};
            break;
        case FieldKind::Bits:
            r.hi = (1 << labels) - 1;
            break;
        case FieldKind::Choice:
            r.hi = labels - 1;
            break;
        case FieldKind::Source:
        case FieldKind::BusSource: // buses are switched off separately
            r = {field.offset, 1, kModSourceCount, false};
            break;
        case FieldKind::Destination:
            r = {field.offset, 1, kModDestinationCount, false};
            break;
        }
        ranges.push_back(r);
    }
    return ranges;
}

const std::vector<FieldRange>& ranges()
{
    static const std::vector<FieldRange> ranges = buildRanges();
    return ranges;
}

constexpr std::array<const char*, 10> kCategories = {
    "BRASS", "STRNG", "LEAD ", "BASS ", "PAD  ", "KEYS ", "ORGAN", "BELLS", "SWEEP", "FX   ",
};

void writeTwoDigits(Byte* out, int value)
{
    out[0] = static_cast<Byte>('0' + value / 10 % 10);
    out[1] = static_cast<Byte>('0' + value % 10);
}

} // namespace

PatchRecord factoryPatch(SynthModel model, int bank, int number)
{
    PatchRecord record{};
    const char* category = kCategories[static_cast<std::size_t>((bank * 3 + number) % 10)];
    for (std::size_t i = 0; i < 5; ++i)
        record[i] = static_cast<Byte>(category[i]);
    record[5] = ' ';
    writeTwoDigits(&record[6], number);

    Generator gen = seeded(model, Kind::Patch, bank, number);
    for (const FieldRange& r : ranges()) {
        const int v = gen.between(r.lo, r.hi);
        record[r.offset] = r.isSigned ? signedToByte(v) : static_cast<Byte>(v);
    }
    // About a third of the buses are switched off, as on most real patches:
    // source, amount and destination all 0.
    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        if (gen.between(0, 2) == 0) {
            const std::size_t at = busOffset(bus);
            record[at] = record[at + 1] = record[at + 2] = 0;
        }
    }
    return record;
}

SplitRecord factorySplit(SynthModel model, int index)
{
    SplitRecord split{};
    const char name[] = "SPLT";
    for (std::size_t i = 0; i < 4; ++i)
        split[i] = static_cast<Byte>(name[i]);
    writeTwoDigits(&split[4], index + 1);

    Generator gen = seeded(model, Kind::Split, 0, index);
    const int splitKey = gen.between(36, 84);
    split[6] = static_cast<Byte>(splitKey);
    split[7] = static_cast<Byte>(splitKey + 1);
    split[8] = signedToByte(12 * gen.between(-2, 2));
    split[9] = signedToByte(12 * gen.between(-2, 2));
    split[10] = static_cast<Byte>(gen.between(0, 99));
    split[11] = static_cast<Byte>(gen.between(0, 99));
    split[12] = static_cast<Byte>(gen.between(32, 63));
    split[13] = static_cast<Byte>(gen.between(32, 63));
    split[14] = static_cast<Byte>(gen.between(0, 2));
    for (std::size_t i = 15; i < kSplitRecordSize; ++i)
        split[i] = static_cast<Byte>(gen.between(0, 1));
    return split;
}

std::vector<Byte> factoryGlobal(SynthModel model)
{
    // Laid out as real units send theirs: a Matrix-1000's as the captured
    // factory record (vibrato 40, lever 2 on the vibrato amount, the pedal
    // and lever controllers 4, 64, 1, 2, every patch in the group, bend range
    // 2, and the unused bytes with the values the unit keeps there); a
    // Matrix-6's as a unit's master record, whose two 100-entry tables are
    // identities. Both keep the basic channel in byte 11.
    const bool m1000 = model == SynthModel::Matrix1000;
    std::vector<Byte> global(m1000 ? kGlobal1000Size : kMaster6Size, 0);
    global[1] = 40;
    global[7] = 63;
    global[12] = global[13] = global[14] = 1; // omni, controllers, patch change
    global[15] = 1;
    global[17] = 4;
    global[18] = 64;
    global[19] = 1;
    global[20] = 2;
    global[23] = 27;
    global[27] = 1;
    global[28] = 5;
    global[kGlobalMasterTune] = signedToByte(0);
    global[kGlobalMasterTranspose] = signedToByte(0);
    global[kGlobalBasicChannel] = 0;
    if (m1000) {
        global[6] = 1;
        global[10] = 63;
        global[31] = 1;
        for (std::size_t i = 36; i <= 161; ++i)
            global[i] = 0xFF;
        global[kGlobalBendRange] = 2;
        global[166] = 1;
        global[kGlobalMemoryProtect] = 0;
    } else {
        global[16] = 1;
        for (std::size_t i = 0; i < 100; ++i)
            global[36 + i] = global[136 + i] = static_cast<Byte>(i);
    }
    return global;
}

} // namespace velmora
