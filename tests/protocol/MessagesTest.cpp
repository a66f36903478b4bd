// Every message the program sends, byte for byte.
#include "Messages.h"
#include "SysexCodec.h"

#include <gtest/gtest.h>

using namespace velmora;
using Bytes = std::vector<Byte>;

TEST(Messages, ShortSysexMessages)
{
    EXPECT_EQ(ParameterEdit(5, 0x21), (Bytes{0xF0, 0x10, 0x06, 0x06, 0x05, 0x21, 0xF7}));
    EXPECT_EQ(ParameterEditPrefix(), (Bytes{0xF0, 0x10, 0x06, 0x05, 0xF7}));
    EXPECT_EQ(BankSelect(1), (Bytes{0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7}));
    EXPECT_EQ(Request(RequestType::All), (Bytes{0xF0, 0x10, 0x06, 0x04, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(Request(RequestType::OnePatch, 42), (Bytes{0xF0, 0x10, 0x06, 0x04, 0x01, 42, 0xF7}));
    EXPECT_EQ(Request(RequestType::Global), (Bytes{0xF0, 0x10, 0x06, 0x04, 0x03, 0x00, 0xF7}));
    EXPECT_EQ(Request(RequestType::EditBuffer), (Bytes{0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7}));
    // Split mode is the one message with device byte 02.
    EXPECT_EQ(SplitMode(true), (Bytes{0xF0, 0x10, 0x02, 0x0D, 0x02, 0xF7}));
    EXPECT_EQ(SplitMode(false), (Bytes{0xF0, 0x10, 0x02, 0x0D, 0x01, 0xF7}));
}

TEST(Messages, MatrixBusCarriesBusMinusOneAndSevenBitAmount)
{
    const Byte minusOne = ToSevenBit(0, SignedToByte(-1));
    EXPECT_EQ(MatrixBus(1, 3, minusOne, 9), (Bytes{0xF0, 0x10, 0x06, 0x0B, 0, 3, 0x7F, 9, 0xF7}));
    EXPECT_EQ(MatrixBus(10, 20, 63, 32), (Bytes{0xF0, 0x10, 0x06, 0x0B, 9, 20, 63, 32, 0xF7}));
    // A bus switched off goes with source, amount and destination all 0.
    EXPECT_EQ(MatrixBus(4, 0, 0, 0), (Bytes{0xF0, 0x10, 0x06, 0x0B, 3, 0, 0, 0, 0xF7}));
}

TEST(Messages, PatchMessagesPackNameFirstLowNibbleFirst)
{
    PatchRecord record{};
    record[0] = 'A';  // 0x41
    record[8] = 0xC1; // -63
    record[133] = 0x3F;
    const Bytes edit = PatchToEditBuffer(record);
    ASSERT_EQ(edit.size(), 275u);
    EXPECT_EQ(Bytes(edit.begin(), edit.begin() + 5), (Bytes{0xF0, 0x10, 0x06, 0x0D, 0x00}));
    EXPECT_EQ(edit[5], 0x01);
    EXPECT_EQ(edit[6], 0x04);
    EXPECT_EQ(edit[5 + 16], 0x01);
    EXPECT_EQ(edit[6 + 16], 0x0C);
    EXPECT_EQ(edit[5 + 266], 0x0F);
    EXPECT_EQ(edit[6 + 266], 0x03);
    EXPECT_EQ(edit[273], (0x41 + 0xC1 + 0x3F) & 0xFF & 0x7F);
    EXPECT_EQ(edit[274], 0xF7);

    const Bytes store = PatchToMemory(99, record);
    EXPECT_EQ(Bytes(store.begin(), store.begin() + 5), (Bytes{0xF0, 0x10, 0x06, 0x01, 99}));
    EXPECT_TRUE(std::equal(store.begin() + 5, store.end(), edit.begin() + 5));

    // An all-zero record packs to zeros with checksum 0; eight blanks add 256.
    PatchRecord blank{};
    std::fill_n(blank.begin(), 8, ' ');
    const Bytes zero = PatchToMemory(0, PatchRecord{});
    EXPECT_TRUE(std::all_of(zero.begin() + 5, zero.begin() + 274, [](Byte b) { return b == 0; }));
    EXPECT_EQ(PatchToMemory(0, blank)[273], 0);
}

TEST(Messages, SplitDataIs43Bytes)
{
    SplitRecord split{};
    for (std::size_t i = 0; i < split.size(); ++i)
        split[i] = static_cast<Byte>(i * 15);
    const Bytes m = SplitData(49, split);
    ASSERT_EQ(m.size(), 43u);
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 5), (Bytes{0xF0, 0x10, 0x06, 0x02, 49}));
    EXPECT_EQ(m[41], DumpChecksum(split));
    EXPECT_EQ(m[42], 0xF7);
    SplitRecord back{};
    EXPECT_EQ(UnpackBlock(m, back), UnpackStatus::Ok);
    EXPECT_EQ(back, split);
}

TEST(Messages, SevenBitValuesAndTheParameterDisplay)
{
    // Signed record values travel in 7-bit two's complement.
    EXPECT_EQ(ToSevenBit(1, 0xFF), 0x7F);
    EXPECT_EQ(ToSevenBit(1, 0xC1), 0x41);
    EXPECT_EQ(ToSevenBit(1, 0x3F), 0x3F);
    // The filter cutoff spans 0..127 and goes unchanged.
    EXPECT_EQ(ToSevenBit(21, 0x7F), 0x7F);
    EXPECT_EQ(ToSevenBit(21, 100), 100);
    // Stray bytes never become status bytes on the wire.
    for (int p : {0, 12, 21})
        for (int v = 0; v < 256; ++v)
            EXPECT_LT(ToSevenBit(Byte(p), Byte(v)), 0x80);

    EXPECT_EQ(DisplayValue(1, 0x7F), -1);
    EXPECT_EQ(DisplayValue(1, 0x41), -63);
    EXPECT_EQ(DisplayValue(1, 63), 63);
    EXPECT_EQ(DisplayValue(21, 127), 127);
    EXPECT_EQ(DisplayValue(12, 31), 31);
    EXPECT_EQ(DisplayValue(12, 32), -96);
    EXPECT_EQ(DisplayValue(12, 0x61), -31);
}

TEST(Messages, PatchNumbersAboveNinetyNineUseBankOne)
{
    EXPECT_EQ(SplitPatchNumber(150).bank, 1);
    EXPECT_EQ(SplitPatchNumber(150).number, 50);
    EXPECT_EQ(SplitPatchNumber(99).bank, 0);
    EXPECT_EQ(SplitPatchNumber(99).number, 99);
    EXPECT_EQ(SplitPatchNumber(100).number, 0);
}

TEST(Messages, ChannelMessages)
{
    EXPECT_EQ(ProgramChange(0, 99), (Bytes{0xC0, 0x63}));
    EXPECT_EQ(ProgramChange(15, 5), (Bytes{0xCF, 5}));

    EXPECT_EQ(ControlChange(2, 1, 64), (ShortMessage{0xB2, 1, 64}));
    EXPECT_EQ(ControlChange(2, 119, 127), (ShortMessage{0xB2, 119, 127}));
    EXPECT_FALSE(ControlChange(2, 0, 64));
    EXPECT_FALSE(ControlChange(2, 120, 64));
    EXPECT_FALSE(ControlChange(2, 7, 128));
    EXPECT_FALSE(ControlChange(2, 7, -1));

    EXPECT_EQ(NoteOn(3, 60), (ShortMessage{0x93, 60, 100}));
    EXPECT_EQ(NoteOff(3, 60), (ShortMessage{0x83, 60, 100}));
    const auto off = AllNotesOff(1, 60, {64, 67, 72});
    ASSERT_EQ(off.size(), 6u);
    EXPECT_EQ(off[0], (ShortMessage{0x81, 60, 100}));
    EXPECT_EQ(off[3], (ShortMessage{0x81, 72, 100}));
    EXPECT_EQ(off[4], (ShortMessage{0xB1, 0x7B, 0}));
    EXPECT_EQ(off[5], (ShortMessage{0xB1, 0x79, 0}));

    EXPECT_EQ(RegisteredParameterMessage(0, RegisteredParameter::BendRange, 12),
              (Bytes{0xB0, 0x64, 0, 0x65, 0, 0x06, 12}));
    EXPECT_EQ(RegisteredParameterMessage(4, RegisteredParameter::FineTuning, -10),
              (Bytes{0xB4, 0x64, 1, 0x65, 0, 0x06, 54}));
    EXPECT_EQ(RegisteredParameterMessage(4, RegisteredParameter::Transposition, 12),
              (Bytes{0xB4, 0x64, 2, 0x65, 0, 0x06, 76}));
}
