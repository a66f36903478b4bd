// Whole-instrument backup, restore and the bank read-back, driven against
// the virtual instrument with a clock moved by hand.
#include "protocol/WholeInstrument.h"
#include "instrument/VirtualInstrument.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace velmora {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<Byte>;

// The instrument behind a sink; its answers wait until the machine is
// ticked again, as they would in an event loop.
class Rig : public MidiSink
{
public:
    explicit Rig(SynthModel model = SynthModel::Matrix1000) : instrument(model)
    {
        instrument.setOutput(
            [this](std::span<const Byte> m) { answers.emplace_back(m.begin(), m.end()); });
    }
    bool isOpen() const override { return true; }
    void sendShort(std::uint8_t, std::uint8_t, std::uint8_t) override {}
    void sendLong(std::span<const std::uint8_t> bytes) override
    {
        sent.emplace_back(bytes.begin(), bytes.end());
        if (!deaf)
            instrument.receive(bytes);
    }

    // Runs the machine until it finishes or `limit` of its time passed;
    // `each` is called once per round.
    void run(WholeMachine& machine, std::chrono::milliseconds limit = 600s,
             const std::function<void()>& each = {})
    {
        const auto end = now + limit;
        while (!machine.finished() && now < end) {
            machine.tick(now);
            // A few at a time, as a cable brings them.
            for (int i = 0; i < 25 && !answers.empty(); ++i) {
                const Bytes m = std::move(answers.front());
                answers.pop_front();
                now += 1ms;
                machine.take(m, now);
            }
            if (each)
                each();
            now += 5ms;
        }
    }

    // What request-all gives for `bank` on an instrument left as it came.
    static Bytes allOf(int bank)
    {
        VirtualInstrument fresh;
        Bytes bytes;
        fresh.setOutput(
            [&](std::span<const Byte> m) { bytes.insert(bytes.end(), m.begin(), m.end()); });
        fresh.receive(bankSelect(static_cast<Byte>(bank)));
        fresh.receive(request(RequestType::All));
        return bytes;
    }

    VirtualInstrument instrument;
    std::deque<Bytes> answers;
    std::vector<Bytes> sent;
    bool deaf = false;
    WholeClock::time_point now{};
};

bool lockOn(const VirtualInstrument& instrument)
{
    return bankLockOf(instrument.global());
}

Bytes globalMessage(const VirtualInstrument& instrument)
{
    return blockMessage(opcode::masterData, 0x03, instrument.global());
}

TEST(InstrumentBackup, HoldsTenBanksAndTheGlobalAsTheInstrumentSentThem)
{
    Rig rig;
    InstrumentBackup backup(SynthModel::Matrix1000, rig);
    const Bytes before = globalMessage(rig.instrument);
    backup.start(rig.now);
    rig.run(backup);
    ASSERT_EQ(backup.status(), WholeStatus::Done) << backup.problem();

    Bytes expected;
    for (int b = 0; b < 10; ++b) {
        const Message select = bankSelect(static_cast<Byte>(b));
        expected.insert(expected.end(), select.begin(), select.end());
        const Bytes all = Rig::allOf(b);
        expected.insert(expected.end(), all.begin(), all.end());
    }
    expected.insert(expected.end(), before.begin(), before.end());
    EXPECT_EQ(backup.file(), expected);
    EXPECT_EQ(backup.position(), backup.maximum());
    // The lock was off: 0C put it back.
    EXPECT_FALSE(lockOn(rig.instrument));
    EXPECT_EQ(rig.sent.back(), (Bytes{0xF0, 0x10, 0x06, 0x0C, 0xF7}));
    EXPECT_EQ(backup.summary(), "Matrix-1000 backup: banks 0 to 9 (1,000 patches) and the global "
                                "record. Memory protect is off.");

    const auto contents = readBackup(backup.file());
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->bankCount(), 10);
    EXPECT_EQ(contents->describe(),
              "Matrix-1000 backup: banks 0 to 9 (1,000 patches) and the global record.");
    EXPECT_EQ(contents->global, before);
    for (int b : {0, 7}) {
        const Bytes all = Rig::allOf(b);
        const auto& bank = contents->banks[static_cast<std::size_t>(b)];
        ASSERT_EQ(bank.size(), 100u);
        EXPECT_TRUE(std::equal(bank[42].begin(), bank[42].end(), all.begin() + 42 * 275));
    }
}

