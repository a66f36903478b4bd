// Start-up opening, port changes and the commands of the MIDI setup.
#include "MidiSetup.h"
#include "FakeBackend.h"

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
        Build(std::move(inputs), std::move(outputs));
    }
    void Build(std::vector<std::string> inputs, std::vector<std::string> outputs)
    {
        auto owned = std::make_unique<FakeBackend>(std::move(inputs), std::move(outputs));
        backend = owned.get();
        devices.AddBackend(std::move(owned));
        setup = std::make_unique<MidiSetup>(devices, MidiRouter::Targets{});
        setup->InitMidiControls();
    }

    MidiDevices devices;
    FakeBackend* backend = nullptr;
    std::unique_ptr<MidiSetup> setup;
};

} // namespace

TEST(MidiSetup, StartupEndsWithAClearMessageWhenAPortIsMissing)
{
    Rig noInput({}, {"Out"});
    EXPECT_EQ(noInput.setup->OpenAtStartup(), "Cannot find a Midi In port");
    Rig noOutput({"In"}, {});
    EXPECT_EQ(noOutput.setup->OpenAtStartup(), "Cannot find a Midi Out port");

    // An input that another program holds counts as missing.
    Rig held({"In"}, {"Out"});
    held.backend->shared->refuseOpen = true;
    EXPECT_EQ(held.setup->OpenAtStartup(), "Cannot find a Midi In port");
}

TEST(MidiSetup, OpensAllThreeAndLeavesABrokenKeyboardInputClosed)
{
    Rig rig({"Matrix In", "Keys"}, {"Matrix Out"});
    auto& setup = rig.setup;
    setup->SetSecondInputDevice(1);
    setup->Input2().SetDeviceID(1);
    EXPECT_EQ(setup->OpenAtStartup(), std::nullopt);
    EXPECT_TRUE(setup->InputOpen());
    EXPECT_TRUE(setup->Input2Open());
    EXPECT_TRUE(setup->OutputOpen());
    EXPECT_EQ(setup->SecondInputNames(), (std::vector<std::string>{"<none>", "Keys"}));
    EXPECT_EQ(setup->SecondInputPosition(), 1);

    setup->ChangeInPort2(0);
    EXPECT_FALSE(setup->Input2Open());
    EXPECT_EQ(setup->SecondInputDevice(), MidiSetup::kNoDevice);

    // A keyboard input that cannot be opened stays closed; the rest runs.
    Rig broken({"Matrix In", "Keys"}, {"Matrix Out"});
    broken.setup->SetSecondInputDevice(1);
    broken.setup->Input2().SetDeviceID(1);
    broken.backend->shared->refuseOpenOf = "Keys";
    EXPECT_EQ(broken.setup->OpenAtStartup(), std::nullopt);
    EXPECT_FALSE(broken.setup->Input2Open());
    EXPECT_TRUE(broken.setup->OutputOpen());
}

TEST(MidiSetup, SysexBuffersChangeOnlyWhileTheInputIsOpen)
{
    Rig rig({"In"}, {"Out"});
    auto& setup = rig.setup;
    EXPECT_FALSE(setup->ApplySysexBuffers(1024, 32));
    EXPECT_EQ(setup->Input().SysexBufferSize(), 512);
    ASSERT_EQ(setup->OpenAtStartup(), std::nullopt);
    EXPECT_TRUE(setup->ApplySysexBuffers(1024, 32));
    EXPECT_EQ(setup->Input().SysexBufferSize(), 1024);
    EXPECT_EQ(setup->Input().SysexBufferCount(), 32);
    EXPECT_TRUE(setup->InputOpen());
    EXPECT_EQ(setup->Input2().SysexBufferCount(), 4);

    // Too few buffers for a burst: the user is told once, with what to do,
    // and what did fit still arrives.
    std::vector<std::string> errors;
    setup->OnError = [&](const std::string& text) { errors.push_back(text); };
    ASSERT_TRUE(setup->ApplySysexBuffers(512, 2));
    for (int i = 0; i < 5; ++i)
        rig.backend->Inject({0xF0, 0x10, 0x06, static_cast<Byte>(i), 0xF7});
    QCoreApplication::processEvents();
    EXPECT_EQ(errors, std::vector<std::string>{MidiSetup::kOverflowText});
    EXPECT_EQ(setup->Input().LostCount(), 3u);
}

TEST(MidiSetup, AllNotesOffSendsTheStoredNotesThenTheTwoControllers)
{
    Rig rig({"In"}, {"Out"});
    auto& setup = rig.setup;
    auto* backend = rig.backend;
    setup->AllNotesOff(60, {64, 67, 72}); // output closed: nothing
    ASSERT_EQ(setup->OpenAtStartup(), std::nullopt);
    setup->Routing().instrumentChannel = 2;
    setup->AllNotesOff(60, {64, 67, 72});
    EXPECT_EQ(backend->shared->sent, (std::vector<Bytes>{{0x82, 60, 100},
                                                         {0x82, 64, 100},
                                                         {0x82, 67, 100},
                                                         {0x82, 72, 100},
                                                         {0xB2, 123, 0},
                                                         {0xB2, 121, 0}}));
}
