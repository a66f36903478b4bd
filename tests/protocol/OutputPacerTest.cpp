// The pacer between the live senders and the instrument, on a clock the
// tests move by hand: what goes out at once, what waits while the cable is
// busy, what a newer value or a whole patch replaces, and what is never
// dropped.
#include "protocol/OutputPacer.h"
#include "protocol/ControlTables.h"
#include "protocol/Messages.h"
#include "protocol/ParameterSender.h"
#include "protocol/TransferContext.h"
#include "support/RecordingSink.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace velmora::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<Byte>;
using Clock = OutputPacer::Clock;

struct PacerRig
{
    // Moves the clock to `t` after the start, waking the pacer on the way
    // at each time it asked for, as a precise timer does.
    void advanceTo(Clock::duration t)
    {
        const Clock::time_point target = Clock::time_point{} + t;
        while (wakeAt && *wakeAt <= target) {
            now = std::max(now, *wakeAt);
            wakeAt.reset();
            pacer.wake();
        }
        now = target;
    }
    Bytes edit(Byte parameter, Byte value) { return parameterEdit(parameter, value); }
    OutputPacer::Parts parts(const Bytes& bytes, std::chrono::milliseconds pause = 0ms)
    {
        return {{bytes, pause}};
    }

    RecordingSink sink;
    Clock::time_point now{};
    std::optional<Clock::time_point> wakeAt;
    OutputPacer pacer{sink, [this] { return now; }, [this](Clock::time_point at) { wakeAt = at; }};
};

TEST(OutputPacer, KeepsOnlyTheLatestValueOfEachParameterWhileTheCableIsBusy)
{
    PacerRig rig;
    // A free cable: the edit goes at once (7 bytes, 2.24 ms on the wire).
    rig.pacer.sendEdit(21, rig.parts(rig.edit(21, 10)));
    ASSERT_EQ(rig.sink.sent.size(), 1u);

    // While it crosses: three cutoff values and one resonance value.
    rig.advanceTo(1ms);
    rig.pacer.sendEdit(21, rig.parts(rig.edit(21, 11)));
    rig.pacer.sendEdit(24, rig.parts(rig.edit(24, 40)));
    rig.pacer.sendEdit(21, rig.parts(rig.edit(21, 12)));
    rig.pacer.sendEdit(21, rig.parts(rig.edit(21, 13)));
    EXPECT_EQ(rig.sink.sent.size(), 1u);
    ASSERT_TRUE(rig.wakeAt);
    EXPECT_EQ(*rig.wakeAt - Clock::time_point{}, cableTime(7));

    // The parameters in the order they were first touched, each with its
    // latest value, one cable time apart.
    rig.advanceTo(10ms);
    EXPECT_EQ(rig.sink.sent,
              (std::vector<Bytes>{rig.edit(21, 10), rig.edit(21, 13), rig.edit(24, 40)}));
    EXPECT_TRUE(rig.pacer.idle());
}

TEST(OutputPacer, AWholePatchSupersedesWhatWaitsAndGetsItsPause)
{
    PacerRig rig;
    const Bytes prefix = parameterEditPrefix();
    const Bytes patchA(275, 0xA0);
    const Bytes patchB(275, 0xB0);
    const Bytes select = programChange(0, 99);
    int shown = 0;
    rig.pacer.sendEdit(5, rig.parts(rig.edit(5, 1)));
    // Waiting: an edit (a Matrix-6 prefix with its edit) and a whole patch;
    // then a newer whole patch, which carries both.
    rig.pacer.sendEdit(7, {{prefix, 0ms}, {rig.edit(7, 3), 0ms}});
    rig.pacer.sendWholePatch({{patchA, 20ms}, {select, 0ms}}, [&] { ++shown; });
    rig.pacer.sendWholePatch({{patchB, 20ms}, {select, 0ms}}, [&] { shown += 10; });
    // An edit after it goes after it.
    rig.pacer.sendEdit(7, {{prefix, 0ms}, {rig.edit(7, 4), 0ms}});

    rig.advanceTo(3ms);
    EXPECT_EQ(rig.sink.sent, (std::vector<Bytes>{rig.edit(5, 1), patchB}));
    // The program change waits the 20 ms after the store has crossed.
    const auto storeDone = cableTime(7) + cableTime(275);
    rig.advanceTo(storeDone + 19ms);
    EXPECT_EQ(rig.sink.sent.size(), 2u);
    EXPECT_EQ(shown, 0);
    rig.advanceTo(storeDone + 21ms);
    EXPECT_EQ(rig.sink.sent,
              (std::vector<Bytes>{rig.edit(5, 1), patchB, select, prefix, rig.edit(7, 4)}));
    EXPECT_EQ(shown, 10);

    // A store under way keeps its program change when a newer patch comes.
    rig.advanceTo(1s);
    rig.sink.sent.clear();
    rig.pacer.sendWholePatch({{patchA, 20ms}, {select, 0ms}});
    rig.pacer.sendWholePatch({{patchB, 20ms}, {select, 0ms}});
    rig.advanceTo(2s);
    EXPECT_EQ(rig.sink.sent, (std::vector<Bytes>{patchA, select, patchB, select}));
}