TEST(InstrumentBackup, AGlobalRecordAnsweringAnEarlierRequestIsNoPartOfIt)
{
    Rig clean;
    InstrumentBackup expected(SynthModel::Matrix1000, clean);
    expected.start(clean.now);
    clean.run(expected);

    // Start-up's global request was answered late: that record comes first,
    // and the backup's own global answer then arrives where bank 0 begins.
    Rig rig;
    InstrumentBackup backup(SynthModel::Matrix1000, rig);
    rig.answers.push_back(globalMessage(rig.instrument));
    backup.start(rig.now);
    rig.run(backup);
    ASSERT_EQ(backup.status(), WholeStatus::Done) << backup.problem();
    EXPECT_EQ(backup.file(), expected.file());
}

TEST(InstrumentBackup, BankLockThatWasOnStaysOnAndTheSummarySaysWhere)
{
    Rig rig;
    rig.instrument.receive(bankSelect(4));
    rig.instrument.setMemoryProtect(true);
    InstrumentBackup backup(SynthModel::Matrix1000, rig);
    backup.start(rig.now);
    rig.run(backup);
    ASSERT_EQ(backup.status(), WholeStatus::Done);
    EXPECT_TRUE(lockOn(rig.instrument));
    EXPECT_EQ(rig.instrument.selectedBank(), 9);
    EXPECT_NE(rig.sent.back()[3], 0x0C);
    EXPECT_NE(backup.summary().find("Memory protect is on. Bank lock was on, so it stays on: "
                                    "bank 9 is now selected and locked."),
              std::string::npos);
}

TEST(InstrumentBackup, FailuresAndCancelWriteNothingAndPutTheLockBack)
{
    // A damaged patch in bank 3 (dumps: 1 global, then 181 per bank).
    {
        Rig rig;
        rig.instrument.setFaults({1 + 3 * 181 + 17, -1, -1});
        InstrumentBackup backup(SynthModel::Matrix1000, rig);
        backup.start(rig.now);
        rig.run(backup);
        EXPECT_EQ(backup.status(), WholeStatus::Failed);
        EXPECT_EQ(backup.problem(), "Bank 3: Patch 17 came damaged (wrong length or checksum).");
        EXPECT_TRUE(backup.file().empty());
        EXPECT_FALSE(lockOn(rig.instrument));
        // The rest of the answer was let through before the 0C.
        EXPECT_TRUE(rig.answers.empty());
        EXPECT_EQ(rig.sent.back()[3], 0x0C);
    }
    // The global that ends bank 2 is lost: the instrument seems to stop.
    {
        Rig rig;
        rig.instrument.setFaults({-1, 1 + 3 * 181 - 1, -1});
        InstrumentBackup backup(SynthModel::Matrix1000, rig);
        backup.start(rig.now);
        rig.run(backup);
        EXPECT_EQ(backup.status(), WholeStatus::Failed);
        EXPECT_EQ(backup.problem(), "The instrument stopped answering (Bank 2 (3 of 10): 100 of "
                                    "100 patches).");
        EXPECT_FALSE(lockOn(rig.instrument));
    }
    // Cancelled in the middle of bank 1's answer.
    {
        Rig rig;
        InstrumentBackup backup(SynthModel::Matrix1000, rig);
        backup.start(rig.now);
        rig.run(backup, 600s, [&] {
            if (backup.banks().size() == 2 && backup.banks().back().patches >= 50)
                backup.cancel(rig.now);
        });
        EXPECT_EQ(backup.status(), WholeStatus::Cancelled);
        EXPECT_TRUE(backup.file().empty());
        EXPECT_EQ(backup.banks().size(), 2u); // bank 2 was never asked for
        EXPECT_FALSE(lockOn(rig.instrument));
        EXPECT_EQ(rig.sent.back()[3], 0x0C);
    }
    // Nothing answers at all.
    {
        Rig rig;
        rig.deaf = true;
        InstrumentBackup backup(SynthModel::Matrix1000, rig);
        backup.start(rig.now);
        rig.run(backup);
        EXPECT_EQ(backup.status(), WholeStatus::Failed);
        EXPECT_EQ(backup.problem(),
                  "The instrument stopped answering (Reading the global record).");
        EXPECT_EQ(rig.sent.size(), 1u); // no bank was selected, so no 0C
    }
}

