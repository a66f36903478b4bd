// The initial patch that Initialize copies into the editor, read once at
// start from "default.syx": the first patch message of any SysEx file
// serves, its checksum unexamined. The file that ships with the program is
// written at build time from basicPatch().
#pragma once

#include "protocol/PatchRecord.h"

#include <filesystem>
#include <string>
#include <variant>

namespace velmora::library {

// The patch, or the message to show: "Cannot find default.syx" when the
// file is not there, a plain reason when it cannot be a patch.
std::variant<PatchBuffer, std::string> loadInitPatch(const std::filesystem::path& path);

// A plain, playable starting point named "INIT    ": both oscillators on a
// sawtooth at the same pitch, mixed half and half and following the
// keyboard; the filter mostly open and tracking the keyboard; the amplifier
// envelope an organ-like gate with a short release; no modulation routed and
// the matrix empty. Its carried 135th byte is 0.
PatchBuffer basicPatch();

} // namespace velmora::library
