// The " Mixer  " group: the display frame with the two oscillator drawings
// and the mix bar between DCO 1 (left end) and DCO 2 (right end).
#pragma once

#include "EditorContext.h"

#include <QGroupBox>

class QSlider;

namespace velmora::editor {

class PatchDrawing;

class MixerGroup : public QGroupBox
{
public:
    explicit MixerGroup(const EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void Refresh();
    QSlider* MixBar() const { return mix_; }
    PatchDrawing* Dco1Drawing() const { return dco1_; }
    PatchDrawing* Dco2Drawing() const { return dco2_; }

private:
    void tbMIXChange(int position);

    const EditorContext& context_;
    PatchDrawing* dco1_;
    PatchDrawing* dco2_;
    QSlider* mix_;
};

} // namespace velmora::editor
