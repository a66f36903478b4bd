// MIDI ports through RtMidi. Every compiled RtMidi API that is usable right
// now contributes its ports; on Linux that is the ALSA sequencer and JACK,
// listed in that order. Where more than one API is compiled in, each name is
// followed by its API: "Midi Through:Midi Through Port-0 14:0 (ALSA)",
// "a2j:Midi Through [14] (capture): Midi Through Port-0 (JACK)".
//
// RtMidi reports problems either by throwing or by printing to stderr; here
// every RtMidi object gets an error callback that records the report for the
// call in progress on the calling thread, and the libraries underneath are
// kept quiet too, so a missing ALSA device or JACK server prints nothing.
//
// A port that vanishes (the other program quit) is not reported by RtMidi:
// its sends go nowhere. Each open output therefore checks, before each send,
// that its target is still there: on JACK that our connection to it still
// exists, a lookup in the server's shared tables (well under a microsecond);
// on ALSA that the port exists and has a subscriber, two system calls;
// elsewhere by listing the ports again, at most every 100 ms.
#include "MidiBackend.h"

#include <RtMidi.h>

#if defined(__linux__)
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#endif

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <exception>
#include <iterator>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

namespace velmora::midi {
namespace {

using Clock = std::chrono::steady_clock;

// The client name of every RtMidi object Velmora creates. Ports of clients
// with this name are Velmora's own and are never listed, so Velmora cannot
// be connected to itself.
constexpr const char* kClientName = "Velmora";
constexpr const char* kInputPortName = "in";
constexpr const char* kOutputPortName = "out";

// How long a send keeps trying while the API reports its buffer full.
constexpr auto kSendRetryLimit = std::chrono::milliseconds(500);
// How often ports that can only be checked by listing are checked.
constexpr auto kListingCheckInterval = std::chrono::milliseconds(100);
// How long an open waits for JACK to put the new connection into effect, so
// that the first message sent is not lost. The server does so at the start of
// its next cycle, normally within milliseconds; a loaded machine without
// realtime scheduling can hold it up much longer, and then the open returns
// anyway and the connection is looked for again at each send.
constexpr auto kJackConnectWait = std::chrono::seconds(1);

// ---------------------------------------------------------------------------
// RtMidi's error reports

// The report RtMidi gave during the call in progress on this thread. Reports
// made on RtMidi's own threads (there is no call in progress there) are
// dropped: nobody could act on them.
struct Report
{
    bool failed = false;
    std::string text;
};

thread_local Report* tReport = nullptr;

void OnRtMidiError(RtMidiError::Type type, const std::string& text, void* /*unused*/)
{
    if (type == RtMidiError::DEBUG_WARNING || tReport == nullptr || tReport->failed) {
        return;
    }
    tReport->failed = true;
    tReport->text = text;
}

// Points this thread's reports at `report` for the scope's lifetime.
class ReportScope
{
public:
    explicit ReportScope(Report& report) : outer_(std::exchange(tReport, &report)) {}
    ReportScope(const ReportScope&) = delete;
    ReportScope& operator=(const ReportScope&) = delete;
    ~ReportScope() { tReport = outer_; }

private:
    Report* outer_;
};

// Runs `call` and returns RtMidi's report of a failure, thrown or called back.
template <typename Call> std::optional<std::string> Checked(Call&& call)
{
    Report report;
    {
        const ReportScope scope(report);
        try {
            std::forward<Call>(call)();
        } catch (const RtMidiError& error) {
            if (!report.failed) {
                report.failed = true;
                report.text = error.getMessage();
            }
        }
    }
    if (!report.failed) {
        return std::nullopt;
    }
    return std::move(report.text);
}

// ---------------------------------------------------------------------------
// The APIs

int ApiRank(RtMidi::Api api)
{
    switch (api) {
    case RtMidi::LINUX_ALSA:
        return 0;
    case RtMidi::UNIX_JACK:
        return 1;
    default:
        return 2;
    }
}

std::string ApiLabel(RtMidi::Api api)
{
    switch (api) {
    case RtMidi::LINUX_ALSA:
        return "ALSA";
    case RtMidi::UNIX_JACK:
        return "JACK";
    case RtMidi::MACOSX_CORE:
        return "CoreMIDI";
    case RtMidi::WINDOWS_MM:
        return "Windows MIDI";
    default:
        return RtMidi::getApiDisplayName(api);
    }
}

// The compiled APIs that can reach ports, ALSA before JACK before the rest.
std::vector<RtMidi::Api> PortApis()
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::erase_if(apis, [](RtMidi::Api api) {
        return api == RtMidi::RTMIDI_DUMMY || api == RtMidi::UNSPECIFIED;
    });
    std::stable_sort(apis.begin(), apis.end(),
                     [](RtMidi::Api a, RtMidi::Api b) { return ApiRank(a) < ApiRank(b); });
    return apis;
}

// Whether an ALSA or JACK port, named "client:port" by RtMidi, belongs to one
// of Velmora's own clients.
bool IsOwnPort(RtMidi::Api api, std::string_view name)
{
    if (api != RtMidi::LINUX_ALSA && api != RtMidi::UNIX_JACK) {
        return false;
    }
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view client = name.substr(0, colon);
    const std::string_view own = kClientName;
    if (!client.starts_with(own)) {
        return false;
    }
    client.remove_prefix(own.size());
    if (client.empty()) {
        return true;
    }
    // JACK renames a second client of the same name "Velmora-01", and so on.
    return api == RtMidi::UNIX_JACK && client.size() > 1 && client.front() == '-' &&
           std::all_of(client.begin() + 1, client.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string GoneText(const std::string& name)
{
    return "The MIDI port " + Quoted(name) + " is no longer available.";
}

// ---------------------------------------------------------------------------
// Watching the sound system (Linux)

#if defined(__linux__)

void IgnoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*format*/, ...)
{}

void IgnoreJackMessage(const char* /*message*/) {}

// alsa-lib and libjack print their failures to stderr by default (a missing
// /dev/snd/seq, no JACK server). Velmora reports problems itself.
void QuietenSoundLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(&IgnoreAlsaMessage);
        jack_set_error_function(&IgnoreJackMessage);
        jack_set_info_function(&IgnoreJackMessage);
    });
}

