// velmora-syx as a user meets it: files on disk in, text, JSON, files and
// exit codes out.
#include "DemoPatches.h"
#include "Messages.h"
#include "SyxCommand.h"
#include "SyxFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace velmora;
using namespace velmora::syx;
namespace fs = std::filesystem;

namespace {

class SyxTool : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        return dir_.Write(name, bytes);
    }
    Bytes Read(const std::string& name) { return dir_.Read(name); }
    std::string Path(const std::string& name) { return dir_.Path(name); }

    int Run(std::vector<std::string> args)
    {
        out_.str({});
        err_.str({});
        return RunSyx(args, out_, err_);
    }
    std::string Out() const { return out_.str(); }
    std::string Err() const { return err_.str(); }
    int ErrLines() const
    {
        const std::string e = Err();
        return int(std::count(e.begin(), e.end(), '\n'));
    }

    Bytes DemoBankSysex()
    {
        const Bytes raw = demo::DemoRawBank();
        return RawBankToSysex(std::span<const Byte, kRawBankSize>(raw.data(), raw.size()));
    }

    test::TempDir dir_;
    std::ostringstream out_, err_;
};

} // namespace

TEST_F(SyxTool, InfoListsABankOfHundredGoodPatches)
{
    const std::string bank = Write("bank.syx", DemoBankSysex());
    ASSERT_EQ(Run({"info", bank}), kExitOk) << Err();
    EXPECT_EQ(Err(), "");
    EXPECT_NE(Out().find("100 messages: 100 patch, 0 split"), std::string::npos) << Out();
    EXPECT_NE(Out().find("all checksums good"), std::string::npos);
    EXPECT_NE(Out().find("\"DEMO 099\"    checksum ok"), std::string::npos) << Out();

    ASSERT_EQ(Run({"info", "--json", bank}), kExitOk);
    EXPECT_NE(Out().find("\"patches\":100"), std::string::npos);
    EXPECT_NE(Out().find("\"checksum_errors\":0"), std::string::npos);
    EXPECT_NE(Out().find("{\"index\":99,\"offset\":27225,\"length\":275,\"complete\":true,"
                         "\"kind\":\"patch\",\"opcode\":1,\"number\":99,\"name\":\"DEMO 099\","
                         "\"checksum_ok\":true}"),
              std::string::npos)
        << Out();
}

TEST_F(SyxTool, InfoTellsEveryKindAndOddNames)
{
    PatchRecord odd{};
    const Byte name[] = {0x01, 'A', 0x1F, ' ', 0x7F, 0xFF, '\\', '"'};
    std::copy(std::begin(name), std::end(name), odd.begin());
    Bytes file = PatchToEditBuffer(odd);
    const Bytes split = SplitData(7, SplitRecord{'L', 'E', 'F', 'T', ' ', ' '});
    file.insert(file.end(), split.begin(), split.end());
    Bytes global(kGlobal1000MessageSize, 0);
    global[0] = 0xF0;
    global.back() = 0xF7;
    file.insert(file.end(), global.begin(), global.end());
    const Bytes request = Request(RequestType::Global);
    file.insert(file.end(), request.begin(), request.end());

    const std::string path = Write("mixed.syx", file);
    ASSERT_EQ(Run({"info", path}), kExitOk) << Err();
    EXPECT_NE(Out().find("\"\\x01A\\x1F \\x7F\\xFF\\x5C\"\"  checksum ok"), std::string::npos)
        << Out();
    EXPECT_NE(Out().find("\"LEFT  \""), std::string::npos);
    EXPECT_NE(Out().find("4 messages: 1 patch, 1 split, 1 Matrix-1000 global, 0 Matrix-6 master, "
                         "1 other"),
              std::string::npos)
        << Out();

    ASSERT_EQ(Run({"info", "--matrix6", path}), kExitOk);
    EXPECT_NE(Out().find("\"AA_ \\x7F\\xFF\\x5C\"\""), std::string::npos) << Out();
    ASSERT_EQ(Run({"info", "--json", path}), kExitOk);
    EXPECT_NE(Out().find("\"name\":\"\\u0001A\\u001f \\u007f\\u00ff\\\\\\\"\""), std::string::npos)
        << Out();
}

