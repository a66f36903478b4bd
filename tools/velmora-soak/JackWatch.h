// What the soak sees of the JACK server besides its own ports: the xruns
// (cycles in which some client did not run in time; a client that misses a
// cycle loses that cycle's MIDI) and connections that other programs make to
// the instrument's ports (a program that opens "the first MIDI port" may pick
// the instrument and talk to it in the middle of a transfer). Also tells
// whether a JACK server runs at all.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace velmora::soak {

class JackWatch
{
public:
    // Null when no JACK server runs. `instrument`: the name the instrument's
    // ports start with ("NAME in", "NAME out").
    static std::unique_ptr<JackWatch> open(const std::string& instrument);
    ~JackWatch();
    JackWatch(const JackWatch&) = delete;
    JackWatch& operator=(const JackWatch&) = delete;

    int xruns() const { return xruns_.load(); }
    // Connections made to the instrument's ports so far, and the port at the
    // other end of the last one.
    int instrumentConnections() const { return connections_.load(); }
    std::string lastPeer() const;
    // Connections the instrument's ports have now (at most one each is the
    // soak's own), and the ports at their other ends.
    int connectionsNow(std::string& peers) const;

private:
    JackWatch(jack_client_t* client, const std::string& instrument);
    static int onXrun(void* self);
    static void onConnect(jack_port_id_t a, jack_port_id_t b, int connect, void* self);
    bool isInstrumentPort(const char* name) const;

    jack_client_t* client_;
    std::string inSuffix_;
    std::string outSuffix_;
    std::atomic<int> xruns_{0};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::string lastPeer_;
};

} // namespace velmora::soak
