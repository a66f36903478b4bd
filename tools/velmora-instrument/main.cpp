// velmora-instrument: a virtual Matrix-1000 or Matrix-6 behind a pair of
// virtual MIDI ports, for trying Velmora and for end-to-end tests without
// hardware. Every message that reaches the input port goes to a
// VirtualInstrument on RtMidi's thread; its answers queue in a PacedLink
// whose worker thread sends them out of the output port, at cable speed or
// as fast as possible. Runs until SIGINT or SIGTERM; with --commands it
// takes fault commands from standard input meanwhile.
#include "instrument/PacedLink.h"
#include "instrument/VirtualInstrument.h"
#include "velmora-instrument/InstrumentOptions.h"
#include "velmora-instrument/LinePrinter.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

using velmora::Byte;
using namespace velmora::instrument_tool;

// RtMidi's error reports for the call in progress on this thread.
thread_local std::string* tRtMidiError = nullptr;

void onRtMidiError(RtMidiError::Type type, const std::string& text, void* /*unused*/)
{
    if (type != RtMidiError::DEBUG_WARNING && tRtMidiError != nullptr && tRtMidiError->empty()) {
        *tRtMidiError = text;
    }
}

// Runs `call`; the text of RtMidi's failure report, empty when none.
template <typename Call> std::string rtMidiFailure(Call&& call)
{
    std::string failure;
    std::string* const outer = std::exchange(tRtMidiError, &failure);
    try {
        call();
    } catch (const RtMidiError& error) {
        failure = error.getMessage();
    } catch (...) {
        tRtMidiError = outer;
        throw;
    }
    tRtMidiError = outer;
    return failure;
}

void ignoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*format*/, ...)
{}

// A client of the MIDI system of our own, without ports: proof that the
// system can be reached (RtMidi would only warn), and a way to see the ports
// as other programs see them.
class SystemView
{
public:
    SystemView(const SystemView&) = delete;
    SystemView& operator=(const SystemView&) = delete;

