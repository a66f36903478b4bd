// Single patches, uploads, bank uploads and globals between the transfer
// engine and the virtual instrument.
#include "protocol/Messages.h"
#include "protocol/OutputPacer.h"
#include "protocol/SysexCodec.h"
#include "protocol/TransferRig.h"
#include "support/Placeholder.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace std::chrono_literals;
using test::TransferRig;
using Bytes = std::vector<Byte>;
using Pauses = std::vector<std::pair<std::size_t, int>>;

namespace {

// The pause after a store: until `bytes` have crossed the cable at 3,125
// bytes a second (320 µs each), then 12 ms for the instrument, in whole ms.
int storePause(std::size_t bytes)
{
    return static_cast<int>((bytes * 320 + 12000 + 999) / 1000);
}

} // namespace

namespace {

PatchRecord recordPart(const PatchBuffer& buffer)
{
    PatchRecord r{};
    std::copy_n(buffer.begin(), kPatchRecordSize, r.begin());
    return r;
}

void expectRequest(const TransferHost::NumberRequest& r, const char* caption, const char* label,
                   int maximum, int digits)
{
    EXPECT_EQ(r.caption, caption);
    EXPECT_EQ(r.label, label);
    EXPECT_EQ(r.maximum, maximum);
    EXPECT_EQ(r.digits, digits);
}

} // namespace

TEST(PatchDownload, Matrix1000TakesEditBuffer)
{
    TransferRig rig(SynthModel::Matrix1000);
    rig.transfers.download();
    rig.pump();
    const PatchRecord edit = rig.instrument.editBuffer();
    EXPECT_EQ(rig.link.sent, (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7}}));
    EXPECT_EQ(recordPart(rig.records.currentPatch), edit);
    // The compare copy takes the data bytes, not the name.
    EXPECT_TRUE(std::equal(edit.begin() + 8, edit.end(), rig.records.compareData.begin() + 8));
    EXPECT_EQ(rig.records.compareData[0], 0);
    EXPECT_EQ(rig.host.initControlsCalls, 1);
    EXPECT_TRUE(rig.transfers.flags().patchLoaded);
    EXPECT_TRUE(rig.host.numberRequests.empty());

    // With the output closed Download does nothing at all.
    rig.link.open = false;
    rig.transfers.download();
    EXPECT_TRUE(rig.transfers.flags().patchLoaded);
    EXPECT_EQ(rig.link.sent.size(), 1u);
}

// The Matrix-1000's placeholder names are replaced by the names the library
// knows for the content, held as the instrument can hold them; other names
// are never looked up, and content the library does not know keeps its
// placeholder.
TEST(PatchDownload, PlaceholderNamesTakeTheLibrarysName)
{
    TransferRig rig(SynthModel::Matrix1000);
    for (int n = 0; n < 100; ++n) {
        PatchRecord record = rig.instrument.patch(0, n);
        record[kPatchNameLength] = static_cast<Byte>(n);
        rig.instrument.setPatch(0, n, record);
    }
    rig.host.library = {{3, "Warm pad"}, {7, "BRASS 1"}, {50, "a name far too long"}};

    rig.receiveBank();
    ASSERT_TRUE(rig.transfers.flags().bankLoaded);
    EXPECT_EQ(rig.host.namesAsked.size(), 100u);
    EXPECT_EQ(patchNameOf(rig.records.bank[3]), "WARM PAD");
    EXPECT_EQ(rig.host.bankCells[3], "WARM PAD");
    EXPECT_EQ(patchNameOf(rig.records.bank[7]), "BRASS 1 ");
    EXPECT_EQ(patchNameOf(rig.records.bank[50]), "A NAME F");
    EXPECT_EQ(patchNameOf(rig.records.bank[4]), "BNK0: 04");
    EXPECT_TRUE(std::equal(rig.records.bank[3].begin() + kPatchNameLength,
                           rig.records.bank[3].begin() + kPatchRecordSize,
                           rig.instrument.patch(0, 3).begin() + kPatchNameLength));

    // The editor's download: entry -1, and the caption shows the name.
    rig.instrument.receive(programChange(0, 7));
    rig.host.namesAsked.clear();
    rig.transfers.download();
    rig.pump();
    EXPECT_EQ(rig.host.namesAsked, std::vector<int>{-1});
    EXPECT_EQ(rig.host.captions.back(), "BRASS 1  - Velmora");

    // A Matrix-6 sends real names: none is looked up.
    TransferRig m6(SynthModel::Matrix6);
    m6.host.library = {{0, "NEVER"}};
    m6.receiveBank();
    EXPECT_TRUE(m6.host.namesAsked.empty());
}

