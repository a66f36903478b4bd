// backup, restore, get and put against the built-in virtual instrument, over
// the same input and output components the program uses.
#include "FakeBackend.h"
#include "Messages.h"
#include "PatchName.h"
#include "SyxCommand.h"
#include "SyxFiles.h"
#include "SyxTransferCommands.h"
#include "TempDir.h"
#include "VirtualBackend.h"

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
    void SetUp() override { Use(Model::Matrix1000); }

    void Use(Model model)
    {
        devices_ = std::make_unique<midi::MidiDevices>();
        backend_ = static_cast<midi::VirtualBackend*>(&devices_->AddBackend(
            std::make_unique<midi::VirtualBackend>(model, PacedLink::Pace::Immediate)));
    }

    int Run(const std::vector<std::string>& args)
    {
        err_.str({});
        std::ostringstream out;
        const int exit = RunTransferCommand(*devices_, args, out, err_);
        backend_->WaitIdle();
        return exit;
    }
    std::string Path(const std::string& name) const { return dir_.Path(name); }
    Bytes Read(const std::string& name) const { return dir_.Read(name); }
    void Instrument(const std::function<void(VirtualInstrument&)>& use)
    {
        backend_->WithInstrument(use);
    }
    // The bank file of the instrument's bank `bank`, message k carrying k.
    Bytes BankFile(int bank)
    {
        Bytes file;
        Instrument([&](VirtualInstrument& instrument) {
            for (int n = 0; n < 100; ++n) {
                const Message m = PatchToMemory(Byte(n), instrument.Patch(bank, n));
                file.insert(file.end(), m.begin(), m.end());
            }
        });
        return file;
    }

    test::TempDir dir_;
    std::unique_ptr<midi::MidiDevices> devices_;
    midi::VirtualBackend* backend_ = nullptr;
    std::ostringstream err_;
};

TEST_F(SyxTransfer, BackupWritesTheBankTheSplitsAndTheGlobal)
{
    ASSERT_EQ(Run({"backup", "--in", "virtual", "--out", "0", Path("m.SYX")}), kExitOk)
        << err_.str();
    EXPECT_EQ(Read("m.SYX"), BankFile(0));

    const Bytes splits = Read("m-splits.syx");
    ASSERT_EQ(splits.size(), 50u * kSplitMessageSize);
    const Bytes global = Read("m-global.syx");
    ASSERT_EQ(global.size(), kGlobal1000MessageSize);
    Instrument([&](VirtualInstrument& instrument) {
        for (std::size_t n = 0; n < 50; ++n) {
            const auto m = std::span(splits).subspan(n * kSplitMessageSize, kSplitMessageSize);
            EXPECT_EQ(m[4], n);
            SplitRecord split{};
            EXPECT_EQ(UnpackBlock(m, split), UnpackStatus::Ok);
            EXPECT_EQ(split, instrument.Split(int(n)));
        }
        std::array<Byte, kGlobal1000Size> block{};
        EXPECT_EQ(UnpackBlock(global, block, ChecksumRule::Global), UnpackStatus::Ok);
        EXPECT_TRUE(std::ranges::equal(block, instrument.Global()));
    });
    EXPECT_NE(err_.str().find("Receiving patches: 100/100"), std::string::npos);

    // A global dump that never comes is waited for a moment, then left out.
    Instrument([](VirtualInstrument& instrument) { instrument.SetFaults({-1, 180}); });
    ASSERT_EQ(Run({"backup", "--in", "0", "--out", "0", Path("n.syx")}), kExitOk) << err_.str();
    EXPECT_EQ(Read("n.syx"), Read("m.SYX"));
    EXPECT_EQ(Read("n-splits.syx"), splits);
    EXPECT_FALSE(fs::exists(Path("n-global.syx")));
}

