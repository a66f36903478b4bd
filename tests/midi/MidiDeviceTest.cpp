// The input and output components over a backend the test drives: what is
// stored, what is dropped and what is refused. (A flooded ring, over JACK:
// tests/e2e.)
#include "midi/FakeBackend.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <thread>

using namespace velmora::midi;
using test::FakeBackend;
using Bytes = std::vector<Byte>;

namespace {

Bytes shortOf(const MidiEvent& event)
{
    return {event.status, event.data1, event.data2};
}

// The text of the `Error` that `run` raised; "" when it raised nothing.
template <typename Error, typename Run> std::string errorOf(Run run)
{
    try {
        run();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

struct Fixture : ::testing::Test
{
    Fixture()
    {
        auto owned = std::make_unique<FakeBackend>(std::vector<std::string>{"Fake In", "Other In"},
                                                   std::vector<std::string>{"Fake Out"});
        backend = owned.get();
        devices.addBackend(std::move(owned));
        input.setDeviceID(0);
        input.setOnMidiInput([this](MidiInput& in) {
            if (auto event = in.takeEvent())
                received.push_back(std::move(*event));
        });
        input.setOnOverflow([this](MidiInput&) { ++overflows; });
    }
    void openAndStart()
    {
        ASSERT_TRUE(input.open());
        input.start();
    }
    void pump() { QCoreApplication::processEvents(); }

    MidiDevices devices;
    FakeBackend* backend = nullptr;
    MidiInput input{devices};
    std::vector<MidiEvent> received;
    int overflows = 0;
};

} // namespace

using MidiInputDevice = Fixture;

TEST_F(MidiInputDevice, StoresShortAndSysexMessagesAndDropsClockAndSensing)
{
    openAndStart();
    std::thread driver([this] {
        backend->inject({0x90, 60, 100});
        backend->inject({0xF8});
        backend->inject({0xFE});
        backend->inject({0xC3, 5});
        backend->inject({0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7});
        backend->inject({0xF7});                   // a stray end of SysEx
        backend->inject({0x40});                   // a data byte without status
        backend->inject({0xF0, 0x10, 0x06, 0x01}); // cut off by a disconnect
    });
    driver.join();
    EXPECT_EQ(input.pendingCount(), 4);
    pump();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(shortOf(received[0]), (Bytes{0x90, 60, 100}));
    EXPECT_EQ(shortOf(received[1]), (Bytes{0xC3, 5, 0}));
    EXPECT_EQ(received[2].status, 0xF0);
    EXPECT_EQ(received[2].sysexSize, 7);
    EXPECT_EQ(received[2].sysexData, (Bytes{0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7}));
    // Kept as it came: its length is no dump's, so the dump handlers pass it by.
    EXPECT_EQ(received[3].sysexSize, 4);

    // SysEx-only: notes and controllers never arrive.
    input.setSysexOnly(true);
    backend->inject({0x90, 61, 100});
    backend->inject({0xB0, 7, 100});
    backend->inject({0xF0, 0x01, 0xF7});
    pump();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[4].status, 0xF0);
}

TEST_F(MidiInputDevice, SysexLongerThanABufferArrivesInPieces)
{
    input.setSysexBufferSize(512);
    input.setSysexBufferCount(4);
    openAndStart();
    Bytes dump(1200, 0x01);
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    backend->inject(dump);
    pump();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].sysexSize, 512);
    EXPECT_EQ(received[1].sysexSize, 512);
    EXPECT_EQ(received[2].sysexSize, 176);
    EXPECT_EQ(received[2].sysexData.back(), 0xF7);

    // More SysEx than free buffers: the rest is lost and reported.
    for (int i = 0; i < 6; ++i)
        backend->inject({0xF0, Byte(i), 0xF7});
    pump();
    EXPECT_EQ(received.size(), 7u);
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(input.lostCount(), 2u);
}

