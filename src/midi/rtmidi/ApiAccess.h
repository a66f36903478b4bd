// Velmora's own handles on the sound systems under RtMidi. On Linux a JACK
// client and an ALSA sequencer client of their own, without ports, tell
// whether the system is running and look ports up directly, which RtMidi
// cannot do; ApiAccess bundles the handles an API has for the ports opened
// through it.
#pragma once

#include <RtMidi.h>

#if defined(__linux__)
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#endif

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::midi::rtmidi {

#if defined(__linux__)

// A JACK client of its own, without ports: proof that a server runs, and the
// means to look ports up in the server's shared tables without a round trip.
class JackWatch
{
public:
    // Null when no JACK server runs.
    static std::shared_ptr<JackWatch> open();

    JackWatch(const JackWatch&) = delete;
    JackWatch& operator=(const JackWatch&) = delete;
    ~JackWatch();

    bool alive() const { return !shutDown_.load(std::memory_order_acquire); }

    // The ports of Velmora's own clients named `ourPortName` that are
    // connected to the port `portName` in the graph in effect now.
    std::vector<std::string> ownConnections(const std::string& portName,
                                            const std::string& ourPortName) const;

    bool hasPort(const std::string& portName) const;

    // The port `portName` exists and is still connected to our port `peer`.
    // A program that quit and came back has a port of the same name without
    // our connection.
    bool connectedTo(const std::string& portName, const std::string& peer) const;

private:
    explicit JackWatch(jack_client_t* client);

    static void onShutdown(void* self);

    jack_client_t* client_;
    std::atomic<bool> shutDown_{false};
};

// An ALSA sequencer client of its own, without ports, to look ports and
// their subscriptions up with one system call each.
class AlsaWatch
{
public:
    // Null when the sequencer cannot be opened (no /dev/snd/seq).
    static std::shared_ptr<AlsaWatch> open();

    AlsaWatch(const AlsaWatch&) = delete;
    AlsaWatch& operator=(const AlsaWatch&) = delete;
    ~AlsaWatch();

    // The port exists and something is subscribed to it in the direction we
    // use: writers for a port we send to, readers for one we listen to.
    bool subscribed(int client, int port, bool weSendToIt) const;

private:
    explicit AlsaWatch(snd_seq_t* seq) : seq_(seq) {}
    snd_seq_t* seq_;
};

// RtMidi names an ALSA port "client:port c:p"; the numbers at the end.
std::optional<std::pair<int, int>> alsaAddress(std::string_view name);

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
bool serverGone(const ApiAccess& access);

} // namespace velmora::midi::rtmidi
