// Counts the JACK server's xruns: cycles in which some client did not run in
// time. A JACK client that misses a cycle loses that cycle's MIDI, so a
// message that went missing in such a cycle was lost by the transport, not by
// Velmora. Also tells whether a JACK server runs at all.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <memory>

namespace velmora::soak {

class XrunWatch
{
public:
    // Null when no JACK server runs.
    static std::unique_ptr<XrunWatch> Open()
    {
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        jack_status_t status{};
        jack_client_t* client = jack_client_open("velmora-soak", JackNoStartServer, &status);
        if (client == nullptr)
            return nullptr;
        auto watch = std::unique_ptr<XrunWatch>(new XrunWatch(client));
        jack_set_xrun_callback(client, &XrunWatch::OnXrun, watch.get());
        if (jack_activate(client) != 0)
            return nullptr;
        return watch;
    }

    ~XrunWatch() { jack_client_close(client_); }
    XrunWatch(const XrunWatch&) = delete;
    XrunWatch& operator=(const XrunWatch&) = delete;

    int Count() const { return count_.load(); }

private:
    explicit XrunWatch(jack_client_t* client) : client_(client) {}

    static int OnXrun(void* self)
    {
        static_cast<XrunWatch*>(self)->count_.fetch_add(1);
        return 0;
    }

    jack_client_t* client_;
    std::atomic<int> count_{0};
};

} // namespace velmora::soak
