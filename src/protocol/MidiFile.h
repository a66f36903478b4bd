// Standard MIDI Files (.mid, formats 0 and 1) as many patch collections for
// these instruments are passed around: the SysEx events of every track, in
// track order, put back together as the messages a cable would carry.
#pragma once

#include "protocol/PatchRecord.h"

#include <span>
#include <string>
#include <vector>

namespace velmora {

// True when `data` starts like a Standard MIDI File ("MThd").
bool isMidiFile(std::span<const Byte> data);

struct MidiFileSysex
{
    std::vector<Byte> messages; // F0 ... F7 each, one after another
    std::string error;          // why the file could not be read, in words
    bool ok() const { return error.empty(); }
};

// The SysEx events of a Standard MIDI File. An F0 event opens a message; F7
// events continue it (a message split into packets) or, with none open,
// carry raw bytes that are taken as they stand. Channel, meta and unknown
// chunks are skipped. A file cut short yields what came before the cut.
MidiFileSysex sysexFromMidiFile(std::span<const Byte> data);

} // namespace velmora
