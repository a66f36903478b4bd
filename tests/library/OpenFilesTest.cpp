// Files as instruments, other tools and Velmora itself leave them, opened
// with the file commands: captures with a bank select, a request or another
// maker's message in them, Matrix-6 and edit-buffer messages, MIDI files,
// parts of banks and collections of several, bad checksums, noise and files
// cut short; what is asked and told, and what the records hold after.
#include "library/LibraryRig.h"
#include "support/MidiFiles.h"

#include <random>

using namespace velmora;
using namespace velmora::test;

namespace {

// Patch message `number` of `patch`, with device byte `device` and opcode
// `op` (01 to memory, 0D for the edit buffer).
Bytes patchMessage(const PatchBuffer& patch, int number, Byte device = 0x06,
                   Byte op = opcode::patchToMemory)
{
    Bytes m = blockMessage(op, static_cast<Byte>(number), recordOf(patch));
    m[2] = device;
    return m;
}

Bytes& operator<<(Bytes& bytes, const Bytes& more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

class OpenFiles : public LibraryRig
{
protected:
    OpenFiles()
    {
        for (std::size_t k = 0; k < kBankPatchCount; ++k)
            source_[k] = untidyPatch(static_cast<std::uint32_t>(500 + k));
    }
    void openBank(const std::string& name, const Bytes& bytes)
    {
        dialogs_.answer(dir_.write(name, bytes));
        files_.openBank();
    }
    // Entries `first`.. hold source patches `from`.., in order.
    bool holds(int first, int count, int from = 0) const
    {
        for (int k = 0; k < count; ++k)
            if (!sameRecord(records_.bank[std::size_t(first + k)], source_[std::size_t(from + k)]))
                return false;
        return true;
    }

    Bank source_{};
};

} // namespace

TEST_F(OpenFiles, CapturesAndOtherToolsFilesOpenByteForByte)
{
    // A capture that begins with the bank select that asked for it, with a
    // request and another maker's message in the middle, written for a
    // Matrix-6 (device 7F) as well: the same bank, untidy names and all.
    for (const Byte device : {Byte(0x06), Byte(0x7F)}) {
        Bytes capture = {0xF0, 0x10, 0x06, 0x0A, 0x00, 0xF7};
        for (int k = 0; k < 100; ++k) {
            if (k == 50)
                capture << Bytes{0xF0, 0x10, 0x06, 0x04, 0x00, 0x00, 0xF7}
                        << Bytes{0xF0, 0x43, 0x10, 0x01, 0x02, 0xF7};
            capture << patchMessage(source_[std::size_t(k)], k, device);
        }
        openBank("capture.syx", capture);
        EXPECT_TRUE(holds(0, 100));
        EXPECT_EQ(filledEntries_.size(), 100);
        // As a Standard MIDI File, in packets as some librarians write it.
        records_.bank = Bank{};
        openBank("capture.mid", midiFileOf(capture, 1, true));
        EXPECT_TRUE(holds(0, 100));
    }
    EXPECT_TRUE(dialogs_.told.isEmpty()) << dialogs_.told.join('\n').toStdString();
    EXPECT_EQ(calls_.last(), "enableButtons");

    // A patch for the edit buffer (0D) opens in the editor.
    dialogs_.answer(dir_.write("edit.syx", patchMessage(source_[3], 0, 0x06, 0x0D)));
    files_.openPatch();
    EXPECT_TRUE(sameRecord(records_.currentPatch, source_[3]));
    EXPECT_EQ(calls_.mid(calls_.size() - 5),
              (QStringList{"main: edit.syx - Velmora", "initControls", "sendPatch", "play",
                           "enableButtons"}));

    // A file cut short: what is whole is read, and the user is told.
    Bytes cut = dir_.read("capture.syx");
    cut.resize(27000);
    openBank("cut.syx", cut);
    EXPECT_EQ(dialogs_.told.last(),
              "inform: Read 98 patches from cut.syx into entries 0-97; the other entries were "
              "left as they were. 1 message cut short was skipped.");
}

TEST_F(OpenFiles, PartsOfBanksArePlacedByNumberAndTheRestStays)
{
    const Bank before = records_.bank;
    Bytes twelve;
    for (int k = 40; k < 52; ++k)
        twelve << patchMessage(source_[std::size_t(k)], k);
    openBank("twelve.syx", twelve);
    EXPECT_TRUE(holds(40, 12, 40));
    EXPECT_EQ(records_.bank[39], before[39]);
    EXPECT_EQ(records_.bank[52], before[52]);
    EXPECT_EQ(filledEntries_, (QList<int>{40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51}));
    EXPECT_EQ(dialogs_.told, QStringList{"inform: Read 12 patches from twelve.syx into entries "
                                         "40-51; the other entries were left as they were."});

    // Numbers that collide (edit-buffer messages all carry 0): file order.
    Bytes same;
    for (int k = 0; k < 3; ++k)
        same << patchMessage(source_[std::size_t(k)], 0, 0x06, 0x0D);
    openBank("same.syx", same);
    EXPECT_TRUE(holds(0, 3));
    EXPECT_EQ(records_.bank[3], before[3]);

    // From the main window the file opens as a bank in the bank manager.
    calls_.clear();
    const PatchBuffer editing = records_.currentPatch;
    dialogs_.answer(dir_.path("twelve.syx"));
    files_.openPatch();
    EXPECT_EQ(records_.currentPatch, editing);
    EXPECT_TRUE(calls_.contains("showBankManager"));
    EXPECT_EQ(patchFolder_, folder());
    EXPECT_EQ(bankFolder_, folder());

    // Into one entry or one split: the first, and the user is told.
    dialogs_.answer(dir_.path("twelve.syx"));
    files_.openPatch(7);
    EXPECT_TRUE(sameRecord(records_.bank[7], source_[40]));
    Bytes splits;
    for (int s = 0; s < 3; ++s)
        splits << splitData(Byte(s), SplitRecord{Byte('A' + s)});
    dialogs_.answer(dir_.write("splits.syx", splits));
    files_.importSplit(9);
    EXPECT_EQ(records_.splits[9][0], 'A');
    EXPECT_EQ(
        dialogs_.told.mid(dialogs_.told.size() - 2),
        (QStringList{"inform: twelve.syx holds 12 patches; the first was read into entry 7.",
                     "inform: splits.syx holds 3 splits; the first was imported as split 9."}));
}

TEST_F(OpenFiles, BadChecksumsAreNamedAndKeptDroppedOrCancelled)
{
    Bytes bank = bankMessages(source_);
    const Bank before = records_.bank;
    for (const std::size_t bad : {37u, 52u})
        bank[bad * kPatchMessageSize + 273] ^= 1;
    dialogs_.checksumAnswers = {BadChecksumAnswer::Cancel, BadChecksumAnswer::Drop,
                                BadChecksumAnswer::Keep};
    openBank("bad.syx", bank);
    EXPECT_EQ(records_.bank, before);
    EXPECT_FALSE(flags_.bankLoaded);
    EXPECT_EQ(dialogs_.told,
              QStringList{"checksums: These messages of bad.syx have a bad checksum: their data "
                          "may be damaged.\n\npatch 37\npatch 52\n\nKeep them as they stand, or "
                          "drop them?"});
    openBank("bad.syx", bank);
    EXPECT_TRUE(holds(0, 37));
    EXPECT_EQ(records_.bank[37], before[37]);
    EXPECT_EQ(records_.bank[52], before[52]);
    EXPECT_EQ(dialogs_.told.last(), "inform: Read 98 patches from bad.syx into entries 0-36, "
                                    "38-51, 53-99; the other entries were left as they were.");
    // Kept: the bytes as they stand.
    openBank("bad.syx", bank);
    EXPECT_TRUE(holds(0, 100));

    // One patch, from the main window: named by the number it carries.
    Bytes one = patchMessage(source_[5], 5);
    one[273] ^= 1;
    dialogs_.checksumAnswers = {BadChecksumAnswer::Cancel};
    dialogs_.answer(dir_.write("lead.syx", one));
    files_.openPatch();
    EXPECT_EQ(dialogs_.told.last(), "checksums: patch 5 of lead.syx has a bad checksum: its data "
                                    "may be damaged.\n\nKeep it as it stands, or drop it?");
    EXPECT_FALSE(flags_.patchLoaded);
}

TEST_F(OpenFiles, CollectionsOfSeveralBanksAskWhichHundred)
{
    Bytes many;
    for (int k = 0; k < 250; ++k)
        many << patchMessage(source_[std::size_t(k % 100)], k % 100);
    const Bank before = records_.bank;
    dialogs_.pick(std::nullopt);
    openBank("many.syx", many);
    EXPECT_EQ(records_.bank, before);
    EXPECT_EQ(dialogs_.told,
              QStringList{"choose: many.syx holds 250 patches; a bank holds 100. Which of them "
                          "shall be read? [patches 1-100|patches 101-200|patches 201-250]"});
    dialogs_.pick(2);
    openBank("many.syx", many);
    EXPECT_TRUE(holds(0, 50));
    EXPECT_EQ(records_.bank[50], before[50]);

    // A Matrix-6 follows its bank with its edit buffer, numbered 100.
    dialogs_.told.clear();
    Bytes six = bankMessages(source_);
    six << patchMessage(source_[0], 100);
    openBank("six.syx", six);
    EXPECT_TRUE(holds(0, 100));
    EXPECT_TRUE(dialogs_.told.isEmpty());
}

TEST_F(OpenFiles, AWholeCaptureBringsItsSplitsAndOffersTheGlobalSettings)
{
    // What the instrument answers to a request for all: the bank, 80 split
    // messages of which the table takes 50, and the global record.
    Bytes capture = bankMessages(source_);
    for (int s = 0; s < 80; ++s)
        capture << splitData(Byte(s), SplitRecord{Byte(s)});
    std::array<Byte, kGlobal1000Size> global{};
    global.fill(0x2A);
    capture << blockMessage(opcode::masterData, 0, global);
    const auto globalBefore = records_.global;
    dialogs_.yesNo = {false, true};
    for (int answer = 0; answer < 2; ++answer) {
        openBank("all.syx", capture);
        EXPECT_TRUE(holds(0, 100));
        EXPECT_EQ(records_.splits[49][0], 49);
    }
    EXPECT_EQ(filledSplits_.size(), 50);
    EXPECT_EQ(dialogs_.told.mid(0, 2),
              (QStringList{"yes/no: all.syx also holds the instrument's global settings. Show "
                           "them in the global controls?",
                           "inform: Read 100 patches and 50 splits from all.syx into entries "
                           "0-99 and splits 0-49."}));
    EXPECT_TRUE(std::equal(global.begin(), global.end(), records_.global.begin()));
    EXPECT_EQ(records_.global[kGlobal1000Size], globalBefore[kGlobal1000Size]);
    EXPECT_TRUE(flags_.globalReceived);
    EXPECT_EQ(calls_.count("initGlobalControls"), 1);

    // A Matrix-6 master record fills the whole global record.
    std::array<Byte, kMaster6Size> master{};
    master.fill(0x15);
    dialogs_.yesNo = {true};
    Bytes six = bankMessages(source_);
    openBank("six.syx", six << blockMessage(opcode::masterData, 0, master));
    EXPECT_EQ(records_.global, master);
}

TEST_F(OpenFiles, FilesWithoutWhatWasAskedForAreRefusedAndChangeNothing)
{
    const SynthRecords before = records_;
    Bytes noise(27500);
    std::mt19937 draw(7);
    std::ranges::generate(noise, [&] { return Byte(draw()); });
    openBank("noise.syx", noise);
    const SysexContents read = readSysex(noise);
    EXPECT_EQ(calls_.first(), QString("error: noise.syx holds no patch: %1.")
                                  .arg(QString::fromStdString(read.skippedText())));
    ASSERT_GT(read.cutShort, 0u);

    dialogs_.answer(dir_.write("lead.syx", patchMessage(source_[1], 1)));
    files_.importSplit(4);
    dialogs_.answer(dir_.write("empty.syx", {}));
    files_.openPatch();
    dialogs_.answer(dir_.write("song.mid", midiFileOf({}, 0, false)));
    files_.openPatch(3);
    EXPECT_EQ(calls_.filter("error: "),
              (QStringList{calls_.first(), "error: lead.syx holds no split: 1 patch.",
                           "error: empty.syx holds no patch: it is empty.",
                           "error: song.mid holds no patch: no SysEx messages."}));
    EXPECT_EQ(records_.bank, before.bank);
    EXPECT_EQ(records_.splits, before.splits);
    EXPECT_EQ(records_.currentPatch, before.currentPatch);
    EXPECT_FALSE(flags_.bankLoaded || flags_.patchLoaded);
}
