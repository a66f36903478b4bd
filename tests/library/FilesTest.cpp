// The librarian's file formats without a window: bytes written, read back and
// compared, the name rules, and the files that are too short or too long.
#include "DemoPatches.h"
#include "SysexCodec.h"
#include "SysexFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace velmora;
using namespace velmora::library;
using Bytes = std::vector<Byte>;

namespace {

// A patch as the instrument or another tool may leave it: name bytes outside
// the name set (zero, control, high) and values outside every control's range.
PatchBuffer UntidyPatch(std::uint32_t seed)
{
    PatchBuffer p = demo::DemoPatch(seed);
    const Byte name[] = {0x00, 'a', 0x1F, 0x7F, 0xFF, '#', 0x00, 0x80};
    std::copy(std::begin(name), std::end(name), p.begin());
    p[26] = 0xFF; // filter cutoff beyond 127
    p[40] = 0x80;
    p[133] = 0xC3;
    return p;
}

Bank UntidyBank()
{
    Bank bank{};
    for (std::size_t k = 0; k < bank.size(); ++k)
        bank[k] = UntidyPatch(static_cast<std::uint32_t>(k));
    return bank;
}

template <typename T> const T& Value(const Loaded<T>& loaded)
{
    if (const auto* error = std::get_if<std::string>(&loaded))
        ADD_FAILURE() << *error;
    return std::get<T>(loaded);
}

template <typename T> std::string Error(const Loaded<T>& loaded)
{
    const auto* error = std::get_if<std::string>(&loaded);
    return error ? *error : "(loaded)";
}

} // namespace

TEST(SysexFiles, EveryFormatIsWrittenAndReadBackByteForByte)
{
    test::TempDir dir;
    const PatchBuffer patch = UntidyPatch(7);
    const Bytes patchBytes = PatchSysex(RecordOf(patch), 42);
    ASSERT_EQ(patchBytes.size(), kPatchSysexSize);
    ASSERT_FALSE(WriteFileAtomically(dir.Path("p.syx"), patchBytes));
    EXPECT_EQ(dir.Read("p.syx"), patchBytes);
    const PatchRecord record = Value(ReadPatchSysex(dir.Path("p.syx")));
    EXPECT_TRUE(std::equal(record.begin(), record.end(), patch.begin()));
    EXPECT_EQ(PatchSysex(record, 42), patchBytes);

    const Bank bank = UntidyBank();
    const Bytes bankBytes = BankSysex(bank);
    ASSERT_EQ(bankBytes.size(), kBankSysexSize);
    ASSERT_FALSE(WriteFileAtomically(dir.Path("b.syx"), bankBytes));
    const BankRecords records = Value(ReadBankSysex(dir.Path("b.syx")));
    Bank back{};
    for (std::size_t k = 0; k < kBankPatchCount; ++k) {
        std::copy(records[k].begin(), records[k].end(), back[k].begin());
        back[k][kPatchRecordSize] = bank[k][kPatchRecordSize];
        // Message k carries k, and every checksum is a data byte.
        EXPECT_EQ(bankBytes[k * 275 + 4], k);
        EXPECT_LT(bankBytes[k * 275 + 273], 0x80);
    }
    EXPECT_EQ(back, bank);
    EXPECT_EQ(BankSysex(back), bankBytes);

    const SplitRecord split = {'S', 0x00, 0xFF, 'L', 'I', 'T', 1, 2, 3, 0x7F, 0x80, 0xFE};
    const Bytes splitBytes = SplitSysex(split, 49);
    ASSERT_EQ(splitBytes.size(), kSplitSysexSize);
    EXPECT_EQ((Bytes{splitBytes.begin(), splitBytes.begin() + 5}),
              (Bytes{0xF0, 0x10, 0x06, 0x02, 49}));
    EXPECT_LT(splitBytes[41], 0x80);
    ASSERT_FALSE(WriteFileAtomically(dir.Path("s.syx"), splitBytes));
    EXPECT_EQ(Value(ReadSplitSysex(dir.Path("s.syx"))), split);

    // The raw formats are read as they stand, the 135th byte with them.
    dir.Write("p.vmp", Bytes(patch.begin(), patch.end()));
    EXPECT_EQ(Value(ReadPatchFile(dir.Path("p.vmp"))), patch);
    Bytes raw;
    for (const PatchBuffer& entry : bank)
        raw.insert(raw.end(), entry.begin(), entry.end());
    dir.Write("b.vmb", raw);
    EXPECT_EQ(Value(ReadBankFile(dir.Path("b.vmb"))), bank);
}

