// Bank downloads against the virtual instrument: the whole answer, a bad
// entry, a stalled or cancelled receive, short answers and the split part.
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "protocol/TransferRig.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace std::chrono_literals;
using test::TransferRig;
using Bytes = std::vector<Byte>;

namespace {

PatchRecord recordPart(const PatchBuffer& buffer)
{
    PatchRecord r{};
    std::copy_n(buffer.begin(), kPatchRecordSize, r.begin());
    return r;
}

struct BankReceive : ::testing::TestWithParam<SynthModel>
{
    BankReceive()
    {
        // A bank that is recognisably the program's own.
        for (std::size_t n = 0; n < kBankPatchCount; ++n)
            rig.records.bank[n].fill(static_cast<Byte>(0x20 + n % 60));
        old = rig.records.bank;
        rig.records.currentPatch.fill(0x11);
    }
    bool isMatrix6() const { return GetParam() == SynthModel::Matrix6; }

    // The bank and its grid are as before the download; nothing went to the
    // instrument but the request. `missing` never arrived, so its cell was
    // never written.
    void expectBankKept(int cellsWritten, int missing = -1)
    {
        EXPECT_EQ(rig.records.bank, old);
        for (int i = 0; i < cellsWritten; ++i) {
            if (i != missing) {
                EXPECT_EQ(rig.host.bankCells[i], patchNameOf(old[static_cast<std::size_t>(i)]))
                    << i;
            }
        }
        EXPECT_FALSE(rig.transfers.flags().bankLoaded);
        EXPECT_FALSE(rig.transfers.flags().bankReceiving);
        EXPECT_EQ(rig.host.progressOpen, 0);
        EXPECT_EQ(rig.link.sent, std::vector<Bytes>{request(RequestType::All)});
    }

    TransferRig rig{GetParam()};
    std::array<PatchBuffer, kBankPatchCount> old{};
};

} // namespace

TEST_P(BankReceive, WholeAnswerFillsBankSplitsAndGlobals)
{
    // Slot 99 differs from the Matrix-6's trailing edit buffer, which must be dropped.
    PatchRecord slot99 = rig.instrument.patch(0, 5);
    std::copy_n("SLOT 99 ", 8, slot99.begin());
    rig.instrument.setPatch(0, 99, slot99);
    ASSERT_NE(rig.instrument.editBuffer(), slot99);
    rig.records.bank[3][134] = 0x5A;

    rig.receiveBank();

    const TransferFlags& flags = rig.transfers.flags();
    // The grid and the caption are checked on the bank manager itself.
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(recordPart(rig.records.bank[static_cast<std::size_t>(n)]),
                  rig.instrument.patch(0, n))
            << n;
    EXPECT_EQ(rig.records.bank[3][134], 0x5A); // the untransferred byte stays
    for (int n = 0; n < 50; ++n)
        EXPECT_EQ(rig.records.splits[static_cast<std::size_t>(n)], rig.instrument.split(n)) << n;
    const auto global = rig.instrument.global();
    EXPECT_TRUE(std::equal(global.begin(), global.end(), rig.records.global.begin()));

    EXPECT_TRUE(flags.bankLoaded);
    EXPECT_FALSE(flags.bankReceiving);
    EXPECT_EQ(flags.bankCount, 100);
    EXPECT_TRUE(flags.splitsReceived);
    EXPECT_EQ(flags.splitCount, isMatrix6() ? 50 : 80);
    EXPECT_TRUE(flags.globalReceived);
    const std::pair<std::string, int> splits =
        isMatrix6() ? std::pair<std::string, int>{"Receiving Splits...", 50}
                    : std::pair<std::string, int>{"Receiving Dummy Splits...", 80};
    EXPECT_EQ(rig.host.progressOpened,
              (std::vector<std::pair<std::string, int>>{{"Receiving Patches...", 100}, splits}));
    EXPECT_EQ(rig.host.progressOpen, 0);
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.link.sent, std::vector<Bytes>{request(RequestType::All)});
    EXPECT_FALSE(rig.transfers.receiving());

    // A split arriving after the completed receive is ignored.
    rig.records.splits[0].fill(0);
    rig.transfers.handleSysex(splitData(0, rig.instrument.split(7)));
    EXPECT_EQ(rig.records.splits[0], SplitRecord{});
    EXPECT_EQ(rig.host.progressOpen, 0);
}

