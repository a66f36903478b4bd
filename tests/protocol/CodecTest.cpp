// The global checksum rule, the unpacker, dump lengths and the SysEx scanner:
// the cases the file and transfer tests do not reach.
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "protocol/SysexScanner.h"

#include <gtest/gtest.h>

#include <random>

using namespace velmora;
using Bytes = std::vector<Byte>;

TEST(Checksums, GlobalSumCarriesAroundAsSoonAsItPasses255)
{
    EXPECT_EQ(globalChecksum(Bytes{0xFF, 0x02}), 0x02);
    EXPECT_EQ(dumpChecksum(Bytes{0xFF, 0x02}), 0x01);
    // Reaching exactly 255 does not carry.
    EXPECT_EQ(globalChecksum(Bytes{0xFE, 0x01}), 0x7F);
    EXPECT_EQ(globalChecksum(Bytes{0xFF, 0xFF, 0xFF}), 0x7F);
    EXPECT_EQ(globalChecksum(Bytes{0x80, 0x80, 0x80}), 0x01); // 256 -> 1, then 129
    // Against a straightforward model on random blocks.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Bytes block(172);
        for (Byte& b : block)
            b = static_cast<Byte>(random());
        unsigned sum = 0;
        for (Byte b : block)
            sum = sum + b > 255 ? sum + b - 255 : sum + b;
        ASSERT_EQ(globalChecksum(block), sum & 0x7F);
    }
}

TEST(Unpacker, ReportsWhyAMessageWasRefused)
{
    PatchRecord record{};
    record[3] = 0x55;
    Bytes message = patchToMemory(1, record);

    // Header bytes and the final byte are not examined.
    message[1] = 0x42;
    message[3] = 0x7E;
    message[274] = 0x00;
    EXPECT_TRUE(unpackBlock(message, kPatchRecordSize).checksumOk());

    message[273] ^= 0x01;
    const UnpackResult bad = unpackBlock(message, kPatchRecordSize);
    EXPECT_EQ(bad.status, UnpackStatus::BadChecksum);
    EXPECT_EQ(bad.block[3], 0x55); // the data is there all the same

    // Cut before the checksum byte: nothing is unpacked.
    const Bytes cut(message.begin(), message.begin() + 273);
    EXPECT_EQ(unpackBlock(cut, kPatchRecordSize).status, UnpackStatus::TooShort);
    PatchRecord untouched{};
    untouched.fill(0xAA);
    EXPECT_EQ(unpackBlock(cut, untouched), UnpackStatus::TooShort);
    EXPECT_EQ(untouched[0], 0xAA);
    // Cut before the final byte: still complete enough.
    const Bytes noEnd(message.begin(), message.begin() + 274);
    EXPECT_NE(unpackBlock(noEnd, kPatchRecordSize).status, UnpackStatus::TooShort);
}

TEST(Unpacker, NibblesAreNotCheckedAndWrapModulo256)
{
    EXPECT_EQ(nibbleUnpack(0x0F, 0x0F), 0xFF);
    EXPECT_EQ(nibbleUnpack(0x7F, 0x7F), (0x7F * 16 + 0x7F) % 256);
    EXPECT_EQ(nibbleUnpack(0x10, 0x00), 0x10);
}

TEST(Dumps, AreToldApartByTotalLengthAlone)
{
    EXPECT_EQ(classifyDump(479), DumpKind::Master6);
    for (std::size_t n : {0u, 274u, 276u, 350u, 27500u})
        EXPECT_EQ(classifyDump(n), DumpKind::Other) << n;
}

TEST(Scanner, FindsMessagesAndTellsOfInterruptions)
{
    const Bytes data = {0x00, 0xF0, 0x10, 0xF7,  // stray, then a whole message
                        0xF0, 0x01, 0x02,        // cut by the next F0
                        0xF0, 0x05, 0x90, 0x11,  // cut by a note on; 2 strays
                        0xF7, 0xF0, 0x10, 0x06}; // a stray F7, then cut by the end
    const SysexScan scan = scanSysex(data);
    ASSERT_EQ(scan.messages.size(), 4u);
    EXPECT_EQ(scan.messages[0].offset, 1u);
    EXPECT_EQ(scan.messages[0].length, 3u);
    EXPECT_TRUE(scan.messages[0].complete);
    EXPECT_EQ(scan.messages[1].offset, 4u);
    EXPECT_EQ(scan.messages[1].length, 3u);
    EXPECT_FALSE(scan.messages[1].complete);
    EXPECT_EQ(scan.messages[2].length, 2u);
    EXPECT_FALSE(scan.messages[2].complete);
    EXPECT_EQ(scan.messages[3].offset, 12u);
    EXPECT_EQ(scan.messages[3].length, 3u);
    EXPECT_FALSE(scan.messages[3].complete);
    EXPECT_EQ(scan.strayBytes, 4u); // 00, 90, 11, F7

    EXPECT_TRUE(scanSysex(Bytes{}).messages.empty());
}