TEST_F(SyxTool, BadInputGetsOneLineAndANonZeroExit)
{
    Bytes bank = DemoBankSysex();
    bank[275 * 3 + 273] ^= 0x01;
    const std::string badChecksum = Write("bad.syx", bank);
    const std::string truncated = Write("cut.syx", Bytes(bank.begin(), bank.begin() + 400));
    const std::string garbage = Write("garbage.syx", Bytes{'h', 'e', 'l', 'l', 'o', 0x00, 0x7F});
    const std::string empty = Write("empty.syx", {});

    EXPECT_EQ(Run({"info", badChecksum}), kExitBadData);
    EXPECT_EQ(Err(),
              badChecksum + ": 1 message fails its checksum (first: message 3 at byte 825)\n");
    EXPECT_NE(Out().find("1 checksum error"), std::string::npos);

    EXPECT_EQ(Run({"info", truncated}), kExitBadData);
    EXPECT_EQ(Err(),
              truncated + ": 1 message is cut short (no F7) (first: message 1 at byte 275)\n");

    for (const std::string& file : {garbage, empty}) {
        EXPECT_EQ(Run({"info", file}), kExitBadData);
        EXPECT_EQ(Err(), file + ": holds no SysEx message\n");
    }

    EXPECT_EQ(Run({"info", Path("missing.syx")}), kExitBadData);
    EXPECT_EQ(ErrLines(), 1);
    EXPECT_NE(Err().find("cannot be opened"), std::string::npos) << Err();
    EXPECT_EQ(Run({"info", dir_.Dir().string()}), kExitBadData);
    EXPECT_NE(Err().find("is a folder"), std::string::npos);

    // Several files: each one is reported, the good one fully.
    const std::string good = Write("good.syx", DemoBankSysex());
    EXPECT_EQ(Run({"info", good, badChecksum, Path("missing.syx")}), kExitBadData);
    EXPECT_EQ(ErrLines(), 2);
    EXPECT_NE(Out().find(good + ": 100 messages"), std::string::npos);

    EXPECT_EQ(Run({"show", garbage}), kExitBadData);
    EXPECT_EQ(Err(), garbage + ": holds no SysEx message\n");
    EXPECT_EQ(Run({"show", "--index", "100", good}), kExitBadData);
    EXPECT_EQ(Err(), good + ": holds 100 patch messages; there is no patch 100\n");
    EXPECT_EQ(Run({"show", badChecksum, "--index", "3"}), kExitBadData);
    EXPECT_EQ(ErrLines(), 1);
    EXPECT_NE(Out().find("DCO 1 Frequency"), std::string::npos); // shown all the same

    EXPECT_EQ(Run({}), kExitUsage);
    EXPECT_EQ(Run({"frobnicate"}), kExitUsage);
    EXPECT_EQ(Run({"show", "--index"}), kExitUsage);
    EXPECT_EQ(Run({"show", "--index", "-3", good}), kExitUsage);
    EXPECT_EQ(Run({"info", "--bogus", good}), kExitUsage);
}

