// The settings file (app/SettingsFile.h), and handing the device settings to
// the MIDI devices and back.
#pragma once

#include "app/SettingsFile.h"

#include <QStringList>

namespace velmora {

namespace midi {
class MidiSetup;
} // namespace midi

// Selects the stored ports on the three devices and sets the channels,
// switches and SysEx buffers. Call after the device lists are built and
// before any port opens. Returns the warnings to show the user, one per
// device setting that could not be applied (see the .cpp for why start-up
// goes on). `settings` is updated to the device numbers and names in effect;
// the second input setting ("In2") is kept as stored.
QStringList applyDeviceSettings(midi::MidiSetup& midi, Settings& settings);

// The device numbers, names, channels, switches and buffers as the devices
// hold them now, taken into `settings` before it is written.
void takeDeviceSettings(midi::MidiSetup& midi, Settings& settings);

} // namespace velmora
