// The open ports of the RtMidi backend: MidiInputPort and MidiOutputPort over
// an RtMidiIn or RtMidiOut.
#pragma once

#include "midi/MidiBackend.h"
#include "midi/rtmidi/ApiAccess.h"
#include "midi/rtmidi/PortPresence.h"
#include "midi/rtmidi/RtMidiApis.h"

#include <RtMidi.h>

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace velmora::midi::rtmidi {

class RtMidiInputPort final : public MidiInputPort
{
public:
    // Timestamps count from here, right before the port opens.
    explicit RtMidiInputPort(MidiReceiver receiver);

    RtMidiInputPort(const RtMidiInputPort&) = delete;
    RtMidiInputPort& operator=(const RtMidiInputPort&) = delete;

    ~RtMidiInputPort() override;

    // Takes the RtMidi object, whose thread is started only now that
    // everything it reaches exists, and installs the callback before the port
    // opens, so nothing arrives before there is somewhere to deliver it.
    void attach(std::unique_ptr<RtMidiIn> midi, const ApiAccess& access);

    RtMidiIn& midi() { return *midi_; }

    void start() override;

    // Waits for a delivery in progress, so no message reaches the receiver
    // once Stop has returned. The receiver must not call Stop itself.
    void stop() override;

private:
    static void onMessage(double deltaSeconds, std::vector<unsigned char>* message, void* self);

    // On RtMidi's thread. RtMidi gives the time since the previous message
    // (0 for the first); the first is timed from the opening instead.
    void deliver(double deltaSeconds, const std::vector<unsigned char>& message);

    std::unique_ptr<RtMidiIn> midi_;
    ApiAccess access_;
    MidiReceiver receiver_;
    const Clock::time_point openedAt_;
    std::mutex deliveryMutex_; // guards the members below
    bool sawMessage_ = false;
    double secondsSinceOpen_ = 0.0;
    bool delivering_ = false;
};

// Closes and destroys an output, by way of a graveyard on JACK (see
// RtMidiPorts.cpp). Also for an output that never became an RtMidiOutputPort.
void disposeOutput(std::unique_ptr<RtMidiOut> midi, const ApiAccess& access);

class RtMidiOutputPort final : public MidiOutputPort
{
public:
    RtMidiOutputPort(std::unique_ptr<RtMidiOut> midi, ApiAccess access,
                     std::unique_ptr<Presence> presence, std::string name);

    RtMidiOutputPort(const RtMidiOutputPort&) = delete;
    RtMidiOutputPort& operator=(const RtMidiOutputPort&) = delete;

    ~RtMidiOutputPort() override;

    // Checks that the target is still there before each try, and tries again
    // for a while when the API reports its buffer full.
    void send(std::span<const Byte> message) override;

private:
    std::mutex mutex_;
    std::unique_ptr<RtMidiOut> midi_;
    ApiAccess access_;
    std::unique_ptr<Presence> presence_;
    std::string name_;
};

} // namespace velmora::midi::rtmidi
