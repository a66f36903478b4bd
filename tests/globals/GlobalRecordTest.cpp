// The global record's table and its read-modify-write rules, and the dump
// that carries it back to a Matrix-1000, checked against the factory record
// captured from a real unit.
#include "globals/GlobalRecord.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "support/CapturedGlobal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace velmora::globals {
namespace {

TEST(GlobalRecord, TheCapturedRecordGoesBackUnderThePlainSum)
{
    const Global1000 capture = test::capturedFactoryGlobal();
    const Message m = globalData(capture);
    ASSERT_EQ(m.size(), 351u);
    EXPECT_EQ((std::vector<Byte>(m.begin(), m.begin() + 5)),
              (std::vector<Byte>{0xF0, 0x10, 0x06, 0x03, 0x03}));
    // The capture's own checksum; the end-around sum would give 0x18.
    EXPECT_EQ(m[349], 0x19);
    EXPECT_EQ(globalChecksum(capture), 0x18);
    EXPECT_EQ(m.back(), 0xF7);
    Global1000 back{};
    ASSERT_EQ(unpackBlock(m, back, ChecksumRule::Dump), UnpackStatus::Ok);
    EXPECT_EQ(back, capture);

    std::array<Byte, kMaster6Size> master{};
    master[8] = 0xFE;
    const Message m6 = master6Data(master);
    EXPECT_EQ(m6.size(), 479u);
    EXPECT_EQ(m6[4], 0x02);
}

TEST(GlobalRecord, TheTableNamesEachByteOnceAndLeavesTheUnknownOnesAlone)
{
    std::set<std::size_t> offsets;
    std::set<std::string> keys;
    for (const GlobalSetting& s : globalSettings()) {
        EXPECT_TRUE(offsets.insert(s.offset).second) << s.name;
        EXPECT_TRUE(keys.insert(s.key).second) << s.name;
        EXPECT_LT(s.offset, kGlobal1000Size);
        EXPECT_LE(s.minimum, s.maximum);
        if (s.kind == SettingKind::List) {
            EXPECT_EQ(s.choices.size(), static_cast<std::size_t>(s.maximum - s.minimum + 1))
                << s.name;
        }
        if (s.ask != Ask::Never) {
            EXPECT_NE(s.effect, nullptr) << s.name;
        }
        EXPECT_EQ(findSetting(s.key), &s);
    }
    // The bytes the factory record has non-zero values in without any known
    // meaning, and the undocumented ones.
    for (std::size_t unknown : {0, 9, 10, 15, 16, 21, 23, 27, 28, 31, 33, 161, 162, 163})
        EXPECT_FALSE(isKnownByte(unknown)) << unknown;
    EXPECT_TRUE(isKnownByte(36));
    EXPECT_TRUE(isKnownByte(160));

    // The cautious ranges: waveform 0..4, tune -31..31, bend 0..24.
    EXPECT_EQ(findSetting("VibratoWave")->maximum, 4);
    EXPECT_EQ(findSetting("MasterTune")->minimum, -31);
    EXPECT_EQ(findSetting("MasterTune")->maximum, 31);
    EXPECT_EQ(findSetting("BendRange")->maximum, 24);
}

TEST(GlobalRecord, ValuesAreShownClampedAndWrittenByTheirKind)
{
    Global1000 r = test::capturedFactoryGlobal();
    const GlobalSetting& tune = *findSetting("MasterTune");
    const GlobalSetting& wave = *findSetting("VibratoWave");
    const GlobalSetting& lock = *findSetting("BankLock");
    const GlobalSetting& group = *findSetting("GroupMode");

    r[8] = 0xF6;
    EXPECT_EQ(shownValue(r, tune), -10);
    r[8] = 40;
    EXPECT_EQ(shownValue(r, tune), 31);
    EXPECT_EQ(r[8], 40); // shown clamped, kept as it came
    writeValue(r, tune, -3);
    EXPECT_EQ(r[8], 0xFD);
    writeValue(r, tune, -90);
    EXPECT_EQ(r[8], signedToByte(-31));

    r[4] = 5;
    EXPECT_EQ(shownValue(r, wave), 4);
    EXPECT_EQ(valueText(wave, 1), "Saw up");

    // Top flags: bit 7 alone, the rest of the byte as the unit keeps it.
    r[165] = 0x10;
    EXPECT_EQ(shownValue(r, lock), 0);
    writeValue(r, lock, 1);
    EXPECT_EQ(r[165], 0x90);
    writeValue(r, lock, 0);
    EXPECT_EQ(r[165], 0x10);
    r[168] = 0x83;
    EXPECT_EQ(shownValue(r, group), 1);
    writeValue(r, group, 0);
    EXPECT_EQ(r[168], 0x03);

    EXPECT_EQ(patchesInGroup(test::capturedFactoryGlobal()), 1000);
    r[36] = 0x0F;
    EXPECT_EQ(patchesInGroup(r), 996);
}

TEST(GlobalRecord, DangerousChangesAreAskedOnlyInTheirDangerousDirection)
{
    const GlobalSetting& channel = *findSetting("MidiChannel");
    const GlobalSetting& patchChange = *findSetting("PatchChange");
    const GlobalSetting& protect = *findSetting("MemoryProtect");
    const GlobalSetting& speed = *findSetting("VibratoSpeed");

    EXPECT_EQ(questionFor(channel, 0, 4).rfind("Set Basic channel to 5?\n\n", 0), 0u);
    EXPECT_NE(questionFor(channel, 0, 4).find("channel 5 only"), std::string::npos);
    EXPECT_TRUE(questionFor(channel, 4, 4).empty());
    EXPECT_FALSE(questionFor(patchChange, 1, 0).empty());
    EXPECT_TRUE(questionFor(patchChange, 0, 1).empty());
    EXPECT_FALSE(questionFor(*findSetting("Controllers"), 1, 0).empty());
    EXPECT_FALSE(questionFor(protect, 0, 1).empty());
    EXPECT_TRUE(questionFor(protect, 1, 0).empty());
    EXPECT_FALSE(questionFor(*findSetting("GroupMode"), 0, 1).empty());
    EXPECT_FALSE(questionFor(*findSetting("GroupMode"), 1, 0).empty());
    EXPECT_TRUE(questionFor(speed, 0, 63).empty());
}

TEST(GlobalRecord, AFileGivesItsKnownSettingsAndTheUnitKeepsTheRest)
{
    const Global1000 unit = test::capturedFactoryGlobal();
    Global1000 file{};
    file[1] = 12;     // vibrato speed
    file[10] = 99;    // unknown
    file[165] = 0x81; // bank lock on, other bits of the file's unit
    file[40] = 0x0F;  // group map
    const Global1000 merged = mergeKnown(unit, file);
    EXPECT_EQ(merged[1], 12);
    EXPECT_EQ(merged[10], 63);
    EXPECT_EQ(merged[15], 1);
    EXPECT_EQ(merged[165], 0x80);
    EXPECT_EQ(merged[40], 0x0F);
    EXPECT_EQ(merged[164], 0); // a known setting: the file's value
    const auto differ = differingSettings(unit, merged);
    EXPECT_NE(std::ranges::find(differ, std::string("Speed")), differ.end());
    EXPECT_NE(std::ranges::find(differ, std::string(kGroupPatchesName)), differ.end());
}

TEST(GlobalRecord, TheMatrix6ListKeepsToWhatIsKnownOrLikely)
{
    bool channel = false;
    for (const MasterItem& item : master6Items()) {
        EXPECT_LT(item.offset, 36u) << item.name; // the tables from 36 on are not settings
        EXPECT_NE(item.offset, 164u);
        channel = channel || (item.offset == 11 && *item.note == '\0');
    }
    EXPECT_TRUE(channel);
}

} // namespace
} // namespace velmora::globals