TEST_F(MidiInputDevice, RefusesChangesWhileOpenAndUnknownNames)
{
    EXPECT_EQ(input.state(), MidiInput::DeviceState::Closed);
    EXPECT_EQ(input.productName(), "Fake In");
    input.setProductName("Other In");
    EXPECT_EQ(input.deviceID(), 1);
    EXPECT_EQ(errorOf<MidiInputError>([&] { input.setProductName("Nowhere"); }),
              "MIDI Input Device Nowhere not installed ");
    EXPECT_EQ(input.deviceID(), 1);
    EXPECT_THROW(input.setDeviceID(2), MidiInputError);

    openAndStart();
    const std::pair<std::function<void()>, const char*> refused[] = {
        {[&] { input.setSysexBufferSize(1024); },
         "Change to SysexBufferSize while device was open"},
        {[&] { input.setSysexBufferCount(32); },
         "Change to SysexBuffercount while device was open"},
        {[&] { input.setDeviceID(0); }, "Change to DeviceID while device was open"},
        {[&] { input.setProductName("Fake In"); }, "Change to ProductName while device was open"},
    };
    for (const auto& [change, text] : refused)
        EXPECT_EQ(errorOf<MidiInputError>(change), text);
    EXPECT_EQ(input.sysexBufferSize(), 4096);
    EXPECT_EQ(input.deviceID(), 1);

    // A port another program holds: Open says no and stays closed.
    input.close();
    backend->shared->refuseOpen = true;
    EXPECT_FALSE(input.open());
    EXPECT_EQ(input.lastError(), "The port is in use by another program");
    EXPECT_EQ(input.pendingCount(), 0);
    EXPECT_FALSE(input.takeEvent());
    backend->shared->refuseOpen = false;
    EXPECT_TRUE(input.open());
}

TEST(MidiOutputDevice, SendsWhatTheStatusCallsForAndReportsFailures)
{
    MidiDevices devices;
    auto owned = std::make_unique<FakeBackend>();
    FakeBackend& backend = *owned;
    devices.addBackend(std::move(owned));
    MidiOutput output(devices);
    int done = 0;
    output.setOnMidiOutput([&](MidiOutput&) { ++done; });

    EXPECT_EQ(
        errorOf<MidiOutputError>([&] { output.sendEvent(MidiEvent::shortMessage(0x90, 60, 100)); }),
        "MIDI Output device not open");
    EXPECT_EQ(errorOf<MidiOutputError>([&] { output.setProductName("Nowhere"); }),
              "MIDI output Device Nowhere not installed");
    EXPECT_EQ(output.deviceID(), MidiOutput::kDefaultDevice);

    ASSERT_TRUE(output.open());
    output.sendShort(0x93, 60, 100);
    output.sendShort(0xC0, 5, 99);
    output.sendShort(0xD1, 20, 99);
    output.sendShort(0xFC, 1, 2);
    const Bytes a = {0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7};
    const Bytes b = {0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7};
    output.sendLong(a);
    output.sendLong(b);
    MidiEvent sysex;
    sysex.status = 0xF0;
    sysex.sysexSize = 7;
    sysex.sysexData = a;
    output.sendEvent(sysex);
    EXPECT_EQ(backend.shared->sent,
              (std::vector<Bytes>{{0x93, 60, 100}, {0xC0, 5}, {0xD1, 20}, {0xFC}, a, b, a}));
    QCoreApplication::processEvents();
    EXPECT_EQ(done, 3);

    // The port vanished: a clear error, and the device can be reopened.
    backend.shared->vanished = true;
    EXPECT_EQ(errorOf<MidiOutputError>([&] { output.sendLong(a); }),
              "The MIDI port \"Fake Out\" is no longer available");
    backend.shared->vanished = false;
    output.close();
    ASSERT_TRUE(output.open());
    output.sendShort(0x80, 60, 100);
    EXPECT_EQ(backend.shared->sent.size(), 8u);
}
