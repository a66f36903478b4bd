// Reading and writing the settings file "velmora.ini", taking over the
// settings of an older installation, and handing the device settings to the
// MIDI devices and back.
#pragma once

#include "app/LegacySettings.h"
#include "app/Settings.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

namespace midi {
class MidiSetup;
} // namespace midi

struct SettingsReadResult
{
    enum class Source
    {
        File,     // the settings file was read
        Legacy,   // no file: an older installation's settings were taken over
        Defaults, // neither: every value is its default
    };
    Source source = Source::Defaults;
    // Set when the file exists but could not be read; the defaults are used.
    QString warning;
};

// Reads `iniPath` into `settings`. A key that is missing, or whose value is
// no number (decimal or "0x" hexadecimal), reads as its default. When there
// is no file, the legacy settings are taken over and then deleted; when
// there are none either, every value is its default.
SettingsReadResult readSettings(const QString& iniPath, LegacySettings& legacy, Settings& settings);

// Writes every key of the settings file, in the file's order, into
// `iniPath`. Keys and lines the program does not know are kept. The file
// is replaced atomically. Returns "Unable to write to <path>" on failure.
std::optional<QString> writeSettings(const QString& iniPath, const Settings& settings);

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
