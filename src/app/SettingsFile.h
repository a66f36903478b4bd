// Reading and writing the settings file "velmora.ini", and taking over the
// settings of an older installation. Qt Core only: the fuzz tree builds it.
#pragma once

#include "app/LegacySettings.h"
#include "app/Settings.h"

#include <QString>

#include <optional>

namespace velmora {

class IniFile;

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

// The settings a loaded file holds, by the rules of readSettings.
Settings settingsFromIni(const IniFile& ini);
// Every key of `settings` set in `ini`, as writeSettings sets them.
void settingsToIni(const Settings& settings, IniFile& ini);

} // namespace velmora
