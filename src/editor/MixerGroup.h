// The " Mixer  " group: the display frame with the two oscillator drawings
// and the mix bar between DCO 1 (left end) and DCO 2 (right end).
#pragma once

#include "editor/EditorContext.h"

#include <QGroupBox>

class QSlider;

namespace velmora::editor {

class PatchDrawing;

class MixerGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit MixerGroup(EditorContext& context, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading.
    void refresh();
    QSlider* mixBar() const { return mix_; }
    PatchDrawing* dco1Drawing() const { return dco1_; }
    PatchDrawing* dco2Drawing() const { return dco2_; }

private:
    void applyMix(int position);

    EditorContext& context_;
    PatchDrawing* dco1_;
    PatchDrawing* dco2_;
    QSlider* mix_;
};

} // namespace velmora::editor
