// A knob on a controller keyboard, over JACK: the test's own JACK client plays
// the keyboard on Velmora's second input, velmora-instrument is the
// instrument. The devices, the router, the controller map, the editing and
// the sender are wired as the main window wires them. A learned controller
// edits the current patch, and the instrument logs the parameter message
// and answers with the edited patch. Skipped when no JACK server runs.
#include "ControllerMap.h"
#include "InstrumentProcess.h"
#include "Messages.h"
#include "MidiSetup.h"
#include "PatchEditing.h"
#include "SysexCodec.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>

using namespace velmora;
using namespace velmora::midi;
using namespace velmora::test;

namespace {

// A JACK client with one MIDI output: each Turn goes out in the next cycle.
class JackKnob
{
public:
    explicit JackKnob(const std::string& name)
    {
        jack_status_t status{};
        client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "knob", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &JackKnob::Process, this);
        jack_activate(client_);
    }
    ~JackKnob()
    {
        if (client_) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
    JackKnob(const JackKnob&) = delete;
    JackKnob& operator=(const JackKnob&) = delete;

    bool Ok() const { return client_ && port_; }
    std::string PortName() const { return port_ ? jack_port_name(port_) : ""; }

    // A control change on channel 1 (one writer: the test's thread).
    void Turn(int controller, int value)
    {
        const unsigned head = head_.load();
        queue_[head % queue_.size()] = {0xB0, static_cast<jack_midi_data_t>(controller),
                                        static_cast<jack_midi_data_t>(value)};
        head_.store(head + 1);
    }

private:
    static int Process(jack_nframes_t frames, void* self)
    {
        auto* knob = static_cast<JackKnob*>(self);
        void* buffer = jack_port_get_buffer(knob->port_, frames);
        jack_midi_clear_buffer(buffer);
        for (unsigned tail = knob->tail_.load(); tail != knob->head_.load(); ++tail) {
            const auto& message = knob->queue_[tail % knob->queue_.size()];
            if (jack_midi_event_write(buffer, 0, message.data(), message.size()) != 0)
                break;
            knob->tail_.store(tail + 1);
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::array<std::array<jack_midi_data_t, 3>, 64> queue_{};
    std::atomic<unsigned> head_{0};
    std::atomic<unsigned> tail_{0};
};

class ControllerKnob : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!JackServerRuns())
            GTEST_SKIP() << "no JACK server is running; scripts/test.sh starts one";
        name_ = "Velmora Knob " + std::to_string(getpid());
        instrument_ = std::make_unique<InstrumentProcess>(
            std::vector<std::string>{"--name", name_, "--pace", "fast", "--verbose"});
        ASSERT_TRUE(instrument_->WaitForLine("ready", 30s)) << "velmora-instrument did not start";
        knob_ = std::make_unique<JackKnob>("velmora-knob-" + std::to_string(getpid()));
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

    // Runs the event loop until `done` (asked once per round) or `timeout`.
    template <typename Done> bool PumpUntil(Done done, Clock::duration timeout = 10s)
    {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            if (done())
                return true;
            if (Clock::now() >= deadline)
                return false;
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(1ms);
        }
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
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            QCoreApplication::processEvents();
            if (instrument_->WaitForLine(line, 5ms))
                return true;
        }
        return false;
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
    std::unique_ptr<JackKnob> knob_;
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

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
