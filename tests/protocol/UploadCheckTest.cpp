#include "protocol/UploadCheck.h"

#include <gtest/gtest.h>

#include <string_view>

namespace velmora {
namespace {

UploadCheck checkOf(SynthModel model, int bank, UploadCheck::Kind kind = UploadCheck::Kind::Patches)
{
    UploadCheck check;
    check.model = model;
    check.kind = kind;
    check.bank = bank;
    return check;
}

PatchRecord patchWith(Byte fill)
{
    PatchRecord record{};
    record.fill(fill);
    return record;
}

TEST(UploadCheck, NameBytesCountOnlyOnTheMatrix6)
{
    PatchRecord sent = patchWith(0x15);
    PatchRecord back = sent;
    const char placeholder[] = "BNK0: 07";
    std::copy(placeholder, placeholder + kPatchNameLength, back.begin());
    EXPECT_TRUE(samePatchAsSent(SynthModel::Matrix1000, sent, back));
    EXPECT_FALSE(samePatchAsSent(SynthModel::Matrix6, sent, back));

    // Odd bytes outside the documented ranges must come back as they went.
    sent[kPatchRecordSize - 1] = 0xFF;
    EXPECT_FALSE(samePatchAsSent(SynthModel::Matrix1000, sent, back));
    EXPECT_FALSE(samePatchAsSent(SynthModel::Matrix1000, sent, std::span<const Byte>{}));
}

// A Matrix-6 sends its names back in six bits ("A" as 01): a name is as
// sent when its six bits are, for patches and splits alike; one character
// that differs still counts.
TEST(UploadCheck, Matrix6NamesComeBackInSixBits)
{
    PatchRecord sent = patchWith(0x15);
    std::ranges::copy(std::string_view("BRASS 1 "), sent.begin());
    PatchRecord back = sent;
    for (std::size_t i = 0; i < kPatchNameLength; ++i)
        back[i] &= 0x3F;
    EXPECT_TRUE(samePatchAsSent(SynthModel::Matrix6, sent, back));
    back[1] = 'Q' & 0x3F;
    EXPECT_FALSE(samePatchAsSent(SynthModel::Matrix6, sent, back));

    SplitRecord split{};
    split.fill(7);
    std::ranges::copy(std::string_view("LEFT A"), split.begin());
    SplitRecord splitBack = split;
    for (std::size_t i = 0; i < kSplitNameLength; ++i)
        splitBack[i] &= 0x3F;
    UploadCheck check = checkOf(SynthModel::Matrix6, -1, UploadCheck::Kind::Splits);
    check.compare(4, split, splitBack);
    EXPECT_TRUE(check.passed());
    splitBack[kSplitRecordSize - 1] = 8;
    check.compare(5, split, splitBack);
    EXPECT_EQ(check.differing, std::vector<int>{5});
}

// One patch stored and not taken while memory protect is known to be off:
// the store was lost on the way, and the pauses are where to give it longer.
TEST(UploadCheck, ALostStoreWithMemoryProtectOffPointsToThePauses)
{
    UploadCheck check = checkOf(SynthModel::Matrix1000, 1);
    check.label = "Patch 112";
    check.memoryProtect = false;
    check.compare(112, patchWith(1), patchWith(2));
    EXPECT_EQ(describeCheck(check),
              "Patch 112 is not held as sent: the instrument gave back something else. Messages "
              "were lost on the way to the instrument. Give it a longer pause after each stored "
              "patch under Setup > Transfer Pauses and upload again.");
}

TEST(UploadCheck, TellsTheResultAndTheLikelyReason)
{
    const PatchRecord sent = patchWith(1);
    const PatchRecord other = patchWith(2);

    UploadCheck good = checkOf(SynthModel::Matrix1000, 0);
    for (int n = 0; n < 100; ++n)
        good.compare(n, sent, sent);
    EXPECT_EQ(describeCheck(good), "Bank 0 verified: 100 of 100 patches as sent.");

    UploadCheck lost = good;
    lost.differing.clear();
    lost.sent = 0;
    lost.bank = 1;
    for (int n = 0; n < 100; ++n)
        lost.compare(n, sent, n == 12 || n == 40 || n == 77 ? std::span<const Byte>(other) : sent);
    EXPECT_EQ(lost.matching(), 97);
    EXPECT_EQ(describeCheck(lost).substr(0, 56),
              "Bank 1: 97 of 100 patches as sent; 12, 40 and 77 differ.");
    EXPECT_NE(describeCheck(lost).find("longer pause"), std::string::npos);

    UploadCheck protectedBank = checkOf(SynthModel::Matrix1000, 0);
    protectedBank.memoryProtect = true;
    for (int n = 0; n < 100; ++n)
        protectedBank.compare(n, sent, other);
    EXPECT_NE(describeCheck(protectedBank).find("Memory protect is on"), std::string::npos);

    UploadCheck rom = checkOf(SynthModel::Matrix1000, 3);
    rom.compare(5, sent, other);
    rom.compare(6, sent, other);
    EXPECT_NE(describeCheck(rom).find("ROM bank"), std::string::npos);

    UploadCheck many = checkOf(SynthModel::Matrix6, -1);
    for (int n = 0; n < 100; ++n)
        many.compare(n, sent, n < 20 ? std::span<const Byte>{} : std::span<const Byte>(sent));
    EXPECT_NE(
        describeCheck(many).find("0, 1, 2, 3, 4, 5, 6, 7, 8, 9 and 10 more did not come back."),
        std::string::npos);
    EXPECT_NE(describeCheck(many).find("lost on the way back"), std::string::npos);

    UploadCheck single = checkOf(SynthModel::Matrix6, -1, UploadCheck::Kind::Splits);
    single.compare(3, sent, other);
    EXPECT_EQ(
        describeCheck(single).rfind("Split 3 is not held as sent: the instrument gave back", 0),
        0U);
    single.label = "Patch 112";
    EXPECT_EQ(describeCheck(single).rfind("Patch 112 is not held as sent", 0), 0U);
}

TEST(UploadCheck, TheGlobalRecordIsComparedWhole)
{
    std::array<Byte, kGlobal1000Size> sent{};
    sent[161] = 0xFF; // a byte of no known meaning counts as much as any
    auto back = sent;

    UploadCheck same = checkOf(SynthModel::Matrix1000, -1, UploadCheck::Kind::Global);
    same.compare(0, sent, back);
    EXPECT_EQ(describeCheck(same),
              "The global settings verified: the instrument holds them as sent.");

    back[161] = 0;
    UploadCheck differs = checkOf(SynthModel::Matrix1000, -1, UploadCheck::Kind::Global);
    differs.memoryProtect = true; // it keeps stores out, not the global record
    differs.compare(0, sent, back);
    EXPECT_EQ(describeCheck(differs),
              "The global settings are not held as sent: the instrument gave back something "
              "else. The instrument's firmware may not take global settings over MIDI at all: "
              "the factory firmware is said not to.");

    UploadCheck lost = checkOf(SynthModel::Matrix1000, -1, UploadCheck::Kind::Global);
    lost.compare(0, sent, {});
    EXPECT_EQ(describeCheck(lost), "The global settings did not come back from the instrument. "
                                   "Part of the answer was lost on the way back. Check the cable "
                                   "and try again.");
}

} // namespace
} // namespace velmora
