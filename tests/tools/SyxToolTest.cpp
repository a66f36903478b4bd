// velmora-syx as a user meets it: files on disk in, text, JSON, files and
// exit codes out.
#include "protocol/Messages.h"
#include "support/DemoPatches.h"
#include "support/MidiFiles.h"
#include "support/TempDir.h"
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxFiles.h"

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
    std::string write(const std::string& name, const Bytes& bytes)
    {
        return dir_.write(name, bytes);
    }
    Bytes read(const std::string& name) { return dir_.read(name); }
    std::string path(const std::string& name) { return dir_.path(name); }

    int run(std::vector<std::string> args)
    {
        out_.str({});
        err_.str({});
        return runSyx(args, out_, err_);
    }
    std::string out() const { return out_.str(); }
    std::string err() const { return err_.str(); }
    int errLines() const
    {
        const std::string e = err();
        return int(std::count(e.begin(), e.end(), '\n'));
    }

    Bytes demoBankSysex()
    {
        const Bytes raw = demo::demoRawBank();
        return rawBankToSysex(std::span<const Byte, kRawBankSize>(raw.data(), raw.size()));
    }

    test::TempDir dir_;
    std::ostringstream out_, err_;
};

} // namespace

TEST_F(SyxTool, InfoListsABankOfHundredGoodPatches)
{
    const std::string bank = write("bank.syx", demoBankSysex());
    ASSERT_EQ(run({"info", bank}), kExitOk) << err();
    EXPECT_EQ(err(), "");
    EXPECT_NE(out().find("100 messages: 100 patch, 0 split"), std::string::npos) << out();
    EXPECT_NE(out().find("all checksums good"), std::string::npos);
    EXPECT_NE(out().find("\"DEMO 099\"    checksum ok"), std::string::npos) << out();

    ASSERT_EQ(run({"info", "--json", bank}), kExitOk);
    EXPECT_NE(out().find("\"patches\":100"), std::string::npos);
    EXPECT_NE(out().find("\"checksum_errors\":0"), std::string::npos);
    EXPECT_NE(out().find("{\"index\":99,\"offset\":27225,\"length\":275,\"complete\":true,"
                         "\"kind\":\"patch\",\"opcode\":1,\"number\":99,\"name\":\"DEMO 099\","
                         "\"checksum_ok\":true}"),
              std::string::npos)
        << out();
}

TEST_F(SyxTool, MidiFilesAreReadForTheirSysex)
{
    // A collection passed around as .mid: its patches are those of the .syx.
    const Bytes syx = demoBankSysex();
    const std::string mid = write("bank.mid", test::midiFileOf(syx, 1, true));
    ASSERT_EQ(run({"info", mid}), kExitOk) << err();
    EXPECT_NE(out().find("100 messages: 100 patch, 0 split"), std::string::npos) << out();
    const std::string fromMid = dir_.path("from-mid.vmp");
    const std::string fromSyx = dir_.path("from-syx.vmp");
    ASSERT_EQ(run({"convert", "--index", "42", mid, fromMid}), kExitOk) << err();
    ASSERT_EQ(run({"convert", "--index", "42", write("bank.syx", syx), fromSyx}), kExitOk);
    EXPECT_EQ(dir_.read("from-mid.vmp"), dir_.read("from-syx.vmp"));

    // Not a MIDI file, or a .mid to write: one line, nothing written.
    const std::string fake = write("fake.mid", syx);
    EXPECT_EQ(run({"info", fake}), kExitBadData);
    EXPECT_EQ(err(), fake + ": is not a Standard MIDI File\n");
    EXPECT_EQ(run({"convert", "--assemble", fromSyx, dir_.path("out.mid")}), kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(dir_.path("out.mid")));
}

