// Merging toward a second patch: numbers move by the fraction, signed ones
// through zero, switches and lists change sides at half way, a bus moves as
// a whole, and the name stays.
#include "library/PatchMerge.h"
#include "protocol/PatchLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace velmora;
using namespace velmora::library;

namespace {

std::size_t offsetOf(const std::string& name)
{
    const auto fields = patchFields();
    const auto field =
        std::ranges::find_if(fields, [&](const PatchField& f) { return f.name == name; });
    EXPECT_NE(field, fields.end()) << name;
    return field->offset;
}

TEST(PatchMerge, MovesEachFieldAsItsKindAllows)
{
    const std::size_t cutoff = offsetOf("VCF Cutoff Frequency");
    const std::size_t amount = offsetOf("VCF Cutoff Frequency by Envelope 1");
    const std::size_t sync = offsetOf("DCO Sync");
    PatchRecord mine{};
    PatchRecord other{};
    std::fill_n(mine.begin(), 8, 'A');
    std::fill_n(other.begin(), 8, 'B');
    mine[cutoff] = 20;
    other[cutoff] = 120;
    mine[amount] = 0xFF; // -1
    other[amount] = 3;
    other[sync] = 2;
    // Bus 1 routes the same in both; bus 2 differently.
    const std::size_t bus1 = busOffset(1);
    const std::size_t bus2 = busOffset(2);
    mine[bus1] = other[bus1] = 4;
    mine[bus1 + 2] = other[bus1 + 2] = 7;
    mine[bus1 + 1] = signedToByte(-40);
    other[bus1 + 1] = 40;
    mine[bus2] = 1;
    mine[bus2 + 1] = 10;
    mine[bus2 + 2] = 2;
    other[bus2] = 3;
    other[bus2 + 1] = signedToByte(-20);
    other[bus2 + 2] = 5;

    PatchRecord half = mine;
    mergeToward(half, other, 0.5);
    EXPECT_EQ(half[cutoff], 70);
    EXPECT_EQ(half[amount], 1);
    EXPECT_EQ(half[sync], 2);
    EXPECT_EQ(half[bus1 + 1], 0);
    EXPECT_TRUE(std::equal(other.begin() + bus2, other.begin() + bus2 + 3, half.begin() + bus2));
    EXPECT_TRUE(std::all_of(half.begin(), half.begin() + 8, [](Byte b) { return b == 'A'; }));

    PatchRecord little = mine;
    mergeToward(little, other, 0.25);
    EXPECT_EQ(little[cutoff], 45);
    EXPECT_EQ(little[sync], 0);
    EXPECT_TRUE(std::equal(mine.begin() + bus2, mine.begin() + bus2 + 3, little.begin() + bus2));

    PatchRecord none = mine;
    mergeToward(none, other, 0.0);
    EXPECT_EQ(none, mine);
    PatchRecord all = mine;
    mergeToward(all, other, 1.0);
    EXPECT_TRUE(std::equal(all.begin() + 8, all.end(), other.begin() + 8));
}

} // namespace
