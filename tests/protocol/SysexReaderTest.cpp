// Files as instruments and other tools write them: captures with the bank
// select and the request before the answer, the instrument's dummy splits and
// global record, other makers' messages, noise, and .mid collections.
#include "protocol/SysexReader.h"
#include "protocol/Messages.h"
#include "protocol/MidiFile.h"
#include "support/DemoPatches.h"
#include "support/MidiFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace velmora {
namespace {

using Bytes = std::vector<Byte>;

void append(Bytes& out, const Bytes& message)
{
    out.insert(out.end(), message.begin(), message.end());
}

// Patch n of bank `bank` as a Matrix-1000 answers "request all": its name
// field carries "BNKb: nn".
Bytes answerPatch(int bank, int n)
{
    PatchBuffer patch = demo::demoPatch(static_cast<std::uint32_t>(bank * 100 + n));
    const std::string name =
        "BNK" + std::to_string(bank) + ": " + (n < 10 ? "0" : "") + std::to_string(n);
    std::copy(name.begin(), name.end(), patch.begin());
    return patchToMemory(static_cast<Byte>(n), recordOf(patch));
}

// What a capture of a Matrix-1000 bank download holds: the bank select and
// the request that asked, 100 patches, 80 dummy splits, the global record
// (plain checksum, as the unit sends it) and a message of another maker.
Bytes requestAllCapture(int bank, Bytes* global = nullptr)
{
    Bytes file = bankSelect(static_cast<Byte>(bank));
    append(file, request(RequestType::All));
    for (int n = 0; n < 100; ++n)
        append(file, answerPatch(bank, n));
    const SplitRecord dummy{};
    for (int n = 0; n < 80; ++n)
        append(file, splitData(static_cast<Byte>(n), dummy));
    std::array<Byte, kGlobal1000Size> record{};
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<Byte>(i * 7);
    const Bytes g = blockMessage(opcode::masterData, 3, record);
    if (global != nullptr)
        *global = g;
    append(file, g);
    append(file, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}); // another maker
    return file;
}

TEST(SysexReader, RequestAllCaptureReadsAsBankSplitsAndGlobal)
{
    Bytes global;
    const Bytes file = requestAllCapture(1, &global);
    const SysexContents contents = readSysex(file);
    ASSERT_EQ(contents.patches.size(), 100u);
    EXPECT_EQ(contents.splits.size(), 80u);
    ASSERT_TRUE(contents.global.has_value());
    EXPECT_EQ(contents.global->kind, SysexKind::Global1000);
    EXPECT_EQ(contents.badChecksums(), 0u);
    // The bank select, the request and the other maker's message are skipped.
    EXPECT_EQ(contents.otherMessages, 3u);
    EXPECT_EQ(contents.skippedText(), "3 other messages");
    // Every message is taken byte for byte as it stands.
    const Bytes patch37 = answerPatch(1, 37);
    const auto bytes = contents.patches[37].bytes(file);
    EXPECT_TRUE(std::ranges::equal(bytes, patch37));
    EXPECT_TRUE(std::ranges::equal(contents.global->bytes(file), global));
    const auto placement = contents.placement();
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ((*placement)[37], 37);
}

TEST(SysexReader, PatchesGoByTheirNumbersOnlyWhenTheyFit)
{
    Bytes file;
    append(file, answerPatch(0, 12));
    append(file, answerPatch(0, 3));
    EXPECT_EQ(readSysex(file).placement(), (std::vector<int>{12, 3}));
    append(file, answerPatch(0, 3)); // a number twice: file order
    EXPECT_FALSE(readSysex(file).placement().has_value());
    EXPECT_FALSE(readSysex(answerPatch(0, 99)).placement(50).has_value());
}

TEST(SysexReader, GarbageOfBankLengthHoldsNoPatch)
{
    Bytes noise(kBankSysexSize);
    std::mt19937 random(7);
    for (Byte& b : noise)
        b = static_cast<Byte>(random() & 0xFF);
    const SysexContents contents = readSysex(noise);
    EXPECT_TRUE(contents.patches.empty());
    EXPECT_GT(contents.strayBytes, 0u);
    EXPECT_FALSE(contents.skippedText().empty());
}

TEST(SysexReader, BadChecksumsAndCutMessagesAreCountedNotDropped)
{
    Bytes file = answerPatch(0, 5);
    file[100] ^= 0x01; // a data nibble, so the checksum no longer fits
    Bytes cut = answerPatch(0, 6);
    cut.resize(120);
    append(file, cut);
    append(file, answerPatch(0, 7));
    const SysexContents contents = readSysex(file);
    ASSERT_EQ(contents.patches.size(), 2u);
    EXPECT_EQ(contents.patches[0].checksum, UnpackStatus::BadChecksum);
    EXPECT_EQ(contents.badChecksums(), 1u);
    EXPECT_EQ(contents.cutShort, 1u);
    EXPECT_EQ(contents.skippedText(), "1 message cut short");
}

TEST(Unpacker, GlobalChecksumFitsEitherRule)
{
    // The instruments send the plain sum; files from older tools carry the
    // end-around-carry sum. A record whose bytes sum past 255 tells them apart.
    std::array<Byte, kGlobal1000Size> record{};
    record.fill(0x7F);
    Bytes plain = blockMessage(opcode::masterData, 3, record);
    std::array<Byte, kGlobal1000Size> block{};
    EXPECT_EQ(unpackBlock(plain, block, ChecksumRule::Global), UnpackStatus::Ok);
    Bytes carried = plain;
    carried[carried.size() - 2] = globalChecksum(record);
    ASSERT_NE(carried, plain);
    EXPECT_EQ(unpackBlock(carried, block, ChecksumRule::Global), UnpackStatus::Ok);
    EXPECT_EQ(unpackBlock(carried, block, ChecksumRule::Dump), UnpackStatus::BadChecksum);
    carried[carried.size() - 2] ^= 0x40;
    EXPECT_EQ(unpackBlock(carried, block, ChecksumRule::Global), UnpackStatus::BadChecksum);
}

TEST(MidiFile, CarriesTheSameMessagesAsTheSysexFile)
{
    Bytes syx;
    for (int n = 0; n < 100; ++n)
        append(syx, answerPatch(0, n));
    for (const int format : {0, 1})
        for (const bool packets : {false, true}) {
            const Bytes mid = test::midiFileOf(syx, format, packets);
            ASSERT_TRUE(isMidiFile(mid));
            const MidiFileSysex read = sysexFromMidiFile(mid);
            ASSERT_TRUE(read.ok()) << read.error;
            EXPECT_EQ(read.messages, syx) << "format " << format << (packets ? ", packets" : "");
        }
}

TEST(MidiFile, CutShortOrForeignFilesSayWhy)
{
    Bytes syx;
    for (int n = 0; n < 3; ++n)
        append(syx, answerPatch(0, n));
    Bytes mid = test::midiFileOf(syx, 0, false);
    mid.resize(mid.size() - 100); // the end of the last patch and of the track are gone
    const MidiFileSysex cut = sysexFromMidiFile(mid);
    EXPECT_TRUE(cut.ok());
    EXPECT_EQ(readSysex(cut.messages).patches.size(), 2u);

    EXPECT_FALSE(sysexFromMidiFile(syx).ok());
    Bytes format2 = test::midiFileOf(syx, 0, false);
    format2[9] = 2;
    EXPECT_EQ(sysexFromMidiFile(format2).error,
              "is a MIDI file of format 2, which holds no SysEx collection");
    const Bytes header{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01};
    EXPECT_FALSE(sysexFromMidiFile(header).ok());
}

} // namespace
} // namespace velmora
