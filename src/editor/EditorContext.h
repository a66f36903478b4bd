// What the groups of the patch editor share: the editing of the current
// patch, the repaint of a drawing after an edit, and the right-click on a
// parameter caption that opens its controller assignment.
#pragma once

#include "editor/PatchEditing.h"

#include <functional>

namespace velmora::editor {

enum class Drawing
{
    Dco1,
    Dco2,
    Env1,
    Env2,
    Env3,
    Tracking,
    Ramp1,
    Ramp2,
};

struct EditorContext
{
    PatchEditing& editing;
    // Repaints one drawing; set by the page that holds the drawings.
    std::function<void(Drawing)> repaintHook;
    // A right click on a caption or a bus switch carrying this control index.
    std::function<void(int control)> captionMenu;
    // Sets every control from the record (the tracking presets rewrite the
    // curve and then show the whole patch anew).
    std::function<void()> initControls;

    void repaint(Drawing drawing) const
    {
        if (repaintHook)
            repaintHook(drawing);
    }
};

} // namespace velmora::editor