TEST_F(SyxTool, InfoTellsEveryKindAndOddNames)
{
    PatchRecord odd{};
    const Byte name[] = {0x01, 'A', 0x1F, ' ', 0x7F, 0xFF, '\\', '"'};
    std::copy(std::begin(name), std::end(name), odd.begin());
    Bytes file = patchToEditBuffer(odd);
    const Bytes split = splitData(7, SplitRecord{'L', 'E', 'F', 'T', ' ', ' '});
    file.insert(file.end(), split.begin(), split.end());
    Bytes global(kGlobal1000MessageSize, 0);
    global[0] = 0xF0;
    global.back() = 0xF7;
    file.insert(file.end(), global.begin(), global.end());
    const Bytes globalRequest = request(RequestType::Global);
    file.insert(file.end(), globalRequest.begin(), globalRequest.end());

    const std::string path = write("mixed.syx", file);
    ASSERT_EQ(run({"info", path}), kExitOk) << err();
    EXPECT_NE(out().find("\"\\x01A\\x1F \\x7F\\xFF\\x5C\"\"  checksum ok"), std::string::npos)
        << out();
    EXPECT_NE(out().find("\"LEFT  \""), std::string::npos);
    EXPECT_NE(out().find("4 messages: 1 patch, 1 split, 1 Matrix-1000 global, 0 Matrix-6 master, "
                         "1 other"),
              std::string::npos)
        << out();

    ASSERT_EQ(run({"info", "--matrix6", path}), kExitOk);
    EXPECT_NE(out().find("\"AA_ \\x7F\\xFF\\x5C\"\""), std::string::npos) << out();
    ASSERT_EQ(run({"info", "--json", path}), kExitOk);
    EXPECT_NE(out().find("\"name\":\"\\u0001A\\u001f \\u007f\\u00ff\\\\\\\"\""), std::string::npos)
        << out();
}

TEST_F(SyxTool, BadInputGetsOneLineAndANonZeroExit)
{
    Bytes bank = demoBankSysex();
    bank[275 * 3 + 273] ^= 0x01;
    const std::string badChecksum = write("bad.syx", bank);
    const std::string truncated = write("cut.syx", Bytes(bank.begin(), bank.begin() + 400));
    const std::string garbage = write("garbage.syx", Bytes{'h', 'e', 'l', 'l', 'o', 0x00, 0x7F});
    const std::string empty = write("empty.syx", {});

    EXPECT_EQ(run({"info", badChecksum}), kExitBadData);
    EXPECT_EQ(err(),
              badChecksum + ": 1 message fails its checksum (first: message 3 at byte 825)\n");
    EXPECT_NE(out().find("1 checksum error"), std::string::npos);

    EXPECT_EQ(run({"info", truncated}), kExitBadData);
    EXPECT_EQ(err(),
              truncated + ": 1 message is cut short (no F7) (first: message 1 at byte 275)\n");

    for (const std::string& file : {garbage, empty}) {
        EXPECT_EQ(run({"info", file}), kExitBadData);
        EXPECT_EQ(err(), file + ": holds no SysEx message\n");
    }

    EXPECT_EQ(run({"info", path("missing.syx")}), kExitBadData);
    EXPECT_EQ(errLines(), 1);
    EXPECT_NE(err().find("cannot be opened"), std::string::npos) << err();
    EXPECT_EQ(run({"info", dir_.dir().string()}), kExitBadData);
    EXPECT_NE(err().find("is a folder"), std::string::npos);

    // Several files: each one is reported, the good one fully.
    const std::string good = write("good.syx", demoBankSysex());
    EXPECT_EQ(run({"info", good, badChecksum, path("missing.syx")}), kExitBadData);
    EXPECT_EQ(errLines(), 2);
    EXPECT_NE(out().find(good + ": 100 messages"), std::string::npos);

    EXPECT_EQ(run({"show", garbage}), kExitBadData);
    EXPECT_EQ(err(), garbage + ": holds no SysEx message\n");
    EXPECT_EQ(run({"show", "--index", "100", good}), kExitBadData);
    EXPECT_EQ(err(), good + ": holds 100 patch messages; there is no patch 100\n");
    EXPECT_EQ(run({"show", badChecksum, "--index", "3"}), kExitBadData);
    EXPECT_EQ(errLines(), 1);
    EXPECT_NE(out().find("DCO 1 Frequency"), std::string::npos); // shown all the same

    EXPECT_EQ(run({}), kExitUsage);
    EXPECT_EQ(run({"frobnicate"}), kExitUsage);
    EXPECT_EQ(run({"show", "--index"}), kExitUsage);
    EXPECT_EQ(run({"show", "--index", "-3", good}), kExitUsage);
    EXPECT_EQ(run({"info", "--bogus", good}), kExitUsage);
}

