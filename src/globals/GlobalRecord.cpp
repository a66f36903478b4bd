#include "globals/GlobalRecord.h"

#include <algorithm>
#include <bit>

namespace velmora::globals {
namespace {

constexpr const char* kModSources[] = {"Off", "Lever 2", "Pedal 1"};
// Random and Noise are both named for value 4 or 5 by different sources;
// only 0..4 are offered until a unit shows what 5 does.
constexpr const char* kWaveforms[] = {"Triangle", "Saw up", "Saw down", "Square", "Random"};
constexpr const char* kChannels[] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                     "9", "10", "11", "12", "13", "14", "15", "16"};
constexpr const char* kUnitCounts[] = {"1", "2", "3", "4", "5", "6"};
constexpr const char* kUnitNumbers[] = {"0", "1", "2", "3", "4", "5"};

constexpr std::size_t kGroupMapFirst = 36;
constexpr std::size_t kGroupMapEnd = 161; // 125 bytes, 1000 bits
constexpr int kPatches = 1000;

using K = SettingKind;
using G = SettingGroup;

const GlobalSetting kSettings[] = {
    {"VibratoSpeed", "Speed", 1, 0, 63, K::Number, G::Vibrato},
    {"VibratoSpeedSource", "Speed mod source", 2, 0, 2, K::List, G::Vibrato, kModSources},
    {"VibratoSpeedAmount", "Speed mod amount", 3, 0, 63, K::Number, G::Vibrato},
    {"VibratoWave", "Waveform", 4, 0, 4, K::List, G::Vibrato, kWaveforms},
    {"VibratoAmplitude", "Amplitude", 5, 0, 63, K::Number, G::Vibrato},
    {"VibratoAmpSource", "Amp mod source", 6, 0, 2, K::List, G::Vibrato, kModSources},
    {"VibratoAmpAmount", "Amp mod amount", 7, 0, 63, K::Number, G::Vibrato},

    {"MidiChannel", "Basic channel", 11, 0, 15, K::List, G::Midi, kChannels, Ask::AnyChange,
     "The instrument will take program changes, controllers and the device inquiry on MIDI "
     "channel %1 only. Velmora switches its own instrument channel to %1 with it."},
    {"Omni",
     "Omni",
     12,
     0,
     1,
     K::Switch,
     G::Midi,
     {},
     Ask::Never,
     "On: the instrument plays notes of every channel."},
    {"Controllers",
     "Controllers",
     13,
     0,
     1,
     K::Switch,
     G::Midi,
     {},
     Ask::TurningOff,
     "The instrument will ignore MIDI controllers: pedals and levers sent over MIDI, and the "
     "master tune, transpose and bend range bars of the main window, no longer reach it."},
    {"PatchChange",
     "Patch change",
     14,
     0,
     1,
     K::Switch,
     G::Midi,
     {},
     Ask::TurningOff,
     "The instrument will ignore program changes: choosing patches from Velmora (the patch "
     "buttons, the bank manager, the sequencer) stops working until Patch change is on again."},
    {"Echo",
     "Echo",
     32,
     0,
     1,
     K::Switch,
     G::Midi,
     {},
     Ask::Never,
     "On: the instrument sends on what it receives, SysEx included; with an interface that "
     "passes it back this makes a loop."},
    {"MonoMode",
     "Mono mode",
     35,
     0,
     1,
     K::Switch,
     G::Midi,
     {},
     Ask::Never,
     "MIDI mono mode (one voice per channel, as guitar controllers use)."},

    {"Pedal1", "Pedal 1 controller", 17, 0, 121, K::Number, G::Controllers},
    {"Pedal2", "Pedal 2 controller", 18, 0, 121, K::Number, G::Controllers},
    {"Lever2", "Lever 2 controller", 19, 0, 121, K::Number, G::Controllers},
    {"Lever3", "Lever 3 controller", 20, 0, 121, K::Number, G::Controllers},

    {"MasterTune", "Master tune", 8, -31, 31, K::Signed, G::Tuning},
    {"Transpose", "Transpose", 34, -24, 24, K::Signed, G::Tuning},
    {"BendRange", "Bend range", 164, 0, 24, K::Number, G::Tuning},

    {"Unison", "Unison", 169, 0, 1, K::Switch, G::Functions},
    {"VolumeInvert",
     "Volume invert",
     170,
     0,
     1,
     K::Switch,
     G::Functions,
     {},
     Ask::Never,
     "On: controller 7 works the other way round; a unit set so can look silent."},
    {"BankLock",
     "Bank lock",
     165,
     0,
     1,
     K::TopFlag,
     G::Functions,
     {},
     Ask::Never,
     "On: program changes stay in the bank selected last."},
    {"MemoryProtect",
     "Memory protect",
     171,
     0,
     1,
     K::Switch,
     G::Functions,
     {},
     Ask::TurningOn,
     "The instrument will ignore the patches it is sent: uploads, bank uploads and restores "
     "are not stored until Memory protect is off again."},

    {"GroupMode",
     "Group mode",
     168,
     0,
     1,
     K::TopFlag,
     G::GroupMode,
     {},
     Ask::AnyChange,
     "Group mode changes how chained Matrix-1000s share the notes and take program changes "
     "and stores: a unit set wrongly can stay silent or ignore stores."},
    {"GroupUnits", "Number of units", 166, 1, 6, K::List, G::GroupMode, kUnitCounts, Ask::AnyChange,
     "The units in the group will share the notes as %1 units: set the same on every unit."},
    {"GroupUnit", "This unit's number", 167, 0, 5, K::List, G::GroupMode, kUnitNumbers,
     Ask::AnyChange,
     "This unit will play and store as unit %1 of the group; two units with one number play the "
     "same notes."},
};

const MasterItem kMaster6[] = {
    {"Basic channel", 11, false, 1, ""},
    {"Vibrato speed", 1, false, 0, "likely"},
    {"Vibrato amp mod amount", 7, false, 0, "likely"},
    {"Master tune", 8, true, 0, "likely"},
    {"Omni", 12, false, 0, "likely"},
    {"Controllers", 13, false, 0, "likely"},
    {"Patch change", 14, false, 0, "likely"},
    {"Pedal 1 controller", 17, false, 0, "likely"},
    {"Pedal 2 controller", 18, false, 0, "likely"},
    {"Lever 2 controller", 19, false, 0, "likely"},
    {"Lever 3 controller", 20, false, 0, "likely"},
    {"Transpose", 34, true, 0, "plausible"},
};

int rawValue(std::span<const Byte> record, const GlobalSetting& setting)
{
    const Byte byte = record[setting.offset];
    switch (setting.kind) {
    case SettingKind::Signed:
        return byteToSigned(byte, 127);
    case SettingKind::TopFlag:
        return (byte & 0x80) != 0 ? 1 : 0;
    default:
        return byte;
    }
}

} // namespace

