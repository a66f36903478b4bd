#include "velmora-soak/JackWatch.h"

#include "velmora-soak/JackProbe.h"

#include <cstring>

namespace velmora::soak {

namespace {

bool endsWith(const char* text, const std::string& suffix)
{
    const std::size_t length = std::strlen(text);
    return length >= suffix.size() &&
           std::memcmp(text + length - suffix.size(), suffix.data(), suffix.size()) == 0;
}

} // namespace

std::unique_ptr<JackWatch> JackWatch::open(const std::string& instrument)
{
    quietenJack();
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velmora-soak", JackNoStartServer, &status);
    if (client == nullptr)
        return nullptr;
    auto watch = std::unique_ptr<JackWatch>(new JackWatch(client, instrument));
    jack_set_xrun_callback(client, &JackWatch::onXrun, watch.get());
    jack_set_port_connect_callback(client, &JackWatch::onConnect, watch.get());
    if (jack_activate(client) != 0)
        return nullptr;
    return watch;
}

JackWatch::JackWatch(jack_client_t* client, const std::string& instrument)
    : client_(client), inSuffix_(":" + instrument + " in"), outSuffix_(":" + instrument + " out")
{}

JackWatch::~JackWatch()
{
    jack_client_close(client_);
}

int JackWatch::onXrun(void* self)
{
    static_cast<JackWatch*>(self)->xruns_.fetch_add(1);
    return 0;
}

bool JackWatch::isInstrumentPort(const char* name) const
{
    return name != nullptr && (endsWith(name, inSuffix_) || endsWith(name, outSuffix_));
}

void JackWatch::onConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* self)
{
    auto* watch = static_cast<JackWatch*>(self);
    jack_port_t* portA = jack_port_by_id(watch->client_, a);
    jack_port_t* portB = jack_port_by_id(watch->client_, b);
    if (connect == 0 || portA == nullptr || portB == nullptr)
        return;
    const char* nameA = jack_port_name(portA);
    const char* nameB = jack_port_name(portB);
    const char* peer = watch->isInstrumentPort(nameA)   ? nameB
                       : watch->isInstrumentPort(nameB) ? nameA
                                                        : nullptr;
    if (peer == nullptr)
        return;
    {
        std::lock_guard lock(watch->mutex_);
        watch->lastPeer_ = peer;
    }
    watch->connections_.fetch_add(1);
}

std::string JackWatch::lastPeer() const
{
    std::lock_guard lock(mutex_);
    return lastPeer_;
}

int JackWatch::connectionsNow(std::string& peers) const
{
    int count = 0;
    const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, 0);
    for (const char** name = ports; name != nullptr && *name != nullptr; ++name) {
        if (!isInstrumentPort(*name))
            continue;
        jack_port_t* port = jack_port_by_name(client_, *name);
        const char** connected =
            port != nullptr ? jack_port_get_all_connections(client_, port) : nullptr;
        for (const char** other = connected; other != nullptr && *other != nullptr; ++other) {
            peers += (count++ > 0 ? ", " : "") + std::string(*other);
        }
        jack_free(static_cast<void*>(connected));
    }
    jack_free(static_cast<void*>(ports));
    return count;
}

} // namespace velmora::soak
