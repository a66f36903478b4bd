// The " Envelope Generator n  " groups (n = 1..3): delay, attack, decay,
// sustain, release and amplitude, the trigger, LFO-trigger and mode switches,
// the velocity amount and the envelope's drawing.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

namespace velmora::editor {

class PatchDrawing;

class EnvelopeGroup : public QGroupBox
{
    Q_OBJECT

public:
    EnvelopeGroup(EditorContext& context, int n, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();
    PatchDrawing* envelopeDrawing() const { return drawing_; }

private:
    std::vector<ValueRow*> rows_;
    SignedRow* velocity_;
    std::vector<std::unique_ptr<BitBox>> boxes_;
    PatchDrawing* drawing_;
};

} // namespace velmora::editor
