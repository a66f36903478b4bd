// Where messages from the two inputs go.
#include "midi/MidiRouter.h"
#include "support/RecordingSink.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velmora::midi;
using Bytes = std::vector<std::uint8_t>;

namespace {

using velmora::test::RecordingSink;

struct Routing : ::testing::Test
{
    RoutingSettings settings;
    RecordingSink sink;
    std::vector<int> learned;
    std::vector<std::pair<int, int>> mapped;
    int dumps = 0;
    MidiRouter router{settings, sink,
                      MidiRouter::Targets{[this](const MidiEvent&) { ++dumps; },
                                          [this](int c) { learned.push_back(c); },
                                          [this](int c, int v) { mapped.emplace_back(c, v); }}};

    static MidiEvent shortMessage(std::uint8_t s, std::uint8_t d1, std::uint8_t d2 = 0)
    {
        return MidiEvent::shortMessage(s, d1, d2);
    }
};

} // namespace

TEST_F(Routing, InstrumentInputPassesOnlyItsChannelAndOnlyInThruMode)
{
    settings.instrumentChannel = 0;
    router.routeInstrumentInput(shortMessage(0x90, 60, 100));
    EXPECT_TRUE(sink.sent.empty());

    settings.thruMode = true;
    router.routeInstrumentInput(shortMessage(0x90, 60, 100));
    router.routeInstrumentInput(shortMessage(0x91, 60, 100)); // another channel
    router.routeInstrumentInput(shortMessage(0xC0, 7));
    router.routeInstrumentInput(shortMessage(0xB0, 7, 90));  // volume is passed on
    router.routeInstrumentInput(shortMessage(0xB0, 121, 0)); // so is reset-all
    EXPECT_EQ(sink.sent,
              (std::vector<Bytes>{{0x90, 60, 100}, {0xC0, 7}, {0xB0, 7, 90}, {0xB0, 121, 0}}));

    sink.open = false;
    router.routeInstrumentInput(shortMessage(0x90, 61, 100));
    EXPECT_EQ(sink.sent.size(), 4u);

    MidiEvent dump;
    dump.status = 0xF0;
    dump.sysexSize = 7;
    dump.sysexData = {0xF0, 1, 2, 3, 4, 5, 0xF7};
    router.routeInstrumentInput(dump);
    EXPECT_EQ(dumps, 1);
}

TEST_F(Routing, ControllersTwelveToHundredTwentyDriveTheProgram)
{
    settings.thruMode = true;
    for (int input = 0; input < 2; ++input) {
        auto route = [&](const MidiEvent& e) {
            input == 0 ? router.routeInstrumentInput(e) : router.routeKeyboardInput(e);
        };
        learned.clear();
        mapped.clear();
        sink.sent.clear();

        settings.learnPending = true;
        route(shortMessage(0xB0, 12, 5));
        settings.learnPending = false;
        route(shortMessage(0xB0, 120, 6)); // mapping off: dropped
        settings.ccMappingOn = true;
        route(shortMessage(0xB0, 120, 7));
        route(shortMessage(0xB0, 11, 8));  // below the range: passed on
        route(shortMessage(0xB0, 121, 9)); // above: passed on
        settings.ccMappingOn = false;

        EXPECT_EQ(learned, std::vector<int>{12});
        EXPECT_EQ(mapped, (std::vector<std::pair<int, int>>{{120, 7}}));
        EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0xB0, 11, 8}, {0xB0, 121, 9}}));
    }
}

TEST_F(Routing, KeyboardInputIsRechannelledAndAlwaysPassedOn)
{
    settings.instrumentChannel = 0;
    settings.keyboardChannel = 0; // any
    router.routeKeyboardInput(shortMessage(0x94, 60, 100));
    router.routeKeyboardInput(shortMessage(0xC9, 3)); // two bytes
    router.routeKeyboardInput(shortMessage(0xE2, 0, 64));
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x90, 60, 100}, {0xC0, 3}, {0xE0, 0, 64}}));

    sink.sent.clear();
    settings.instrumentChannel = 3;
    settings.keyboardChannel = 16;
    router.routeKeyboardInput(shortMessage(0x90, 60, 100));
    router.routeKeyboardInput(shortMessage(0x9F, 62, 100));
    router.routeKeyboardInput(shortMessage(0xF8, 0)); // system messages are dropped
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x93, 62, 100}}));
}
