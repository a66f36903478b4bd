// The librarian's commands over its records, with scripted file dialogs and
// draws: the files they write and read (bytes on disk, byte for byte, the
// files that are missing, too short or cannot be written), and Initialize,
// Compare, Randomize and Mutate with what the windows are told. Files shaped
// by instruments and other tools are in OpenFilesTest.
#include "library/EditCommands.h"
#include "library/InitPatch.h"
#include "library/LibraryRig.h"
#include "protocol/PatchName.h"
#include "support/MidiFiles.h"

#include <functional>

using namespace velmora;
using namespace velmora::library;
using namespace velmora::test;

namespace {

// R(n) = n / 2 for every draw.
struct HalfWay : RandomSource
{
    int next(int n) override { return n / 2; }
};

class LibraryCommands : public test::LibraryRig
{
protected:
    LibraryCommands() { commands_.setRandomSource(&random_); }

    HalfWay random_;
    EditCommands commands_{context_};
};

} // namespace

TEST_F(LibraryCommands, PatchFilesCarryTheNumberAndComeBackByteForByte)
{
    const PatchBuffer saved = records_.currentPatch;
    flags_.patchNumber = 150;
    choose("lead.SYX");
    files_.savePatch();
    EXPECT_EQ(dialogs_.requests[0].folder, "patches");
    EXPECT_EQ(dialogs_.requests[0].filters, "SysEx File (*.syx)");
    EXPECT_EQ(dir_.read("lead.SYX.syx"), patchToMemory(50, recordOf(saved)));
    EXPECT_EQ(patchFolder_, folder());
    EXPECT_EQ(calls_, (QStringList{"main: lead.SYX.syx - Velmora", "enableButtons"}));
    // Back byte for byte, and so from a Standard MIDI File of it.
    for (const std::string file : {"lead.SYX.syx", "lead.mid"}) {
        records_.currentPatch.fill(0);
        dir_.write("lead.mid", test::midiFileOf(dir_.read("lead.SYX.syx"), 0, true));
        choose(file);
        files_.openPatch();
        EXPECT_TRUE(sameRecord(records_.currentPatch, saved)) << file;
    }

    // A bank entry; numbers outside 0..199 (-1 after a cancelled number
    // dialog) give 0. A name with ".syx" anywhere keeps it.
    const std::pair<int, Byte> numbers[] = {{42, 42}, {100, 0}, {-1, 0}};
    for (const auto& [number, byte] : numbers) {
        flags_.patchNumber = number;
        choose("entry.syx.old");
        files_.savePatch(37);
        EXPECT_EQ(dir_.read("entry.syx.old"), patchToMemory(byte, recordOf(records_.bank[37])));
    }

    calls_.clear();
    dialogs_.cancel();
    files_.savePatch();
    EXPECT_EQ(calls_, QStringList{"enableButtons"});
}

TEST_F(LibraryCommands, OpenPatchCarriesThe135thByteOnlyFromARawFile)
{
    PatchBuffer raw = untidyPatch(9);
    raw[134] = 0xA5;
    dir_.write("p.vmp", Bytes(raw.begin(), raw.end()));
    choose("p.vmp", 1);
    files_.openPatch();
    EXPECT_EQ(records_.currentPatch, raw);
    EXPECT_EQ(records_.compareData, raw);
    EXPECT_TRUE(flags_.patchLoaded);
    EXPECT_EQ(patchFolder_, folder());
    EXPECT_EQ(calls_, (QStringList{"main: p.vmp - Velmora", "initControls", "sendPatch", "play",
                                   "enableButtons"}));

    // The dialog opens at the filter last chosen; a SysEx patch keeps byte 135.
    const PatchBuffer other = demo::demoPatch(10);
    dir_.write("p.syx", patchToMemory(5, recordOf(other)));
    choose("p.syx", 0);
    files_.openPatch();
    EXPECT_EQ(dialogs_.requests[1].filterIndex, 1);
    EXPECT_EQ(dialogs_.requests[1].filters,
              "SysEx Files (*.syx *.mid);;Velmora Patch Files (*.vmp)");
    PatchBuffer expected = other;
    expected[134] = 0xA5;
    EXPECT_EQ(records_.currentPatch, expected);
    EXPECT_EQ(records_.compareData, expected);

    // Into a bank entry: the editor's records stay as they are.
    choose("p.vmp", 1);
    files_.openPatch(12);
    EXPECT_EQ(records_.bank[12], raw);
    EXPECT_EQ(records_.currentPatch, expected);
    EXPECT_TRUE(flags_.bankLoaded);
    EXPECT_EQ(calls_.mid(calls_.size() - 2), (QStringList{"updateBankGrid", "enableButtons"}));
}