TEST(SysexFiles, PatchNumberAndNameRules)
{
    const PatchRecord record{};
    EXPECT_EQ(PatchSysex(record, 150)[4], 50);
    EXPECT_EQ(PatchSysex(record, 42)[4], 42);
    EXPECT_EQ(PatchSysex(record, 100)[4], 0);
    EXPECT_EQ(PatchSysex(record, -1)[4], 0);

    EXPECT_EQ(WithSyxExtension("lead.SYX"), "lead.SYX.syx");
    EXPECT_EQ(WithSyxExtension("/home/a/lead"), "/home/a/lead.syx");
    EXPECT_EQ(WithSyxExtension("lead.syx.old"), "lead.syx.old");
    EXPECT_EQ(FolderPart("/home/a/lead.syx"), "/home/a/");
    EXPECT_EQ(FilePart("/home/a/lead.syx"), "lead.syx");
    EXPECT_EQ(FolderPart("lead.syx"), "");
    EXPECT_EQ(FilePart("lead.syx"), "lead.syx");
}

TEST(SysexFiles, LongerFilesUseTheirFirstBytesAndNothingIsChecked)
{
    test::TempDir dir;
    const PatchBuffer patch = UntidyPatch(3);
    Bytes bytes = PatchSysex(RecordOf(patch), 0);
    bytes[0] = 0x00;   // no F0
    bytes[3] = 0x0D;   // another opcode
    bytes[273] ^= 1;   // wrong checksum
    bytes[274] = 0x12; // no F7
    bytes.resize(300, 0xEE);
    const PatchRecord record = Value(ReadPatchSysex(dir.Write("long.syx", bytes)));
    EXPECT_TRUE(std::equal(record.begin(), record.end(), patch.begin()));

    // A capture of a whole request-all answer: the bank, then 50 splits and
    // the global dump. The first 27,500 bytes are the bank.
    const Bank bank = UntidyBank();
    Bytes capture = BankSysex(bank);
    for (int s = 0; s < 50; ++s) {
        const Bytes split = SplitSysex(SplitRecord{}, s);
        capture.insert(capture.end(), split.begin(), split.end());
    }
    capture.insert(capture.end(), kGlobal1000MessageSize, 0x01);
    const BankRecords records = Value(ReadBankSysex(dir.Write("all.syx", capture)));
    for (std::size_t k = 0; k < kBankPatchCount; ++k)
        EXPECT_TRUE(std::equal(records[k].begin(), records[k].end(), bank[k].begin())) << k;

    // Pairs whose halves are above 15 decode modulo 256, as the instrument does.
    Bytes odd = PatchSysex(PatchRecord{}, 0);
    odd[5] = 0x13;
    odd[6] = 0x7F;
    EXPECT_EQ(Value(DecodePatchSysex(odd, "odd.syx"))[0], Byte(0x7F * 16 + 0x13));
}

TEST(SysexFiles, ShortOrMissingFilesAreRefusedWithAPlainMessage)
{
    test::TempDir dir;
    EXPECT_EQ(Error(ReadPatchSysex(dir.Write("cut.syx", Bytes(120, 0)))),
              "cut.syx is too short for a patch SysEx file: 275 bytes expected, 120 found.");
    EXPECT_EQ(Error(ReadBankSysex(dir.Write("bank.syx", Bytes(27499, 0)))),
              "bank.syx is too short for a bank SysEx file: 27500 bytes expected, 27499 found.");
    EXPECT_EQ(Error(ReadSplitSysex(dir.Write("s.syx", Bytes{}))),
              "s.syx is too short for a split SysEx file: 43 bytes expected, 0 found.");
    EXPECT_EQ(Error(ReadPatchFile(dir.Write("p.vmp", Bytes(134, 0)))),
              "p.vmp is too short for a Velmora patch file (.vmp): 135 bytes expected, 134 found.");
    EXPECT_EQ(Error(ReadBankFile(dir.Write("b.vmb", Bytes(13499, 0)))),
              "b.vmb is too short for a Velmora bank file (.vmb): 13500 bytes expected, 13499 "
              "found.");
    EXPECT_EQ(Error(ReadPatchSysex(dir.Path("none.syx"))),
              "Cannot open none.syx: No such file or directory.");
    EXPECT_EQ(Error(ReadBankFile(dir.Dir())).find("Cannot open"), 0u);
}
