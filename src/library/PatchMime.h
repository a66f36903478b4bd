// Patches dragged or copied between windows: the library's table, the bank
// manager's cells and the editor. The data carries each patch's record (the
// 134 bytes of a patch message, name bytes included) and the name to show
// for it, which may be longer than the eight name bytes.
#pragma once

#include "protocol/PatchRecord.h"

#include <QString>

#include <vector>

class QMimeData;

namespace velmora::library {

inline constexpr const char* kPatchMimeType = "application/x-velmora-patches";

struct NamedPatch
{
    PatchRecord record{};
    QString name;
};

// New mime data holding `patches` in order; the caller owns it (a drag or
// the clipboard takes it over). Its text is the names, one a line, for
// programs that take only text.
QMimeData* patchMimeData(const std::vector<NamedPatch>& patches);
bool hasPatches(const QMimeData* data);
// The patches `data` carries; none when it carries none or is damaged.
std::vector<NamedPatch> patchesOf(const QMimeData* data);

} // namespace velmora::library