TEST(PatchDownload, Matrix6WritesSlot99UnlessPatchCameFromThere)
{
    TransferRig rig(SynthModel::Matrix6);
    rig.transfers.setChannel(2);
    rig.instrument.setChannel(2);
    PatchRecord twelve = rig.instrument.patch(0, 12);
    std::copy_n("AB@ 12?_", 8, twelve.begin()); // travels as 01 02 00 20 31 32 3F 1F
    rig.instrument.setPatch(0, 12, twelve);

    rig.host.numberAnswer = 12;
    rig.transfers.download();
    rig.pump();
    ASSERT_EQ(rig.host.numberRequests.size(), 1u);
    expectRequest(rig.host.numberRequests[0], "Download from Matrix-6(R)", "Patch # (00-99)", 99,
                  2);
    EXPECT_EQ(recordPart(rig.records.currentPatch), twelve);
    EXPECT_EQ(rig.host.captions.back(), "AB@ 12?_ - Velmora");
    EXPECT_EQ(rig.link.sent,
              (std::vector<Bytes>{
                  request(RequestType::OnePatch, 12), patchToMemory(99, twelve), {0xC2, 99}}));
    EXPECT_EQ(rig.host.pauses, (Pauses{{2, storePause(7 + 275)}}));
    EXPECT_EQ(rig.instrument.patch(0, 99), twelve);
    EXPECT_EQ(rig.instrument.program(), 99);

    // Patch 99 itself is not written back.
    rig.host.numberAnswer = 99;
    rig.transfers.download();
    rig.pump();
    EXPECT_EQ(rig.link.sent.size(), 4u);
    EXPECT_EQ(rig.link.sent.back(), request(RequestType::OnePatch, 99));
    EXPECT_TRUE(rig.transfers.flags().patchLoaded);

    // Cancelled: nothing is sent and the number stays.
    rig.host.numberAnswer.reset();
    rig.host.numberRequests.clear();
    rig.transfers.download();
    EXPECT_EQ(rig.host.numberRequests.at(0).initial, 99);
    EXPECT_EQ(rig.link.sent.size(), 4u);
    EXPECT_EQ(rig.transfers.flags().patchNumber, 99);
}

TEST(PatchDownload, BadChecksumOrNoAnswerLeavesPatchUnloaded)
{
    TransferRig rig(SynthModel::Matrix6);
    rig.instrument.setFaults({.badChecksumDump = 0, .dropMessage = -1});
    rig.host.numberAnswer = 12;
    rig.transfers.download();
    rig.pump();
    EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Patch dump"});
    EXPECT_EQ(rig.host.captions, std::vector<std::string>{"Velmora"});
    EXPECT_FALSE(rig.transfers.flags().patchLoaded);
    EXPECT_EQ(rig.host.initControlsCalls, 0);
    EXPECT_EQ(rig.link.sent.size(), 1u); // not written to slot 99

    rig.deliverLimit = 1;
    rig.transfers.download();
    rig.pump();
    rig.host.clock += DumpReceiver::kStallTimeout;
    EXPECT_TRUE(rig.transfers.checkStall());
    EXPECT_EQ(rig.host.messages.back(), "The instrument did not answer the patch request. "
                                        "The current patch was not changed.");
    EXPECT_FALSE(rig.transfers.receiving());
}

TEST(PatchUpload, Matrix1000Patch100GoesToBank1Slot0)
{
    TransferRig rig(SynthModel::Matrix1000);
    rig.transfers.setChannel(3);
    rig.instrument.setChannel(3);
    rig.records.currentPatch = {};
    std::copy_n("UPLOADED", 8, rig.records.currentPatch.begin());
    rig.records.currentPatch[50] = 0x99; // outside every documented range: sent as held
    const PatchRecord record = recordPart(rig.records.currentPatch);
    rig.transfers.flags().patchNumber = 42;

    rig.host.numberAnswer = 100; // the first number of bank 1
    rig.transfers.storePatch();
    expectRequest(rig.host.numberRequests.at(0), "Upload To Matrix-1000", "Patch # (000-199)", 199,
                  3);
    EXPECT_EQ(rig.host.numberRequests[0].initial, -1);
    EXPECT_EQ(rig.link.sent,
              (std::vector<Bytes>{
                  {0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7}, patchToMemory(0, record), {0xC3, 0}}));
    // Between the store and the program change, once both messages are through.
    EXPECT_EQ(rig.host.pauses, (Pauses{{2, storePause(6 + 275)}}));
    EXPECT_EQ(rig.instrument.patch(1, 0), test::asMatrix1000Sends(record, 1, 0));
    EXPECT_EQ(rig.transfers.flags().patchNumber, 100);

    rig.host.numberAnswer.reset();
    rig.transfers.storePatch();
    EXPECT_EQ(rig.transfers.flags().patchNumber, -1);
    rig.host.numberAnswer = 3;
    rig.link.open = false;
    rig.transfers.storePatch(); // a closed output would throw if handed anything
    EXPECT_EQ(rig.link.sent.size(), 3u);
}

