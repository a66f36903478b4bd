// The transfer engine on the command line: a TransferHost that answers the
// dialogs from the command line, prints progress on standard error and keeps
// the engine's messages as problems, and a session that opens the MIDI ports
// and pumps the Qt event loop while an answer comes in. The input hands every
// message over from the event loop, never from inside a send, so the engine
// may send while it handles one (a Matrix-6 patch goes back to slot 99).
#pragma once

#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "protocol/SysexCodec.h"
#include "protocol/Transfers.h"
#include "protocol/WholeInstrument.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora::syx {

class ConsoleHost : public TransferHost
{
public:
    // The answers the patch-number and bank dialogs give.
    std::optional<int> numberAnswer;
    std::optional<int> bankAnswer;
    // Every message the engine showed: each one means a transfer failed.
    std::vector<std::string> problems;
    // Called for the engine's progress (bank upload): position, maximum.
    std::function<void(int, int)> onProgress;

    void initControls() override {}
    void setMainCaption(const std::string&) override {}
    void showMessage(const std::string& text) override { problems.push_back(text); }
    void enableButtons() override {}
    void setBankCell(int, const std::string&) override {}
    void setSplitCell(int, const std::string&) override {}
    void setBankManagerCaption(const std::string&) override {}
    void openProgress(const std::string&, int maximum) override { progressMaximum_ = maximum; }
    void setProgress(int position) override;
    void closeProgress() override {}
    void refreshGlobals() override {}
    std::optional<int> askPatchNumber(const NumberRequest&) override { return numberAnswer; }
    std::optional<int> askUploadBank() override { return bankAnswer; }
    // Really sleeps: the instrument needs the pauses.
    void pause(std::chrono::milliseconds duration) override;
    Clock::time_point now() const override { return Clock::now(); }

private:
    int progressMaximum_ = 0;
};

// The text with a full stop at its end, so another sentence can follow.
std::string asSentence(std::string text);

// A progress line on standard error that rewrites itself: "Receiving
// patches: 37/100". A new label, or End, finishes the line.
class ProgressLine
{
public:
    // On a terminal the line is rewritten in place; elsewhere (a log, a
    // pipe) every tenth of the way gets a line of its own.
    explicit ProgressLine(std::ostream& err);
    void show(const std::string& label, int position, int total);
    void end();

private:
    std::ostream& err_;
    bool inPlace_;
    std::string label_;
    std::string shown_;
};

// The output as the engine sees it: every message passed on and counted.
class CountingSink : public MidiSink
{
public:
    explicit CountingSink(MidiSink& output) : output_(output) {}
    bool isOpen() const override { return output_.isOpen(); }
    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        output_.sendShort(status, data1, data2);
        ++sent_;
    }
    void sendLong(std::span<const std::uint8_t> bytes) override
    {
        output_.sendLong(bytes);
        ++sent_;
    }
    // Messages that went out without an error.
    std::size_t sent() const { return sent_; }

private:
    MidiSink& output_;
    std::size_t sent_ = 0;
};

// The ports of one command and the engine working through them.
class TransferSession
{
public:
    using Clock = TransferHost::Clock;
    // How often the stall watch looks.
    static constexpr std::chrono::milliseconds kStallCheck{100};
    // What the output is given, before it closes, to pass on what it holds.
    static constexpr std::chrono::milliseconds kDrainTime{150};

    TransferSession(const midi::MidiDevices& devices, SynthModel model);
    ~TransferSession();
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    // The port by number or part of its name (findPort). Throw
    // std::runtime_error with a message for the user when it cannot be found
    // or opened.
    void openOutput(const std::string& port);
    void openInput(const std::string& port);

    Transfers& engine() { return engine_; }
    // The output as the engine has it, for messages of the command's own.
    MidiSink& output() { return counting_; }
    // Every SysEx message that comes in goes here too, before the engine.
    std::function<void(std::span<const Byte>)> onSysex;
    // Then here: a message it takes (returns true for) does not reach the
    // engine, so whole-instrument work reads answers without it.
    std::function<bool(std::span<const Byte>)> tap;
    // The names of the ports opened ("" before).
    const std::string& inputName() const { return inputName_; }
    const std::string& outputName() const { return outputName_; }
    ConsoleHost& host() { return host_; }
    SynthRecords& records() { return records_; }

    // Pumps the event loop, with the stall watch running, until `done` says
    // so or a problem is reported (the engine's messages, lost input). `done`
    // runs after every pass and may add problems to the host. The first
    // problem, or "" when done.
    std::string runUntil(const std::function<bool()>& done);
    // Runs a whole-instrument machine until it finishes: it is ticked when
    // its next message is due (and at least every kStallCheck) and gets every
    // SysEx message that comes in. `progress` is called after each pass.
    // The session's problems (a lost input) fail it.
    void runMachine(WholeMachine& machine, const std::function<void()>& progress = {});

    // The last message of each kind as received, and when SysEx last came
    // (or the session started).
    const std::optional<std::vector<Byte>>& lastOf(DumpKind kind) const
    {
        return last_[static_cast<std::size_t>(kind)];
    }
    Clock::time_point lastHeard() const { return lastHeard_; }
    // SysEx messages the input has handed over since the session began, and
    // the messages the engine sent.
    std::size_t sysexReceived() const { return sysexReceived_; }
    std::size_t messagesSent() const { return counting_.sent(); }

    // Waits kDrainTime so that a port with a buffer of its own (JACK) sends
    // everything before it is closed.
    void drain() const;

private:
    void receive(midi::MidiInput& input);

    const midi::MidiDevices& devices_;
    SynthRecords records_;
    ConsoleHost host_;
    std::unique_ptr<midi::MidiOutput> output_;
    CountingSink counting_{*output_};
    std::unique_ptr<midi::MidiInput> input_;
    Transfers engine_;
    std::array<std::optional<std::vector<Byte>>, 5> last_;
    Clock::time_point lastHeard_ = Clock::now();
    std::size_t sysexReceived_ = 0;
    std::string inputName_;
    std::string outputName_;
};

} // namespace velmora::syx
