// Where every incoming message goes. From the instrument's input: SysEx to
// the dump handlers, controllers 12..120 to learning or the controller map,
// other messages on the instrument channel through to the output in thru
// mode. From the keyboard input: controllers likewise, everything else
// re-channelled to the instrument channel and passed on.
#pragma once

#include "midi/MidiEvent.h"
#include "protocol/MidiSink.h"

#include <functional>

namespace velmora::midi {

struct RoutingSettings
{
    int instrumentChannel = 0; // 0..15
    int keyboardChannel = 0;   // 0 any, 1..16 that channel only
    bool thruMode = false;
    bool ccMappingOn = false;
    bool learnPending = false;
};

class MidiRouter
{
public:
    struct Targets
    {
        std::function<void(const MidiEvent&)> sysex; // dump handlers
        std::function<void(int controller)> learn;
        std::function<void(int controller, int value)> mapController;
    };

    MidiRouter(const RoutingSettings& settings, velmora::MidiSink& output, Targets targets);

    // The instrument input's handler body (midiGetAll).
    void routeInstrumentInput(const MidiEvent& event);
    // The keyboard input's handler body (midiGetPort2).
    void routeKeyboardInput(const MidiEvent& event);

    // Controllers in this range never pass through: they drive the program.
    static constexpr int kFirstMappedController = 12;
    static constexpr int kLastMappedController = 120;

private:
    // True when the message was a controller that the program takes.
    bool takeController(const MidiEvent& event);
    void passOn(std::uint8_t status, const MidiEvent& event);

    const RoutingSettings& settings_;
    velmora::MidiSink& output_;
    Targets targets_;
};

} // namespace velmora::midi