TEST(PatchUpload, Matrix6HasNoBankSelect)
{
    TransferRig rig(SynthModel::Matrix6);
    rig.host.numberAnswer = 7;
    rig.transfers.storePatch();
    expectRequest(rig.host.numberRequests.at(0), "Upload To Matrix-6(R)", "Patch # (00-99)", 99, 2);
    EXPECT_EQ(rig.link.sent, (std::vector<Bytes>{
                                 patchToMemory(7, recordOf(rig.records.currentPatch)), {0xC0, 7}}));
    EXPECT_EQ(rig.host.pauses, (Pauses{{1, storePause(275)}}));
}

TEST(WholePatch, SentOnlyWhenLoaded)
{
    TransferRig m1000(SynthModel::Matrix1000);
    m1000.transfers.midiSendPatch();
    EXPECT_TRUE(m1000.link.sent.empty());
    m1000.transfers.flags().patchLoaded = true;
    m1000.records.currentPatch[20] = 33;
    m1000.transfers.midiSendPatch();
    EXPECT_EQ(m1000.instrument.editBuffer(),
              test::asMatrix1000Sends(recordPart(m1000.records.currentPatch), 0, 0));

    TransferRig m6(SynthModel::Matrix6);
    m6.transfers.midiSendPatch();
    EXPECT_TRUE(m6.link.sent.empty());
    m6.transfers.flags().patchLoaded = true;
    m6.transfers.midiSendPatch();
    EXPECT_EQ(m6.link.sent, (std::vector<Bytes>{
                                patchToMemory(99, recordOf(m6.records.currentPatch)), {0xC0, 99}}));
    EXPECT_EQ(m6.host.pauses, (Pauses{{1, storePause(275)}}));
}

TEST(BankUpload, Matrix1000AsksBankAndSendsHundredPatches)
{
    TransferRig rig(SynthModel::Matrix1000);
    for (int n = 0; n < 100; ++n)
        std::ranges::copy(rig.instrument.patch(0, 99 - n),
                          rig.records.bank[static_cast<std::size_t>(n)].begin());

    // Cancelled, then not loaded: only the bank select goes.
    rig.transfers.sendBank();
    EXPECT_EQ(rig.transfers.flags().bankChoice, -1);
    EXPECT_TRUE(rig.link.sent.empty());
    rig.host.bankAnswer = 1;
    rig.transfers.sendBank();
    EXPECT_EQ(rig.link.sent, std::vector<Bytes>{bankSelect(1)});

    rig.link.sent.clear();
    rig.host.pauses.clear();
    rig.transfers.flags().bankLoaded = true;
    rig.transfers.sendBank();
    ASSERT_EQ(rig.link.sent.size(), 101u);
    EXPECT_EQ(rig.link.sent[0], bankSelect(1));
    // Each store waits for its own bytes to leave the cable: a buffering
    // interface must not get the next patch before the instrument has this one.
    Pauses expected{{1, storePause(6)}};
    for (std::size_t i = 2; i <= 101; ++i)
        expected.emplace_back(i, storePause(275));
    EXPECT_EQ(rig.host.pauses, expected);
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(rig.instrument.patch(1, n),
                  test::asMatrix1000Sends(rig.instrument.patch(0, 99 - n), 1, n))
            << n;
    EXPECT_EQ(rig.host.progressOpened,
              (std::vector<std::pair<std::string, int>>{{"Sending Bank...", 99}}));
    EXPECT_EQ(rig.host.progressPosition, 99);
    EXPECT_EQ(rig.host.progressOpen, 0);
    EXPECT_EQ(rig.host.bankDialogs, 3);

    // A closed output is still handed the bank select and refuses it.
    rig.link.open = false;
    EXPECT_THROW(rig.transfers.sendBank(), std::runtime_error);
}

TEST(BankUpload, Matrix6UsesBank0WithoutAsking)
{
    TransferRig rig(SynthModel::Matrix6);
    rig.transfers.flags().bankLoaded = true;
    rig.transfers.sendBank();
    EXPECT_EQ(rig.host.bankDialogs, 0);
    EXPECT_EQ(rig.link.sent.size(), 101u);
    EXPECT_EQ(rig.link.sent[0], bankSelect(0));
}

