#include "perform/ControllerMapFile.h"

#include "protocol/ControlTables.h"

#include <algorithm>

namespace velmora::perform {

bool ControllerMapFile::isController(int controller)
{
    return controller >= kFirstController && controller <= kLastController;
}

bool ControllerMapFile::isMappable(int control)
{
    return control >= 0 && control < kEntries && !isUnusedControl(control);
}

ControllerMapFile decodeControllerMap(std::span<const Byte> file)
{
    ControllerMapFile map;
    map.entriesRead = std::min<std::size_t>(file.size(), ControllerMapFile::kEntries);
    std::array<bool, ControllerMapFile::kLastController + 1> taken{};
    for (std::size_t i = 0; i < map.entriesRead; ++i) {
        const int controller = file[i];
        if (controller == 0)
            continue;
        if (!ControllerMapFile::isController(controller) ||
            !ControllerMapFile::isMappable(static_cast<int>(i)) ||
            taken[static_cast<std::size_t>(controller)]) {
            ++map.unusable;
            continue;
        }
        map.entries[i] = file[i];
        taken[static_cast<std::size_t>(controller)] = true;
    }
    return map;
}

} // namespace velmora::perform
