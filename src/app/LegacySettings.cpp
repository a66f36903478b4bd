#include "app/LegacySettings.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace velmora {
namespace {

#ifdef Q_OS_WIN
// QSettings in native format reads and removes registry keys and values
// without writing anything into the key unless asked to.
class RegistryLegacySettings final : public LegacySettings
{
public:
    RegistryLegacySettings()
        : registry_(QStringLiteral("HKEY_CURRENT_USER\\Software\\Brask\\Velmora"),
                    QSettings::NativeFormat)
    {}

    bool hasSection(const QString& subkey) override
    {
        return registry_.childGroups().contains(subkey, Qt::CaseInsensitive);
    }

    std::optional<QString> value(const QString& subkey, const QString& name) override
    {
        const QString key = subkey + u'/' + name;
        if (!registry_.contains(key))
            return std::nullopt;
        return registry_.value(key).toString();
    }

    void deleteSections() override
    {
        registry_.remove(QStringLiteral("MIDI"));
        registry_.remove(QStringLiteral("PROGRAM"));
        registry_.sync();
    }

private:
    QSettings registry_;
};
#else
class NoLegacySettings final : public LegacySettings
{
public:
    bool hasSection(const QString&) override { return false; }
    std::optional<QString> value(const QString&, const QString&) override { return std::nullopt; }
    void deleteSections() override {}
};
#endif

} // namespace

std::unique_ptr<LegacySettings> createPlatformLegacySettings()
{
#ifdef Q_OS_WIN
    return std::make_unique<RegistryLegacySettings>();
#else
    return std::make_unique<NoLegacySettings>();
#endif
}

} // namespace velmora
