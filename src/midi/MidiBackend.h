// The one interface through which Velmora reaches MIDI ports. A backend lists
// its input and output ports by name and opens them; RtMidi (real ports) and
// the in-process virtual ports each implement it. Platform types stay inside
// the backends' .cpp files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::midi {

using Byte = std::uint8_t;

// Raised by backends for a failed system call, with the system's own text.
class MidiBackendError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Called for every message that arrives, on the backend's own thread: one
// whole message, a channel or system message of 1..3 bytes or a SysEx F0..F7.
// It must not block and should not allocate.
using MidiReceiver = std::function<void(std::span<const Byte> message, std::uint32_t timeMs)>;

class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default; // closes the port
    // Messages reach the receiver only between `start` and `stop`.
    virtual void start() = 0;
    virtual void stop() = 0;
};

class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default; // closes the port
    // Sends one whole message. Raises MidiBackendError when the port is gone.
    virtual void send(std::span<const Byte> message) = 0;
};

class MidiBackend
{
public:
    virtual ~MidiBackend() = default;

    // Port names as the user sees them, in a stable order.
    virtual std::vector<std::string> inputNames() = 0;
    virtual std::vector<std::string> outputNames() = 0;

    // Open the port at `index` of the lists above. Raise MidiBackendError when
    // the port does not exist any more or cannot be opened.
    virtual std::unique_ptr<MidiInputPort> openInput(int index, MidiReceiver receiver) = 0;
    virtual std::unique_ptr<MidiOutputPort> openOutput(int index) = 0;
};

// Real ports through RtMidi: on Linux every available API (ALSA sequencer,
// JACK), quietly skipping an API that is not there.
std::unique_ptr<MidiBackend> createRtMidiBackend();

} // namespace velmora::midi
