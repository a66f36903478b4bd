// Feeds arbitrary bytes to the tracking presets reader as "trackgen.ini",
// through a real file. Saving one more preset, and then deleting one, must
// leave every other preset as it was read: its name, its place and its five
// points; the saved one must read back as it was given.
#include "editor/TrackGenPresets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace velmora;
using velmora::editor::TrackGenPresets;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "TrackGenPresetsFuzz: %s\n", what);
        std::abort();
    }
}

struct Preset
{
    QString name;
    TrackGenPresets::Curve points;
    bool operator==(const Preset&) const = default;
};

std::vector<Preset> presetsOf(const TrackGenPresets& presets)
{
    check(presets.names().size() == presets.count(), "names and curves differ in number");
    std::vector<Preset> all;
    for (int i = 0; i < presets.count(); ++i)
        all.push_back({presets.names()[i], presets.points(i)});
    return all;
}

int countNamed(const std::vector<Preset>& presets, const QString& name)
{
    int n = 0;
    for (const Preset& preset : presets)
        n += preset.name.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One folder for the whole run, removed at exit.
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/velmora-trackgen-fuzz-XXXXXX"));
    check(folder.isValid(), "no scratch folder");
    const QString path = folder.filePath(QStringLiteral("trackgen.ini"));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
              "cannot write the scratch file");
        check(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                  static_cast<qint64>(size),
              "cannot write the scratch file");
    }

    TrackGenPresets presets(path);
    presets.read();
    std::vector<Preset> expected = presetsOf(presets);
    for (const Preset& preset : expected)
        check(!preset.name.isEmpty() && preset.name == preset.name.trimmed(),
              "a preset name is blank or has blanks around it");

    // A name the file does not have yet, and points from the input.
    QString name = QStringLiteral("Fuzz");
    for (int n = 1; countNamed(expected, name) > 0; ++n)
        name = QStringLiteral("Fuzz %1").arg(n);
    TrackGenPresets::Curve curve{};
    for (std::size_t i = 0; i < curve.size(); ++i)
        curve[i] = size > i ? data[i] : static_cast<Byte>(i);
    check(!presets.save(name, curve), "a scratch file could not be saved");
    expected.push_back({name, curve});
    check(presetsOf(presets) == expected, "saving a preset changed the others");

    // Deleting one whose name no other preset has (names compare without case).
    if (expected.size() > 1) {
        const std::size_t doomed = size % (expected.size() - 1);
        if (countNamed(expected, expected[doomed].name) == 1) {
            check(!presets.remove(expected[doomed].name), "a scratch file could not be saved");
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(doomed));
            check(presetsOf(presets) == expected, "deleting a preset changed the others");
        }
    }
    return 0;
}
