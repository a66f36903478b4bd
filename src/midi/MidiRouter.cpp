#include "midi/MidiRouter.h"

namespace velmora::midi {

MidiRouter::MidiRouter(const RoutingSettings& settings, MidiSink& output, Targets targets)
    : settings_(settings), output_(output), targets_(std::move(targets))
{}

bool MidiRouter::takeController(const MidiEvent& event)
{
    if ((event.status & 0xF0) != 0xB0 || event.data1 < kFirstMappedController ||
        event.data1 > kLastMappedController)
        return false;
    if (settings_.learnPending) {
        if (targets_.learn)
            targets_.learn(event.data1);
    } else if (settings_.ccMappingOn) {
        if (targets_.mapController)
            targets_.mapController(event.data1, event.data2);
    }
    return true;
}

void MidiRouter::passOn(std::uint8_t status, const MidiEvent& event)
{
    if (output_.isOpen())
        output_.sendShort(status, event.data1, event.data2);
}

void MidiRouter::routeInstrumentInput(const MidiEvent& event)
{
    if (event.isSysex()) {
        if (targets_.sysex)
            targets_.sysex(event);
        return;
    }
    if (event.status >= 0xF0)
        return; // system messages from the instrument are not passed on
    if ((event.status & 0x0F) != settings_.instrumentChannel)
        return;
    if (takeController(event))
        return;
    if (settings_.thruMode)
        passOn(event.status, event);
}

void MidiRouter::routeKeyboardInput(const MidiEvent& event)
{
    // SysEx and system messages from a keyboard are not the instrument's
    // business; they are dropped rather than passed on.
    if (event.isSysex() || event.status >= 0xF0)
        return;
    if (settings_.keyboardChannel != 0 && (event.status & 0x0F) != settings_.keyboardChannel - 1)
        return;
    if (takeController(event))
        return;
    passOn(static_cast<std::uint8_t>((event.status & 0xF0) | (settings_.instrumentChannel & 0x0F)),
           event);
}

} // namespace velmora::midi
