// Start-up opening, port changes and the commands of the MIDI setup.
#include "midi/MidiSetup.h"
#include "common/ErrorReporter.h"
#include "midi/FakeBackend.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace velmora::midi;
using test::FakeBackend;
using Bytes = std::vector<Byte>;

namespace {

struct Rig
{
    Rig(std::vector<std::string> inputs, std::vector<std::string> outputs)
    {
        build(std::move(inputs), std::move(outputs));
    }
    void build(std::vector<std::string> inputs, std::vector<std::string> outputs)
    {
        auto owned = std::make_unique<FakeBackend>(std::move(inputs), std::move(outputs));
        backend = owned.get();
        devices.addBackend(std::move(owned));
        setup = std::make_unique<MidiSetup>(devices, MidiRouter::Targets{});
        setup->initMidiControls();
    }

    MidiDevices devices;
    FakeBackend* backend = nullptr;
    std::unique_ptr<MidiSetup> setup;
};

} // namespace

TEST(MidiSetup, StartupEndsWithAClearMessageWhenAPortIsMissing)
{
    Rig noInput({}, {"Out"});
    EXPECT_EQ(noInput.setup->openAtStartup(), "Cannot find a Midi In port");
    Rig noOutput({"In"}, {});
    EXPECT_EQ(noOutput.setup->openAtStartup(), "Cannot find a Midi Out port");

    // An input that another program holds counts as missing.
    Rig held({"In"}, {"Out"});
    held.backend->shared->refuseOpen = true;
    EXPECT_EQ(held.setup->openAtStartup(), "Cannot find a Midi In port");
}

TEST(MidiSetup, OpensAllThreeAndLeavesABrokenKeyboardInputClosed)
{
    Rig rig({"Matrix In", "Keys"}, {"Matrix Out"});
    auto& setup = rig.setup;
    setup->setSecondInputDevice(1);
    setup->input2().setDeviceID(1);
    EXPECT_EQ(setup->openAtStartup(), std::nullopt);
    EXPECT_TRUE(setup->inputOpen());
    EXPECT_TRUE(setup->input2Open());
    EXPECT_TRUE(setup->outputOpen());
    EXPECT_EQ(setup->secondInputNames(), (std::vector<std::string>{"<none>", "Keys"}));
    EXPECT_EQ(setup->secondInputPosition(), 1);

    setup->changeInPort2(0);
    EXPECT_FALSE(setup->input2Open());
    EXPECT_EQ(setup->secondInputDevice(), MidiSetup::kNoDevice);

    // A keyboard input that cannot be opened stays closed; the rest runs.
    Rig broken({"Matrix In", "Keys"}, {"Matrix Out"});
    broken.setup->setSecondInputDevice(1);
    broken.setup->input2().setDeviceID(1);
    broken.backend->shared->refuseOpenOf = "Keys";
    EXPECT_EQ(broken.setup->openAtStartup(), std::nullopt);
    EXPECT_FALSE(broken.setup->input2Open());
    EXPECT_TRUE(broken.setup->outputOpen());
}

TEST(MidiSetup, SysexBuffersChangeOnlyWhileTheInputIsOpen)
{
    Rig rig({"In"}, {"Out"});
    auto& setup = rig.setup;
    EXPECT_FALSE(setup->applySysexBuffers(1024, 32));
    EXPECT_EQ(setup->input().sysexBufferSize(), 512);
    ASSERT_EQ(setup->openAtStartup(), std::nullopt);
    EXPECT_TRUE(setup->applySysexBuffers(1024, 32));
    EXPECT_EQ(setup->input().sysexBufferSize(), 1024);
    EXPECT_EQ(setup->input().sysexBufferCount(), 32);
    EXPECT_TRUE(setup->inputOpen());
    EXPECT_EQ(setup->input2().sysexBufferCount(), 4);

    // Too few buffers for a burst: the user is told once, with what to do,
    // and what did fit still arrives.
    velmora::ErrorReporter reporter;
    std::vector<std::string> errors;
    QObject::connect(&reporter, &velmora::ErrorReporter::errorReported,
                     [&](const QString& text) { errors.push_back(text.toStdString()); });
    setup->setErrorReporter(&reporter);
    ASSERT_TRUE(setup->applySysexBuffers(512, 2));
    for (int i = 0; i < 5; ++i)
        rig.backend->inject({0xF0, 0x10, 0x06, static_cast<Byte>(i), 0xF7});
    QCoreApplication::processEvents();
    EXPECT_EQ(errors, std::vector<std::string>{MidiSetup::kOverflowText});
    EXPECT_EQ(setup->input().lostCount(), 3u);
}

TEST(MidiSetup, AllNotesOffSendsTheStoredNotesThenTheTwoControllers)
{
    Rig rig({"In"}, {"Out"});
    auto& setup = rig.setup;
    auto* backend = rig.backend;
    setup->allNotesOff(60, {64, 67, 72}); // output closed: nothing
    ASSERT_EQ(setup->openAtStartup(), std::nullopt);
    setup->routing().instrumentChannel = 2;
    setup->allNotesOff(60, {64, 67, 72});
    EXPECT_EQ(backend->shared->sent, (std::vector<Bytes>{{0x82, 60, 100},
                                                         {0x82, 64, 100},
                                                         {0x82, 67, 100},
                                                         {0x82, 72, 100},
                                                         {0xB2, 123, 0},
                                                         {0xB2, 121, 0}}));
}
