// The RtMidi backend against velmora-instrument over a running JACK server:
// listing, holding messages back while stopped, and what happens when the
// instrument's program goes away or comes back. Skipped when no JACK
// server runs (scripts/test.sh starts one with the dummy driver).
#include "InstrumentProcess.h"
#include "Messages.h"
#include "MidiBackend.h"
#include "SysexCodec.h"

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmora::midi {
namespace {

using test::IndexOfJackPort;
using test::InstrumentProcess;
using test::JackServerRuns;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const Message kRequestEditBuffer{0xF0, 0x10, 0x06, 0x04, 0x04, 0x00, 0xF7};

// Messages as the receiver got them, on RtMidi's thread.
class Inbox
{
public:
    MidiReceiver Receiver()
    {
        return [this](std::span<const Byte> message, std::uint32_t) {
            std::lock_guard lock(mutex_);
            messages_.emplace_back(message.begin(), message.end());
            arrived_.notify_all();
        };
    }

    // The next message, or nothing after `timeout`.
    std::optional<Message> Next(Clock::duration timeout = 5s)
    {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, timeout, [this] { return !messages_.empty(); })) {
            return std::nullopt;
        }
        Message message = std::move(messages_.front());
        messages_.pop_front();
        return message;
    }

    void Clear()
    {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Message> messages_;
};

// Whatever is written to stderr (file descriptor 2) while `run` runs.
template <typename Run> std::string StderrOf(Run&& run)
{
    std::fflush(stderr);
    std::FILE* capture = std::tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(capture), STDERR_FILENO);
    run();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;) {
        text += static_cast<char>(c);
    }
    std::fclose(capture);
    return text;
}

// Without a JACK server (one by a name nobody uses) and, here, without an
// ALSA sequencer, RtMidi, libjack and alsa-lib all have complaints to print;
// the backend keeps them quiet and lists what is there: nothing.
TEST(RtMidiBackendTest, ListsQuietlyWhereNoMidiSystemRuns)
{
    const char* const server = std::getenv("JACK_DEFAULT_SERVER");
    const std::string savedServer = server != nullptr ? server : "";
    setenv("JACK_DEFAULT_SERVER", "velmora-test-no-such-server", 1);
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    const std::string printed = StderrOf([&] {
        auto backend = CreateRtMidiBackend();
        inputs = backend->InputNames();
        outputs = backend->OutputNames();
        EXPECT_THROW(backend->OpenOutput(0), MidiBackendError);
    });
    if (server != nullptr) {
        setenv("JACK_DEFAULT_SERVER", savedServer.c_str(), 1);
    } else {
        unsetenv("JACK_DEFAULT_SERVER");
    }
    EXPECT_EQ(printed, "");
    for (const auto& names : {inputs, outputs}) {
        EXPECT_TRUE(std::none_of(names.begin(), names.end(),
                                 [](const auto& n) { return n.ends_with(" (JACK)"); }));
    }
}

class RtMidiJackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!JackServerRuns()) {
            GTEST_SKIP() << "no JACK server is running; scripts/test.sh starts one";
        }
        static std::atomic<int> serial{0};
        name_ = "Velmora Test " + std::to_string(getpid()) + "-" + std::to_string(serial++);
        instrument_ = std::make_unique<InstrumentProcess>(
            std::vector<std::string>{"--name", name_, "--pace", "fast"});
        const auto ready = instrument_->WaitForLine("ready", 30s);
        ASSERT_TRUE(ready.has_value()) << "velmora-instrument did not get ready";
        EXPECT_NE(ready->find("\"" + name_ + " in\""), std::string::npos) << *ready;

        backend_ = CreateRtMidiBackend();
        inputNames_ = backend_->InputNames();
        outputNames_ = backend_->OutputNames();
        inputIndex_ = IndexOfJackPort(inputNames_, name_ + " out");
        outputIndex_ = IndexOfJackPort(outputNames_, name_ + " in");
        ASSERT_GE(inputIndex_, 0) << "its output port is not among the inputs";
        ASSERT_GE(outputIndex_, 0) << "its input port is not among the outputs";
    }

    void OpenBoth()
    {
        input_ = backend_->OpenInput(inputIndex_, inbox_.Receiver());
        output_ = backend_->OpenOutput(outputIndex_);
        input_->Start();
    }

    // Asks for the edit buffer and returns the answer. A JACK client that
    // misses its cycle (an xrun: likely on a busy machine without realtime
    // scheduling) loses that cycle's MIDI, so an unanswered request is
    // asked again, three times at most.
    std::optional<Message> EditBuffer()
    {
        for (int attempt = 0; attempt < 4; ++attempt) {
            inbox_.Clear();
            output_->Send(kRequestEditBuffer);
            if (auto answer = inbox_.Next(3s)) {
                return answer;
            }
        }
        return std::nullopt;
    }

    std::string name_;
    std::unique_ptr<InstrumentProcess> instrument_;
    std::unique_ptr<MidiBackend> backend_;
    std::vector<std::string> inputNames_;
    std::vector<std::string> outputNames_;
    int inputIndex_ = -1;
    int outputIndex_ = -1;
    Inbox inbox_;
    std::unique_ptr<MidiInputPort> input_;
    std::unique_ptr<MidiOutputPort> output_;
};

TEST_F(RtMidiJackTest, ListsEachPortOnceAndNeverVelmorasOwn)
{
    OpenBoth();
    // Opening created Velmora's own JACK ports; a fresh listing leaves them out.
    for (const auto& names : {backend_->InputNames(), backend_->OutputNames()}) {
        for (const auto& name : names) {
            EXPECT_FALSE(name.starts_with("Velmora:") || name.starts_with("Velmora-")) << name;
            EXPECT_TRUE(name.ends_with(" (JACK)") || name.ends_with(" (ALSA)")) << name;
        }
        // ALSA ports, when there are any, come first.
        const auto firstJack = std::find_if(names.begin(), names.end(),
                                            [](const auto& n) { return n.ends_with(" (JACK)"); });
        EXPECT_TRUE(std::none_of(firstJack, names.end(),
                                 [](const auto& n) { return n.ends_with(" (ALSA)"); }));
    }
    const auto inputs = backend_->InputNames();
    EXPECT_EQ(std::count_if(inputs.begin(), inputs.end(),
                            [&](const auto& n) { return n.find(name_ + " out") != n.npos; }),
              1);
}

TEST_F(RtMidiJackTest, StopHoldsMessagesBackUntilStart)
{
    OpenBoth();
    input_->Stop();
    output_->Send(kRequestEditBuffer);
    EXPECT_FALSE(inbox_.Next(500ms).has_value());
    input_->Start();
    const auto answer = EditBuffer();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->size(), kPatchMessageSize);
}

TEST_F(RtMidiJackTest, RestartedInstrumentIsNotTakenForTheOldConnection)
{
    OpenBoth();
    ASSERT_TRUE(EditBuffer().has_value());
    // The answer came, so Velmora's connection is in effect; a send now
    // finds it even when the server was too slow to show it at the open.
    output_->Send(ParameterEdit(1, 1));
    EXPECT_EQ(instrument_->Stop(), 0);
    // The same program again under the same name: its ports have the old
    // names but are not connected to Velmora.
    instrument_ = std::make_unique<InstrumentProcess>(
        std::vector<std::string>{"--name", name_, "--pace", "fast"});
    ASSERT_TRUE(instrument_->WaitForLine("ready", 30s).has_value());
    EXPECT_THROW(output_->Send(kRequestEditBuffer), MidiBackendError);
}

} // namespace
} // namespace velmora::midi
