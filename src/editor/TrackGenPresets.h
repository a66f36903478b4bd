// The named tracking curves kept in "trackgen.ini": one section per preset,
// keys "Point 1" .. "Point 5". The file is read or written whole within each
// operation and nothing keeps it open.
#pragma once

#include "protocol/PatchRecord.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace velmora::editor {

class TrackGenPresets
{
public:
    using Curve = std::array<Byte, 5>;

    explicit TrackGenPresets(QString path);

    const QString& path() const { return path_; }
    // (Re)reads the file: one entry per section in file order; a missing key
    // reads as 31 and every value keeps its low byte. A missing file has no
    // presets.
    void read();
    int count() const { return static_cast<int>(curves_.size()); }
    const QStringList& names() const { return names_; }
    const Curve& points(int index) const { return curves_.at(static_cast<std::size_t>(index)); }

    // Writes the curve under `name` (creating the section or overwriting its
    // points, the section keeping its place) and rereads the file. Returns
    // the message to show when the file cannot be written: "Unable to write
    // to <path>"; nothing is reread then. The name is taken without blanks
    // around it; a blank name writes nothing.
    std::optional<QString> save(const QString& name, const Curve& curve);
    // Removes the section `name` if it is there and rereads the file.
    std::optional<QString> remove(const QString& name);

    // Upside down: each point becomes 63 - point.
    static Curve flip(const Curve& curve);
    // Left to right: points 1 and 5, 2 and 4 exchanged.
    static Curve mirror(const Curve& curve);

private:
    QString path_;
    QStringList names_;
    std::vector<Curve> curves_;
};

} // namespace velmora::editor
