// The input and output components over a backend the test drives: what is
// stored, what is dropped and what is refused. (A flooded ring, over JACK:
// tests/e2e.)
#include "FakeBackend.h"
#include "MidiInput.h"
#include "MidiOutput.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <thread>

using namespace velmora::midi;
using test::FakeBackend;
using Bytes = std::vector<Byte>;

namespace {

Bytes ShortOf(const TMyMidiEvent& event)
{
    return {event.Status, event.Data1, event.Data2};
}

// The text of the `Error` that `run` raised; "" when it raised nothing.
template <typename Error, typename Run> std::string ErrorOf(Run run)
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
        devices.AddBackend(std::move(owned));
        input.SetDeviceID(0);
        input.SetOnMidiInput([this](TMidiInput& in) {
            if (auto event = in.TakeEvent())
                received.push_back(std::move(*event));
        });
        input.SetOnOverflow([this](TMidiInput&) { ++overflows; });
    }
    void OpenAndStart()
    {
        ASSERT_TRUE(input.Open());
        input.Start();
    }
    void Pump() { QCoreApplication::processEvents(); }

    MidiDevices devices;
    FakeBackend* backend = nullptr;
    TMidiInput input{devices};
    std::vector<TMyMidiEvent> received;
    int overflows = 0;
};

} // namespace

using MidiInputDevice = Fixture;

TEST_F(MidiInputDevice, StoresShortAndSysexMessagesAndDropsClockAndSensing)
{
    OpenAndStart();
    std::thread driver([this] {
        backend->Inject({0x90, 60, 100});
        backend->Inject({0xF8});
        backend->Inject({0xFE});
        backend->Inject({0xC3, 5});
        backend->Inject({0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7});
        backend->Inject({0xF7});                   // a stray end of SysEx
        backend->Inject({0x40});                   // a data byte without status
        backend->Inject({0xF0, 0x10, 0x06, 0x01}); // cut off by a disconnect
    });
    driver.join();
    EXPECT_EQ(input.PendingCount(), 4);
    Pump();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(ShortOf(received[0]), (Bytes{0x90, 60, 100}));
    EXPECT_EQ(ShortOf(received[1]), (Bytes{0xC3, 5, 0}));
    EXPECT_EQ(received[2].Status, 0xF0);
    EXPECT_EQ(received[2].SysexSize, 7);
    EXPECT_EQ(received[2].SysexData, (Bytes{0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7}));
    // Kept as it came: its length is no dump's, so the dump handlers pass it by.
    EXPECT_EQ(received[3].SysexSize, 4);

    // SysEx-only: notes and controllers never arrive.
    input.SetSysexOnly(true);
    backend->Inject({0x90, 61, 100});
    backend->Inject({0xB0, 7, 100});
    backend->Inject({0xF0, 0x01, 0xF7});
    Pump();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[4].Status, 0xF0);
}

TEST_F(MidiInputDevice, SysexLongerThanABufferArrivesInPieces)
{
    input.SetSysexBufferSize(512);
    input.SetSysexBufferCount(4);
    OpenAndStart();
    Bytes dump(1200, 0x01);
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    backend->Inject(dump);
    Pump();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].SysexSize, 512);
    EXPECT_EQ(received[1].SysexSize, 512);
    EXPECT_EQ(received[2].SysexSize, 176);
    EXPECT_EQ(received[2].SysexData.back(), 0xF7);

    // More SysEx than free buffers: the rest is lost and reported.
    for (int i = 0; i < 6; ++i)
        backend->Inject({0xF0, Byte(i), 0xF7});
    Pump();
    EXPECT_EQ(received.size(), 7u);
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(input.LostCount(), 2u);
}

