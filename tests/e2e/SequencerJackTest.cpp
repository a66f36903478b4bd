// The sequencer window playing to velmora-instrument over JACK: eight steps
// clocked by its own timer go out through MidiOutput, and the instrument's
// --verbose log tells what arrived. Skipped when no JACK server runs.
#include "e2e/InstrumentProcess.h"
#include "midi/MidiOutput.h"
#include "perform/SequencerWindow.h"

#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kChannel = 3;

std::string hex(int status, int note)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X 64", status, note);
    return text;
}

// Every line the instrument printed until it stays quiet for `quiet`.
std::vector<std::string> lines(InstrumentProcess& instrument, Clock::duration quiet)
{
    std::vector<std::string> lines;
    while (auto line = instrument.waitForLine("", quiet))
        lines.push_back(*line);
    return lines;
}

} // namespace

TEST(SequencerJack, EightStepsReachTheInstrumentWithTheirNotesMutesAndOctave)
{
    VELMORA_SKIP_WITHOUT_JACK();
    const std::string name = uniqueName("Velmora Seq E2E");
    const auto instrument = startInstrument(name, {"--verbose"});
    ASSERT_TRUE(instrument) << "velmora-instrument did not start";

    midi::MidiDevices devices;
    devices.addBackend(midi::createRtMidiBackend());
    midi::MidiOutput output(devices);
    const int port = indexOfJackPort(devices.outputNames(), name + " in");
    ASSERT_GE(port, 0);
    output.setDeviceID(port);
    ASSERT_TRUE(output.open()) << output.lastError();

    QString folder;
    perform::SequencerWindow seq(output, folder);
    seq.setChannel(kChannel);
    std::vector<QString> told;
    QObject::connect(&seq, &perform::SequencerWindow::messageReported,
                     [&](const QString& text) { told.push_back(text); });
    seq.show();
    seq.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&seq));
    // The fresh scale with step 8 raised to 120, steps 2 and 5 muted, an
    // octave up (step 8 stays where it is: 132 is no MIDI note), 50 ms a step.
    seq.findChild<QSlider*>("Bar8")->setValue(120);
    seq.findChild<QSlider*>("tbTempo")->setValue(605 - 50);
    QTest::keyClick(&seq, Qt::Key_2);
    QTest::keyClick(&seq, Qt::Key_5);
    seq.state().setOctave(1);
    seq.updateControls();

    std::vector<std::string> expected;
    for (const int note : {72, 76, 77, 81, 83, 120}) {
        expected.push_back(hex(0x90 + kChannel, note));
        expected.push_back(hex(0x80 + kChannel, note));
    }

    // A JACK client that misses a cycle on a busy machine loses that cycle's
    // MIDI, so a run that arrived incomplete is played again.
    std::vector<std::string> received;
    for (int attempt = 0; attempt < 3 && received != expected; ++attempt) {
        lines(*instrument, 200ms); // anything left from before
        seq.startSeq();
        ASSERT_TRUE(seq.playing());
        // Until step 8 has played: then step 1 is next and step 8 is lit.
        pumpUntil([&] { return seq.state().currentStep() == 0 && seq.state().litStep() == 7; },
                  10s);
        seq.stopSeq();
        received = lines(*instrument, 1s);
    }
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(told.empty());
    output.close();
    EXPECT_EQ(instrument->stop(), 0);
}