TEST_F(SyxTransfer, BackupThatFailsWritesNothing)
{
    // A bad patch, and a bad global dump (after 100 patches and 80 splits).
    const std::pair<VirtualInstrument::Faults, std::string> cases[] = {
        {{37, -1}, "Checksum error in Bank dump"},
        {{180, -1}, "Checksum error in Global dump"},
    };
    for (const auto& [faults, expected] : cases) {
        Instrument([&](VirtualInstrument& instrument) { instrument.SetFaults(faults); });
        EXPECT_EQ(Run({"backup", "--in", "0", "--out", "0", Path("f.syx")}), kExitBadData);
        EXPECT_NE(err_.str().find(expected), std::string::npos) << err_.str();
        EXPECT_TRUE(fs::is_empty(dir_.Dir())) << expected;
    }

    // The request goes nowhere: after the stall time the backup gives up.
    devices_->AddBackend(std::make_unique<midi::test::FakeBackend>(
        std::vector<std::string>{}, std::vector<std::string>{"Nowhere"}));
    EXPECT_EQ(Run({"backup", "--in", "0", "--out", "nowhere", Path("f.syx")}), kExitBadData);
    EXPECT_NE(err_.str().find("stopped answering after 0 of 100"), std::string::npos) << err_.str();
    EXPECT_TRUE(fs::is_empty(dir_.Dir()));
}

TEST_F(SyxTransfer, RestoreSendsTheBankFile)
{
    Bytes bank = BankFile(0);
    PatchRecord changed{};
    const auto fifth = std::span(bank).subspan(5 * kPatchMessageSize, kPatchMessageSize);
    UnpackBlock(fifth, changed);
    std::copy_n("RENAMED!", 8, changed.begin());
    const Message m = PatchToMemory(5, changed);
    std::copy(m.begin(), m.end(), fifth.begin());
    ASSERT_EQ(WriteFileAtomically(Path("b.syx"), bank), "");

    ASSERT_EQ(Run({"restore", "--out", "0", "--bank", "1", Path("b.syx")}), kExitOk) << err_.str();
    EXPECT_EQ(BankFile(1), bank);
    Instrument([](VirtualInstrument& instrument) {
        EXPECT_EQ(PatchNameOf(instrument.Patch(1, 5)), "RENAMED!");
        instrument.ClearLog();
    });

    // A file short of a bank sends nothing at all.
    bank.resize(bank.size() - kPatchMessageSize);
    ASSERT_EQ(WriteFileAtomically(Path("short.syx"), bank), "");
    EXPECT_EQ(Run({"restore", "--out", "0", Path("short.syx")}), kExitBadData);
    EXPECT_NE(err_.str().find("holds 99 patch messages"), std::string::npos);
    Instrument(
        [](VirtualInstrument& instrument) { EXPECT_TRUE(instrument.ReceivedLog().empty()); });
}

TEST_F(SyxTransfer, PutThenGetRoundTripsOnePatch)
{
    const Bytes bank = BankFile(0);
    const Bytes seventh(bank.begin() + 7 * kPatchMessageSize, bank.begin() + 8 * kPatchMessageSize);
    ASSERT_EQ(WriteFileAtomically(Path("p.syx"), seventh), "");
    ASSERT_EQ(Run({"put", "--out", "0", "--number", "150", Path("p.syx")}), kExitOk) << err_.str();
    PatchRecord sent{};
    UnpackBlock(seventh, sent);
    Instrument([&](VirtualInstrument& instrument) { EXPECT_EQ(instrument.Patch(1, 50), sent); });

    // put selected it, so the edit buffer holds it, numbered by its program.
    ASSERT_EQ(Run({"get", "--in", "0", "--out", "0", Path("got.syx")}), kExitOk) << err_.str();
    Bytes expected = seventh;
    expected[4] = 50;
    EXPECT_EQ(Read("got.syx"), expected);

    // A Matrix-6 is asked for the patch by number.
    Use(Model::Matrix6);
    ASSERT_EQ(
        Run({"get", "--model", "6", "--in", "0", "--out", "0", "--number", "12", Path("six.syx")}),
        kExitOk)
        << err_.str();
    Instrument([&](VirtualInstrument& instrument) {
        const Message patch = PatchToMemory(12, instrument.Patch(0, 12));
        EXPECT_EQ(Read("six.syx"), Bytes(patch.begin(), patch.end()));
    });
}

} // namespace