TEST_F(LibraryCommands, ShortOrMissingFilesAreRefusedAndTheTargetKeepsItsContent)
{
    const SynthRecords before = records_;
    choose("none.syx");
    files_.openPatch();
    EXPECT_EQ(calls_.value(0), "error: Cannot open none.syx: No such file or directory.");
    dialogs_.answer(dir_.dir().string(), 1);
    files_.openBank();
    EXPECT_TRUE(calls_.value(2).startsWith("error: Cannot open")) << calls_.join('|').toStdString();
    struct Case
    {
        std::string file;
        std::size_t size;
        int filter;
        std::function<void()> open;
        QString error;
    };
    const Case cases[] = {
        {"cut.syx", 120, 0, [this] { files_.openPatch(); },
         "cut.syx holds no patch: 120 stray bytes."},
        {"cut.vmp", 134, 1, [this] { files_.openPatch(); },
         "cut.vmp is too short for a Velmora patch file (.vmp): 135 bytes expected, 134 found."},
        {"bank.syx", 27499, 0, [this] { files_.openBank(); },
         "bank.syx holds no patch: 27499 stray bytes."},
        {"cut.vmb", 13499, 1, [this] { files_.openBank(); },
         "cut.vmb is too short for a Velmora bank file (.vmb): 13500 bytes expected, 13499 found."},
        {"s.syx", 0, 0, [this] { files_.importSplit(3); }, "s.syx holds no split: it is empty."},
    };
    for (const Case& c : cases) {
        calls_.clear();
        dir_.write(c.file, Bytes(c.size, 0));
        choose(c.file, c.filter);
        c.open();
        EXPECT_EQ(calls_, (QStringList{"error: " + c.error, "enableButtons"}));
    }

    EXPECT_EQ(records_.currentPatch, before.currentPatch);
    EXPECT_EQ(records_.bank, before.bank);
    EXPECT_EQ(records_.splits, before.splits);
    EXPECT_FALSE(flags_.patchLoaded);
    EXPECT_FALSE(flags_.bankLoaded);
    // A failed patch leaves the folder; a bank remembers it all the same.
    EXPECT_EQ(patchFolder_, "patches");
    EXPECT_EQ(bankFolder_, folder());
}