// A JACK client of its own, without ports: proof that a server runs, and the
// means to look ports up in the server's shared tables without a round trip.
class JackWatch
{
public:
    // Null when no JACK server runs.
    static std::shared_ptr<JackWatch> Open()
    {
        QuietenSoundLibraries();
        jack_status_t status{};
        jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
        if (client == nullptr) {
            return nullptr;
        }
        return std::shared_ptr<JackWatch>(new JackWatch(client));
    }

    JackWatch(const JackWatch&) = delete;
    JackWatch& operator=(const JackWatch&) = delete;
    ~JackWatch()
    {
        if (Alive()) {
            jack_client_close(client_);
        }
        // else: see ServerGone.
    }

    bool Alive() const { return !shutDown_.load(std::memory_order_acquire); }

    // The ports of Velmora's own clients named `ourPortName` that are
    // connected to the port `portName` in the graph in effect now.
    std::vector<std::string> OwnConnections(const std::string& portName,
                                            const std::string& ourPortName) const
    {
        std::vector<std::string> own;
        jack_port_t* port = Alive() ? jack_port_by_name(client_, portName.c_str()) : nullptr;
        if (port == nullptr) {
            return own;
        }
        const char** connections = jack_port_get_all_connections(client_, port);
        for (const char** name = connections; name != nullptr && *name != nullptr; ++name) {
            const std::string_view peer = *name;
            const std::size_t colon = peer.find(':');
            if (IsOwnPort(RtMidi::UNIX_JACK, peer) && peer.substr(colon + 1) == ourPortName) {
                own.emplace_back(peer);
            }
        }
        jack_free(static_cast<void*>(connections));
        return own;
    }

    bool HasPort(const std::string& portName) const
    {
        return Alive() && jack_port_by_name(client_, portName.c_str()) != nullptr;
    }

    // The port `portName` exists and is still connected to our port `peer`.
    // A program that quit and came back has a port of the same name without
    // our connection.
    bool ConnectedTo(const std::string& portName, const std::string& peer) const
    {
        if (!Alive()) {
            return false;
        }
        jack_port_t* port = jack_port_by_name(client_, portName.c_str());
        return port != nullptr && jack_port_connected_to(port, peer.c_str()) != 0;
    }

private:
    explicit JackWatch(jack_client_t* client) : client_(client)
    {
        jack_on_shutdown(client_, &JackWatch::OnShutdown, this);
    }

    static void OnShutdown(void* self)
    {
        static_cast<JackWatch*>(self)->shutDown_.store(true, std::memory_order_release);
    }

