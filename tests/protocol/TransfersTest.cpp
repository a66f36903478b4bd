// Single patches, uploads, bank uploads and globals between the transfer
// engine and the virtual instrument.
#include "Messages.h"
#include "SysexCodec.h"
#include "TransferRig.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace std::chrono_literals;
using test::TransferRig;
using Bytes = std::vector<Byte>;
using Pauses = std::vector<std::pair<std::size_t, int>>;

namespace {

PatchRecord RecordPart(const PatchBuffer& buffer)
{
    PatchRecord r{};
    std::copy_n(buffer.begin(), kPatchRecordSize, r.begin());
    return r;
}

void ExpectRequest(const TransferHost::NumberRequest& r, const char* caption, const char* label,
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
    TransferRig rig(Model::Matrix1000);
    rig.transfers.Download();
    rig.Pump();
    const PatchRecord edit = rig.instrument.EditBuffer();
    EXPECT_EQ(rig.link.sent, (std::vector<Bytes>{{0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7}}));
    EXPECT_EQ(RecordPart(rig.records.CurrentPatch), edit);
    // The compare copy takes the data bytes, not the name.
    EXPECT_TRUE(std::equal(edit.begin() + 8, edit.end(), rig.records.CompareData.begin() + 8));
    EXPECT_EQ(rig.records.CompareData[0], 0);
    EXPECT_EQ(rig.host.initControls, 1);
    EXPECT_TRUE(rig.transfers.Flags().PatchLoaded);
    EXPECT_TRUE(rig.host.numberRequests.empty());

    // With the output closed Download does nothing at all.
    rig.link.open = false;
    rig.transfers.Download();
    EXPECT_TRUE(rig.transfers.Flags().PatchLoaded);
    EXPECT_EQ(rig.link.sent.size(), 1u);
}

TEST(PatchDownload, Matrix6WritesSlot99UnlessPatchCameFromThere)
{
    TransferRig rig(Model::Matrix6);
    rig.transfers.SetChannel(2);
    rig.instrument.SetChannel(2);
    PatchRecord twelve = rig.instrument.Patch(0, 12);
    std::copy_n("AB@ 12?_", 8, twelve.begin()); // travels as 01 02 00 20 31 32 3F 1F
    rig.instrument.SetPatch(0, 12, twelve);

    rig.host.numberAnswer = 12;
    rig.transfers.Download();
    rig.Pump();
    ASSERT_EQ(rig.host.numberRequests.size(), 1u);
    ExpectRequest(rig.host.numberRequests[0], "Download from Matrix-6(R)", "Patch # (00-99)", 99,
                  2);
    EXPECT_EQ(RecordPart(rig.records.CurrentPatch), twelve);
    EXPECT_EQ(rig.host.captions.back(), "AB@ 12?_ - Velmora");
    EXPECT_EQ(rig.link.sent,
              (std::vector<Bytes>{
                  Request(RequestType::OnePatch, 12), PatchToMemory(99, twelve), {0xC2, 99}}));
    EXPECT_EQ(rig.host.pauses, (Pauses{{2, 12}}));
    EXPECT_EQ(rig.instrument.Patch(0, 99), twelve);
    EXPECT_EQ(rig.instrument.Program(), 99);

    // Patch 99 itself is not written back.
    rig.host.numberAnswer = 99;
    rig.transfers.Download();
    rig.Pump();
    EXPECT_EQ(rig.link.sent.size(), 4u);
    EXPECT_EQ(rig.link.sent.back(), Request(RequestType::OnePatch, 99));
    EXPECT_TRUE(rig.transfers.Flags().PatchLoaded);

    // Cancelled: nothing is sent and the number stays.
    rig.host.numberAnswer.reset();
    rig.host.numberRequests.clear();
    rig.transfers.Download();
    EXPECT_EQ(rig.host.numberRequests.at(0).initial, 99);
    EXPECT_EQ(rig.link.sent.size(), 4u);
    EXPECT_EQ(rig.transfers.Flags().PatchNumber, 99);
}

TEST(PatchDownload, BadChecksumOrNoAnswerLeavesPatchUnloaded)
{
    TransferRig rig(Model::Matrix6);
    rig.instrument.SetFaults({.badChecksumDump = 0, .dropMessage = -1});
    rig.host.numberAnswer = 12;
    rig.transfers.Download();
    rig.Pump();
    EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Patch dump"});
    EXPECT_EQ(rig.host.captions, std::vector<std::string>{"Velmora"});
    EXPECT_FALSE(rig.transfers.Flags().PatchLoaded);
    EXPECT_EQ(rig.host.initControls, 0);
    EXPECT_EQ(rig.link.sent.size(), 1u); // not written to slot 99

    rig.deliverLimit = 1;
    rig.transfers.Download();
    rig.Pump();
    rig.host.now += DumpReceiver::kStallTimeout;
    EXPECT_TRUE(rig.transfers.CheckStall());
    EXPECT_EQ(rig.host.messages.back(), "The instrument did not answer the patch request. "
                                        "The current patch was not changed.");
    EXPECT_FALSE(rig.transfers.Receiving());
}

TEST(PatchUpload, Matrix1000Patch100GoesToBank1Slot0)
{
    TransferRig rig(Model::Matrix1000);
    rig.transfers.SetChannel(3);
    rig.instrument.SetChannel(3);
    rig.records.CurrentPatch = {};
    std::copy_n("UPLOADED", 8, rig.records.CurrentPatch.begin());
    rig.records.CurrentPatch[50] = 0x99; // outside every documented range: sent as held
    const PatchRecord record = RecordPart(rig.records.CurrentPatch);
    rig.transfers.Flags().PatchNumber = 42;

    rig.host.numberAnswer = 100; // the first number of bank 1
    rig.transfers.StorePatch();
    ExpectRequest(rig.host.numberRequests.at(0), "Upload To Matrix-1000", "Patch # (000-199)", 199,
                  3);
    EXPECT_EQ(rig.host.numberRequests[0].initial, -1);
    EXPECT_EQ(rig.link.sent,
              (std::vector<Bytes>{
                  {0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7}, PatchToMemory(0, record), {0xC3, 0}}));
    EXPECT_EQ(rig.host.pauses, (Pauses{{2, 12}})); // between the store and the program change
    EXPECT_EQ(rig.instrument.Patch(1, 0), record);
    EXPECT_EQ(rig.transfers.Flags().PatchNumber, 100);

    rig.host.numberAnswer.reset();
    rig.transfers.StorePatch();
    EXPECT_EQ(rig.transfers.Flags().PatchNumber, -1);
    rig.host.numberAnswer = 3;
    rig.link.open = false;
    rig.transfers.StorePatch(); // a closed output would throw if handed anything
    EXPECT_EQ(rig.link.sent.size(), 3u);
}

TEST(PatchUpload, Matrix6HasNoBankSelect)
{
    TransferRig rig(Model::Matrix6);
    rig.host.numberAnswer = 7;
    rig.transfers.StorePatch();
    ExpectRequest(rig.host.numberRequests.at(0), "Upload To Matrix-6(R)", "Patch # (00-99)", 99, 2);
    EXPECT_EQ(rig.link.sent, (std::vector<Bytes>{
                                 PatchToMemory(7, RecordOf(rig.records.CurrentPatch)), {0xC0, 7}}));
    EXPECT_EQ(rig.host.pauses, (Pauses{{1, 12}}));
}

TEST(WholePatch, SentOnlyWhenLoaded)
{
    TransferRig m1000(Model::Matrix1000);
    m1000.transfers.MidiSendPatch();
    EXPECT_TRUE(m1000.link.sent.empty());
    m1000.transfers.Flags().PatchLoaded = true;
    m1000.records.CurrentPatch[20] = 33;
    m1000.transfers.MidiSendPatch();
    EXPECT_EQ(m1000.instrument.EditBuffer(), RecordPart(m1000.records.CurrentPatch));

    TransferRig m6(Model::Matrix6);
    m6.transfers.MidiSendPatch();
    EXPECT_TRUE(m6.link.sent.empty());
    m6.transfers.Flags().PatchLoaded = true;
    m6.transfers.MidiSendPatch();
    EXPECT_EQ(m6.link.sent, (std::vector<Bytes>{
                                PatchToMemory(99, RecordOf(m6.records.CurrentPatch)), {0xC0, 99}}));
    EXPECT_EQ(m6.host.pauses, (Pauses{{1, 12}}));
}

TEST(BankUpload, Matrix1000AsksBankAndSendsHundredPatches)
{
    TransferRig rig(Model::Matrix1000);
    for (int n = 0; n < 100; ++n)
        std::ranges::copy(rig.instrument.Patch(0, 99 - n),
                          rig.records.Bank[static_cast<std::size_t>(n)].begin());

    // Cancelled, then not loaded: only the bank select goes.
    rig.transfers.SendBank();
    EXPECT_EQ(rig.transfers.Flags().BankChoice, -1);
    EXPECT_TRUE(rig.link.sent.empty());
    rig.host.bankAnswer = 1;
    rig.transfers.SendBank();
    EXPECT_EQ(rig.link.sent, std::vector<Bytes>{BankSelect(1)});

    rig.link.sent.clear();
    rig.host.pauses.clear();
    rig.transfers.Flags().BankLoaded = true;
    rig.transfers.SendBank();
    ASSERT_EQ(rig.link.sent.size(), 101u);
    EXPECT_EQ(rig.link.sent[0], BankSelect(1));
    Pauses expected;
    for (std::size_t i = 1; i <= 101; ++i)
        expected.emplace_back(i, 12);
    EXPECT_EQ(rig.host.pauses, expected);
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(rig.instrument.Patch(1, n), rig.instrument.Patch(0, 99 - n)) << n;
    EXPECT_EQ(rig.host.progressOpened,
              (std::vector<std::pair<std::string, int>>{{"Sending Bank...", 99}}));
    EXPECT_EQ(rig.host.progressPosition, 99);
    EXPECT_EQ(rig.host.progressOpen, 0);
    EXPECT_EQ(rig.host.bankDialogs, 3);

    // A closed output is still handed the bank select and refuses it.
    rig.link.open = false;
    EXPECT_THROW(rig.transfers.SendBank(), std::runtime_error);
}

TEST(BankUpload, Matrix6UsesBank0WithoutAsking)
{
    TransferRig rig(Model::Matrix6);
    rig.transfers.Flags().BankLoaded = true;
    rig.transfers.SendBank();
    EXPECT_EQ(rig.host.bankDialogs, 0);
    EXPECT_EQ(rig.link.sent.size(), 101u);
    EXPECT_EQ(rig.link.sent[0], BankSelect(0));
}

TEST(GlobalDump, GoodDumpsFillRecordAndBadOnesAreRejected)
{
    for (const Model model : {Model::Matrix1000, Model::Matrix6}) {
        SCOPED_TRACE(ModelName(model));
        TransferRig rig(model);
        rig.transfers.RequestGlobals();
        ASSERT_EQ(rig.pending.size(), 1u);
        Bytes bad = rig.pending.front();
        bad[kDumpHeaderSize] ^= 0x01; // one data nibble off: the checksum no longer fits
        rig.Pump();
        const auto global = rig.instrument.Global();
        EXPECT_EQ(global.size(), model == Model::Matrix6 ? kMaster6Size : kGlobal1000Size);
        EXPECT_TRUE(std::equal(global.begin(), global.end(), rig.records.Global.begin()));
        EXPECT_TRUE(rig.transfers.Flags().GlobalReceived);
        EXPECT_EQ(rig.host.refreshGlobals, 1);

        // The record keeps the good dump; only the Matrix-6 complains.
        const auto before = rig.records.Global;
        rig.transfers.HandleSysex(bad);
        EXPECT_EQ(rig.records.Global, before);
        EXPECT_EQ(rig.host.refreshGlobals, 1);
        if (model == Model::Matrix6) {
            EXPECT_FALSE(rig.transfers.Flags().GlobalReceived);
            EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Master dump"});
        } else {
            EXPECT_TRUE(rig.transfers.Flags().GlobalReceived);
            EXPECT_TRUE(rig.host.messages.empty());
        }
    }
}
