// The RtMidi APIs Velmora uses and the names of their ports: which APIs are
// asked, in what order, how their ports are labelled, and which ports are
// left out of the lists.
#pragma once

#include "midi/rtmidi/RtMidiReport.h"

#include <RtMidi.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::midi::rtmidi {

using Clock = std::chrono::steady_clock;

// The client name of every RtMidi object Velmora creates. Ports of clients
// with this name are Velmora's own and are never listed, so Velmora cannot
// be connected to itself.
inline constexpr const char* kClientName = "Velmora";

// The compiled APIs that can reach ports, ALSA before JACK before the rest.
std::vector<RtMidi::Api> portApis();

// The API's name as it follows a port name: "ALSA", "JACK", "CoreMIDI".
std::string apiLabel(RtMidi::Api api);

// Whether an ALSA or JACK port, named "client:port" by RtMidi, belongs to one
// of Velmora's own clients.
bool isOwnPort(RtMidi::Api api, std::string_view name);

// Whether the port belongs to ALSA's "Midi Through" client, the kernel's
// software loopback.
bool isMidiThroughPort(RtMidi::Api api, std::string_view name);

// A listed port: which API reaches it and its name there.
struct PortEntry
{
    RtMidi::Api api;
    std::string rtName;
    std::string displayName;
};

std::string quoted(const std::string& name);

// What the user is told about a port that has vanished.
std::string goneText(const std::string& name);

// A new RtMidiIn or RtMidiOut of the API that reports its errors through
// Checked; null when RtMidi cannot make one.
template <typename Midi> std::unique_ptr<Midi> makeRtMidi(RtMidi::Api api)
{
    std::unique_ptr<Midi> midi;
    const auto failure = checked([&] { midi = std::make_unique<Midi>(api, kClientName); });
    if (failure || midi == nullptr) {
        return nullptr;
    }
    midi->setErrorCallback(&onRtMidiError, nullptr);
    return midi;
}

// The ports an RtMidi object sees, by RtMidi's names; empty on failure.
std::vector<std::string> rtMidiPortNames(RtMidi& midi);

} // namespace velmora::midi::rtmidi