    // Null when the system cannot be reached.
    static std::unique_ptr<SystemView> open(RtMidi::Api api)
    {
        auto view = std::unique_ptr<SystemView>(new SystemView);
        if (api == RtMidi::UNIX_JACK) {
            jack_set_error_function([](const char*) {});
            jack_set_info_function([](const char*) {});
            jack_status_t status{};
            view->jack_ = jack_client_open("velmora-instrument", JackNoStartServer, &status);
            if (view->jack_ == nullptr) {
                return nullptr;
            }
            jack_on_shutdown(view->jack_, &SystemView::onServerShutdown, view.get());
            return view;
        }
        snd_lib_error_set_handler(&ignoreAlsaMessage);
        if (snd_seq_open(&view->seq_, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) {
            return nullptr;
        }
        return view;
    }

    ~SystemView()
    {
        if (jack_ != nullptr && !serverGone()) {
            jack_client_close(jack_);
        }
        if (seq_ != nullptr) {
            snd_seq_close(seq_);
        }
    }

    // The JACK server shut down: the program stops (SIGTERM), and libjack must
    // not be asked to close the clients that were connected to it.
    bool serverGone() const { return serverGone_.load(); }

    // Whether some client has a MIDI port of this name.
    bool hasPort(const std::string& portName) const
    {
        if (jack_ != nullptr) {
            bool found = false;
            const char** names = jack_get_ports(jack_, nullptr, JACK_DEFAULT_MIDI_TYPE, 0);
            for (const char** name = names; name != nullptr && *name != nullptr; ++name) {
                const std::string_view full = *name;
                const std::size_t colon = full.find(':');
                found = found ||
                        (colon != std::string_view::npos && full.substr(colon + 1) == portName);
            }
            jack_free(static_cast<void*>(names));
            return found;
        }
        snd_seq_client_info_t* client = nullptr;
        snd_seq_port_info_t* port = nullptr;
        snd_seq_client_info_alloca(&client);
        snd_seq_port_info_alloca(&port);
        snd_seq_client_info_set_client(client, -1);
        while (snd_seq_query_next_client(seq_, client) >= 0) {
            snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
            snd_seq_port_info_set_port(port, -1);
            while (snd_seq_query_next_port(seq_, port) >= 0) {
                if (portName == snd_seq_port_info_get_name(port)) {
                    return true;
                }
            }
        }
        return false;
    }

private:
    SystemView() = default;

    static void onServerShutdown(void* self)
    {
        static_cast<SystemView*>(self)->serverGone_.store(true);
        kill(getpid(), SIGTERM);
    }

    jack_client_t* jack_ = nullptr;
    snd_seq_t* seq_ = nullptr;
    std::atomic<bool> serverGone_{false};
};

// What RtMidi's input thread reaches. The instrument is used under `lock`:
// fault commands change it from the main thread.
struct InputContext
{
    velmora::VirtualInstrument* instrument;
    std::mutex* lock;
    LinePrinter* printer; // null unless --verbose
    bool stamp = false;   // the printed lines begin with the time each was taken
    // Messages that reached the input port, told with each command's answer.
    std::atomic<std::uint64_t> received{0};
    // Under --receive cable: what came in waits here for its turn on the cable.
    std::unique_ptr<velmora::PacedLink> inbound;
};

// The instrument takes one message: printed under --verbose, then applied.
void take(InputContext& context, std::span<const Byte> message)
{
    try {
        if (context.printer != nullptr) {
            std::string line = hexLine(std::vector<unsigned char>(message.begin(), message.end()));
            if (context.stamp) {
                const auto since = std::chrono::steady_clock::now().time_since_epoch();
                line.insert(
                    0, std::to_string(
                           std::chrono::duration_cast<std::chrono::microseconds>(since).count()) +
                           ' ');
            }
            context.printer->print(std::move(line));
        }
        const std::lock_guard lock(*context.lock);
        context.instrument->receive(message);
    } catch (const std::exception& error) {
        // Nothing may unwind into RtMidi's or the link's thread.
        std::fprintf(stderr, "velmora-instrument: a message was lost: %s\n", error.what());
    }
}

void onMessage(double /*deltaSeconds*/, std::vector<unsigned char>* message, void* data)
{
    auto* context = static_cast<InputContext*>(data);
    if (message == nullptr || message->empty()) {
        return;
    }
    context->received.fetch_add(1, std::memory_order_relaxed);
    const std::span<const Byte> bytes(message->data(), message->size());
    if (context->inbound != nullptr) {
        context->inbound->send(bytes);
    } else {
        take(*context, bytes);
    }
}

// Sends one answer; waits while the API's buffer is full (JACK's holds 16 KB
// until its next cycle), for at most a second.
void sendAnswer(RtMidiOut& out, std::span<const Byte> message)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        const std::string failure =
            rtMidiFailure([&] { out.sendMessage(message.data(), message.size()); });
        if (failure.empty()) {
            return;
        }
        if (std::chrono::steady_clock::now() > giveUp) {
            std::fprintf(stderr, "velmora-instrument: an answer was lost: %s\n", failure.c_str());
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void setFaults(velmora::VirtualInstrument& instrument, velmora::PacedLink& link,
               const FaultSet& faults)
{
    instrument.setFaults(faults.instrument);
    if (faults.stall) {
        link.stallBefore(faults.stall->first, std::chrono::milliseconds(faults.stall->second));
    } else {
        link.stallBefore(-1, std::chrono::milliseconds(0));
    }
}

// Fault commands from standard input, a line at a time.
class CommandReader
{
public:
    CommandReader(velmora::VirtualInstrument& instrument, std::mutex& lock,
                  velmora::PacedLink& link, const std::atomic<std::uint64_t>& received)
        : instrument_(instrument), lock_(lock), link_(link), received_(received)
    {}

    // Reads what is there; false at the end of the input.
    bool read()
    {
        char chunk[256];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            return n < 0 && errno == EINTR;
        }
        pending_.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            apply(pending_.substr(0, end));
            pending_.erase(0, end + 1);
        }
        return true;
    }

private:
    void apply(const std::string& line)
    {
        const auto faults = parseFaultCommand(line);
        if (faults) {
            const std::lock_guard lock(lock_);
            setFaults(instrument_, link_, *faults);
        }
        if (faults) {
            std::printf("velmora-instrument: faults set, %llu messages received\n",
                        static_cast<unsigned long long>(received_.load()));
        } else {
            std::printf("velmora-instrument: bad fault command \"%s\"\n", line.c_str());
        }
        std::fflush(stdout);
    }

    velmora::VirtualInstrument& instrument_;
    std::mutex& lock_;
    velmora::PacedLink& link_;
    const std::atomic<std::uint64_t>& received_;
    std::string pending_;
};

// Waits for SIGINT or SIGTERM, meanwhile handing standard input to `reader`
// when there is one.
void waitForStop(const sigset_t& stopSignals, CommandReader* reader)
{
    const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signals < 0) {
        int received = 0;
        sigwait(&stopSignals, &received);
        return;
    }
    pollfd fds[2] = {{signals, POLLIN, 0}, {reader != nullptr ? STDIN_FILENO : -1, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        if (fds[1].revents != 0 && !reader->read()) {
            fds[1].fd = -1; // the input ended: only the signals are left
        }
    }
    close(signals);
}