TEST(OutputPacer, NotesAndTransfersPassAtOnceAndCountOnTheCable)
{
    PacerRig rig;
    rig.pacer.sendLong(Bytes(275, 0x11)); // a transfer's patch: 88 ms on the wire
    for (Byte note = 60; note < 64; ++note)
        rig.pacer.sendShort(0x90, note, 100); // notes are never held back or merged
    EXPECT_EQ(rig.sink.sent.size(), 5u);
    rig.pacer.sendEdit(21, rig.parts(rig.edit(21, 1)));
    EXPECT_EQ(rig.sink.sent.size(), 5u);
    ASSERT_TRUE(rig.wakeAt);
    EXPECT_EQ(*rig.wakeAt - Clock::time_point{}, cableTime(275 + 4 * 3));

    // A transfer first lets what is owed go out, waiting out the cable.
    std::vector<std::chrono::milliseconds> pauses;
    rig.pacer.settle([&](std::chrono::milliseconds pause) {
        pauses.push_back(pause);
        rig.now += pause;
    });
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{92ms}));
    EXPECT_EQ(rig.sink.sent.back(), rig.edit(21, 1));
    EXPECT_TRUE(rig.pacer.idle());
}

TEST(OutputPacer, NothingIsOwedToAClosedOrFailedOutput)
{
    PacerRig rig;
    rig.pacer.sendEdit(1, rig.parts(rig.edit(1, 1)));
    rig.pacer.sendEdit(2, rig.parts(rig.edit(2, 2)));
    rig.sink.open = false;
    rig.advanceTo(1s);
    EXPECT_TRUE(rig.pacer.idle());
    EXPECT_EQ(rig.sink.sent.size(), 1u);

    // A port that vanished: the error reaches the caller, nothing stays owed.
    struct FailingSink : RecordingSink
    {
        void sendLong(std::span<const std::uint8_t>) override
        {
            throw std::runtime_error("port gone");
        }
    } failing;
    Clock::time_point now{};
    OutputPacer pacer(
        failing, [&] { return now; }, [](Clock::time_point) {});
    EXPECT_THROW(pacer.sendEdit(1, {{Bytes{1}, 0ms}}), std::runtime_error);
    EXPECT_TRUE(pacer.idle());
}

// A slider dragged across its range at 60 Hz through the window's send path:
// what reaches the cable stays within what it carries, and the last message
// carries the value the screen ends on.
TEST(OutputPacer, ADragStaysWithinTheCableAndEndsOnTheLastValue)
{
    for (const SynthModel model : {SynthModel::Matrix1000, SynthModel::Matrix6}) {
        SCOPED_TRACE(model == SynthModel::Matrix6 ? "Matrix-6" : "Matrix-1000");
        PacerRig rig;
        PatchBuffer patch{};
        ParameterSender sender(rig.pacer, patch);
        sender.setModel(model);
        sender.setPacer(&rig.pacer);
        // The whole patch as the window sends it, built when it is asked for.
        sender.onSend6Patch = sender.onMidiSendPatch = [&](const ParameterSender::Shown& shown) {
            Bytes whole = patchToEditBuffer(recordOf(patch));
            rig.pacer.sendWholePatch({{whole, 10ms}}, shown);
        };
        std::size_t bytes = 0;
        const auto step = std::chrono::microseconds(16'667);
        for (int i = 0; i < 127; ++i) {
            rig.advanceTo(step * i);
            patch[controls().patchOffsets[kVca2ByEnvelope2Control]] = static_cast<Byte>(i - 63);
            sender.sendControl(kVca2ByEnvelope2Control);
        }
        const auto dragEnd = step * 126;
        rig.advanceTo(dragEnd + 1s);
        for (const Bytes& m : rig.sink.sent)
            bytes += m.size();
        const double carried = std::chrono::duration<double>(dragEnd).count() * 3125;
        EXPECT_LE(static_cast<double>(bytes), carried + 275);
        ASSERT_FALSE(rig.sink.sent.empty());
        EXPECT_EQ(rig.sink.sent.back(), patchToEditBuffer(recordOf(patch)));
    }
}

// The parameters a parameter edit does not reach on stock firmware go as the
// whole patch, each model its own (Envelope 1 sustain only on a
// Matrix-1000), and the display shows the value the screen has.
TEST(ParameterSender, UnreachedParametersGoAsTheWholePatch)
{
    constexpr int kEnvelope1Sustain = 17; // control, parameter 53
    for (const SynthModel model : {SynthModel::Matrix1000, SynthModel::Matrix6}) {
        SCOPED_TRACE(model == SynthModel::Matrix6 ? "Matrix-6" : "Matrix-1000");
        RecordingSink sink;
        PatchBuffer patch{};
        ParameterSender sender(sink, patch);
        sender.setModel(model);
        std::vector<std::string> wholes;
        std::vector<std::pair<int, int>> shown;
        sender.onParameterShown = [&](int p, int v) { shown.emplace_back(p, v); };
        sender.onMidiSendPatch = [&](const ParameterSender::Shown& done) {
            wholes.push_back("edit buffer");
            done();
        };
        sender.onSend6Patch = [&](const ParameterSender::Shown& done) {
            wholes.push_back("slot 99");
            done();
        };
        const ControlTables& tables = controls();
        ASSERT_EQ(tables.paramNumbers[kEnvelope1Sustain], 53);
        patch[tables.patchOffsets[kEnvelope1Sustain]] = 40;
        patch[tables.patchOffsets[kVca2ByEnvelope2Control]] = 0xFE;
        sender.sendControl(kEnvelope1Sustain);
        sender.sendControl(kVca2ByEnvelope2Control);
        if (model == SynthModel::Matrix1000) {
            EXPECT_TRUE(sink.sent.empty());
            EXPECT_EQ(wholes, (std::vector<std::string>{"edit buffer", "edit buffer"}));
        } else {
            EXPECT_EQ(sink.sent,
                      (std::vector<Bytes>{parameterEditPrefix(), parameterEdit(53, 40)}));
            EXPECT_EQ(wholes, std::vector<std::string>{"slot 99"});
        }
        EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{53, 40}, {29, -2}}));
    }
}

} // namespace
} // namespace velmora::test
