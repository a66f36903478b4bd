// Bank downloads against the virtual instrument: the whole answer, a bad
// entry, a stalled or cancelled receive, short answers and the split part.
#include "Messages.h"
#include "TransferRig.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace std::chrono_literals;
using test::TransferRig;
using Bytes = std::vector<Byte>;

namespace {

PatchRecord RecordPart(const PatchBuffer& buffer)
{
    PatchRecord r{};
    std::copy_n(buffer.begin(), kPatchRecordSize, r.begin());
    return r;
}

struct BankReceive : ::testing::TestWithParam<Model>
{
    BankReceive()
    {
        // A bank that is recognisably the program's own.
        for (std::size_t n = 0; n < kBankPatchCount; ++n)
            rig.records.Bank[n].fill(static_cast<Byte>(0x20 + n % 60));
        old = rig.records.Bank;
        rig.records.CurrentPatch.fill(0x11);
    }
    bool Matrix6() const { return GetParam() == Model::Matrix6; }

    // The bank and its grid are as before the download; nothing went to the
    // instrument but the request.
    void ExpectBankKept(int cellsWritten)
    {
        EXPECT_EQ(rig.records.Bank, old);
        for (int i = 0; i < cellsWritten; ++i)
            EXPECT_EQ(rig.host.bankCells[i], PatchNameOf(old[static_cast<std::size_t>(i)])) << i;
        EXPECT_FALSE(rig.transfers.Flags().BankLoaded);
        EXPECT_FALSE(rig.transfers.Flags().BankReceiving);
        EXPECT_EQ(rig.host.progressOpen, 0);
        EXPECT_EQ(rig.link.sent, std::vector<Bytes>{Request(RequestType::All)});
    }

    TransferRig rig{GetParam()};
    std::array<PatchBuffer, kBankPatchCount> old{};
};

} // namespace

TEST_P(BankReceive, WholeAnswerFillsBankSplitsAndGlobals)
{
    // Slot 99 differs from the Matrix-6's trailing edit buffer, which must be dropped.
    PatchRecord slot99 = rig.instrument.Patch(0, 5);
    std::copy_n("SLOT 99 ", 8, slot99.begin());
    rig.instrument.SetPatch(0, 99, slot99);
    ASSERT_NE(rig.instrument.EditBuffer(), slot99);
    rig.records.Bank[3][134] = 0x5A;

    rig.ReceiveBank();

    const TransferFlags& flags = rig.transfers.Flags();
    // The grid and the caption are checked on the bank manager itself.
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(RecordPart(rig.records.Bank[static_cast<std::size_t>(n)]),
                  rig.instrument.Patch(0, n))
            << n;
    EXPECT_EQ(rig.records.Bank[3][134], 0x5A); // the untransferred byte stays
    for (int n = 0; n < 50; ++n)
        EXPECT_EQ(rig.records.Splits[static_cast<std::size_t>(n)], rig.instrument.Split(n)) << n;
    const auto global = rig.instrument.Global();
    EXPECT_TRUE(std::equal(global.begin(), global.end(), rig.records.Global.begin()));

    EXPECT_TRUE(flags.BankLoaded);
    EXPECT_FALSE(flags.BankReceiving);
    EXPECT_EQ(flags.BankCount, Matrix6() ? 101 : 100);
    EXPECT_TRUE(flags.SplitsReceived);
    EXPECT_EQ(flags.SplitCount, Matrix6() ? 50 : 80);
    EXPECT_TRUE(flags.GlobalReceived);
    const std::pair<std::string, int> splits =
        Matrix6() ? std::pair<std::string, int>{"Receiving Splits...", 50}
                  : std::pair<std::string, int>{"Receiving Dummy Splits...", 80};
    EXPECT_EQ(rig.host.progressOpened,
              (std::vector<std::pair<std::string, int>>{{"Receiving Patches...", 100}, splits}));
    EXPECT_EQ(rig.host.progressOpen, 0);
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.link.sent, std::vector<Bytes>{Request(RequestType::All)});
    EXPECT_FALSE(rig.transfers.Receiving());

    // A split arriving after the completed receive is ignored.
    rig.records.Splits[0].fill(0);
    rig.transfers.HandleSysex(SplitData(0, rig.instrument.Split(7)));
    EXPECT_EQ(rig.records.Splits[0], SplitRecord{});
    EXPECT_EQ(rig.host.progressOpen, 0);
}

TEST_P(BankReceive, BadEntryEndsReceiveAndRestOfAnswerIsDropped)
{
    rig.instrument.SetFaults({.badChecksumDump = 37, .dropMessage = -1});
    rig.ReceiveBank();

    EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Bank dump"});
    EXPECT_EQ(rig.transfers.Flags().BankCount, 37);
    ExpectBankKept(38);
    // Entries 38.. were not taken as single patches (no write to slot 99 either).
    PatchBuffer untouched;
    untouched.fill(0x11);
    EXPECT_EQ(rig.records.CurrentPatch, untouched);
    EXPECT_EQ(rig.host.initControls, 0);
    EXPECT_FALSE(rig.transfers.Flags().PatchLoaded);
    // The split part of the answer ends the dropping and is received.
    EXPECT_TRUE(rig.transfers.Flags().SplitsReceived);

    // A later download is answered normally.
    rig.host.numberAnswer = 12;
    rig.transfers.Download();
    rig.Pump();
    EXPECT_EQ(RecordPart(rig.records.CurrentPatch),
              Matrix6() ? rig.instrument.Patch(0, 12) : rig.instrument.EditBuffer());
    EXPECT_TRUE(rig.transfers.Flags().PatchLoaded);
}

