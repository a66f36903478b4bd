// The bytes of the requests the instrument answers, how a patch is packed,
// and the 7-bit values and parameter display. The other messages are checked
// byte for byte where they are sent: the pages, the split editor, the
// keyboard, the globals and the transfers.
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"

#include <gtest/gtest.h>

using namespace velmora;
using Bytes = std::vector<Byte>;

TEST(Messages, Requests)
{
    EXPECT_EQ(request(RequestType::All), (Bytes{0xF0, 0x10, 0x06, 0x04, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(request(RequestType::OnePatch, 42), (Bytes{0xF0, 0x10, 0x06, 0x04, 0x01, 42, 0xF7}));
}

TEST(Messages, PatchMessagesPackNameFirstLowNibbleFirst)
{
    PatchRecord record{};
    record[0] = 'A';  // 0x41
    record[8] = 0xC1; // -63
    record[133] = 0x3F;
    const Bytes edit = patchToEditBuffer(record);
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

    const Bytes store = patchToMemory(99, record);
    EXPECT_EQ(Bytes(store.begin(), store.begin() + 5), (Bytes{0xF0, 0x10, 0x06, 0x01, 99}));
    EXPECT_TRUE(std::equal(store.begin() + 5, store.end(), edit.begin() + 5));

    // An all-zero record packs to zeros with checksum 0; eight blanks add 256.
    PatchRecord blank{};
    std::fill_n(blank.begin(), 8, ' ');
    const Bytes zero = patchToMemory(0, PatchRecord{});
    EXPECT_TRUE(std::all_of(zero.begin() + 5, zero.begin() + 274, [](Byte b) { return b == 0; }));
    EXPECT_EQ(patchToMemory(0, blank)[273], 0);
}

TEST(Messages, SevenBitValuesAndTheParameterDisplay)
{
    // Signed record values travel in 7-bit two's complement.
    EXPECT_EQ(toSevenBit(1, 0xC1), 0x41);
    EXPECT_EQ(toSevenBit(1, 0x3F), 0x3F);
    // The filter cutoff spans 0..127 and goes unchanged.
    EXPECT_EQ(toSevenBit(21, 100), 100);
    // Stray bytes never become status bytes on the wire.
    for (int p : {0, 12, 21})
        for (int v = 0; v < 256; ++v)
            EXPECT_LT(toSevenBit(Byte(p), Byte(v)), 0x80);

    EXPECT_EQ(displayValue(1, 0x41), -63);
    EXPECT_EQ(displayValue(1, 63), 63);
    EXPECT_EQ(displayValue(21, 127), 127);
    EXPECT_EQ(displayValue(12, 31), 31);
    EXPECT_EQ(displayValue(12, 32), -96);
    EXPECT_EQ(displayValue(12, 0x61), -31);
}