    jack_client_t* client_;
    std::atomic<bool> shutDown_{false};
};

// An ALSA sequencer client of its own, without ports, to look ports and
// their subscriptions up with one system call each.
class AlsaWatch
{
public:
    // Null when the sequencer cannot be opened (no /dev/snd/seq).
    static std::shared_ptr<AlsaWatch> Open()
    {
        QuietenSoundLibraries();
        snd_seq_t* seq = nullptr;
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
            return nullptr;
        }
        snd_seq_set_client_name(seq, kClientName);
        return std::shared_ptr<AlsaWatch>(new AlsaWatch(seq));
    }

    AlsaWatch(const AlsaWatch&) = delete;
    AlsaWatch& operator=(const AlsaWatch&) = delete;
    ~AlsaWatch() { snd_seq_close(seq_); }

    // The port exists and something is subscribed to it in the direction we
    // use: writers for a port we send to, readers for one we listen to.
    bool Subscribed(int client, int port, bool weSendToIt) const
    {
        snd_seq_port_info_t* info = nullptr;
        snd_seq_port_info_alloca(&info);
        if (snd_seq_get_any_port_info(seq_, client, port, info) < 0) {
            return false;
        }
        snd_seq_query_subscribe_t* query = nullptr;
        snd_seq_query_subscribe_alloca(&query);
        snd_seq_addr_t address{static_cast<unsigned char>(client),
                               static_cast<unsigned char>(port)};
        snd_seq_query_subscribe_set_root(query, &address);
        snd_seq_query_subscribe_set_type(query, weSendToIt ? SND_SEQ_QUERY_SUBS_WRITE
                                                           : SND_SEQ_QUERY_SUBS_READ);
        snd_seq_query_subscribe_set_index(query, 0);
        return snd_seq_query_port_subscribers(seq_, query) >= 0;
    }

private:
    explicit AlsaWatch(snd_seq_t* seq) : seq_(seq) {}
    snd_seq_t* seq_;
};

// RtMidi names an ALSA port "client:port c:p"; the numbers at the end.
std::optional<std::pair<int, int>> AlsaAddress(std::string_view name)
{
    const std::size_t space = name.rfind(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view numbers = name.substr(space + 1);
    const std::size_t colon = numbers.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    int client = -1;
    int port = -1;
    const char* const first = numbers.data();
    const auto c = std::from_chars(first, first + colon, client);
    const auto p = std::from_chars(first + colon + 1, first + numbers.size(), port);
    if (c.ec != std::errc() || p.ec != std::errc() || c.ptr != first + colon ||
        p.ptr != first + numbers.size() || client < 0 || client > 255 || port < 0 || port > 255) {
        return std::nullopt;
    }
    return std::pair{client, port};
}

#endif // __linux__

// The sound-system handles of one API, shared by the ports opened through it
// (they may outlive the backend). Null members where the API has none.
struct ApiAccess
{
    RtMidi::Api api = RtMidi::UNSPECIFIED;
#if defined(__linux__)
    std::shared_ptr<JackWatch> jack;
    std::shared_ptr<AlsaWatch> alsa;
#endif
};

// Whether the JACK server behind these handles has shut down. The clients
// that were connected to it are then never closed, their memory is left
// behind: once any attempt to open a new client has failed (as listing the
// ports does with the server gone), libjack crashes in closing them.
bool ServerGone(const ApiAccess& access)
{
#if defined(__linux__)
    return access.jack != nullptr && !access.jack->Alive();
#else
    (void)access;
    return false;
#endif
}

template <typename Midi> std::unique_ptr<Midi> MakeRtMidi(RtMidi::Api api)
{
    std::unique_ptr<Midi> midi;
    const auto failure = Checked([&] { midi = std::make_unique<Midi>(api, kClientName); });
    if (failure || midi == nullptr) {
        return nullptr;
    }
    midi->setErrorCallback(&OnRtMidiError, nullptr);
    return midi;
}

// The ports an RtMidi object sees, by RtMidi's names; empty on failure.
std::vector<std::string> RtMidiPortNames(RtMidi& midi)
{
    std::vector<std::string> names;
    const auto failure = Checked([&] {
        const unsigned count = midi.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            names.push_back(midi.getPortName(i));
        }
    });
    if (failure) {
        names.clear();
    }
    return names;
}

