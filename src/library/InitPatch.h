// The initial patch that Initialize copies into the editor, read once at
// start from "default.syx": any patch SysEx file serves.
#pragma once

#include "PatchRecord.h"

#include <filesystem>
#include <string>
#include <variant>

namespace velmora::library {

// The patch, or the message to show: "Cannot find default.syx" when the
// file is not there, a plain reason when it cannot be a patch.
std::variant<PatchBuffer, std::string> LoadInitPatch(const std::filesystem::path& path);

} // namespace velmora::library