TEST_P(BankReceive, StalledReceiveTellsUserAndLateEntriesAreDropped)
{
    rig.deliverLimit = 37;
    rig.ReceiveBank();
    EXPECT_EQ(rig.host.progressOpen, 1);

    rig.host.now += 2900ms;
    EXPECT_FALSE(rig.transfers.CheckStall());
    rig.host.now += 100ms;
    EXPECT_TRUE(rig.transfers.CheckStall());
    EXPECT_EQ(rig.host.messages,
              std::vector<std::string>{"The instrument stopped answering after 37 of " +
                                       std::string(Matrix6() ? "101" : "100") +
                                       " patch messages. The bank was not changed."});
    ExpectBankKept(37);
    EXPECT_FALSE(rig.transfers.CheckStall());

    // The rest of the answer turns up late, even seconds later: its patches
    // are dropped, none of them lands in the editor.
    rig.host.now += 5s;
    for (const Bytes& m : rig.held)
        rig.transfers.HandleSysex(m);
    ExpectBankKept(37);
    EXPECT_EQ(rig.host.initControls, 0);
    EXPECT_FALSE(rig.transfers.Flags().PatchLoaded);
    EXPECT_EQ(rig.host.messages.size(), 1u);
}

TEST_P(BankReceive, ARequestThatCannotBeSentWaitsForNoAnswer)
{
    rig.link.vanished = true;
    EXPECT_THROW(rig.transfers.StartBankDownload(), std::runtime_error);
    EXPECT_FALSE(rig.transfers.Flags().BankReceiving);
    rig.host.now += 5s;
    EXPECT_FALSE(rig.transfers.CheckStall());
    EXPECT_TRUE(rig.host.messages.empty());
}

TEST_P(BankReceive, DroppingEndsAfterSilence)
{
    rig.instrument.SetFaults({.badChecksumDump = 37, .dropMessage = -1});
    rig.deliverLimit = 50;
    rig.ReceiveBank();
    rig.transfers.HandleSysex(rig.held[0]);
    EXPECT_EQ(rig.host.initControls, 0);

    // A patch after a second of silence belongs to no bank answer.
    rig.host.now += DumpReceiver::kAnswerGap;
    rig.transfers.HandleSysex(rig.held[1]);
    EXPECT_EQ(rig.host.initControls, 1);
    EXPECT_EQ(RecordPart(rig.records.CurrentPatch), rig.instrument.Patch(0, 51));
    EXPECT_TRUE(rig.transfers.Flags().PatchLoaded);
}

TEST_P(BankReceive, CancelKeepsBankWithoutMessage)
{
    rig.deliverLimit = 10;
    rig.ReceiveBank();
    rig.transfers.CancelReceive();
    EXPECT_TRUE(rig.host.messages.empty());
    ExpectBankKept(10);
    EXPECT_FALSE(rig.transfers.Receiving());
    rig.host.now += 10s;
    EXPECT_FALSE(rig.transfers.CheckStall());
}

TEST_P(BankReceive, AnswerShortOfOnePatchIsRefused)
{
    // Entries are stored in arrival order, so a lost one would shift the rest.
    rig.instrument.SetFaults({.badChecksumDump = -1, .dropMessage = 37});
    rig.ReceiveBank();
    EXPECT_EQ(rig.host.messages,
              std::vector<std::string>{"The instrument's answer held only " +
                                       std::string(Matrix6() ? "100 of 101" : "99 of 100") +
                                       " patch messages. The bank was not changed."});
    ExpectBankKept(100);
    EXPECT_TRUE(rig.transfers.Flags().SplitsReceived);
}

TEST_P(BankReceive, BadSplitRestartsCountAndStallEndsSplitReceive)
{
    const int patches = Matrix6() ? 101 : 100;
    rig.instrument.SetFaults({.badChecksumDump = patches + 5, .dropMessage = -1});
    rig.ReceiveBank();
    EXPECT_TRUE(rig.transfers.Flags().BankLoaded);
    EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Split dump"});
    // The split after the bad one is stored as entry 0.
    EXPECT_EQ(rig.records.Splits[0], rig.instrument.Split(6));
    const int remaining = (Matrix6() ? 50 : 80) - 6;
    EXPECT_EQ(rig.transfers.Flags().SplitCount, remaining);
    EXPECT_FALSE(rig.transfers.Flags().SplitsReceived);
    EXPECT_EQ(rig.host.progressOpen, 1);

    rig.host.now += DumpReceiver::kStallTimeout;
    EXPECT_TRUE(rig.transfers.CheckStall());
    ASSERT_EQ(rig.host.messages.size(), 2u);
    EXPECT_EQ(rig.host.messages[1].rfind("The instrument stopped answering after " +
                                             std::to_string(remaining) + " of ",
                                         0),
              0u);
    EXPECT_EQ(rig.host.progressOpen, 0);
    EXPECT_EQ(rig.transfers.Flags().SplitCount, 0);
}

std::string ModelTestName(const ::testing::TestParamInfo<Model>& param)
{
    return param.param == Model::Matrix6 ? "Matrix6" : "Matrix1000";
}

INSTANTIATE_TEST_SUITE_P(Models, BankReceive, ::testing::Values(Model::Matrix1000, Model::Matrix6),
                         ModelTestName);