// A listed port: which API reaches it and its name there.
struct PortEntry
{
    RtMidi::Api api;
    std::string rtName;
    std::string displayName;
};

// ---------------------------------------------------------------------------
// Whether an open output's target is still there

class Presence
{
public:
    virtual ~Presence() = default;
    // Called with the port's lock held, right before each send.
    virtual bool Present() = 0;
};

#if defined(__linux__)
class JackPresence final : public Presence
{
public:
    // `before`: Velmora's ports that were connected to it before this open
    // (other open ports of this program or of another Velmora).
    JackPresence(std::shared_ptr<JackWatch> watch, std::string portName, std::string ourPortName,
                 std::vector<std::string> before)
        : watch_(std::move(watch)), portName_(std::move(portName)),
          ourPortName_(std::move(ourPortName)), before_(std::move(before))
    {}

    bool Present() override
    {
        if (peer_.empty() && !FindPeer()) {
            // The server has not put the connection into effect yet.
            return watch_->HasPort(portName_);
        }
        return watch_->ConnectedTo(portName_, peer_);
    }

    // Our new connection to the port, once the server shows it.
    bool FindPeer()
    {
        for (auto& peer : watch_->OwnConnections(portName_, ourPortName_)) {
            if (std::find(before_.begin(), before_.end(), peer) == before_.end()) {
                peer_ = std::move(peer);
                return true;
            }
        }
        return false;
    }

private:
    std::shared_ptr<JackWatch> watch_;
    std::string portName_;
    std::string ourPortName_;
    std::vector<std::string> before_;
    std::string peer_; // our own port connected to it; empty until found
};

class AlsaPresence final : public Presence
{
public:
    AlsaPresence(std::shared_ptr<AlsaWatch> watch, int client, int port, bool weSendToIt)
        : watch_(std::move(watch)), client_(client), port_(port), weSendToIt_(weSendToIt)
    {}
    bool Present() override { return watch_->Subscribed(client_, port_, weSendToIt_); }

private:
    std::shared_ptr<AlsaWatch> watch_;
    int client_;
    int port_;
    bool weSendToIt_;
};
#endif

// For APIs without a cheap lookup: list the ports again, now and then.
class ListingPresence final : public Presence
{
public:
    ListingPresence(RtMidi& midi, std::string portName)
        : midi_(midi), portName_(std::move(portName)), checkedAt_(Clock::now())
    {}
    bool Present() override
    {
        const auto now = Clock::now();
        if (now - checkedAt_ >= kListingCheckInterval) {
            checkedAt_ = now;
            const auto names = RtMidiPortNames(midi_);
            present_ = std::find(names.begin(), names.end(), portName_) != names.end();
        }
        return present_;
    }

private:
    RtMidi& midi_;
    std::string portName_;
    Clock::time_point checkedAt_;
    bool present_ = true;
};

void OpenRtMidiPort(RtMidi& midi, const PortEntry& entry, int index, const char* ourName)
{
    const auto failure = Checked([&] { midi.openPort(static_cast<unsigned>(index), ourName); });
    if (failure || !midi.isPortOpen()) {
        throw MidiBackendError("The MIDI port " + Quoted(entry.displayName) +
                               " could not be opened; another program may be using it. (" +
                               failure.value_or("no reason given") + ")");
    }
}