TEST(InstrumentBackup, Matrix6PatchesSplitsAndMasterAskedForWhenItDoesNotFollow)
{
    Rig rig(SynthModel::Matrix6);
    InstrumentBackup backup(SynthModel::Matrix6, rig);
    backup.start(rig.now);
    rig.run(backup);
    ASSERT_EQ(backup.status(), WholeStatus::Done) << backup.problem();
    const auto contents = readBackup(backup.file());
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->model, SynthModel::Matrix6);
    EXPECT_EQ(contents->describe(),
              "Matrix-6 backup: 100 patches, 50 splits and the master record.");

    // The master left out of the answer (after 100 patches, the edit
    // buffer and 50 splits): asked for on its own.
    Rig quiet(SynthModel::Matrix6);
    quiet.instrument.setFaults({-1, 151, -1});
    InstrumentBackup second(SynthModel::Matrix6, quiet);
    second.start(quiet.now);
    quiet.run(second);
    ASSERT_EQ(second.status(), WholeStatus::Done) << second.problem();
    EXPECT_EQ(quiet.sent.back(), request(RequestType::Global));
    EXPECT_EQ(readBackup(second.file())->global.size(), kMaster6MessageSize);
}

// A backup of a changed instrument: banks 0 and 1 get patches of ROM banks.
Bytes changedBackup(Rig& rig)
{
    for (int n = 0; n < 100; ++n) {
        rig.instrument.setPatch(0, n, rig.instrument.patch(5, n));
        rig.instrument.setPatch(1, n, rig.instrument.patch(6, 99 - n));
    }
    InstrumentBackup backup(SynthModel::Matrix1000, rig);
    backup.start(rig.now);
    rig.run(backup);
    return backup.file();
}

TEST(InstrumentRestore, WritesBanksZeroAndOneChecksThemAndPutsProtectBack)
{
    Rig source;
    const auto contents = readBackup(changedBackup(source));
    ASSERT_TRUE(contents);

    Rig target;
    target.instrument.setMemoryProtect(true);
    InstrumentRestore restore(*contents, {{0, 1}}, target);
    restore.start(target.now);
    target.run(restore, 10s);
    ASSERT_TRUE(restore.needsDecision());
    EXPECT_EQ(restore.memoryProtect(), true);
    EXPECT_EQ(target.sent.size(), 1u); // only the global request so far
    restore.proceed(true, target.now);
    target.run(restore);
    ASSERT_EQ(restore.status(), WholeStatus::Done) << restore.problem();
    for (int b = 0; b < 2; ++b)
        for (int n = 0; n < 100; ++n)
            ASSERT_EQ(target.instrument.patch(b, n), source.instrument.patch(b, n)) << b << n;
    EXPECT_TRUE(target.instrument.memoryProtected());
    EXPECT_FALSE(lockOn(target.instrument));
    ASSERT_EQ(restore.checks().size(), 2u);
    EXPECT_TRUE(restore.verified());
    EXPECT_EQ(restore.summary(), "Restored banks 0 and 1.\n"
                                 "Bank 0 verified: 100 of 100 patches as sent.\n"
                                 "Bank 1 verified: 100 of 100 patches as sent.\n"
                                 "Memory protect was switched off for the restore and on again "
                                 "after.");
    // Only byte 171 of the record changed in the writes.
    std::vector<Bytes> writes;
    std::ranges::copy_if(target.sent, std::back_inserter(writes),
                         [](const Bytes& m) { return m.size() == kGlobal1000MessageSize; });
    ASSERT_EQ(writes.size(), 2u);
    const auto off = unpackBlock(writes[0], kGlobal1000Size);
    const auto on = unpackBlock(writes[1], kGlobal1000Size);
    std::vector<Byte> original(target.instrument.global().begin(),
                               target.instrument.global().end());
    EXPECT_EQ(on.block, original);
    original[171] = 0;
    EXPECT_EQ(off.block, original);
}

