#include "MidiRouter.h"

namespace velmora::midi {

MidiRouter::MidiRouter(const RoutingSettings& settings, MidiSink& output, Targets targets)
    : settings_(settings), output_(output), targets_(std::move(targets))
{}

bool MidiRouter::TakeController(const TMyMidiEvent& event)
{
    if ((event.Status & 0xF0) != 0xB0 || event.Data1 < kFirstMappedController ||
        event.Data1 > kLastMappedController)
        return false;
    if (settings_.learnPending) {
        if (targets_.learn)
            targets_.learn(event.Data1);
    } else if (settings_.ccMappingOn) {
        if (targets_.mapController)
            targets_.mapController(event.Data1, event.Data2);
    }
    return true;
}

void MidiRouter::PassOn(std::uint8_t status, const TMyMidiEvent& event)
{
    if (output_.IsOpen())
        output_.SendShort(status, event.Data1, event.Data2);
}

void MidiRouter::RouteInstrumentInput(const TMyMidiEvent& event)
{
    if (event.IsSysex()) {
        if (targets_.sysex)
            targets_.sysex(event);
        return;
    }
    if (event.Status >= 0xF0)
        return; // system messages from the instrument are not passed on
    if ((event.Status & 0x0F) != settings_.instrumentChannel)
        return;
    if (TakeController(event))
        return;
    if (settings_.thruMode)
        PassOn(event.Status, event);
}

void MidiRouter::RouteKeyboardInput(const TMyMidiEvent& event)
{
    // SysEx and system messages from a keyboard are not the instrument's
    // business; they are dropped rather than passed on.
    if (event.IsSysex() || event.Status >= 0xF0)
        return;
    if (settings_.keyboardChannel != 0 && (event.Status & 0x0F) != settings_.keyboardChannel - 1)
        return;
    if (TakeController(event))
        return;
    PassOn(static_cast<std::uint8_t>((event.Status & 0xF0) | (settings_.instrumentChannel & 0x0F)),
           event);
}

} // namespace velmora::midi
