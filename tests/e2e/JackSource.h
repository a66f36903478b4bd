// A JACK client of the test's own with one MIDI output port: a controller
// keyboard whose knob turns go out one at a time, or a flood that pours out a
// burst of messages, as many per cycle as the port's buffer takes, until the
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

class JackSource
{
public:
    JackSource(const std::string& name, const std::string& port)
    {
        jack_status_t status{};
        client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (!client_)
            return;
        port_ =
            jack_port_register(client_, port.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &JackSource::process, this);
        jack_activate(client_);
    }
    ~JackSource()
    {
        if (client_) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }
    JackSource(const JackSource&) = delete;
    JackSource& operator=(const JackSource&) = delete;

    bool ok() const { return client_ && port_; }
    std::string portName() const { return port_ ? jack_port_name(port_) : ""; }

    // A control change on channel 1, out in the next cycle. The test waits
    // for its effect before it turns again.
    void turn(int controller, int value) { turn_ = 0x1000000 | controller << 8 | value; }

    // `shorts` controller messages, with a SysEx of `sysexLength` bytes after
    // every `sysexEvery` of them.
    void burst(int shorts, int sysexEvery, std::size_t sysexLength)
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
    bool done() const { return remaining_.load() == 0; }

private:
    static int process(jack_nframes_t frames, void* self)
    {
        auto* source = static_cast<JackSource*>(self);
        void* buffer = jack_port_get_buffer(source->port_, frames);
        jack_midi_clear_buffer(buffer);
        if (const std::uint32_t turn = source->turn_.exchange(0)) {
            const jack_midi_data_t message[] = {0xB0, jack_midi_data_t(turn >> 8),
                                                jack_midi_data_t(turn)};
            jack_midi_event_write(buffer, 0, message, sizeof message);
        }
        for (jack_nframes_t t = 0; source->remaining_.load() > 0; t = std::min(t + 1, frames - 1)) {
            const bool sysex = source->sysexEvery_ > 0 &&
                               source->sent_ % source->sysexEvery_ == 0 && source->sent_ > 0 &&
                               !source->sysexPending_;
            const std::size_t size = sysex ? source->sysex_.size() : 3;
            jack_midi_data_t* data = jack_midi_event_reserve(buffer, t, size);
            if (!data)
                break; // the port's buffer is full for this cycle
            if (sysex) {
                std::copy(source->sysex_.begin(), source->sysex_.end(), data);
                source->sysexPending_ = true;
                continue;
            }
            data[0] = 0xB0;
            data[1] = 7;
            data[2] = static_cast<jack_midi_data_t>(source->sent_ & 0x7F);
            source->sysexPending_ = false;
            ++source->sent_;
            --source->remaining_;
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<std::uint32_t> turn_{0}; // 0x1000000 | controller << 8 | value; 0: none
    std::vector<std::uint8_t> sysex_;
    int sysexEvery_ = 0;
    int sent_ = 0;
    bool sysexPending_ = false;
    std::atomic<int> remaining_{0};
};

} // namespace velmora::test
