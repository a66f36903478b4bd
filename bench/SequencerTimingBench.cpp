// How steady the step sequencer's tempo is where it counts: at the receiving
// end. The sequencer window plays 200 steps at 100 ms through MidiOutput
// over JACK to a JACK client of this program, which stands where the
// instrument would and stamps each arriving note-on with JACK's frame clock
// (the cycle's first frame plus the event's offset). Printed: the mean step
// period, its standard deviation and its largest deviation from 100 ms; and
// the same figures at Velmora's side (steady clock at each send), which
// separate the timer's own jitter from the transport's. JACK hands MIDI
// over once per cycle, so the receiving figures carry the cycle's grain.
//
// Needs a running JACK server; says so and ends otherwise.
#include "e2e/InstrumentProcess.h"
#include "midi/MidiOutput.h"
#include "perform/SequencerWindow.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <vector>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kSteps = 200;
constexpr int kPeriodMs = 100;

// The receiving end: one MIDI input port; note-on arrival times in frames.
class NoteClock
{
public:
    explicit NoteClock(const std::string& name)
    {
        jack_status_t status{};
        client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &NoteClock::process, this);
        jack_activate(client_);
    }
    ~NoteClock()
    {
        if (client_) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
    NoteClock(const NoteClock&) = delete;
    NoteClock& operator=(const NoteClock&) = delete;

    bool ok() const { return client_ && port_; }
    std::string portName() const { return jack_port_name(port_); }
    double sampleRate() const { return jack_get_sample_rate(client_); }
    double cycleFrames() const { return jack_get_buffer_size(client_); }
    int count() const { return std::min(count_.load(), kSteps); }
    // Arrival times in ms from the first one.
    std::vector<double> arrivals() const
    {
        std::vector<double> ms;
        for (int i = 0; i < count(); ++i)
            ms.push_back(1000.0 * static_cast<double>(frames_[std::size_t(i)] - frames_[0]) /
                         sampleRate());
        return ms;
    }

private:
    static int process(jack_nframes_t frames, void* self)
    {
        auto* clock = static_cast<NoteClock*>(self);
        void* buffer = jack_port_get_buffer(clock->port_, frames);
        const jack_nframes_t start = jack_last_frame_time(clock->client_);
        const jack_nframes_t events = jack_midi_get_event_count(buffer);
        for (jack_nframes_t e = 0; e < events; ++e) {
            jack_midi_event_t event{};
            if (jack_midi_event_get(&event, buffer, e) != 0 || event.size < 3 ||
                (event.buffer[0] & 0xF0) != 0x90)
                continue;
            const int n = clock->count_.load();
            if (n < kSteps)
                clock->frames_[std::size_t(n)] = std::uint64_t(start) + event.time;
            clock->count_.store(n + 1);
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::array<std::uint64_t, kSteps> frames_{};
    std::atomic<int> count_{0};
};

// Velmora's output with the time of each note-on noted.
struct TimedOutput : MidiSink
{
    explicit TimedOutput(midi::MidiOutput& output) : out(output) {}
    bool isOpen() const override { return out.isOpen(); }
    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        if ((status & 0xF0) == 0x90)
            sent.push_back(Clock::now());
        out.sendShort(status, data1, data2);
    }
    void sendLong(std::span<const std::uint8_t> bytes) override { out.sendLong(bytes); }

    midi::MidiOutput& out;
    std::vector<Clock::time_point> sent;
};

void printPeriods(const char* where, const std::vector<double>& ms)
{
    if (ms.size() < 2) {
        std::printf("  %s: too few notes to measure\n", where);
        return;
    }
    std::vector<double> periods;
    for (std::size_t i = 1; i < ms.size(); ++i)
        periods.push_back(ms[i] - ms[i - 1]);
    const double n = static_cast<double>(periods.size());
    const double mean = (ms.back() - ms.front()) / n;
    double square = 0;
    double worst = 0;
    for (const double p : periods) {
        square += (p - mean) * (p - mean);
        worst = std::max(worst, std::abs(p - kPeriodMs));
    }
    std::printf("  %s: mean period %.3f ms, jitter (standard deviation) %.3f ms, largest "
                "deviation from %d ms %.3f ms\n",
                where, mean, std::sqrt(square / n), kPeriodMs, worst);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!jackServerRuns()) {
        std::printf("sequencer timing bench: no JACK server runs; skipped\n");
        return 0;
    }
    NoteClock clock("velmora-seq-bench-" + std::to_string(getpid()));
    if (!clock.ok()) {
        std::printf("sequencer timing bench: cannot open a JACK client\n");
        return 1;
    }
    midi::MidiDevices devices;
    devices.addBackend(midi::createRtMidiBackend());
    midi::MidiOutput output(devices);
    try {
        output.setProductName(clock.portName() + " (JACK)");
    } catch (const std::exception& e) {
        std::printf("sequencer timing bench: %s\n", e.what());
        return 1;
    }
    if (!output.open()) {
        std::printf("sequencer timing bench: %s\n", output.lastError().c_str());
        return 1;
    }
    TimedOutput timed(output);
    QString folder;
    perform::SequencerWindow seq(timed, folder);
    QObject::connect(&seq, &perform::SequencerWindow::messageReported, [](const QString& text) {
        std::printf("sequencer timing bench: %s\n", qPrintable(text));
    });
    seq.state().setPeriod(kPeriodMs);
    seq.updateControls();

    // The event loop waits as a user interface does; a check every 20 ms
    // ends it after the last step.
    QEventLoop loop;
    QTimer check;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kSteps * kPeriodMs * 2);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (timed.sent.size() >= std::size_t(kSteps) || !seq.playing() || Clock::now() > deadline)
            loop.quit();
    });
    check.start(20);
    seq.startSeq();
    loop.exec();
    seq.stopSeq();
    std::this_thread::sleep_for(300ms); // the last notes on their way
    output.close();

    std::vector<double> sentMs;
    for (std::size_t i = 0; i < timed.sent.size() && i < std::size_t(kSteps); ++i)
        sentMs.push_back(
            std::chrono::duration<double, std::milli>(timed.sent[i] - timed.sent.front()).count());
    std::printf("sequencer timing, %d steps at %d ms (JACK cycle %.0f frames at %.0f Hz = %.2f "
                "ms), %d of %zu notes arrived:\n",
                kSteps, kPeriodMs, clock.cycleFrames(), clock.sampleRate(),
                1000.0 * clock.cycleFrames() / clock.sampleRate(), clock.count(), sentMs.size());
    printPeriods("at the instrument's side (JACK frame clock)", clock.arrivals());
    printPeriods("at Velmora's output (steady clock at each send)", sentMs);
    // Notes lost on a busy machine show in the figures; none at all is a fault.
    return clock.count() > 1 ? 0 : 1;
}