// A unit that needs longer gets it: the pause set is the one after every
// store, the single patch's and each of a bank's alike, and after the bank
// select.
TEST(BankUpload, TheStorePauseSetIsTakenAfterEveryStore)
{
    TransferRig rig(SynthModel::Matrix1000);
    EXPECT_EQ(rig.transfers.storePause(), 12ms);
    rig.transfers.setStorePause(150ms);
    const auto paused = [](std::size_t bytes) {
        return static_cast<int>((bytes * 320 + 150000 + 999) / 1000);
    };

    rig.host.numberAnswer = 5;
    rig.transfers.storePatch();
    EXPECT_EQ(rig.host.pauses, (Pauses{{2, paused(6 + 275)}}));

    TransferRig bank(SynthModel::Matrix1000);
    bank.transfers.setStorePause(150ms);
    bank.host.bankAnswer = 0;
    bank.transfers.flags().bankLoaded = true;
    bank.transfers.sendBank();
    ASSERT_EQ(bank.link.sent.size(), 101u);
    Pauses expected{{1, paused(6)}};
    for (std::size_t i = 2; i <= 101; ++i)
        expected.emplace_back(i, paused(275));
    EXPECT_EQ(bank.host.pauses, expected);
}

// A Matrix-6 plays an edited patch from slot 99: a store, so the longer
// pause set for stores holds before the program change there too.
TEST(WholePatch, Matrix6WorkingSlotWaitsTheStorePause)
{
    for (const auto& [set, waited] : {std::pair{12ms, 20ms}, std::pair{60ms, 60ms}}) {
        TransferRig rig(SynthModel::Matrix6);
        OutputPacer::Clock::time_point now{};
        std::optional<OutputPacer::Clock::time_point> wakeAt;
        OutputPacer pacer(
            rig.link, [&] { return now; }, [&](OutputPacer::Clock::time_point at) { wakeAt = at; });
        rig.transfers.setPacer(&pacer);
        rig.transfers.setStorePause(set);
        rig.transfers.flags().patchLoaded = true;
        rig.transfers.send6Patch();
        ASSERT_EQ(rig.link.sent.size(), 1u); // the store; the program change waits
        ASSERT_TRUE(wakeAt);
        EXPECT_EQ(*wakeAt - OutputPacer::Clock::time_point{}, cableTime(275) + waited);
        now = *wakeAt;
        pacer.wake();
        EXPECT_EQ(rig.link.sent.back(), (Bytes{0xC0, 99}));
    }
}

TEST(GlobalDump, GoodDumpsFillRecordAndBadOnesAreRejected)
{
    for (const SynthModel model : {SynthModel::Matrix1000, SynthModel::Matrix6}) {
        SCOPED_TRACE(modelName(model));
        TransferRig rig(model);
        rig.transfers.requestGlobals();
        ASSERT_EQ(rig.pending.size(), 1u);
        Bytes bad = rig.pending.front();
        // One data nibble off by two: the checksum fits neither rule.
        bad[kDumpHeaderSize] ^= 0x02;
        // The units answer with the record's version in msg[4] and the plain sum.
        const Bytes answer = rig.pending.front();
        EXPECT_EQ(answer[4], model == SynthModel::Matrix6 ? 0x02 : 0x03);
        rig.pump();
        const auto global = rig.instrument.global();
        EXPECT_EQ(answer[answer.size() - 2], dumpChecksum(global));
        EXPECT_EQ(global.size(), model == SynthModel::Matrix6 ? kMaster6Size : kGlobal1000Size);
        EXPECT_TRUE(std::equal(global.begin(), global.end(), rig.records.global.begin()));
        EXPECT_TRUE(rig.transfers.flags().globalReceived);
        EXPECT_EQ(rig.host.refreshGlobalsCalls, 1);

        // The record keeps the good dump; only the Matrix-6 complains.
        const auto before = rig.records.global;
        rig.transfers.handleSysex(bad);
        EXPECT_EQ(rig.records.global, before);
        EXPECT_EQ(rig.host.refreshGlobalsCalls, 1);
        if (model == SynthModel::Matrix6) {
            EXPECT_FALSE(rig.transfers.flags().globalReceived);
            EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Master dump"});
        } else {
            EXPECT_TRUE(rig.transfers.flags().globalReceived);
            EXPECT_TRUE(rig.host.messages.empty());
        }

        // A dump that carries the end-around-carry sum, as older files do, is
        // taken too.
        Bytes carried = answer;
        carried[carried.size() - 2] = globalChecksum(global);
        rig.records.global = {};
        rig.transfers.handleSysex(carried);
        EXPECT_TRUE(std::equal(global.begin(), global.end(), rig.records.global.begin()));
    }
}
