// A knob on a controller keyboard, over JACK: the test's own JACK client plays
// the keyboard on Velmora's second input, velmora-instrument is the
// instrument. The devices, the router, the controller map, the editing and
// the sender are wired as the main window wires them. A learned controller
// edits the current patch, and the instrument logs the parameter message
// and answers with the edited patch. Skipped when no JACK server runs.
#include "ControllerMap.h"
#include "InstrumentProcess.h"
#include "JackSource.h"
#include "Messages.h"
#include "MidiSetup.h"
#include "PatchEditing.h"
#include "SysexCodec.h"
#include "TempDir.h"

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
        name_ = UniqueName("Velmora Knob");
        instrument_ = StartInstrument(name_, {"--verbose"});
        ASSERT_TRUE(instrument_) << "velmora-instrument did not start";
        knob_ = std::make_unique<JackSource>(UniqueName("velmora-keys"), "knob");
        ASSERT_TRUE(knob_->Ok());

        // The main window's parts, in the order it makes them.
        devices_.AddBackend(CreateRtMidiBackend());
        midi_ = std::make_unique<MidiSetup>(
            devices_,
            MidiRouter::Targets{
                [this](const TMyMidiEvent& event) { dumps_.push_back(event); },
                [this](int controller) {
                    const QString text = map_->HandleLearning(controller);
                    if (!text.isEmpty())
                        shown_ << text;
                },
                [this](int controller, int value) { map_->HandleController(controller, value); }});
        sender_ = std::make_unique<ParameterSender>(midi_->Output(), patch_);
        editing_ = std::make_unique<editor::PatchEditing>(patch_, *sender_);
        map_ = std::make_unique<perform::ControllerMap>(*editing_, midi_->Routing().learnPending);
        ASSERT_EQ(map_->ReadMapFile(QString::fromStdString(files_.Path("ccmap.dat"))), "");

        midi_->InitMidiControls();
        const int in = IndexOfJackPort(midi_->InputNames(), name_ + " out");
        const int out = IndexOfJackPort(midi_->OutputNames(), name_ + " in");
        const int keyboard = IndexOfJackPort(midi_->InputNames(), "knob");
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        ASSERT_GE(keyboard, 0);
        midi_->Input().SetDeviceID(in);
        midi_->Output().SetDeviceID(out);
        midi_->Input2().SetDeviceID(keyboard);
        midi_->SetSecondInputDevice(keyboard);
        ASSERT_EQ(midi_->OpenAtStartup(), std::nullopt);
        ASSERT_TRUE(midi_->Input2Open());
    }

    // Turns the knob until `done`: a JACK cycle missed on a busy machine
    // loses that cycle's MIDI, so a turn may need to go again.
    template <typename Done> bool TurnUntil(int controller, int value, Done done)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            knob_->Turn(controller, value);
            if (PumpUntil(done, 3s))
                return true;
        }
        return false;
    }

    // Whether the instrument logs `line` while the event loop runs (the
    // keyboard input's messages are routed on this thread).
    bool InstrumentLogs(const std::string& line, Clock::duration timeout = 10s)
    {
        return PumpUntil([&] { return instrument_->WaitForLine(line, 5ms).has_value(); }, timeout);
    }

    // The instrument's edit buffer, asked for again when a JACK cycle lost
    // the answer.
    std::optional<PatchRecord> EditBuffer()
    {
        for (int attempt = 0; attempt < 4; ++attempt) {
            dumps_.clear();
            midi_->Output().SendLong(Request(RequestType::EditBuffer));
            PatchRecord record{};
            if (PumpUntil([this] { return !dumps_.empty(); }, 5s) &&
                UnpackBlock(dumps_.front().SysexData, record) == UnpackStatus::Ok)
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
    std::vector<TMyMidiEvent> dumps_;
    QStringList shown_;
};

TEST_F(ControllerKnob, ALearnedKnobEditsTheInstrument)
{
    // Right click on the cutoff's caption, "Learn Mode".
    map_->SetLearnTarget(43);
    map_->RequestLearning();
    midi_->Routing().ccMappingOn = true;

    // Volume passes on to the instrument and leaves the learning pending.
    ASSERT_TRUE(TurnUntil(7, 5, [this] { return InstrumentLogs("B0 07 05", 5ms); }));
    EXPECT_TRUE(midi_->Routing().learnPending);
    ASSERT_TRUE(TurnUntil(74, 10, [this] { return !shown_.isEmpty(); }));
    EXPECT_EQ(shown_, QStringList{"VCF Cutoff Frequency is now mapped to CC #74"});
    EXPECT_FALSE(midi_->Routing().learnPending);
    EXPECT_EQ(files_.Read("ccmap.dat").at(43), 74);

    // The knob now turns the cutoff: parameter 21 goes to the instrument.
    ASSERT_TRUE(TurnUntil(74, 100, [this] { return patch_[26] == 100; }));
    EXPECT_TRUE(InstrumentLogs("F0 10 06 06 15 64 F7"));

    // A bus amount at 0 is -63 in the record and 65 in the bus message.
    map_->Assign(70, 75);
    editing_->SetBusSourceItem(1, 3);      // LFO 1
    editing_->SetBusDestinationItem(1, 8); // VCF Frequency
    ASSERT_TRUE(TurnUntil(75, 0, [this] { return patch_[BusOffset(1) + 1] == SignedToByte(-63); }));
    EXPECT_TRUE(InstrumentLogs("F0 10 06 0B 00 04 41 09 F7"));

    const auto edited = EditBuffer();
    ASSERT_TRUE(edited);
    EXPECT_EQ((*edited)[26], 100);
    EXPECT_EQ((*edited)[BusOffset(1) + 1], SignedToByte(-63));
}

} // namespace