int run(const Options& options)
{
    const char* const apiName = options.api == RtMidi::UNIX_JACK ? "JACK" : "ALSA";
    const auto view = SystemView::open(options.api);
    if (view == nullptr) {
        std::fprintf(stderr, "velmora-instrument: %s\n",
                     options.api == RtMidi::UNIX_JACK ? "no JACK server is running"
                                                      : "the ALSA sequencer cannot be opened");
        return 1;
    }

    velmora::VirtualInstrument instrument(options.model);
    std::mutex instrumentLock;
    instrument.setChannel(options.channel);
    instrument.setEdits111(options.edits111);
    instrument.setMemoryProtect(options.memoryProtect);
    instrument.setLogLimit(16); // nothing here reads the log

    const std::string inName = options.name + " in";
    const std::string outName = options.name + " out";
    std::unique_ptr<RtMidiOut> out;
    std::string failure = rtMidiFailure([&] {
        out = std::make_unique<RtMidiOut>(options.api, options.name);
        out->setErrorCallback(&onRtMidiError, nullptr);
        out->openVirtualPort(outName);
    });
    if (!failure.empty()) {
        std::fprintf(stderr, "velmora-instrument: cannot open the output port: %s\n",
                     failure.c_str());
        return 1;
    }

    // The answers leave on the link's worker thread; the output port is used
    // nowhere else while the link exists.
    auto link = std::make_unique<velmora::PacedLink>(
        [&out](std::span<const Byte> message) { sendAnswer(*out, message); }, options.pace);
    setFaults(instrument, *link, options.faults);
    instrument.setOutput([&link](std::span<const Byte> message) { link->send(message); });

    std::unique_ptr<LinePrinter> printer =
        options.verbose ? std::make_unique<LinePrinter>() : nullptr;
    InputContext context{&instrument, &instrumentLock, printer.get(), options.stamp, {}, nullptr};
    if (options.receive == velmora::PacedLink::Pace::CableSpeed) {
        // The link hands on the next message only when this one returned, so
        // each takes its own cable time after the one before.
        context.inbound =
            std::make_unique<velmora::PacedLink>([&context](std::span<const Byte> message) {
                std::this_thread::sleep_for(velmora::PacedLink::cableTime(message.size()));
                take(context, message);
            });
    }

    // The input last: its thread starts once everything it reaches exists.
    std::unique_ptr<RtMidiIn> in;

    // Inputs first (no more Receive), then the link (no more sends), then
    // the output port. RtMidi 5's JACK output frees its ring buffer before it
    // closes its client, so a process callback still under way could read
    // freed memory: close the port (later callbacks do nothing) and let any
    // callback under way finish first.
    const auto close = [&] {
        if (view->serverGone()) {
            (void)in.release();
            context.inbound.reset();
            link.reset();
            (void)out.release();
        } else {
            in.reset();
            context.inbound.reset();
            link.reset();
            out->closePort();
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            out.reset();
        }
        printer.reset();
    };

    failure = rtMidiFailure([&] {
        in = std::make_unique<RtMidiIn>(options.api, options.name);
        in->setErrorCallback(&onRtMidiError, nullptr);
        in->ignoreTypes(false, true, true);
        in->setCallback(&onMessage, &context);
        in->openVirtualPort(inName);
    });
    if (!failure.empty()) {
        std::fprintf(stderr, "velmora-instrument: cannot open the input port: %s\n",
                     failure.c_str());
        close();
        return 1;
    }

    // RtMidi does not always report a port it failed to make.
    if (!view->hasPort(inName) || !view->hasPort(outName)) {
        std::fprintf(stderr, "velmora-instrument: the ports did not appear\n");
        close();
        return 1;
    }
    std::printf("velmora-instrument: ready, ports \"%s\" and \"%s\" (%s), %s, %s pace\n",
                inName.c_str(), outName.c_str(), apiName, velmora::modelName(options.model),
                options.pace == velmora::PacedLink::Pace::CableSpeed ? "cable" : "fast");
    std::fflush(stdout);

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    CommandReader reader(instrument, instrumentLock, *link, context.received);
    waitForStop(stopSignals, options.commands ? &reader : nullptr);

    close();
    if (view->serverGone()) {
        std::fprintf(stderr, "velmora-instrument: the JACK server shut down\n");
        return 1;
    }
    std::printf("velmora-instrument: stopped\n");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = parseOptions(argc, argv);
    if (!options) {
        return 2;
    }
    // The stop signals are taken by sigwait on this thread; every thread
    // started from here on inherits the block.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A reader that goes away must not kill the instrument mid-answer.
    signal(SIGPIPE, SIG_IGN);
    return run(*options);
}
