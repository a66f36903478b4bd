// A knob on a controller keyboard, over JACK: the test's own JACK client plays
// the keyboard on Velmora's second input, velmora-instrument is the
// instrument. The devices, the router, the controller map, the editing and
// the sender are wired as the main window wires them. A learned controller
// edits the current patch, and the instrument logs the parameter message
// and answers with the edited patch. Skipped when no JACK server runs.
#include "e2e/InstrumentProcess.h"
#include "e2e/JackSource.h"
#include "editor/PatchEditing.h"
#include "midi/MidiSetup.h"
#include "perform/ControllerMap.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::midi;
using namespace velmora::test;

namespace {

class ControllerKnob : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VELMORA_SKIP_WITHOUT_JACK();
        name_ = uniqueName("Velmora Knob");
        instrument_ = startInstrument(name_, {"--verbose"});
        ASSERT_TRUE(instrument_) << "velmora-instrument did not start";
        knob_ = std::make_unique<JackSource>(uniqueName("velmora-keys"), "knob");
        ASSERT_TRUE(knob_->ok());

        // The main window's parts, in the order it makes them.
        devices_.addBackend(createRtMidiBackend());
        midi_ = std::make_unique<MidiSetup>(
            devices_,
            MidiRouter::Targets{
                [this](const MidiEvent& event) { dumps_.push_back(event); },
                [this](int controller) {
                    const QString text = map_->handleLearning(controller);
                    if (!text.isEmpty())
                        shown_ << text;
                },
                [this](int controller, int value) { map_->handleController(controller, value); }});
        sender_ = std::make_unique<ParameterSender>(midi_->output(), patch_);
        editing_ = std::make_unique<editor::PatchEditing>(patch_, *sender_);
        map_ = std::make_unique<perform::ControllerMap>(*editing_, midi_->routing().learnPending);
        ASSERT_EQ(map_->readMapFile(QString::fromStdString(files_.path("ccmap.dat"))), "");

        midi_->initMidiControls();
        const int in = indexOfJackPort(midi_->inputNames(), name_ + " out");
        const int out = indexOfJackPort(midi_->outputNames(), name_ + " in");
        const int keyboard = indexOfJackPort(midi_->inputNames(), "knob");
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        ASSERT_GE(keyboard, 0);
        midi_->input().setDeviceID(in);
        midi_->output().setDeviceID(out);
        midi_->input2().setDeviceID(keyboard);
        midi_->setSecondInputDevice(keyboard);
        ASSERT_EQ(midi_->openAtStartup(), std::nullopt);
        ASSERT_TRUE(midi_->input2Open());
    }

    // Turns the knob until `done`: a JACK cycle missed on a busy machine
    // loses that cycle's MIDI, so a turn may need to go again.
    template <typename Done> bool turnUntil(int controller, int value, Done done)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            knob_->turn(controller, value);
            if (pumpUntil(done, 3s))
                return true;
        }
        return false;
    }

    // Whether the instrument logs `line` while the event loop runs (the
    // keyboard input's messages are routed on this thread).
    bool instrumentLogs(const std::string& line, Clock::duration timeout = 10s)
    {
        return pumpUntil([&] { return instrument_->waitForLine(line, 5ms).has_value(); }, timeout);
    }

    // The instrument's edit buffer, asked for again when a JACK cycle lost
    // the answer.
    std::optional<PatchRecord> editBuffer()
    {
        for (int attempt = 0; attempt < 4; ++attempt) {
            dumps_.clear();
            midi_->output().sendLong(request(RequestType::EditBuffer));
            PatchRecord record{};
            if (pumpUntil([this] { return !dumps_.empty(); }, 5s) &&
                unpackBlock(dumps_.front().sysexData, record) == UnpackStatus::Ok)
                return record;
        }
        return std::nullopt;
    }

    std::string name_;
    std::unique_ptr<InstrumentProcess> instrument_;
    std::unique_ptr<JackSource> knob_;
    MidiDevices devices_;
    std::unique_ptr<MidiSetup> midi_;
    PatchBuffer patch_{};
    std::unique_ptr<ParameterSender> sender_;
    std::unique_ptr<editor::PatchEditing> editing_;
    std::unique_ptr<perform::ControllerMap> map_;
    TempDir files_;
    std::vector<MidiEvent> dumps_;
    QStringList shown_;
};

TEST_F(ControllerKnob, ALearnedKnobEditsTheInstrument)
{
    // Right click on the cutoff's caption, "Learn Mode".
    map_->setLearnTarget(43);
    map_->requestLearning();
    midi_->routing().ccMappingOn = true;

    // Volume passes on to the instrument and leaves the learning pending.
    ASSERT_TRUE(turnUntil(7, 5, [this] { return instrumentLogs("B0 07 05", 5ms); }));
    EXPECT_TRUE(midi_->routing().learnPending);
    ASSERT_TRUE(turnUntil(74, 10, [this] { return !shown_.isEmpty(); }));
    EXPECT_EQ(shown_, QStringList{"VCF Cutoff Frequency is now mapped to CC #74"});
    EXPECT_FALSE(midi_->routing().learnPending);
    EXPECT_EQ(files_.read("ccmap.dat").at(43), 74);

    // The knob now turns the cutoff: parameter 21 goes to the instrument.
    ASSERT_TRUE(turnUntil(74, 100, [this] { return patch_[26] == 100; }));
    EXPECT_TRUE(instrumentLogs("F0 10 06 06 15 64 F7"));

    // A bus amount at 0 is -63 in the record and 65 in the bus message.
    map_->assign(70, 75);
    editing_->setBusSourceItem(1, 3);      // LFO 1
    editing_->setBusDestinationItem(1, 8); // VCF Frequency
    ASSERT_TRUE(turnUntil(75, 0, [this] { return patch_[busOffset(1) + 1] == signedToByte(-63); }));
    EXPECT_TRUE(instrumentLogs("F0 10 06 0B 00 04 41 09 F7"));

    const auto edited = editBuffer();
    ASSERT_TRUE(edited);
    EXPECT_EQ((*edited)[26], 100);
    EXPECT_EQ((*edited)[busOffset(1) + 1], signedToByte(-63));
}

} // namespace
