#include "editor/TrackGenPresets.h"

#include "common/IniFile.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace velmora::editor {
namespace {

constexpr int kMissingPoint = 31;
constexpr int kTopPoint = 63;

QString pointKey(std::size_t index)
{
    return QStringLiteral("Point %1").arg(index + 1);
}

QString unableToWrite(const QString& path)
{
    return QCoreApplication::translate("TrackGenPresets", "Unable to write to %1").arg(path);
}

} // namespace

TrackGenPresets::TrackGenPresets(QString path) : path_(std::move(path)) {}

void TrackGenPresets::read()
{
    names_.clear();
    curves_.clear();
    // A missing or unreadable file has no presets.
    IniFile file;
    if (!file.load(path_))
        return;
    names_ = file.sectionNames();
    curves_.resize(static_cast<std::size_t>(names_.size()));
    for (qsizetype i = 0; i < names_.size(); ++i) {
        Curve& curve = curves_[static_cast<std::size_t>(i)];
        for (std::size_t j = 0; j < curve.size(); ++j)
            curve[j] = static_cast<Byte>(file.readInteger(names_[i], pointKey(j), kMissingPoint));
    }
}

std::optional<QString> TrackGenPresets::save(const QString& name, const Curve& curve)
{
    // Blanks around a section name do not survive a reread, and a blank name
    // would write keys with no section header above them, into the section
    // before: such a name writes nothing.
    const QString section = name.trimmed();
    if (section.isEmpty())
        return std::nullopt;
    IniFile file;
    // A file that exists but cannot be read is not written over: that would
    // lose every other preset in it.
    if (!file.load(path_))
        return unableToWrite(path_);
    for (std::size_t j = 0; j < curve.size(); ++j)
        file.writeInteger(section, pointKey(j), curve[j]);
    if (!file.save(path_))
        return unableToWrite(path_);
    read();
    return std::nullopt;
}

std::optional<QString> TrackGenPresets::remove(const QString& name)
{
    IniFile file;
    if (!file.load(path_))
        return unableToWrite(path_);
    // A section that has vanished meanwhile leaves the file as it is.
    if (file.eraseSection(name) && !file.save(path_))
        return unableToWrite(path_);
    read();
    return std::nullopt;
}

TrackGenPresets::Curve TrackGenPresets::flip(const Curve& curve)
{
    Curve flipped{};
    // A point above the range (from a foreign patch) flips to the bottom
    // instead of wrapping round to a large byte.
    for (std::size_t j = 0; j < curve.size(); ++j)
        flipped[j] = static_cast<Byte>(kTopPoint - std::min<int>(curve[j], kTopPoint));
    return flipped;
}

TrackGenPresets::Curve TrackGenPresets::mirror(const Curve& curve)
{
    return {curve[4], curve[3], curve[2], curve[1], curve[0]};
}

} // namespace velmora::editor
