// Velmora's own JACK and ALSA sequencer clients, for looking ports up.
#include "midi/rtmidi/ApiAccess.h"

#include "midi/rtmidi/RtMidiApis.h"
#include "midi/rtmidi/RtMidiReport.h"

#include <charconv>

namespace velmora::midi::rtmidi {

#if defined(__linux__)

// ---------------------------------------------------------------------------
// JackWatch

std::shared_ptr<JackWatch> JackWatch::open()
{
    quietenSoundLibraries();
    jack_status_t status{};
    jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
    if (client == nullptr) {
        return nullptr;
    }
    return std::shared_ptr<JackWatch>(new JackWatch(client));
}

JackWatch::JackWatch(jack_client_t* client) : client_(client)
{
    jack_on_shutdown(client_, &JackWatch::onShutdown, this);
}

JackWatch::~JackWatch()
{
    if (alive()) {
        jack_client_close(client_);
    }
    // else: see serverGone.
}

void JackWatch::onShutdown(void* self)
{
    static_cast<JackWatch*>(self)->shutDown_.store(true, std::memory_order_release);
}

std::vector<std::string> JackWatch::ownConnections(const std::string& portName,
                                                   const std::string& ourPortName) const
{
    std::vector<std::string> own;
    jack_port_t* port = alive() ? jack_port_by_name(client_, portName.c_str()) : nullptr;
    if (port == nullptr) {
        return own;
    }
    const char** connections = jack_port_get_all_connections(client_, port);
    for (const char** name = connections; name != nullptr && *name != nullptr; ++name) {
        const std::string_view peer = *name;
        const std::size_t colon = peer.find(':');
        if (isOwnPort(RtMidi::UNIX_JACK, peer) && peer.substr(colon + 1) == ourPortName) {
            own.emplace_back(peer);
        }
    }
    jack_free(static_cast<void*>(connections));
    return own;
}

bool JackWatch::hasPort(const std::string& portName) const
{
    return alive() && jack_port_by_name(client_, portName.c_str()) != nullptr;
}

bool JackWatch::connectedTo(const std::string& portName, const std::string& peer) const
{
    if (!alive()) {
        return false;
    }
    jack_port_t* port = jack_port_by_name(client_, portName.c_str());
    return port != nullptr && jack_port_connected_to(port, peer.c_str()) != 0;
}

// ---------------------------------------------------------------------------
// AlsaWatch

std::shared_ptr<AlsaWatch> AlsaWatch::open()
{
    quietenSoundLibraries();
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        return nullptr;
    }
    snd_seq_set_client_name(seq, kClientName);
    return std::shared_ptr<AlsaWatch>(new AlsaWatch(seq));
}

AlsaWatch::~AlsaWatch()
{
    snd_seq_close(seq_);
}

bool AlsaWatch::subscribed(int client, int port, bool weSendToIt) const
{
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_alloca(&info);
    if (snd_seq_get_any_port_info(seq_, client, port, info) < 0) {
        return false;
    }
    snd_seq_query_subscribe_t* query = nullptr;
    snd_seq_query_subscribe_alloca(&query);
    snd_seq_addr_t address{static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
    snd_seq_query_subscribe_set_root(query, &address);
    snd_seq_query_subscribe_set_type(query, weSendToIt ? SND_SEQ_QUERY_SUBS_WRITE
                                                       : SND_SEQ_QUERY_SUBS_READ);
    snd_seq_query_subscribe_set_index(query, 0);
    return snd_seq_query_port_subscribers(seq_, query) >= 0;
}

std::optional<std::pair<int, int>> alsaAddress(std::string_view name)
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

bool serverGone(const ApiAccess& access)
{
#if defined(__linux__)
    return access.jack != nullptr && !access.jack->alive();
#else
    (void)access;
    return false;
#endif
}

} // namespace velmora::midi::rtmidi