TEST_F(SyxTool, ShowDecodesEveryField)
{
    PatchBuffer p = demo::DemoPatch(5);
    p[8] = 3;                 // keyboard mode: rero
    p[19] = SignedToByte(-7); // detune
    p[38] = 6;                // LFO 1 waveform: sampled
    p[86] = SignedToByte(-63);
    p[104] = 1; // bus 1: envelope 1 -> VCF frequency, -20
    p[105] = SignedToByte(-20);
    p[106] = 9;
    p[107] = 0; // bus 2 off
    p[kPatchRecordSize] = 0xA5;
    const std::string vmp = Write("one.vmp", Bytes(p.begin(), p.end()));

    ASSERT_EQ(Run({"show", vmp}), kExitOk) << Err();
    const std::string out = Out();
    for (const char* line :
         {"Name                                  \"DEMO 005\"\n",
          "Keyboard Mode                         Rero\n",
          "DCO 2 Detune                          -7\n",
          "LFO 1 Waveform                        Sampled\n",
          "DCO 1 Frequency by LFO 1              -63\n",
          "Bus 1                                 Envelope 1 -> VCF Frequency, amount -20\n",
          "Bus 2                                 off (",
          "Carried byte                          165\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;

    ASSERT_EQ(Run({"show", "--json", vmp}), kExitOk);
    EXPECT_NE(Out().find("{\"offset\":19,\"parameter\":12,\"name\":\"DCO 2 Detune\",\"byte\":249,"
                         "\"signed\":-7,\"text\":\"-7\"}"),
              std::string::npos)
        << Out();
    EXPECT_NE(
        Out().find("{\"bus\":1,\"on\":true,\"source\":1,\"source_text\":\"Envelope 1\","
                   "\"amount\":-20,\"destination\":9,\"destination_text\":\"VCF Frequency\"}"),
        std::string::npos);

    // The same patch as entry 42 of a SysEx bank: number and checksum are shown.
    Bytes raw = demo::DemoRawBank();
    std::copy(p.begin(), p.end(), raw.begin() + 42 * 135);
    const std::string syx = Write(
        "bank.syx", RawBankToSysex(std::span<const Byte, kRawBankSize>(raw.data(), raw.size())));
    ASSERT_EQ(Run({"show", "--index", "42", syx}), kExitOk);
    EXPECT_NE(Out().find("patch 42 (number 42), checksum ok"), std::string::npos);
    EXPECT_EQ(Out().find("Carried byte"), std::string::npos);
}

TEST_F(SyxTool, ConvertRoundTripsRawAndSysexByteForByte)
{
    Bytes raw = demo::DemoRawBank();
    raw[17 * 135 + 0] = 0x03;  // odd name byte
    raw[17 * 135 + 26] = 0xFF; // out-of-range cutoff
    const std::string vmb = Write("bank.vmb", raw);

    ASSERT_EQ(Run({"convert", vmb, Path("bank.syx")}), kExitOk) << Err();
    const Bytes syx = Read("bank.syx");
    ASSERT_EQ(syx.size(), 27500u);
    for (int k = 0; k < 100; ++k) {
        ASSERT_EQ(syx[275 * k + 4], k);
        ASSERT_LT(syx[275 * k + 273], 0x80);
    }
    ASSERT_EQ(Run({"info", Path("bank.syx")}), kExitOk);

    ASSERT_EQ(Run({"convert", Path("bank.syx"), Path("back.vmb")}), kExitOk) << Err();
    Bytes expected = raw;
    for (int k = 0; k < 100; ++k)
        expected[135 * k + 134] = 0; // no message carries the 135th byte
    EXPECT_EQ(Read("back.vmb"), expected);

    ASSERT_EQ(Run({"convert", "--index", "17", Path("bank.syx"), Path("p.vmp")}), kExitOk);
    EXPECT_EQ(Read("p.vmp"), Bytes(expected.begin() + 17 * 135, expected.begin() + 18 * 135));
    ASSERT_EQ(Run({"convert", "--number", "42", Path("p.vmp"), Path("p.syx")}), kExitOk);
    Bytes single(syx.begin() + 17 * 275, syx.begin() + 18 * 275);
    single[4] = 42;
    EXPECT_EQ(Read("p.syx"), single);
}

TEST_F(SyxTool, ConvertRefusesBadInputAndKeepsTheTarget)
{
    const Bytes keep = {1, 2, 3};
    Write("target.vmb", keep);
    Bytes bank = DemoBankSysex();
    bank[275 * 50 + 273] ^= 0x01;
    const std::string bad = Write("bad.syx", bank);
    const Bytes good = DemoBankSysex();
    const std::string short_ = Write("short.syx", Bytes(good.begin(), good.begin() + 275 * 99));

    EXPECT_EQ(Run({"convert", bad, Path("target.vmb")}), kExitBadData);
    EXPECT_NE(Err().find("patch message 50 at byte 13750 fails its checksum"), std::string::npos)
        << Err();
    EXPECT_EQ(ErrLines(), 1);
    EXPECT_EQ(Read("target.vmb"), keep);

    EXPECT_EQ(Run({"convert", short_, Path("target.vmb")}), kExitBadData);
    EXPECT_NE(Err().find("holds 99 patch messages; a bank needs 100"), std::string::npos);
    EXPECT_EQ(Read("target.vmb"), keep);

    EXPECT_EQ(Run({"convert", "--ignore-checksum", bad, Path("target.vmb")}), kExitOk);
    EXPECT_EQ(Read("target.vmb").size(), 13500u);

    const std::string wrongSize = Write("wrong.vmp", Bytes(100, 0));
    EXPECT_EQ(Run({"convert", wrongSize, Path("x.syx")}), kExitBadData);
    EXPECT_NE(Err().find("is 100 bytes; a raw patch file is 135 bytes"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("x.syx")));

    EXPECT_EQ(Run({"convert", Path("a.syx"), Path("b.syx")}), kExitUsage);
    EXPECT_EQ(Run({"convert", "--number", "100", Path("target.vmb"), Path("b.syx")}), kExitUsage);
    EXPECT_EQ(Run({"convert", Path("target.vmb"), (dir_.Dir() / "no" / "such" / "b.syx").string()}),
              kExitBadData);
    EXPECT_NE(Err().find("cannot be written"), std::string::npos) << Err();
}

TEST_F(SyxTool, TheLibrarianFormatsAreListedTakenApartAndAssembled)
{
    Bytes raw = demo::DemoRawBank();
    raw.resize(raw.size() + 20, 0xEE); // a longer raw file uses its first bytes
    const std::string vmb = Write("bank.vmb", raw);
    ASSERT_EQ(Run({"info", vmb}), kExitOk) << Err();
    EXPECT_NE(Out().find("    42    5670  \"DEMO 042\"         42\n"), std::string::npos) << Out();
    EXPECT_NE(Out().find("bank.vmb: raw bank file, 100 patches; 20 bytes after them are not used"),
              std::string::npos);
    const Bytes entry(raw.begin() + 42 * 135, raw.begin() + 43 * 135);
    const std::string vmp = Write("p.vmp", entry);
    ASSERT_EQ(Run({"info", "--json", vmp}), kExitOk);
    EXPECT_NE(Out().find("\"format\":\"raw patch\",\"size\":135,\"entries\":[{\"index\":0,"
                         "\"offset\":0,\"name\":\"DEMO 042\",\"carried_byte\":42}]"),
              std::string::npos)
        << Out();
    EXPECT_EQ(Run({"info", Write("cut.vmp", Bytes(100, 0))}), kExitBadData);
    EXPECT_EQ(Err(), Path("cut.vmp") + ": is 100 bytes; a raw patch file is 135 bytes\n");

    // One patch out of a bank, raw or SysEx; a SysEx message is taken as it stands.
    ASSERT_EQ(Run({"convert", "--index", "42", vmb, Path("42.vmp")}), kExitOk) << Err();
    EXPECT_EQ(Read("42.vmp"), entry);
    ASSERT_EQ(Run({"convert", "--index", "42", vmb, Path("42.syx")}), kExitOk) << Err();
    const Bytes message = Read("42.syx");
    EXPECT_EQ(message, RawPatchToSysex(std::span<const Byte, 135>(entry.data(), 135), 42));
    const std::string syx = Write("bank.syx", DemoBankSysex());
    ASSERT_EQ(Run({"convert", "--index", "42", "--number", "7", syx, Path("7.syx")}), kExitOk);
    Bytes seven = message;
    seven[4] = 7;
    EXPECT_EQ(Read("7.syx"), seven);

    // Patches of several files, in order, make a bank; the rest stays empty.
    ASSERT_EQ(Run({"convert", vmp, Path("7.syx"), Path("two.vmb")}), kExitOk) << Err();
    EXPECT_NE(Out().find("(13500 bytes, 2 patches)"), std::string::npos) << Out();
    Bytes expected(13500, 0);
    std::copy(entry.begin(), entry.end(), expected.begin());
    std::copy(entry.begin(), entry.end() - 1, expected.begin() + 135); // no carried byte
    EXPECT_EQ(Read("two.vmb"), expected);
    ASSERT_EQ(Run({"convert", "--assemble", Path("two.vmb"), Path("two.syx")}), kExitOk);
    EXPECT_EQ(Read("two.syx"), RawBankToSysex(expected));

    EXPECT_EQ(Run({"convert", vmp, vmp, vmb, Path("over.syx")}), kExitBadData);
    EXPECT_NE(Err().find("the inputs hold 102 patches; a bank holds 100"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("over.syx")));
    EXPECT_EQ(Run({"convert", "--assemble", vmp, Path("x.vmp")}), kExitUsage);
    EXPECT_EQ(Run({"convert", "--assemble", "--index", "1", vmp, Path("x.vmb")}), kExitUsage);
}
