#include "library/PatchMime.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QStringList>

#include <algorithm>

namespace velmora::library {
namespace {

// A version first, so a later layout is refused instead of misread.
constexpr qint32 kLayout = 1;
// More than any window ever drags at once; a count beyond it is damage.
constexpr qint32 kMostPatches = 1'000'000;

} // namespace

QMimeData* patchMimeData(const std::vector<NamedPatch>& patches)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kLayout << static_cast<qint32>(patches.size());
    QStringList names;
    for (const NamedPatch& patch : patches) {
        out.writeRawData(reinterpret_cast<const char*>(patch.record.data()),
                         static_cast<int>(patch.record.size()));
        out << patch.name;
        names << patch.name;
    }
    auto* data = new QMimeData;
    data->setData(QLatin1String(kPatchMimeType), bytes);
    data->setText(names.join(u'\n'));
    return data;
}

bool hasPatches(const QMimeData* data)
{
    return data != nullptr && data->hasFormat(QLatin1String(kPatchMimeType));
}

std::vector<NamedPatch> patchesOf(const QMimeData* data)
{
    if (!hasPatches(data))
        return {};
    const QByteArray bytes = data->data(QLatin1String(kPatchMimeType));
    QDataStream in(bytes);
    qint32 layout = 0;
    qint32 count = 0;
    in >> layout >> count;
    if (in.status() != QDataStream::Ok || layout != kLayout || count < 0 || count > kMostPatches)
        return {};
    std::vector<NamedPatch> patches;
    patches.reserve(static_cast<std::size_t>(std::min(count, 1000)));
    for (qint32 k = 0; k < count; ++k) {
        NamedPatch patch;
        const int size = static_cast<int>(patch.record.size());
        if (in.readRawData(reinterpret_cast<char*>(patch.record.data()), size) != size)
            return {};
        in >> patch.name;
        if (in.status() != QDataStream::Ok)
            return {};
        patches.push_back(std::move(patch));
    }
    return patches;
}

} // namespace velmora::library