// Opens the port RtMidi now lists at `index` and returns how to tell that it
// is still there. `weSendToIt`: the port is the target of an output, not the
// source of an input.
std::unique_ptr<Presence> Connect(const ApiAccess& access, RtMidi& midi, const PortEntry& entry,
                                  int index, const char* ourName, bool weSendToIt)
{
#if defined(__linux__)
    if (access.jack != nullptr) {
        // RtMidi makes the connection but does not check it: find it among
        // the port's connections, once the server has put it into effect.
        auto presence = std::make_unique<JackPresence>(
            access.jack, entry.rtName, ourName, access.jack->OwnConnections(entry.rtName, ourName));
        OpenRtMidiPort(midi, entry, index, ourName);
        const auto giveUp = Clock::now() + kJackConnectWait;
        while (!presence->FindPeer()) {
            if (!access.jack->HasPort(entry.rtName)) {
                throw MidiBackendError(GoneText(entry.displayName));
            }
            if (Clock::now() > giveUp) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return presence;
    }
#endif
    OpenRtMidiPort(midi, entry, index, ourName);
    std::unique_ptr<Presence> presence;
#if defined(__linux__)
    if (access.alsa != nullptr) {
        if (const auto address = AlsaAddress(entry.rtName)) {
            presence = std::make_unique<AlsaPresence>(access.alsa, address->first, address->second,
                                                      weSendToIt);
        }
    }
#else
    (void)access;
    (void)weSendToIt;
#endif
    if (presence == nullptr) {
        presence = std::make_unique<ListingPresence>(midi, entry.rtName);
    }
    if (!presence->Present()) {
        throw MidiBackendError(GoneText(entry.displayName));
    }
    return presence;
}

// ---------------------------------------------------------------------------
// Ports

class RtMidiInputPort final : public MidiInputPort
{
public:
    // Timestamps count from here, right before the port opens.
    explicit RtMidiInputPort(MidiReceiver receiver)
        : receiver_(std::move(receiver)), openedAt_(Clock::now())
    {}

    RtMidiInputPort(const RtMidiInputPort&) = delete;
    RtMidiInputPort& operator=(const RtMidiInputPort&) = delete;

    ~RtMidiInputPort() override
    {
        if (ServerGone(access_)) {
            (void)midi_.release(); // its thread is gone with the server
        }
        // Closing joins RtMidi's thread: no call reaches this object after it.
        midi_.reset();
    }

    // Takes the RtMidi object, whose thread is started only now that
    // everything it reaches exists, and installs the callback before the port
    // opens, so nothing arrives before there is somewhere to deliver it.
    void Attach(std::unique_ptr<RtMidiIn> midi, const ApiAccess& access)
    {
        access_ = access;
        midi_ = std::move(midi);
        midi_->setCallback(&RtMidiInputPort::OnMessage, this);
        // SysEx passes; timing clock and active sensing do not.
        midi_->ignoreTypes(false, true, true);
    }

    RtMidiIn& Midi() { return *midi_; }

    void Start() override
    {
        std::lock_guard lock(deliveryMutex_);
        delivering_ = true;
    }

    // Waits for a delivery in progress, so no message reaches the receiver
    // once Stop has returned. The receiver must not call Stop itself.
    void Stop() override
    {
        std::lock_guard lock(deliveryMutex_);
        delivering_ = false;
    }

private:
    static void OnMessage(double deltaSeconds, std::vector<unsigned char>* message, void* self)
    {
        if (message != nullptr) {
            static_cast<RtMidiInputPort*>(self)->Deliver(deltaSeconds, *message);
        }
    }

    // On RtMidi's thread. RtMidi gives the time since the previous message
    // (0 for the first); the first is timed from the opening instead.
    void Deliver(double deltaSeconds, const std::vector<unsigned char>& message)
    {
        std::lock_guard lock(deliveryMutex_);
        if (sawMessage_) {
            secondsSinceOpen_ += deltaSeconds;
        } else {
            sawMessage_ = true;
            secondsSinceOpen_ = std::chrono::duration<double>(Clock::now() - openedAt_).count();
        }
        if (!delivering_ || message.empty()) {
            return;
        }
        const auto timeMs = static_cast<std::uint32_t>(secondsSinceOpen_ * 1000.0 + 0.5);
        try {
            receiver_(std::span<const Byte>(message.data(), message.size()), timeMs);
        } catch (...) {
            // An exception must not unwind into RtMidi's thread; the message is lost.
        }
    }

    std::unique_ptr<RtMidiIn> midi_;
    ApiAccess access_;
    MidiReceiver receiver_;
    const Clock::time_point openedAt_;
    std::mutex deliveryMutex_; // guards the members below
    bool sawMessage_ = false;
    double secondsSinceOpen_ = 0.0;
    bool delivering_ = false;
};

// RtMidi 5's JACK output frees its ring buffer before it closes its JACK
// client, so a process callback still under way can read freed memory. Once
// the port is closed, callbacks that start find no port and do nothing; the
// object is destroyed here when any callback under way at the close has long
// finished: at a later close, or at exit.
class JackOutputGraveyard
{
public:
    static JackOutputGraveyard& Instance()
    {
        static JackOutputGraveyard graveyard;
        return graveyard;
    }

    JackOutputGraveyard(const JackOutputGraveyard&) = delete;
    JackOutputGraveyard& operator=(const JackOutputGraveyard&) = delete;

    ~JackOutputGraveyard()
    {
        for (auto& grave : graves_) {
            std::this_thread::sleep_until(grave.closedAt + kSettle);
            if (ServerGone(grave.access)) {
                (void)grave.midi.release();
            }
        }
    }

    // Takes an output whose port is closed.
    void Bury(std::unique_ptr<RtMidiOut> midi, const ApiAccess& access)
    {
        std::vector<Grave> due;
        {
            std::lock_guard lock(mutex_);
            const auto now = Clock::now();
            const auto settled =
                std::stable_partition(graves_.begin(), graves_.end(), [&](const Grave& grave) {
                    return grave.closedAt + kSettle > now;
                });
            std::move(settled, graves_.end(), std::back_inserter(due));
            graves_.erase(settled, graves_.end());
            graves_.push_back(Grave{now, std::move(midi), access});
        }
        // `due` goes here, outside the lock: closing a JACK client takes a while.
        for (auto& grave : due) {
            if (ServerGone(grave.access)) {
                (void)grave.midi.release();
            }
        }
    }

private:
    static constexpr auto kSettle = std::chrono::milliseconds(250);

    struct Grave
    {
        Clock::time_point closedAt;
        std::unique_ptr<RtMidiOut> midi;
        ApiAccess access;
    };

    JackOutputGraveyard() = default;

    std::mutex mutex_;
    std::vector<Grave> graves_;
};

// Closes and destroys an output, by way of the graveyard on JACK.
void DisposeOutput(std::unique_ptr<RtMidiOut> midi, const ApiAccess& access)
{
    if (ServerGone(access)) {
        (void)midi.release();
    } else if (midi != nullptr && midi->getCurrentApi() == RtMidi::UNIX_JACK) {
        midi->closePort();
        JackOutputGraveyard::Instance().Bury(std::move(midi), access);
    }
}

class RtMidiOutputPort final : public MidiOutputPort
{
public:
    RtMidiOutputPort(std::unique_ptr<RtMidiOut> midi, ApiAccess access,
                     std::unique_ptr<Presence> presence, std::string name)
        : midi_(std::move(midi)), access_(std::move(access)), presence_(std::move(presence)),
          name_(std::move(name))
    {}

    RtMidiOutputPort(const RtMidiOutputPort&) = delete;
    RtMidiOutputPort& operator=(const RtMidiOutputPort&) = delete;

    ~RtMidiOutputPort() override
    {
        presence_.reset(); // it may refer to midi_
        DisposeOutput(std::move(midi_), access_);
    }

    void Send(std::span<const Byte> message) override
    {
        if (message.empty()) {
            return;
        }
        std::lock_guard lock(mutex_);
        const auto started = Clock::now();
        for (;;) {
            if (!presence_->Present()) {
                throw MidiBackendError(GoneText(name_));
            }
            const auto failure =
                Checked([&] { midi_->sendMessage(message.data(), message.size()); });
            if (!failure) {
                return;
            }
            // A full buffer (JACK's holds 16 KB until the next cycle) empties
            // within a few milliseconds; anything else does not go away.
            if (Clock::now() - started > kSendRetryLimit) {
                throw MidiBackendError("The MIDI port " + Quoted(name_) +
                                       " did not take the message: " + *failure);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    std::mutex mutex_;
    std::unique_ptr<RtMidiOut> midi_;
    ApiAccess access_;
    std::unique_ptr<Presence> presence_;
    std::string name_;
};

// ---------------------------------------------------------------------------
// The backend

class RtMidiBackend final : public MidiBackend
{
public:
    RtMidiBackend() : apis_(PortApis()) {}

    std::vector<std::string> InputNames() override
    {
        std::lock_guard lock(mutex_);
        inputs_ = List<RtMidiIn>();
        return DisplayNames(inputs_);
    }

    std::vector<std::string> OutputNames() override
    {
        std::lock_guard lock(mutex_);
        outputs_ = List<RtMidiOut>();
        return DisplayNames(outputs_);
    }

    std::unique_ptr<MidiInputPort> OpenInput(int index, MidiReceiver receiver) override
    {
        std::lock_guard lock(mutex_);
        if (inputs_.empty()) {
            inputs_ = List<RtMidiIn>();
        }
        const PortEntry entry = Entry(inputs_, index, "input");
        auto port = std::make_unique<RtMidiInputPort>(std::move(receiver));
        ApiAccess access;
        auto midi = OpenMidi<RtMidiIn>(entry, access);
        port->Attach(std::move(midi), access);
        const int current = CurrentIndex(port->Midi(), entry);
        Connect(access, port->Midi(), entry, current, kInputPortName, false);
        return port;
    }

    std::unique_ptr<MidiOutputPort> OpenOutput(int index) override
    {
        std::lock_guard lock(mutex_);
        if (outputs_.empty()) {
            outputs_ = List<RtMidiOut>();
        }
        const PortEntry entry = Entry(outputs_, index, "output");
        ApiAccess access;
        auto midi = OpenMidi<RtMidiOut>(entry, access);
        try {
            const int current = CurrentIndex(*midi, entry);
            auto presence = Connect(access, *midi, entry, current, kOutputPortName, true);
            return std::make_unique<RtMidiOutputPort>(std::move(midi), access, std::move(presence),
                                                      entry.displayName);
        } catch (...) {
            DisposeOutput(std::move(midi), access);
            throw;
        }
    }

private:
    // The sound-system handles of an API, or nothing when it is unusable now.
    std::optional<ApiAccess> Access(RtMidi::Api api)
    {
        ApiAccess access;
        access.api = api;
#if defined(__linux__)
        if (api == RtMidi::UNIX_JACK) {
            if (jack_ == nullptr || !jack_->Alive()) {
                jack_ = JackWatch::Open();
            }
            if (jack_ == nullptr) {
                return std::nullopt;
            }
            access.jack = jack_;
        } else if (api == RtMidi::LINUX_ALSA) {
            if (alsa_ == nullptr) {
                alsa_ = AlsaWatch::Open();
            }
            if (alsa_ == nullptr) {
                return std::nullopt;
            }
            access.alsa = alsa_;
        }
#endif
        return access;
    }

    template <typename Midi> std::vector<PortEntry> List()
    {
        std::vector<PortEntry> entries;
        for (const RtMidi::Api api : apis_) {
            if (!Access(api)) {
                continue;
            }
            auto midi = MakeRtMidi<Midi>(api);
            if (midi == nullptr) {
                continue;
            }
            for (auto& name : RtMidiPortNames(*midi)) {
                if (IsOwnPort(api, name)) {
                    continue;
                }
                std::string display = apis_.size() > 1 ? name + " (" + ApiLabel(api) + ")" : name;
                entries.push_back(PortEntry{api, std::move(name), std::move(display)});
            }
        }
        return entries;
    }

    static std::vector<std::string> DisplayNames(const std::vector<PortEntry>& entries)
    {
        std::vector<std::string> names;
        names.reserve(entries.size());
        for (const auto& entry : entries) {
            names.push_back(entry.displayName);
        }
        return names;
    }

    static PortEntry Entry(const std::vector<PortEntry>& entries, int index, const char* kind)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) {
            throw MidiBackendError("There is no MIDI " + std::string(kind) + " port number " +
                                   std::to_string(index + 1) + "; list the ports again.");
        }
        return entries[static_cast<std::size_t>(index)];
    }

    template <typename Midi>
    std::unique_ptr<Midi> OpenMidi(const PortEntry& entry, ApiAccess& access)
    {
        auto found = Access(entry.api);
        std::unique_ptr<Midi> midi = found ? MakeRtMidi<Midi>(entry.api) : nullptr;
        if (midi == nullptr) {
            throw MidiBackendError(GoneText(entry.displayName) + " " + ApiLabel(entry.api) +
                                   " cannot be reached.");
        }
        access = *found;
        return midi;
    }

    // Ports come and go; the index RtMidi has for the listed port now.
    static int CurrentIndex(RtMidi& midi, const PortEntry& entry)
    {
        const auto names = RtMidiPortNames(midi);
        const auto it = std::find(names.begin(), names.end(), entry.rtName);
        if (it == names.end()) {
            throw MidiBackendError(GoneText(entry.displayName));
        }
        return static_cast<int>(it - names.begin());
    }

    std::mutex mutex_;
    const std::vector<RtMidi::Api> apis_;
    std::vector<PortEntry> inputs_;
    std::vector<PortEntry> outputs_;
#if defined(__linux__)
    std::shared_ptr<JackWatch> jack_;
    std::shared_ptr<AlsaWatch> alsa_;
#endif
};

} // namespace

std::unique_ptr<MidiBackend> CreateRtMidiBackend()
{
    return std::make_unique<RtMidiBackend>();
}

} // namespace velmora::midi