// Start-up's global request answered late, after the bank request went out:
// the record is taken as the globals and the bank answer that follows fills
// the bank.
TEST_P(BankReceive, AGlobalRecordBeforeThePatchesAnswersAnEarlierRequest)
{
    rig.transfers.startBankDownload();
    rig.transfers.handleSysex(
        blockMessage(opcode::masterData, isMatrix6() ? 0x02 : 0x03, rig.instrument.global()));
    rig.pump();
    EXPECT_TRUE(rig.transfers.flags().bankLoaded);
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(recordPart(rig.records.bank[42]), rig.instrument.patch(0, 42));
}

TEST_P(BankReceive, BadEntryEndsReceiveAndRestOfAnswerIsDropped)
{
    rig.instrument.setFaults({.badChecksumDump = 37, .dropMessage = -1});
    rig.receiveBank();

    EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Bank dump"});
    EXPECT_EQ(rig.transfers.flags().bankCount, 37);
    expectBankKept(38);
    // Entries 38.. were not taken as single patches (no write to slot 99 either).
    PatchBuffer untouched;
    untouched.fill(0x11);
    EXPECT_EQ(rig.records.currentPatch, untouched);
    EXPECT_EQ(rig.host.initControlsCalls, 0);
    EXPECT_FALSE(rig.transfers.flags().patchLoaded);
    // The split part of the answer ends the dropping and is received.
    EXPECT_TRUE(rig.transfers.flags().splitsReceived);

    // A later download is answered normally.
    rig.host.numberAnswer = 12;
    rig.transfers.download();
    rig.pump();
    EXPECT_EQ(recordPart(rig.records.currentPatch),
              isMatrix6() ? rig.instrument.patch(0, 12) : rig.instrument.editBuffer());
    EXPECT_TRUE(rig.transfers.flags().patchLoaded);
}

TEST_P(BankReceive, StalledReceiveTellsUserAndLateEntriesAreDropped)
{
    rig.deliverLimit = 37;
    rig.receiveBank();
    EXPECT_EQ(rig.host.progressOpen, 1);

    rig.host.clock += 2900ms;
    EXPECT_FALSE(rig.transfers.checkStall());
    rig.host.clock += 100ms;
    EXPECT_TRUE(rig.transfers.checkStall());
    EXPECT_EQ(rig.host.messages,
              std::vector<std::string>{"The instrument stopped answering after 37 of 100 "
                                       "patch messages. The bank was not changed."});
    expectBankKept(37);
    EXPECT_FALSE(rig.transfers.checkStall());

    // The rest of the answer turns up late, even seconds later: its patches
    // are dropped, none of them lands in the editor.
    rig.host.clock += 5s;
    for (const Bytes& m : rig.held)
        rig.transfers.handleSysex(m);
    expectBankKept(37);
    EXPECT_EQ(rig.host.initControlsCalls, 0);
    EXPECT_FALSE(rig.transfers.flags().patchLoaded);
    EXPECT_EQ(rig.host.messages.size(), 1u);
}

TEST_P(BankReceive, ARequestThatCannotBeSentWaitsForNoAnswer)
{
    rig.link.vanished = true;
    EXPECT_THROW(rig.transfers.startBankDownload(), std::runtime_error);
    EXPECT_FALSE(rig.transfers.flags().bankReceiving);
    rig.host.clock += 5s;
    EXPECT_FALSE(rig.transfers.checkStall());
    EXPECT_TRUE(rig.host.messages.empty());
}

TEST_P(BankReceive, DroppingEndsAfterSilence)
{
    rig.instrument.setFaults({.badChecksumDump = 37, .dropMessage = -1});
    rig.deliverLimit = 50;
    rig.receiveBank();
    rig.transfers.handleSysex(rig.held[0]);
    EXPECT_EQ(rig.host.initControlsCalls, 0);

    // A patch after a second of silence belongs to no bank answer.
    rig.host.clock += DumpReceiver::kAnswerGap;
    rig.transfers.handleSysex(rig.held[1]);
    EXPECT_EQ(rig.host.initControlsCalls, 1);
    EXPECT_EQ(recordPart(rig.records.currentPatch), rig.instrument.patch(0, 51));
    EXPECT_TRUE(rig.transfers.flags().patchLoaded);
}

