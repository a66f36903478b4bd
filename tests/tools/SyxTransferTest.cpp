// backup, restore, get and put against the built-in virtual instrument, over
// the same input and output components the program uses.
#include "midi/FakeBackend.h"
#include "midi/VirtualBackend.h"
#include "protocol/Messages.h"
#include "protocol/PatchName.h"
#include "support/Placeholder.h"
#include "support/TempDir.h"
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxFiles.h"
#include "velmora-syx/SyxTransferCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using namespace velmora;
using namespace velmora::syx;
namespace fs = std::filesystem;

namespace {

class SyxTransfer : public ::testing::Test
{
protected:
    void SetUp() override { use(SynthModel::Matrix1000); }

    void use(SynthModel model)
    {
        devices_ = std::make_unique<midi::MidiDevices>();
        backend_ = static_cast<midi::VirtualBackend*>(&devices_->addBackend(
            std::make_unique<midi::VirtualBackend>(model, PacedLink::Pace::Immediate)));
    }

    int run(const std::vector<std::string>& args)
    {
        err_.str({});
        out_.str({});
        const int exit = runTransferCommand(*devices_, args, out_, err_);
        backend_->waitIdle();
        return exit;
    }
    std::string path(const std::string& name) const { return dir_.path(name); }
    Bytes read(const std::string& name) const { return dir_.read(name); }
    void instrument(const std::function<void(VirtualInstrument&)>& use)
    {
        backend_->withInstrument(use);
    }
    // The bank file of the instrument's bank `bank`, message k carrying k.
    // The bank as the instrument sends it, named as bank 0's patches are, so
    // that the files of two banks holding the same patches are equal.
    Bytes bankFile(int bank)
    {
        Bytes file;
        instrument([&](VirtualInstrument& instrument) {
            for (int n = 0; n < 100; ++n) {
                const Message m = patchToMemory(
                    Byte(n), test::asMatrix1000Sends(instrument.patch(bank, n), 0, n));
                file.insert(file.end(), m.begin(), m.end());
            }
        });
        return file;
    }