std::span<const GlobalSetting> globalSettings()
{
    return kSettings;
}

const GlobalSetting* findSetting(const std::string& key)
{
    for (const GlobalSetting& setting : kSettings)
        if (key == setting.key)
            return &setting;
    return nullptr;
}

int shownValue(std::span<const Byte> record, const GlobalSetting& setting)
{
    return std::clamp(rawValue(record, setting), setting.minimum, setting.maximum);
}

void writeValue(std::span<Byte> record, const GlobalSetting& setting, int value)
{
    value = std::clamp(value, setting.minimum, setting.maximum);
    Byte& byte = record[setting.offset];
    if (setting.kind == SettingKind::TopFlag)
        byte = static_cast<Byte>((byte & 0x7F) | (value != 0 ? 0x80 : 0x00));
    else
        byte = signedToByte(value);
}

std::string valueText(const GlobalSetting& setting, int value)
{
    switch (setting.kind) {
    case SettingKind::Switch:
    case SettingKind::TopFlag:
        return value != 0 ? "On" : "Off";
    case SettingKind::List: {
        const int index = value - setting.minimum;
        if (index >= 0 && index < static_cast<int>(setting.choices.size()))
            return setting.choices[static_cast<std::size_t>(index)];
        break;
    }
    case SettingKind::Number:
    case SettingKind::Signed:
        break;
    }
    return std::to_string(value);
}

std::string questionFor(const GlobalSetting& setting, int before, int after)
{
    if (before == after || setting.effect == nullptr)
        return {};
    const bool asked = setting.ask == Ask::AnyChange ||
                       (setting.ask == Ask::TurningOn && after != 0) ||
                       (setting.ask == Ask::TurningOff && after == 0);
    if (!asked)
        return {};
    std::string effect = setting.effect;
    const std::string shown = valueText(setting, after);
    for (std::size_t at; (at = effect.find("%1")) != std::string::npos;)
        effect.replace(at, 2, shown);
    return "Set " + std::string(setting.name) + " to " + shown + "?\n\n" + effect;
}

int patchesInGroup(std::span<const Byte> record)
{
    int count = 0;
    for (std::size_t i = kGroupMapFirst; i < kGroupMapEnd; ++i)
        count += std::popcount(static_cast<unsigned>(record[i]));
    return std::min(count, kPatches);
}

void copyGroupMap(std::span<const Byte> from, std::span<Byte> to)
{
    std::copy(from.begin() + kGroupMapFirst, from.begin() + kGroupMapEnd,
              to.begin() + kGroupMapFirst);
}

bool isKnownByte(std::size_t offset)
{
    if (offset >= kGroupMapFirst && offset < kGroupMapEnd)
        return true;
    return std::ranges::any_of(kSettings,
                               [offset](const GlobalSetting& s) { return s.offset == offset; });
}

std::vector<std::string> differingSettings(std::span<const Byte> a, std::span<const Byte> b)
{
    std::vector<std::string> names;
    for (const GlobalSetting& setting : kSettings)
        if (a[setting.offset] != b[setting.offset])
            names.emplace_back(setting.name);
    if (!std::equal(a.begin() + kGroupMapFirst, a.begin() + kGroupMapEnd,
                    b.begin() + kGroupMapFirst))
        names.emplace_back(kGroupPatchesName);
    return names;
}

Global1000 mergeKnown(std::span<const Byte, kGlobal1000Size> unit,
                      std::span<const Byte, kGlobal1000Size> file)
{
    Global1000 merged;
    std::ranges::copy(unit, merged.begin());
    for (const GlobalSetting& setting : kSettings) {
        if (setting.kind == SettingKind::TopFlag)
            writeValue(merged, setting, rawValue(file, setting));
        else
            merged[setting.offset] = file[setting.offset];
    }
    copyGroupMap(file, merged);
    return merged;
}

std::span<const MasterItem> master6Items()
{
    return kMaster6;
}

} // namespace velmora::globals