TEST_P(BankReceive, CancelKeepsBankWithoutMessage)
{
    rig.deliverLimit = 10;
    rig.receiveBank();
    rig.transfers.cancelReceive();
    EXPECT_TRUE(rig.host.messages.empty());
    expectBankKept(10);
    EXPECT_FALSE(rig.transfers.receiving());
    rig.host.clock += 10s;
    EXPECT_FALSE(rig.transfers.checkStall());
}

TEST_P(BankReceive, AnswerShortOfOnePatchIsRefused)
{
    rig.instrument.setFaults({.badChecksumDump = -1, .dropMessage = 37});
    rig.receiveBank();
    EXPECT_EQ(rig.host.messages,
              std::vector<std::string>{"The instrument's answer held only 99 of 100 patch "
                                       "messages (missing: 37). The bank was not changed."});
    expectBankKept(100, 37);
    EXPECT_TRUE(rig.transfers.flags().splitsReceived);
}

TEST_P(BankReceive, EntriesGoByTheirNumbersWhateverArrivesBetween)
{
    // Another program on the same cable: its edit-buffer answer (an op 01
    // under the selected patch's number), another maker's 275-byte message
    // and a patch numbered past the bank all arrive inside the answer.
    rig.transfers.startBankDownload();
    for (int k = 0; k < 40; ++k) {
        rig.transfers.handleSysex(rig.pending.front());
        rig.pending.pop_front();
    }
    PatchRecord stranger = rig.instrument.patch(0, 70);
    stranger[20] ^= 0x15;
    rig.transfers.handleSysex(patchToMemory(5, stranger));
    Bytes foreign(kPatchMessageSize, 0x11);
    foreign.front() = 0xF0;
    foreign[1] = 0x43;
    foreign.back() = 0xF7;
    rig.transfers.handleSysex(foreign);
    rig.transfers.handleSysex(patchToMemory(120, stranger));
    rig.pump();

    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_TRUE(rig.transfers.flags().bankLoaded);
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(recordPart(rig.records.bank[static_cast<std::size_t>(n)]),
                  rig.instrument.patch(0, n))
            << n;
    PatchBuffer untouched;
    untouched.fill(0x11);
    EXPECT_EQ(rig.records.currentPatch, untouched);
}

TEST_P(BankReceive, BadSplitRestartsCountAndStallEndsSplitReceive)
{
    const int patches = isMatrix6() ? 101 : 100;
    rig.instrument.setFaults({.badChecksumDump = patches + 5, .dropMessage = -1});
    rig.receiveBank();
    EXPECT_TRUE(rig.transfers.flags().bankLoaded);
    EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Checksum error in Split dump"});
    // The split after the bad one is stored as entry 0.
    EXPECT_EQ(rig.records.splits[0], rig.instrument.split(6));
    const int remaining = (isMatrix6() ? 50 : 80) - 6;
    EXPECT_EQ(rig.transfers.flags().splitCount, remaining);
    EXPECT_FALSE(rig.transfers.flags().splitsReceived);
    EXPECT_EQ(rig.host.progressOpen, 1);

    rig.host.clock += DumpReceiver::kStallTimeout;
    EXPECT_TRUE(rig.transfers.checkStall());
    ASSERT_EQ(rig.host.messages.size(), 2u);
    EXPECT_EQ(rig.host.messages[1].rfind("The instrument stopped answering after " +
                                             std::to_string(remaining) + " of ",
                                         0),
              0u);
    EXPECT_EQ(rig.host.progressOpen, 0);
    EXPECT_EQ(rig.transfers.flags().splitCount, 0);
}

std::string modelTestName(const ::testing::TestParamInfo<SynthModel>& param)
{
    return param.param == SynthModel::Matrix6 ? "Matrix6" : "Matrix1000";
}

INSTANTIATE_TEST_SUITE_P(Models, BankReceive,
                         ::testing::Values(SynthModel::Matrix1000, SynthModel::Matrix6),
                         modelTestName);
