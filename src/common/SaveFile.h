// Writing a whole file so that a failed write leaves the old one whole: the
// bytes go to a temporary file beside it, renamed over it once all is
// written (QSaveFile).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmora {

// The system's reason when the file could not be written, nothing when it was.
std::optional<QString> saveWholeFile(const QString& path, const QByteArray& bytes);

} // namespace velmora
