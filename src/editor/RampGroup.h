// The " Ramp Generator n  " groups (n = 1, 2): the speed, the trigger frame
// and the ramp's drawing.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>

namespace velmora::editor {

class PatchDrawing;

class RampGroup : public QGroupBox
{
    Q_OBJECT

public:
    RampGroup(EditorContext& context, int n, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();
    PatchDrawing* rampDrawing() const { return drawing_; }

private:
    ValueRow* speed_;
    std::unique_ptr<RadioGroup> trigger_;
    PatchDrawing* drawing_;
};

} // namespace velmora::editor
