// The MIDI side of velmora-syx: listing ports and finding the one the user
// named, by its number or by (part of) its name. The built-in virtual
// instrument is always among the ports.
#pragma once

#include "midi/MidiDevices.h"

#include <ostream>
#include <string>

namespace velmora::syx {

// Real ports first, then the built-in virtual instrument, as in Velmora.
void addDefaultBackends(midi::MidiDevices& devices);

enum class PortKind
{
    Input,
    Output,
};

// The device number the user meant: a number in range, or the one port whose
// name contains the text (case does not matter). Throws std::runtime_error
// with a clear message when none or several match.
int findPort(const midi::MidiDevices& devices, PortKind kind, const std::string& wanted);

// velmora-syx ports [--json]
int runPorts(const midi::MidiDevices& devices, bool json, std::ostream& out);

} // namespace velmora::syx
