// The file commands with scripted dialogs: what they write, what they load
// into which record, and what the windows are told.
#include "FileStuff.h"
#include "DemoPatches.h"
#include "FakeFileDialogs.h"
#include "SysexFiles.h"
#include "TempDir.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <deque>

using namespace velmora;
using namespace velmora::library;
using Bytes = std::vector<Byte>;

namespace {

class FileCommands : public ::testing::Test
{
protected:
    FileCommands()
    {
        records_.CurrentPatch = demo::DemoPatch(1);
        records_.CompareData = records_.CurrentPatch;
        for (std::size_t k = 0; k < kBankPatchCount; ++k)
            records_.Bank[k] = demo::DemoPatch(static_cast<std::uint32_t>(100 + k));
    }

    // The next dialog answers with this file of the folder and filter.
    void Choose(const std::string& name, int filter = 0)
    {
        dialogs_.answers.push_back(FileChoice{QString::fromStdString(dir_.Path(name)), filter});
    }
    void Cancel() { dialogs_.answers.push_back(std::nullopt); }
    QString Folder() const { return QString::fromStdString(dir_.Dir().string() + "/"); }

    test::TempDir dir_;
    SynthRecords records_;
    TransferFlags flags_;
    test::FakeFileDialogs dialogs_;
    QString patchFolder_ = "patches", bankFolder_ = "banks", splitFolder_ = "splits";
    QStringList calls_;
    LibraryContext context_{
        .records = records_,
        .flags = flags_,
        .dialogs = dialogs_,
        .patchFolder = patchFolder_,
        .bankFolder = bankFolder_,
        .splitFolder = splitFolder_,
        .setMainCaption = [this](const QString& c) { calls_ << "main: " + c; },
        .setBankCaption = [this](const QString& c) { calls_ << "bank: " + c; },
        .initControls = [this] { calls_ << "initControls"; },
        .initPatchControls = [this] { calls_ << "initPatchControls"; },
        .sendPatch = [this] { calls_ << "sendPatch"; },
        .playNote = [this](bool always) { calls_ << (always ? "play always" : "play"); },
        .enableButtons = [this] { calls_ << "enableButtons"; },
        .updateBankGrid = [this] { calls_ << "updateBankGrid"; },
        .showError = [this](const QString& m) { calls_ << "error: " + m; },
    };
    FileStuff files_{context_};
};

} // namespace

TEST_F(FileCommands, SavePatchWritesTheSourceWithItsNumber)
{
    flags_.PatchNumber = 150;
    Choose("lead.SYX");
    files_.SavePatch();
    EXPECT_EQ(dialogs_.requests[0].folder, "patches");
    EXPECT_EQ(dialogs_.requests[0].filters, "SysEx File (*.syx)");
    const Bytes written = dir_.Read("lead.SYX.syx");
    EXPECT_EQ(written, PatchSysex(RecordOf(records_.CurrentPatch), 150));
    EXPECT_EQ(written[4], 50);
    EXPECT_EQ(patchFolder_, Folder());
    EXPECT_EQ(calls_, (QStringList{"main: lead.SYX.syx - Velmora", "enableButtons"}));

    // After a cancelled number dialog the file is written with number 0.
    flags_.PatchNumber = -1;
    Choose("entry.syx");
    files_.SavePatch(37);
    EXPECT_EQ(dir_.Read("entry.syx"), PatchSysex(RecordOf(records_.Bank[37]), 0));

    calls_.clear();
    Cancel();
    files_.SavePatch();
    EXPECT_EQ(calls_, QStringList{"enableButtons"});
}

TEST_F(FileCommands, OpenPatchCarriesThe135thByteOnlyFromARawFile)
{
    PatchBuffer raw = demo::DemoPatch(9);
    raw[0] = 0x00; // a name byte outside the name set stays as it is
    raw[134] = 0xA5;
    dir_.Write("p.vmp", Bytes(raw.begin(), raw.end()));
    Choose("p.vmp", 1);
    files_.OpenPatch();
    EXPECT_EQ(records_.CurrentPatch, raw);
    EXPECT_EQ(records_.CompareData, raw);
    EXPECT_TRUE(flags_.PatchLoaded);
    EXPECT_EQ(patchFolder_, Folder());
    EXPECT_EQ(calls_, (QStringList{"main: p.vmp - Velmora", "initControls", "sendPatch", "play",
                                   "enableButtons"}));

    // The dialog opens at the filter last chosen; a SysEx patch keeps byte 135.
    const PatchBuffer other = demo::DemoPatch(10);
    dir_.Write("p.syx", PatchSysex(RecordOf(other), 5));
    Choose("p.syx", 0);
    files_.OpenPatch();
    EXPECT_EQ(dialogs_.requests[1].filterIndex, 1);
    EXPECT_EQ(dialogs_.requests[1].filters, "SysEx Files (*.syx);;Velmora Patch Files (*.vmp)");
    PatchBuffer expected = other;
    expected[134] = 0xA5;
    EXPECT_EQ(records_.CurrentPatch, expected);
    EXPECT_EQ(records_.CompareData, expected);

    // Into a bank entry: the editor's records stay as they are.
    Choose("p.vmp", 1);
    files_.OpenPatch(12);
    EXPECT_EQ(records_.Bank[12], raw);
    EXPECT_EQ(records_.CurrentPatch, expected);
    EXPECT_TRUE(flags_.BankLoaded);
    EXPECT_EQ(calls_.mid(calls_.size() - 2), (QStringList{"updateBankGrid", "enableButtons"}));
}

