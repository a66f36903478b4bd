// The sequencer window playing to velmora-instrument over JACK: eight steps
// clocked by its own timer go out through TMidiOutput, and the instrument's
// --verbose log tells what arrived. Skipped when no JACK server runs.
#include "InstrumentProcess.h"
#include "MidiOutput.h"
#include "TfrmSeq.h"

#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kChannel = 3;

std::string Hex(int status, int note)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X 64", status, note);
    return text;
}

// Every line the instrument printed until it stays quiet for `quiet`.
std::vector<std::string> Lines(InstrumentProcess& instrument, Clock::duration quiet)
{
    std::vector<std::string> lines;
    while (auto line = instrument.WaitForLine("", quiet))
        lines.push_back(*line);
    return lines;
}

} // namespace

TEST(SequencerJack, EightStepsReachTheInstrumentWithTheirNotesMutesAndOctave)
{
    VELMORA_SKIP_WITHOUT_JACK();
    const std::string name = UniqueName("Velmora Seq E2E");
    const auto instrument = StartInstrument(name, {"--verbose"});
    ASSERT_TRUE(instrument) << "velmora-instrument did not start";

    midi::MidiDevices devices;
    devices.AddBackend(midi::CreateRtMidiBackend());
    midi::TMidiOutput output(devices);
    const int port = IndexOfJackPort(devices.OutputNames(), name + " in");
    ASSERT_GE(port, 0);
    output.SetDeviceID(port);
    ASSERT_TRUE(output.Open()) << output.LastError();

    QString folder;
    perform::TfrmSeq seq(
        output, [] { return kChannel; }, folder);
    std::vector<QString> told;
    seq.OnMessage = [&](const QString& text) { told.push_back(text); };
    seq.show();
    seq.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&seq));
    // The fresh scale with step 8 raised to 120, steps 2 and 5 muted, an
    // octave up (step 8 stays where it is: 132 is no MIDI note), 50 ms a step.
    seq.findChild<QSlider*>("Bar8")->setValue(120);
    seq.findChild<QSlider*>("tbTempo")->setValue(605 - 50);
    QTest::keyClick(&seq, Qt::Key_2);
    QTest::keyClick(&seq, Qt::Key_5);
    seq.State().SetOctave(1);
    seq.UpdateControls();

    std::vector<std::string> expected;
    for (const int note : {72, 76, 77, 81, 83, 120}) {
        expected.push_back(Hex(0x90 + kChannel, note));
        expected.push_back(Hex(0x80 + kChannel, note));
    }

    // A JACK client that misses a cycle on a busy machine loses that cycle's
    // MIDI, so a run that arrived incomplete is played again.
    std::vector<std::string> received;
    for (int attempt = 0; attempt < 3 && received != expected; ++attempt) {
        Lines(*instrument, 200ms); // anything left from before
        seq.StartSeq();
        ASSERT_TRUE(seq.Playing());
        // Until step 8 has played: then step 1 is next and step 8 is lit.
        PumpUntil([&] { return seq.State().CurrentStep() == 0 && seq.State().LitStep() == 7; },
                  10s);
        seq.StopSeq();
        received = Lines(*instrument, 1s);
    }
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(told.empty());
    output.Close();
    EXPECT_EQ(instrument->Stop(), 0);
}