    test::TempDir dir_;
    std::unique_ptr<midi::MidiDevices> devices_;
    midi::VirtualBackend* backend_ = nullptr;
    std::ostringstream err_;
    std::ostringstream out_;
};

TEST_F(SyxTransfer, BackupWritesTheBankTheSplitsAndTheGlobal)
{
    ASSERT_EQ(run({"backup", "--in", "virtual", "--out", "0", path("m.SYX")}), kExitOk)
        << err_.str();
    EXPECT_EQ(read("m.SYX"), bankFile(0));

    const Bytes splits = read("m-splits.syx");
    ASSERT_EQ(splits.size(), 50u * kSplitMessageSize);
    const Bytes global = read("m-global.syx");
    ASSERT_EQ(global.size(), kGlobal1000MessageSize);
    instrument([&](VirtualInstrument& instrument) {
        for (std::size_t n = 0; n < 50; ++n) {
            const auto m = std::span(splits).subspan(n * kSplitMessageSize, kSplitMessageSize);
            EXPECT_EQ(m[4], n);
            SplitRecord split{};
            EXPECT_EQ(unpackBlock(m, split), UnpackStatus::Ok);
            EXPECT_EQ(split, instrument.split(int(n)));
        }
        std::array<Byte, kGlobal1000Size> block{};
        EXPECT_EQ(unpackBlock(global, block, ChecksumRule::Global), UnpackStatus::Ok);
        EXPECT_TRUE(std::ranges::equal(block, instrument.global()));
    });
    EXPECT_NE(err_.str().find("Receiving patches: 100/100"), std::string::npos);

    // A global dump that never comes is waited for a moment, then left out.
    instrument([](VirtualInstrument& instrument) { instrument.setFaults({-1, 180}); });
    ASSERT_EQ(run({"backup", "--in", "0", "--out", "0", path("n.syx")}), kExitOk) << err_.str();
    EXPECT_EQ(read("n.syx"), read("m.SYX"));
    EXPECT_EQ(read("n-splits.syx"), splits);
    EXPECT_FALSE(fs::exists(path("n-global.syx")));
}

TEST_F(SyxTransfer, BackupThatFailsWritesNothing)
{
    // A bad patch, and a bad global dump (after 100 patches and 80 splits).
    const std::pair<VirtualInstrument::Faults, std::string> cases[] = {
        {{37, -1}, "Checksum error in Bank dump"},
        {{180, -1}, "Checksum error in Global dump"},
    };
    for (const auto& [faults, expected] : cases) {
        instrument([&](VirtualInstrument& instrument) { instrument.setFaults(faults); });
        EXPECT_EQ(run({"backup", "--in", "0", "--out", "0", path("f.syx")}), kExitBadData);
        EXPECT_NE(err_.str().find(expected), std::string::npos) << err_.str();
        EXPECT_TRUE(fs::is_empty(dir_.dir())) << expected;
    }

    // The request goes nowhere: after the stall time the backup gives up.
    devices_->addBackend(std::make_unique<midi::test::FakeBackend>(
        std::vector<std::string>{}, std::vector<std::string>{"Nowhere"}));
    EXPECT_EQ(run({"backup", "--in", "0", "--out", "nowhere", path("f.syx")}), kExitBadData);
    EXPECT_NE(err_.str().find("stopped answering after 0 of 100"), std::string::npos) << err_.str();
    EXPECT_TRUE(fs::is_empty(dir_.dir()));
}

TEST_F(SyxTransfer, RestoreSendsTheBankFile)
{
    Bytes bank = bankFile(0);
    PatchRecord changed{};
    const auto fifth = std::span(bank).subspan(5 * kPatchMessageSize, kPatchMessageSize);
    unpackBlock(fifth, changed);
    changed[20] ^= 0x01;
    const Message m = patchToMemory(5, changed);
    std::copy(m.begin(), m.end(), fifth.begin());
    ASSERT_EQ(writeFileAtomically(path("b.syx"), bank), "");

    ASSERT_EQ(run({"restore", "--out", "0", "--bank", "1", path("b.syx")}), kExitOk) << err_.str();
    EXPECT_EQ(bankFile(1), bank);
    instrument([&](VirtualInstrument& instrument) {
        EXPECT_EQ(instrument.patch(1, 5)[20], changed[20]);
        instrument.clearLog();
    });

    // A file short of a bank sends nothing at all.
    bank.resize(bank.size() - kPatchMessageSize);
    ASSERT_EQ(writeFileAtomically(path("short.syx"), bank), "");
    EXPECT_EQ(run({"restore", "--out", "0", path("short.syx")}), kExitBadData);
    EXPECT_NE(err_.str().find("holds 99 patch messages"), std::string::npos);
    instrument(
        [](VirtualInstrument& instrument) { EXPECT_TRUE(instrument.receivedLog().empty()); });
}

TEST_F(SyxTransfer, RestoreWithAnInputChecksTheBank)
{
    const Bytes bank = bankFile(3);
    ASSERT_EQ(writeFileAtomically(path("r.syx"), bank), "");
    ASSERT_EQ(run({"restore", "--out", "0", "--in", "0", "--bank", "1", path("r.syx")}), kExitOk)
        << err_.str();
    EXPECT_NE(out_.str().find("Bank 1 verified: 100 of 100 patches as sent."), std::string::npos)
        << out_.str();

    // Memory protect on: said plainly (a lost store is the protocol tests').
    instrument([](VirtualInstrument& instrument) { instrument.setMemoryProtect(true); });
    EXPECT_EQ(run({"restore", "--out", "0", "--in", "0", path("r.syx")}), kExitBadData);
    EXPECT_NE(out_.str().find("Memory protect is on in the instrument"), std::string::npos)
        << out_.str();
}

TEST_F(SyxTransfer, WholeInstrumentBackupAndRestore)
{
    instrument([](VirtualInstrument& instrument) {
        for (int n = 0; n < 100; ++n)
            instrument.setPatch(1, n, instrument.patch(8, n));
    });
    ASSERT_EQ(run({"backup", "--all", "--in", "0", "--out", "0", path("all.syx")}), kExitOk)
        << err_.str();
    EXPECT_NE(out_.str().find("Matrix-1000 backup: banks 0 to 9 (1,000 patches) and the global "
                              "record."),
              std::string::npos)
        << out_.str();
    std::ostringstream info;
    std::ostringstream infoErr;
    ASSERT_EQ(runSyx({"info", path("all.syx")}, info, infoErr), kExitOk) << infoErr.str();
    EXPECT_NE(info.str().find("all.syx: Matrix-1000 backup: banks 0 to 9 (1,000 patches) and "
                              "the global record."),
              std::string::npos);

    // Into a second instrument with memory protect on: refused unless
    // --unprotect, then written, checked and protected again.
    use(SynthModel::Matrix1000);
    instrument([](VirtualInstrument& instrument) { instrument.setMemoryProtect(true); });
    EXPECT_EQ(run({"restore", "--all", "--in", "0", "--out", "0", path("all.syx")}), kExitBadData);
    EXPECT_NE(err_.str().find("memory protect is on"), std::string::npos) << err_.str();
    ASSERT_EQ(run({"restore", "--all", "--banks", "1", "--unprotect", "--in", "0", "--out", "0",
                   path("all.syx")}),
              kExitOk)
        << err_.str() << out_.str();
    EXPECT_NE(out_.str().find("Bank 1 verified: 100 of 100 patches as sent."), std::string::npos);
    instrument([](VirtualInstrument& instrument) {
        EXPECT_TRUE(instrument.memoryProtected());
        EXPECT_EQ(instrument.patch(1, 42), test::asMatrix1000Sends(instrument.patch(8, 42), 1, 42));
    });

    EXPECT_EQ(run({"restore", "--all", "--banks", "2", "--in", "0", "--out", "0", path("all.syx")}),
              kExitUsage);
}

TEST_F(SyxTransfer, PutThenGetRoundTripsOnePatch)
{
    const Bytes bank = bankFile(0);
    const Bytes seventh(bank.begin() + 7 * kPatchMessageSize, bank.begin() + 8 * kPatchMessageSize);
    ASSERT_EQ(writeFileAtomically(path("p.syx"), seventh), "");
    ASSERT_EQ(run({"put", "--out", "0", "--number", "150", path("p.syx")}), kExitOk) << err_.str();
    PatchRecord sent{};
    unpackBlock(seventh, sent);
    const PatchRecord held = test::asMatrix1000Sends(sent, 1, 50);
    instrument([&](VirtualInstrument& instrument) { EXPECT_EQ(instrument.patch(1, 50), held); });

    // put selected it, so the edit buffer holds it, numbered by its program.
    ASSERT_EQ(run({"get", "--in", "0", "--out", "0", path("got.syx")}), kExitOk) << err_.str();
    EXPECT_EQ(read("got.syx"), patchToMemory(50, held));

    // A Matrix-6 is asked for the patch by number.
    use(SynthModel::Matrix6);
    ASSERT_EQ(
        run({"get", "--model", "6", "--in", "0", "--out", "0", "--number", "12", path("six.syx")}),
        kExitOk)
        << err_.str();
    instrument([&](VirtualInstrument& instrument) {
        const Message patch = patchToMemory(12, instrument.patch(0, 12));
        EXPECT_EQ(read("six.syx"), Bytes(patch.begin(), patch.end()));
    });
}

TEST_F(SyxTransfer, DetectSaysWhatAnswers)
{
    const auto detect = [&](const std::vector<std::string>& args) {
        std::ostringstream out;
        err_.str({});
        const int exit = runTransferCommand(*devices_, args, out, err_);
        backend_->waitIdle();
        return std::pair{exit, out.str()};
    };
    instrument([](VirtualInstrument& instrument) {
        instrument.setChannel(6);
        instrument.setFirmware({0x01, 0x01, 0x06, 0x00});
    });
    EXPECT_EQ(detect({"detect", "--in", "0", "--out", "0"}),
              std::pair(kExitOk, std::string("Found a Matrix-1000 on MIDI channel 7 (device "
                                             "inquiry reply bytes 01 01 06 00).\n")))
        << err_.str();

    use(SynthModel::Matrix6);
    EXPECT_EQ(detect({"detect", "--in", "0", "--out", "0"}),
              std::pair(kExitOk, std::string("Found a Matrix-6 on MIDI channel 1.\n")))
        << err_.str();

    // Both ports are needed, and no file.
    EXPECT_EQ(detect({"detect", "--out", "0"}).first, kExitUsage);
    EXPECT_EQ(detect({"detect", "--in", "0", "--out", "0", "x.syx"}).first, kExitUsage);

    // The questions go nowhere: nothing answers, and the ports are named.
    devices_->addBackend(std::make_unique<midi::test::FakeBackend>(
        std::vector<std::string>{}, std::vector<std::string>{"Nowhere"}));
    const auto [exit, out] = detect({"detect", "--in", "0", "--out", "nowhere"});
    EXPECT_EQ(exit, kExitBadData);
    EXPECT_EQ(out, "");
    EXPECT_NE(err_.str().find("nothing answered on Nowhere (output) and "), std::string::npos)
        << err_.str();
}

} // namespace
