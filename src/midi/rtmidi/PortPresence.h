// Whether an open port's other end is still there. A port that vanishes (the
// other program quit) is not reported by RtMidi: its sends go nowhere. Each
// open output therefore checks, before each send, that its target is still
// there: on JACK that our connection to it still exists, a lookup in the
// server's shared tables (well under a microsecond); on ALSA that the port
// exists and has a subscriber, two system calls; elsewhere by listing the
// ports again, at most every 100 ms.
#pragma once

#include "midi/rtmidi/ApiAccess.h"
#include "midi/rtmidi/RtMidiApis.h"

#include <RtMidi.h>

#include <memory>

namespace velmora::midi::rtmidi {

class Presence
{
public:
    virtual ~Presence() = default;
    // Called with the port's lock held, right before each send.
    virtual bool present() = 0;
};

// Opens the port RtMidi now lists at `index` under our port name `ourName`
// and returns how to tell that it is still there. `weSendToIt`: the port is
// the target of an output, not the source of an input. Raises
// MidiBackendError when the port cannot be opened or is gone.
std::unique_ptr<Presence> connect(const ApiAccess& access, RtMidi& midi, const PortEntry& entry,
                                  int index, const char* ourName, bool weSendToIt);

} // namespace velmora::midi::rtmidi
