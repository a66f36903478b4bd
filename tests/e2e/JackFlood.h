// A JACK client of the test's own with one MIDI output port that pours out a
// burst of messages: as many per cycle as the port's buffer takes, until the
// burst is spent.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

class JackFlood
{
public:
    explicit JackFlood(const std::string& name)
    {
        jack_status_t status{};
        client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &JackFlood::Process, this);
        jack_activate(client_);
    }
    ~JackFlood()
    {
        if (client_) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
    JackFlood(const JackFlood&) = delete;
    JackFlood& operator=(const JackFlood&) = delete;

    bool Ok() const { return client_ && port_; }
    std::string PortName() const { return port_ ? jack_port_name(port_) : ""; }

    // `shorts` controller messages, with a SysEx of `sysexLength` bytes after
    // every `sysexEvery` of them.
    void Burst(int shorts, int sysexEvery, std::size_t sysexLength)
    {
        sysex_.assign(sysexLength, 0x01);
        if (sysexLength >= 2) {
            sysex_.front() = 0xF0;
            sysex_.back() = 0xF7;
        }
        sysexEvery_ = sysexLength >= 2 ? sysexEvery : 0;
        sent_ = 0;
        remaining_ = shorts;
    }
    bool Done() const { return remaining_.load() == 0; }

private:
    static int Process(jack_nframes_t frames, void* self)
    {
        auto* flood = static_cast<JackFlood*>(self);
        void* buffer = jack_port_get_buffer(flood->port_, frames);
        jack_midi_clear_buffer(buffer);
        for (jack_nframes_t t = 0; flood->remaining_.load() > 0; t = std::min(t + 1, frames - 1)) {
            const bool sysex = flood->sysexEvery_ > 0 && flood->sent_ % flood->sysexEvery_ == 0 &&
                               flood->sent_ > 0 && !flood->sysexPending_;
            const std::size_t size = sysex ? flood->sysex_.size() : 3;
            jack_midi_data_t* data = jack_midi_event_reserve(buffer, t, size);
            if (!data)
                break; // the port's buffer is full for this cycle
            if (sysex) {
                std::copy(flood->sysex_.begin(), flood->sysex_.end(), data);
                flood->sysexPending_ = true;
                continue;
            }
            data[0] = 0xB0;
            data[1] = 7;
            data[2] = static_cast<jack_midi_data_t>(flood->sent_ & 0x7F);
            flood->sysexPending_ = false;
            ++flood->sent_;
            --flood->remaining_;
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::vector<std::uint8_t> sysex_;
    int sysexEvery_ = 0;
    int sent_ = 0;
    bool sysexPending_ = false;
    std::atomic<int> remaining_{0};
};

} // namespace velmora::test
