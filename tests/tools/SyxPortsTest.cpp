// Ports named on the command line: by number or by part of the name.
#include "velmora-syx/SyxPorts.h"
#include "midi/FakeBackend.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace velmora;
using namespace velmora::syx;

TEST(SyxPorts, FoundByNumberOrByPartOfTheNameAndListed)
{
    midi::MidiDevices devices;
    devices.addBackend(std::make_unique<midi::test::FakeBackend>(
        std::vector<std::string>{"USB MIDI 1 (ALSA)", "USB MIDI 2 (ALSA)", "Matrix Link"},
        std::vector<std::string>{"Matrix Link"}));
    EXPECT_EQ(findPort(devices, PortKind::Input, "2"), 2);
    EXPECT_EQ(findPort(devices, PortKind::Input, "matrix"), 2);
    EXPECT_EQ(findPort(devices, PortKind::Output, "Matrix Link"), 0);
    const auto error = [&](PortKind kind, const std::string& wanted) {
        try {
            findPort(devices, kind, wanted);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(error(PortKind::Input, "usb"),
              "\"usb\" names 2 MIDI inputs; give more of the name or the number");
    EXPECT_EQ(error(PortKind::Output, "3"),
              "there is no MIDI output number 3 (see velmora-syx ports)");
    EXPECT_EQ(error(PortKind::Input, "keys"),
              "no MIDI input is named like \"keys\" (see velmora-syx ports)");

    std::ostringstream out;
    runPorts(devices, false, out);
    EXPECT_EQ(out.str(),
              "MIDI inputs:\n  0  USB MIDI 1 (ALSA)\n  1  USB MIDI 2 (ALSA)\n  2  Matrix "
              "Link\nMIDI outputs:\n  0  Matrix Link\n");
}