TEST_F(FileCommands, ATruncatedFileIsRefusedAndTheTargetKeepsItsContent)
{
    const SynthRecords before = records_;
    dir_.Write("cut.syx", Bytes(120, 0));
    Choose("cut.syx");
    files_.OpenPatch();
    EXPECT_EQ(calls_, (QStringList{"error: cut.syx is too short for a patch SysEx file: 275 bytes "
                                   "expected, 120 found.",
                                   "enableButtons"}));
    EXPECT_EQ(records_.CurrentPatch, before.CurrentPatch);
    EXPECT_FALSE(flags_.PatchLoaded);
    EXPECT_EQ(patchFolder_, "patches");

    // A bank remembers the folder all the same.
    dir_.Write("cut.vmb", Bytes(13000, 0));
    Choose("cut.vmb", 1);
    files_.OpenBank();
    EXPECT_EQ(records_.Bank, before.Bank);
    EXPECT_FALSE(flags_.BankLoaded);
    EXPECT_EQ(bankFolder_, Folder());

    dir_.Write("cut.split", Bytes(42, 0));
    Choose("cut.split");
    files_.ImportSplit(3);
    EXPECT_EQ(records_.Splits, before.Splits);
    EXPECT_TRUE(calls_.contains("error: cut.split is too short for a split SysEx file: 43 bytes "
                                "expected, 42 found."));
}

TEST_F(FileCommands, AFailedSaveShowsAnErrorAndKeepsTheOldFile)
{
    const Bytes old = {1, 2, 3};
    const std::string target = dir_.Write("old.syx", old);
    std::filesystem::permissions(target, std::filesystem::perms::owner_read);
    Choose("old.syx");
    files_.SaveBank();
    EXPECT_EQ(dir_.Read("old.syx"), old);
    EXPECT_EQ(calls_,
              (QStringList{"error: Cannot save old.syx: the file is read-only.", "enableButtons"}));
    EXPECT_EQ(bankFolder_, "banks");

    // A folder that cannot be written: read-only, or for root (who may write
    // there anyway) a "folder" that is a regular file.
    std::string folder = dir_.Path("locked");
    if (geteuid() == 0) {
        folder = target;
    } else {
        std::filesystem::create_directory(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    }
    calls_.clear();
    dialogs_.answers.push_back(FileChoice{QString::fromStdString(folder + "/new.syx"), 0});
    files_.SavePatch();
    ASSERT_EQ(calls_.size(), 2);
    EXPECT_TRUE(calls_[0].startsWith("error: Cannot save new.syx: ")) << calls_[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(folder + "/new.syx"));
}

TEST_F(FileCommands, BankAndSplitRoundTrips)
{
    records_.Bank[5][0] = 0x00;
    records_.Bank[5][30] = 0xFF;
    Choose("bank");
    files_.SaveBank();
    EXPECT_EQ(dialogs_.requests[0].fileName, "*.syx");
    EXPECT_EQ(dir_.Read("bank.syx"), BankSysex(records_.Bank));
    EXPECT_EQ(calls_.first(), "bank: bank.syx - Bank Manager");

    // Loading takes bytes 0..133 of every entry and leaves each 135th byte.
    const auto saved = records_.Bank;
    for (auto& entry : records_.Bank)
        entry.fill(0x11);
    Choose("bank.syx");
    files_.OpenBank();
    for (std::size_t k = 0; k < kBankPatchCount; ++k) {
        EXPECT_TRUE(std::equal(saved[k].begin(), saved[k].begin() + 134, records_.Bank[k].begin()));
        EXPECT_EQ(records_.Bank[k][134], 0x11);
    }
    EXPECT_TRUE(flags_.BankLoaded);
    EXPECT_EQ(calls_.mid(calls_.size() - 3),
              (QStringList{"updateBankGrid", "bank: bank.syx - Bank Manager", "enableButtons"}));

    records_.Splits[7] = {'S', 'P', 'L', 0x00, 0xFF, '7', 1, 2, 3};
    Choose("mine");
    files_.ExportSplit(7);
    EXPECT_EQ(dialogs_.requests.back().fileName, "Split07");
    EXPECT_EQ(dialogs_.requests.back().folder, "splits");
    EXPECT_EQ(dir_.Read("mine.syx"), SplitSysex(records_.Splits[7], 7));
    EXPECT_EQ(splitFolder_, Folder());
    Choose("mine.syx");
    files_.ImportSplit(49);
    EXPECT_EQ(records_.Splits[49], records_.Splits[7]);
}