TEST_F(SyxTool, ShowDecodesEveryField)
{
    PatchBuffer p = demo::demoPatch(5);
    p[8] = 3;                 // keyboard mode: rero
    p[19] = signedToByte(-7); // detune
    p[38] = 6;                // LFO 1 waveform: sampled
    p[86] = signedToByte(-63);
    p[104] = 1; // bus 1: envelope 1 -> VCF frequency, -20
    p[105] = signedToByte(-20);
    p[106] = 9;
    p[107] = 0; // bus 2 off
    p[kPatchRecordSize] = 0xA5;
    const std::string vmp = write("one.vmp", Bytes(p.begin(), p.end()));

    ASSERT_EQ(run({"show", vmp}), kExitOk) << err();
    const std::string shown = out();
    for (const char* line :
         {"Name                                  \"DEMO 005\"\n",
          "Keyboard Mode                         Rero\n",
          "DCO 2 Detune                          -7\n",
          "LFO 1 Waveform                        Sampled\n",
          "DCO 1 Frequency by LFO 1              -63\n",
          "Bus 1                                 Envelope 1 -> VCF Frequency, amount -20\n",
          "Bus 2                                 off (",
          "Carried byte                          165\n"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;

    ASSERT_EQ(run({"show", "--json", vmp}), kExitOk);
    EXPECT_NE(out().find("{\"offset\":19,\"parameter\":12,\"name\":\"DCO 2 Detune\",\"byte\":249,"
                         "\"signed\":-7,\"text\":\"-7\"}"),
              std::string::npos)
        << out();
    EXPECT_NE(
        out().find("{\"bus\":1,\"on\":true,\"source\":1,\"source_text\":\"Envelope 1\","
                   "\"amount\":-20,\"destination\":9,\"destination_text\":\"VCF Frequency\"}"),
        std::string::npos);

    // The same patch as entry 42 of a SysEx bank: number and checksum are shown.
    Bytes raw = demo::demoRawBank();
    std::copy(p.begin(), p.end(), raw.begin() + 42 * 135);
    const std::string syx = write(
        "bank.syx", rawBankToSysex(std::span<const Byte, kRawBankSize>(raw.data(), raw.size())));
    ASSERT_EQ(run({"show", "--index", "42", syx}), kExitOk);
    EXPECT_NE(out().find("patch 42 (number 42), checksum ok"), std::string::npos);
    EXPECT_EQ(out().find("Carried byte"), std::string::npos);
}

TEST_F(SyxTool, ConvertRoundTripsRawAndSysexByteForByte)
{
    Bytes raw = demo::demoRawBank();
    raw[17 * 135 + 0] = 0x03;  // odd name byte
    raw[17 * 135 + 26] = 0xFF; // out-of-range cutoff
    const std::string vmb = write("bank.vmb", raw);

    ASSERT_EQ(run({"convert", vmb, path("bank.syx")}), kExitOk) << err();
    const Bytes syx = read("bank.syx");
    ASSERT_EQ(syx.size(), 27500u);
    for (int k = 0; k < 100; ++k) {
        ASSERT_EQ(syx[275 * k + 4], k);
        ASSERT_LT(syx[275 * k + 273], 0x80);
    }
    ASSERT_EQ(run({"info", path("bank.syx")}), kExitOk);

    ASSERT_EQ(run({"convert", path("bank.syx"), path("back.vmb")}), kExitOk) << err();
    Bytes expected = raw;
    for (int k = 0; k < 100; ++k)
        expected[135 * k + 134] = 0; // no message carries the 135th byte
    EXPECT_EQ(read("back.vmb"), expected);

    ASSERT_EQ(run({"convert", "--index", "17", path("bank.syx"), path("p.vmp")}), kExitOk);
    EXPECT_EQ(read("p.vmp"), Bytes(expected.begin() + 17 * 135, expected.begin() + 18 * 135));
    ASSERT_EQ(run({"convert", "--number", "42", path("p.vmp"), path("p.syx")}), kExitOk);
    Bytes single(syx.begin() + 17 * 275, syx.begin() + 18 * 275);
    single[4] = 42;
    EXPECT_EQ(read("p.syx"), single);
}

TEST_F(SyxTool, ConvertRefusesBadInputAndKeepsTheTarget)
{
    const Bytes keep = {1, 2, 3};
    write("target.vmb", keep);
    Bytes bank = demoBankSysex();
    bank[275 * 50 + 273] ^= 0x01;
    const std::string bad = write("bad.syx", bank);
    const Bytes good = demoBankSysex();
    const std::string short_ = write("short.syx", Bytes(good.begin(), good.begin() + 275 * 99));

    EXPECT_EQ(run({"convert", bad, path("target.vmb")}), kExitBadData);
    EXPECT_NE(err().find("patch message 50 at byte 13750 fails its checksum"), std::string::npos)
        << err();
    EXPECT_EQ(errLines(), 1);
    EXPECT_EQ(read("target.vmb"), keep);

    EXPECT_EQ(run({"convert", short_, path("target.vmb")}), kExitBadData);
    EXPECT_NE(err().find("holds 99 patch messages; a bank needs 100"), std::string::npos);
    EXPECT_EQ(read("target.vmb"), keep);

    EXPECT_EQ(run({"convert", "--ignore-checksum", bad, path("target.vmb")}), kExitOk);
    EXPECT_EQ(read("target.vmb").size(), 13500u);

    const std::string wrongSize = write("wrong.vmp", Bytes(100, 0));
    EXPECT_EQ(run({"convert", wrongSize, path("x.syx")}), kExitBadData);
    EXPECT_NE(err().find("is 100 bytes; a raw patch file is 135 bytes"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("x.syx")));

    EXPECT_EQ(run({"convert", path("a.syx"), path("b.syx")}), kExitUsage);
    EXPECT_EQ(run({"convert", "--number", "100", path("target.vmb"), path("b.syx")}), kExitUsage);
    EXPECT_EQ(run({"convert", path("target.vmb"), (dir_.dir() / "no" / "such" / "b.syx").string()}),
              kExitBadData);
    EXPECT_NE(err().find("cannot be written"), std::string::npos) << err();
}

TEST_F(SyxTool, TheLibrarianFormatsAreListedTakenApartAndAssembled)
{
    Bytes raw = demo::demoRawBank();
    raw.resize(raw.size() + 20, 0xEE); // a longer raw file uses its first bytes
    const std::string vmb = write("bank.vmb", raw);
    ASSERT_EQ(run({"info", vmb}), kExitOk) << err();
    EXPECT_NE(out().find("    42    5670  \"DEMO 042\"         42\n"), std::string::npos) << out();
    EXPECT_NE(out().find("bank.vmb: raw bank file, 100 patches; 20 bytes after them are not used"),
              std::string::npos);
    const Bytes entry(raw.begin() + 42 * 135, raw.begin() + 43 * 135);
    const std::string vmp = write("p.vmp", entry);
    ASSERT_EQ(run({"info", "--json", vmp}), kExitOk);
    EXPECT_NE(out().find("\"format\":\"raw patch\",\"size\":135,\"entries\":[{\"index\":0,"
                         "\"offset\":0,\"name\":\"DEMO 042\",\"carried_byte\":42}]"),
              std::string::npos)
        << out();
    EXPECT_EQ(run({"info", write("cut.vmp", Bytes(100, 0))}), kExitBadData);
    EXPECT_EQ(err(), path("cut.vmp") + ": is 100 bytes; a raw patch file is 135 bytes\n");

    // One patch out of a bank, raw or SysEx; a SysEx message is taken as it stands.
    ASSERT_EQ(run({"convert", "--index", "42", vmb, path("42.vmp")}), kExitOk) << err();
    EXPECT_EQ(read("42.vmp"), entry);
    ASSERT_EQ(run({"convert", "--index", "42", vmb, path("42.syx")}), kExitOk) << err();
    const Bytes message = read("42.syx");
    EXPECT_EQ(message, rawPatchToSysex(std::span<const Byte, 135>(entry.data(), 135), 42));
    const std::string syx = write("bank.syx", demoBankSysex());
    ASSERT_EQ(run({"convert", "--index", "42", "--number", "7", syx, path("7.syx")}), kExitOk);
    Bytes seven = message;
    seven[4] = 7;
    EXPECT_EQ(read("7.syx"), seven);

    // Patches of several files, in order, make a bank; the rest stays empty.
    ASSERT_EQ(run({"convert", vmp, path("7.syx"), path("two.vmb")}), kExitOk) << err();
    EXPECT_NE(out().find("(13500 bytes, 2 patches)"), std::string::npos) << out();
    Bytes expected(13500, 0);
    std::copy(entry.begin(), entry.end(), expected.begin());
    std::copy(entry.begin(), entry.end() - 1, expected.begin() + 135); // no carried byte
    EXPECT_EQ(read("two.vmb"), expected);
    ASSERT_EQ(run({"convert", "--assemble", path("two.vmb"), path("two.syx")}), kExitOk);
    EXPECT_EQ(read("two.syx"), rawBankToSysex(expected));

    EXPECT_EQ(run({"convert", vmp, vmp, vmb, path("over.syx")}), kExitBadData);
    EXPECT_NE(err().find("the inputs hold 102 patches; a bank holds 100"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("over.syx")));
    EXPECT_EQ(run({"convert", "--assemble", vmp, path("x.vmp")}), kExitUsage);
    EXPECT_EQ(run({"convert", "--assemble", "--index", "1", vmp, path("x.vmb")}), kExitUsage);
}