TEST(InstrumentRestore, CheckCatchesADroppedStoreAndMemoryProtect)
{
    Rig source;
    const auto contents = readBackup(changedBackup(source));
    ASSERT_TRUE(contents);

    Rig dropping;
    dropping.instrument.setFaults({-1, -1, 37});
    InstrumentRestore restore(*contents, {{1}}, dropping);
    restore.start(dropping.now);
    dropping.run(restore);
    ASSERT_EQ(restore.status(), WholeStatus::Done);
    EXPECT_FALSE(restore.verified());
    EXPECT_EQ(restore.checks().at(0).differing, std::vector<int>{37});
    EXPECT_NE(restore.summary().find("Bank 1: 99 of 100 patches as sent; 37 differs. Messages "
                                     "were lost on the way to the instrument."),
              std::string::npos)
        << restore.summary();

    Rig guarded;
    guarded.instrument.setMemoryProtect(true);
    InstrumentRestore anyway(*contents, {{0}}, guarded);
    anyway.start(guarded.now);
    guarded.run(anyway, 10s);
    ASSERT_TRUE(anyway.needsDecision());
    anyway.proceed(false, guarded.now);
    guarded.run(anyway);
    ASSERT_EQ(anyway.status(), WholeStatus::Done);
    EXPECT_NE(anyway.summary().find("Memory protect is on in the instrument"), std::string::npos)
        << anyway.summary();
    EXPECT_TRUE(guarded.instrument.memoryProtected());

    // Cancelled while writing: the rest is not sent, the lock goes off.
    Rig cancelled;
    InstrumentRestore stopped(*contents, {{0, 1}}, cancelled);
    stopped.start(cancelled.now);
    cancelled.run(stopped, 600s, [&] {
        if (cancelled.sent.size() == 30)
            stopped.cancel(cancelled.now);
    });
    EXPECT_EQ(stopped.status(), WholeStatus::Cancelled);
    EXPECT_EQ(cancelled.sent.back()[3], 0x0C);
    EXPECT_LT(cancelled.sent.size(), 40u);
}

TEST(InstrumentRestore, Matrix6PatchesAndSplitsTheMasterOnlyWhenChosen)
{
    Rig source(SynthModel::Matrix6);
    for (int n = 0; n < 100; ++n)
        source.instrument.setPatch(0, n, source.instrument.patch(0, 99 - n));
    InstrumentBackup backup(SynthModel::Matrix6, source);
    backup.start(source.now);
    source.run(backup);
    const auto contents = readBackup(backup.file());
    ASSERT_TRUE(contents);

    Rig target(SynthModel::Matrix6);
    InstrumentRestore restore(*contents, {}, target);
    restore.start(target.now);
    target.run(restore);
    ASSERT_EQ(restore.status(), WholeStatus::Done) << restore.problem();
    // (The names went as a Matrix-6 sends them, in six bits.)
    const PatchRecord restored = target.instrument.patch(0, 3);
    const PatchRecord original = source.instrument.patch(0, 3);
    EXPECT_TRUE(std::equal(restored.begin() + 8, restored.end(), original.begin() + 8));
    EXPECT_EQ(restore.summary(), "Restored the 100 patches and the 50 splits.\n"
                                 "The bank verified: 100 of 100 patches as sent.\n"
                                 "The splits verified: 50 of 50 splits as sent.");
    // No master record was written, and no bank select went out.
    EXPECT_TRUE(std::ranges::none_of(target.sent, [](const Bytes& m) {
        return m.size() == kMaster6MessageSize || m[3] == opcode::bankSelect;
    }));

    RestoreChoice withMaster;
    withMaster.master = true;
    InstrumentRestore all(*contents, withMaster, target);
    all.start(target.now);
    target.run(all);
    ASSERT_EQ(all.status(), WholeStatus::Done);
    EXPECT_EQ(all.checks().size(), 3u);
    EXPECT_NE(all.summary().find("The master settings verified"), std::string::npos)
        << all.summary();
}

TEST(BankReadBack, ComparesTheBankAsUploaded)
{
    Rig rig;
    std::vector<std::vector<Byte>> sent;
    for (int n = 0; n < 100; ++n) {
        PatchRecord record = rig.instrument.patch(1, n);
        if (n == 3)
            record[20] ^= 1; // the upload of this one was lost
        sent.emplace_back(record.begin(), record.end());
    }
    BankReadBack check(SynthModel::Matrix1000, 1, sent, rig);
    check.start(rig.now);
    rig.run(check);
    ASSERT_EQ(check.status(), WholeStatus::Done);
    EXPECT_EQ(check.check().differing, std::vector<int>{3});
    EXPECT_EQ(check.check().memoryProtect, false);
    EXPECT_EQ(rig.instrument.selectedBank(), 1);
    EXPECT_FALSE(lockOn(rig.instrument));
}

} // namespace
} // namespace velmora
