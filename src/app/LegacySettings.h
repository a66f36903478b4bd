// The settings of an older installation, kept under the current user's
// registry key "Software\Brask\Velmora" with the subkeys "MIDI" and "PROGRAM".
// They are read once, when no settings file exists yet, and then removed.
// Only Windows has them; elsewhere there is nothing to take over.
#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace velmora {

class LegacySettings
{
public:
    virtual ~LegacySettings() = default;

    // Whether the subkey ("MIDI", "PROGRAM") exists.
    virtual bool hasSection(const QString& subkey) = 0;
    // The string value, or none when it is missing.
    virtual std::optional<QString> value(const QString& subkey, const QString& name) = 0;
    // Removes the subkeys "MIDI" and "PROGRAM" with their values.
    virtual void deleteSections() = 0;
};

// The registry of the current user on Windows; an empty store elsewhere.
std::unique_ptr<LegacySettings> createPlatformLegacySettings();

} // namespace velmora