TEST_F(LibraryCommands, AFailedSaveShowsAnErrorAndKeepsTheOldFile)
{
    const Bytes old = {1, 2, 3};
    const std::string target = dir_.write("old.syx", old);
    std::filesystem::permissions(target, std::filesystem::perms::owner_read);
    choose("old.syx");
    files_.saveBank();
    EXPECT_EQ(dir_.read("old.syx"), old);
    EXPECT_EQ(calls_,
              (QStringList{"error: Cannot save old.syx: the file is read-only.", "enableButtons"}));
    EXPECT_EQ(bankFolder_, "banks");

    // A folder that cannot be written: read-only, or for root (who may write
    // there anyway) a "folder" that is a regular file.
    std::string folder = dir_.path("locked");
    if (geteuid() == 0) {
        folder = target;
    } else {
        std::filesystem::create_directory(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    }
    calls_.clear();
    dialogs_.answer(folder + "/new.syx");
    files_.savePatch();
    ASSERT_EQ(calls_.size(), 2);
    EXPECT_TRUE(calls_[0].startsWith("error: Cannot save new.syx: ")) << calls_[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(folder + "/new.syx"));
}

TEST_F(LibraryCommands, BankAndSplitFilesComeBackByteForByte)
{
    choose("bank");
    files_.saveBank();
    EXPECT_EQ(dialogs_.requests[0].fileName, "*.syx");
    EXPECT_EQ(dir_.read("bank.syx"), bankMessages(records_.bank));
    EXPECT_EQ(calls_.first(), "bank: bank.syx - Bank Manager");

    // Loading takes bytes 0..133 of every entry and leaves each 135th byte;
    // a Standard MIDI File of the bank gives the same.
    const Bank saved = records_.bank;
    dir_.write("bank.mid", test::midiFileOf(dir_.read("bank.syx"), 1, false));
    for (const std::string file : {"bank.mid", "bank.syx"}) {
        for (auto& entry : records_.bank)
            entry.fill(0x11);
        choose(file);
        files_.openBank();
        for (std::size_t k = 0; k < kBankPatchCount; ++k) {
            EXPECT_TRUE(sameRecord(records_.bank[k], saved[k]));
            EXPECT_EQ(records_.bank[k][134], 0x11);
        }
    }
    EXPECT_TRUE(dialogs_.told.isEmpty());
    EXPECT_TRUE(flags_.bankLoaded);
    EXPECT_EQ(calls_.mid(calls_.size() - 3),
              (QStringList{"updateBankGrid", "bank: bank.syx - Bank Manager", "enableButtons"}));
    // The raw bank file is read as it stands, the 135th byte with it.
    Bytes raw;
    for (const PatchBuffer& entry : saved)
        raw.insert(raw.end(), entry.begin(), entry.end());
    dir_.write("b.vmb", raw);
    choose("b.vmb", 1);
    files_.openBank();
    EXPECT_EQ(records_.bank, saved);

    records_.splits[7] = {'S', 'P', 'L', 0x00, 0xFF, '7', 1, 2, 3, 0x7F, 0x80, 0xFE};
    choose("mine");
    files_.exportSplit(7);
    EXPECT_EQ(dialogs_.requests.back().fileName, "Split07");
    EXPECT_EQ(dialogs_.requests.back().folder, "splits");
    const Bytes split = dir_.read("mine.syx");
    ASSERT_EQ(split.size(), 43u);
    EXPECT_EQ(Bytes(split.begin(), split.begin() + 5), (Bytes{0xF0, 0x10, 0x06, 0x02, 7}));
    EXPECT_EQ(split, splitData(7, records_.splits[7]));
    EXPECT_EQ(splitFolder_, folder());
    choose("mine.syx");
    files_.importSplit(49);
    EXPECT_EQ(records_.splits[49], records_.splits[7]);
    dir_.write("mine.mid", test::midiFileOf(split, 1, true));
    choose("mine.mid");
    files_.importSplit(48);
    EXPECT_EQ(records_.splits[48], records_.splits[7]);
}

TEST_F(LibraryCommands, InitializeCopiesTheInitialPatchFromDefaultSyx)
{
    EXPECT_EQ(commands_.loadInitPatch(QString::fromStdString(dir_.path("default.syx"))),
              QString("Cannot find default.syx"));
    EXPECT_FALSE(flags_.initPatchAvailable);
    commands_.initialize();
    EXPECT_TRUE(calls_.isEmpty());

    // The file the build writes: the basic patch as a patch SysEx file.
    const PatchBuffer basic = basicPatch();
    const std::string path =
        dir_.write("default.syx", blockMessage(opcode::patchToMemory, 0, recordOf(basic)));
    EXPECT_EQ(commands_.loadInitPatch(QString::fromStdString(path)), std::nullopt);
    EXPECT_TRUE(flags_.initPatchAvailable);
    EXPECT_EQ(patchNameOf(recordOf(basic)), "INIT    ");
    EXPECT_EQ(basic[13] | basic[18], 0b10); // sawtooth on both DCOs

    const PatchBuffer compare = records_.compareData;
    commands_.initialize();
    EXPECT_EQ(records_.currentPatch, basic);
    EXPECT_EQ(records_.currentPatch[kPatchRecordSize], 0);
    EXPECT_EQ(records_.compareData, compare);
    EXPECT_TRUE(flags_.patchLoaded);
    EXPECT_EQ(calls_,
              QStringList({"initControls", "main: Velmora", "sendPatch", "play", "enableButtons"}));
}

TEST_F(LibraryCommands, CompareTwiceRestoresTheEditedPatchExactly)
{
    commands_.compare();
    EXPECT_TRUE(calls_.isEmpty()); // nothing without a loaded patch

    flags_.patchLoaded = true;
    records_.currentPatch[kPatchRecordSize] = 0x5A;
    const PatchBuffer edited = records_.currentPatch;
    commands_.compare();
    EXPECT_TRUE(commands_.compareOn());
    EXPECT_TRUE(sameRecord(records_.currentPatch, records_.compareData));
    EXPECT_EQ(records_.currentPatch[kPatchRecordSize], 0x5A);
    records_.currentPatch[26] ^= 1; // an edit made while comparing is dropped
    commands_.compare();
    EXPECT_FALSE(commands_.compareOn());
    EXPECT_EQ(records_.currentPatch, edited);
    const QStringList once = {"initControls", "sendPatch", "play always", "enableButtons"};
    EXPECT_EQ(calls_, once + once);
}

TEST_F(LibraryCommands, RandomizeAndMutateRefreshSendAndPlay)
{
    commands_.randomize();
    commands_.mutate(MutateFactors{1, 1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_TRUE(calls_.isEmpty()); // nothing without a loaded patch

    flags_.patchLoaded = true;
    const PatchBuffer before = records_.currentPatch;
    commands_.randomize();
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 9, records_.currentPatch.begin()));
    EXPECT_TRUE(
        std::equal(before.begin() + 104, before.end(), records_.currentPatch.begin() + 104));
    EXPECT_NE(records_.currentPatch, before);
    EXPECT_EQ(calls_, QStringList({"initPatchControls", "sendPatch", "play", "enableButtons"}));

    // All factors 0: nothing changes, the patch is sent all the same.
    calls_.clear();
    const PatchBuffer randomized = records_.currentPatch;
    commands_.mutate(MutateFactors{});
    EXPECT_EQ(records_.currentPatch, randomized);
    EXPECT_EQ(calls_, QStringList({"sendPatch", "initPatchControls", "play", "enableButtons"}));

    // Group 9 works on the buses ticked in the editor and refreshes them too.
    calls_.clear();
    records_.currentPatch[131] = 0; // bus 10 off in the record, but ticked
    commands_.setTickedBuses([] {
        return BusSelection{false, false, false, false, false, false, false, false, false, true};
    });
    commands_.mutate(MutateFactors{0, 0, 0, 0, 0, 0, 0, 0, 4});
    EXPECT_EQ(records_.currentPatch[131], 0 + 4 + 1);
    EXPECT_TRUE(
        std::equal(randomized.begin(), randomized.begin() + 131, records_.currentPatch.begin()));
    EXPECT_EQ(calls_, QStringList({"sendPatch", "initControls", "play", "enableButtons"}));
}