TEST_F(MidiInputDevice, RefusesChangesWhileOpenAndUnknownNames)
{
    EXPECT_EQ(input.State(), TMidiInput::DeviceState::Closed);
    EXPECT_EQ(input.ProductName(), "Fake In");
    input.SetProductName("Other In");
    EXPECT_EQ(input.DeviceID(), 1);
    EXPECT_EQ(ErrorOf<EMidiInputError>([&] { input.SetProductName("Nowhere"); }),
              "MIDI Input Device Nowhere not installed ");
    EXPECT_EQ(input.DeviceID(), 1);
    EXPECT_THROW(input.SetDeviceID(2), EMidiInputError);

    OpenAndStart();
    const std::pair<std::function<void()>, const char*> refused[] = {
        {[&] { input.SetSysexBufferSize(1024); },
         "Change to SysexBufferSize while device was open"},
        {[&] { input.SetSysexBufferCount(32); },
         "Change to SysexBuffercount while device was open"},
        {[&] { input.SetDeviceID(0); }, "Change to DeviceID while device was open"},
        {[&] { input.SetProductName("Fake In"); }, "Change to ProductName while device was open"},
    };
    for (const auto& [change, text] : refused)
        EXPECT_EQ(ErrorOf<EMidiInputError>(change), text);
    EXPECT_EQ(input.SysexBufferSize(), 4096);
    EXPECT_EQ(input.DeviceID(), 1);

    // A port another program holds: Open says no and stays closed.
    input.Close();
    backend->shared->refuseOpen = true;
    EXPECT_FALSE(input.Open());
    EXPECT_EQ(input.LastError(), "The port is in use by another program");
    EXPECT_EQ(input.PendingCount(), 0);
    EXPECT_FALSE(input.TakeEvent());
    backend->shared->refuseOpen = false;
    EXPECT_TRUE(input.Open());
}

TEST(MidiOutputDevice, SendsWhatTheStatusCallsForAndReportsFailures)
{
    MidiDevices devices;
    auto owned = std::make_unique<FakeBackend>();
    FakeBackend& backend = *owned;
    devices.AddBackend(std::move(owned));
    TMidiOutput output(devices);
    int done = 0;
    output.SetOnMidiOutput([&](TMidiOutput&) { ++done; });

    EXPECT_EQ(
        ErrorOf<EmidioutputError>([&] { output.SendEvent(TMyMidiEvent::Short(0x90, 60, 100)); }),
        "MIDI Output device not open");
    EXPECT_EQ(ErrorOf<EmidioutputError>([&] { output.SetProductName("Nowhere"); }),
              "MIDI output Device Nowhere not installed");
    EXPECT_EQ(output.DeviceID(), TMidiOutput::kDefaultDevice);

    ASSERT_TRUE(output.Open());
    output.SendShort(0x93, 60, 100);
    output.SendShort(0xC0, 5, 99);
    output.SendShort(0xD1, 20, 99);
    output.SendShort(0xFC, 1, 2);
    const Bytes a = {0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7};
    const Bytes b = {0xF0, 0x10, 0x06, 0x0A, 0x01, 0xF7};
    output.SendLong(a);
    output.SendLong(b);
    TMyMidiEvent sysex;
    sysex.Status = 0xF0;
    sysex.SysexSize = 7;
    sysex.SysexData = a;
    output.SendEvent(sysex);
    EXPECT_EQ(backend.shared->sent,
              (std::vector<Bytes>{{0x93, 60, 100}, {0xC0, 5}, {0xD1, 20}, {0xFC}, a, b, a}));
    QCoreApplication::processEvents();
    EXPECT_EQ(done, 3);

    // The port vanished: a clear error, and the device can be reopened.
    backend.shared->vanished = true;
    EXPECT_EQ(ErrorOf<EmidioutputError>([&] { output.SendLong(a); }),
              "The MIDI port \"Fake Out\" is no longer available");
    backend.shared->vanished = false;
    output.Close();
    ASSERT_TRUE(output.Open());
    output.SendShort(0x80, 60, 100);
    EXPECT_EQ(backend.shared->sent.size(), 8u);
}
