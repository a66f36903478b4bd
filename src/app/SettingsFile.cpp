#include "app/SettingsFile.h"

#include "common/IniFile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <limits>
#include <variant>

namespace velmora {
namespace {

using IntField = int Settings::*;
using BoolField = bool Settings::*;
using TextField = QString Settings::*;

// One key of the settings file. An integer outside [min, max] is a value the
// program cannot use (a channel of 16 would turn note messages into other
// messages, a huge SysEx buffer would exhaust memory), so it reads as the
// key's default, like a value that is no number.
struct Key
{
    const char* section;
    const char* name;
    std::variant<IntField, BoolField, TextField> field;
    int min = std::numeric_limits<int>::min();
    int max = std::numeric_limits<int>::max();
};

// Every key in the order the file holds them.
const Key kKeys[] = {
    {"MIDI", "Model", &Settings::model, Settings::kMatrix6, Settings::kMatrix1000},
    {"MIDI", "In1", &Settings::in1, 0, 65535},
    {"MIDI", "Device1", &Settings::device1},
    {"MIDI", "In2", &Settings::in2, Settings::kNoSecondInput, 65535},
    {"MIDI", "Device2", &Settings::device2},
    {"MIDI", "Out", &Settings::out, 0, 65535},
    {"MIDI", "DeviceOut", &Settings::deviceOut},
    {"MIDI", "Channel", &Settings::channel, 0, 15},
    {"MIDI", "Channel2", &Settings::channel2, 0, 16},
    // The ranges the SysEx setup dialog offers.
    {"MIDI", "BufferCount", &Settings::bufferCount, 16, 256},
    {"MIDI", "BufferSize", &Settings::bufferSize, 512, 4096},
    {"MIDI", "ThruMode", &Settings::thruMode},
    {"MIDI", "CcMapping", &Settings::ccMapping},
    {"PROGRAM", "AutoPlay", &Settings::autoPlay},
    {"PROGRAM", "RealTimeSends", &Settings::realTimeSends},
    {"PROGRAM", "CheckUploads", &Settings::checkUploads},
    {"PROGRAM", "StorePause", &Settings::storePause, Settings::kMinStorePause,
     Settings::kMaxStorePause},
    {"PROGRAM", "GlobalWritePause", &Settings::globalWritePause, Settings::kMinGlobalWritePause,
     Settings::kMaxGlobalWritePause},
    {"PROGRAM", "Note", &Settings::note, 0, 127},
    {"PROGRAM", "Chord1", &Settings::chord1, 0, 127},
    {"PROGRAM", "Chord2", &Settings::chord2, 0, 127},
    {"PROGRAM", "Chord3", &Settings::chord3, 0, 127},
    {"DIRECTORIES", "PatchPath", &Settings::patchPath},
    {"DIRECTORIES", "BankPath", &Settings::bankPath},
    {"DIRECTORIES", "SequencePath", &Settings::sequencePath},
    {"DIRECTORIES", "SplitPath", &Settings::splitPath},
    {"LIBRARY", "AddDownloads", &Settings::addDownloads},
};

const char* const kMutateSection = "MUTATE";

QString mutateKey(std::size_t group)
{
    return QStringLiteral("Section%1").arg(group + 1);
}

QString lockKey(std::size_t group)
{
    return QStringLiteral("Lock%1").arg(group + 1);
}

// Where each value of an older installation goes in the file.
struct LegacyKey
{
    const char* subkey;
    const char* name;
    const char* section;
    const char* key;
};

const LegacyKey kLegacyKeys[] = {
    {"MIDI", "ID_IN", "MIDI", "In1"},
    {"MIDI", "DEV_IN", "MIDI", "Device1"},
    {"MIDI", "ID_IN2", "MIDI", "In2"},
    {"MIDI", "DEV_IN2", "MIDI", "Device2"},
    {"MIDI", "ID_OUT", "MIDI", "Out"},
    {"MIDI", "DEV_OUT", "MIDI", "DeviceOut"},
    {"MIDI", "CHANNEL", "MIDI", "Channel"},
    {"MIDI", "CHANNEL2", "MIDI", "Channel2"},
    {"MIDI", "BufferCount", "MIDI", "BufferCount"},
    {"MIDI", "BufferSize", "MIDI", "BufferSize"},
    {"MIDI", "THRU", "MIDI", "ThruMode"},
    {"MIDI", "CCMAP", "MIDI", "CcMapping"},
    {"PROGRAM", "NOTE", "PROGRAM", "Note"},
    {"PROGRAM", "NOTE1", "PROGRAM", "Chord1"},
    {"PROGRAM", "NOTE2", "PROGRAM", "Chord2"},
    {"PROGRAM", "NOTE3", "PROGRAM", "Chord3"},
    {"PROGRAM", "PatchPath", "DIRECTORIES", "PatchPath"},
    {"PROGRAM", "BankPath", "DIRECTORIES", "BankPath"},
    {"PROGRAM", "SequencePath", "DIRECTORIES", "SequencePath"},
    {"PROGRAM", "SplitPath", "DIRECTORIES", "SplitPath"},
};

QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

// The older installation's values under the file's names, so they are read
// by the same rules as the file. It has no model, auto-play switch or mutate
// factors: those keep their defaults.
IniFile fromLegacy(LegacySettings& legacy)
{
    IniFile ini;
    for (const LegacyKey& key : kLegacyKeys) {
        if (const auto value = legacy.value(latin(key.subkey), latin(key.name)))
            ini.writeString(latin(key.section), latin(key.key), *value);
    }
    return ini;
}

} // namespace

Settings settingsFromIni(const IniFile& ini)
{
    const Settings defaults;
    Settings settings;
    for (const Key& key : kKeys) {
        const QString section = latin(key.section);
        const QString name = latin(key.name);
        if (const auto* number = std::get_if<IntField>(&key.field)) {
            const int value = ini.readInteger(section, name, defaults.**number);
            settings.** number = value >= key.min && value <= key.max ? value : defaults.**number;
        } else if (const auto* flag = std::get_if<BoolField>(&key.field)) {
            settings.** flag = ini.readBool(section, name, defaults.**flag);
        } else {
            const TextField text = std::get<TextField>(key.field);
            settings.*text = ini.readString(section, name, defaults.*text);
        }
    }
    for (std::size_t group = 0; group < settings.mutate.size(); ++group)
        settings.mutate[group] = static_cast<std::uint8_t>(
            ini.readInteger(latin(kMutateSection), mutateKey(group), 0) & 0xFF);
    for (std::size_t group = 0; group < settings.locks.size(); ++group)
        settings.locks[group] = ini.readBool(latin(kMutateSection), lockKey(group), false);
    return settings;
}

void settingsToIni(const Settings& settings, IniFile& ini)
{
    for (const Key& key : kKeys) {
        const QString section = latin(key.section);
        const QString name = latin(key.name);
        if (const auto* number = std::get_if<IntField>(&key.field))
            ini.writeInteger(section, name, settings.**number);
        else if (const auto* flag = std::get_if<BoolField>(&key.field))
            ini.writeBool(section, name, settings.**flag);
        else
            ini.writeString(section, name, settings.*std::get<TextField>(key.field));
    }
    for (std::size_t group = 0; group < settings.mutate.size(); ++group)
        ini.writeInteger(latin(kMutateSection), mutateKey(group), settings.mutate[group]);
    for (std::size_t group = 0; group < settings.locks.size(); ++group)
        ini.writeBool(latin(kMutateSection), lockKey(group), settings.locks[group]);
}

SettingsReadResult readSettings(const QString& iniPath, LegacySettings& legacy, Settings& settings)
{
    SettingsReadResult result;
    if (QFileInfo::exists(iniPath)) {
        IniFile ini;
        QString error;
        if (!ini.load(iniPath, &error)) {
            settings = Settings{};
            result.warning = QCoreApplication::translate("SettingsStore", "Unable to read %1: %2")
                                 .arg(iniPath, error);
            return result;
        }
        settings = settingsFromIni(ini);
        result.source = SettingsReadResult::Source::File;
        return result;
    }
    // No file yet: take over an older installation's settings, once.
    // They are removed only once the file holds them, so a run that ends
    // without saving (a crash, a killed process) does not lose them.
    if (legacy.hasSection(QStringLiteral("MIDI"))) {
        settings = settingsFromIni(fromLegacy(legacy));
        if (!writeSettings(iniPath, settings))
            legacy.deleteSections();
        result.source = SettingsReadResult::Source::Legacy;
        return result;
    }
    settings = Settings{};
    return result;
}

std::optional<QString> writeSettings(const QString& iniPath, const Settings& settings)
{
    // Loaded first, so keys and lines the program does not know survive.
    IniFile ini;
    if (!ini.load(iniPath))
        return QCoreApplication::translate("SettingsStore", "Unable to write to %1").arg(iniPath);
    settingsToIni(settings, ini);
    if (!ini.save(iniPath))
        return QCoreApplication::translate("SettingsStore", "Unable to write to %1").arg(iniPath);
    return std::nullopt;
}

} // namespace velmora
