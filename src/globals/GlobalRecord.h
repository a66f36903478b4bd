// The Matrix-1000 global record as the global settings window edits it: one
// row per setting the instrument is known to keep (where the byte sits, its
// range, how it is stored, the group it is shown in and, for the settings
// that can cut Velmora off from the instrument, what changing it does), and
// the read-modify-write rules. Bytes no row names are never written, so
// whatever the unit keeps there goes back to it as it came. The Matrix-6
// master record has its own, much shorter and read-only, list. No widgets.
#pragma once

#include "protocol/PatchRecord.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::globals {

using Global1000 = std::array<Byte, kGlobal1000Size>;

enum class SettingKind
{
    Number,  // 0..n as the byte
    Signed,  // 8-bit two's complement
    Switch,  // 0 off, 1 on
    List,    // a number shown by its name
    TopFlag, // on/off in bit 7; the other seven bits stay as the unit keeps them
};

enum class SettingGroup
{
    Vibrato,
    Midi,
    Controllers, // pedals and levers
    Tuning,
    Functions, // unison, volume invert, bank lock, memory protect
    GroupMode, // shown locked until the user unlocks it
};

// When a change needs the user's yes.
enum class Ask
{
    Never,
    AnyChange,
    TurningOn,
    TurningOff,
};

struct GlobalSetting
{
    const char* key;  // names the control: "VibratoSpeed" -> "tbVibratoSpeed"
    const char* name; // as the window shows it
    std::size_t offset;
    int minimum;
    int maximum;
    SettingKind kind;
    SettingGroup group;
    // List: the name of each value from `minimum` on.
    std::span<const char* const> choices = {};
    Ask ask = Ask::Never;
    // What the change does, said when asking ("%1" is the new value as
    // shown) or, for a setting that is not asked about, as its tool tip.
    const char* effect = nullptr;
};

// Every known setting in the order the window shows them.
std::span<const GlobalSetting> globalSettings();
const GlobalSetting* findSetting(const std::string& key);

// The value as the control shows it: clamped to the setting's range (a byte
// the unit holds outside it is shown at the nearest end, not changed); a
// top flag is 1 when bit 7 is set.
int shownValue(std::span<const Byte> record, const GlobalSetting& setting);
// Writes a value the user chose (clamped to the range). A top flag changes
// bit 7 only.
void writeValue(std::span<Byte> record, const GlobalSetting& setting, int value);
// The value in words ("Saw up", "On", "Channel 5", "-3").
std::string valueText(const GlobalSetting& setting, int value);

// Whether moving the setting from `before` to `after` needs the user's yes,
// and the question that says what will happen (empty when not).
std::string questionFor(const GlobalSetting& setting, int before, int after);

// The group-enable map (bytes 36..160, one bit per patch 000..999): how
// many patches it has switched on. The bit order is not known for sure; the
// count does not depend on it.
int patchesInGroup(std::span<const Byte> record);

// Copies the group-enable map.
void copyGroupMap(std::span<const Byte> from, std::span<Byte> to);

// Whether a byte belongs to a known setting (or to the group-enable map).
bool isKnownByte(std::size_t offset);

// The settings whose bytes differ between two records, by name; the
// group-enable map is named kGroupPatchesName.
inline constexpr const char* kGroupPatchesName = "Group patches";
std::vector<std::string> differingSettings(std::span<const Byte> a, std::span<const Byte> b);

// A file's settings over the record read from the unit: each known
// setting's value (and the group-enable map) taken from `file`, every other
// byte of `unit` kept. A top flag takes bit 7 only.
Global1000 mergeKnown(std::span<const Byte, kGlobal1000Size> unit,
                      std::span<const Byte, kGlobal1000Size> file);

// The Matrix-6 master record: what is known or likely about its bytes,
// shown and never written.
struct MasterItem
{
    const char* name;
    std::size_t offset;
    bool isSigned;
    int shownOffset;  // added for display (the channel shows 1..16)
    const char* note; // "" when known, else how sure it is
};
std::span<const MasterItem> master6Items();

} // namespace velmora::globals
