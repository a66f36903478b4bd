// The "Patch &1" page (`tabDCO`): the oscillators, mixer, filter, LFOs, VCA
// and voice mode, laid out like the instrument's panel.
#pragma once

#include "editor/EditorContext.h"

#include <QWidget>

namespace velmora::editor {

class Dco1Group;
class Dco2Group;
class LfoGroup;
class MixerGroup;
class PatchDrawing;
class VcaGroup;
class VcfGroup;
class VoiceModeGroup;

class PatchPage1 : public QWidget
{
public:
    PatchPage1(EditorContext& context, QWidget* parent = nullptr);

    // Every control of the page from the record, then its drawings repainted.
    // Writes and sends nothing.
    void refresh();
    // The page's drawing of that kind, or nullptr when it is on another page.
    PatchDrawing* drawingOf(Drawing drawing) const;

private:
    EditorContext& context_;
    VoiceModeGroup* voiceMode_;
    Dco1Group* dco1_;
    Dco2Group* dco2_;
    MixerGroup* mixer_;
    VcfGroup* vcf_;
    LfoGroup* lfo1_;
    LfoGroup* lfo2_;
    VcaGroup* vca_;
};

} // namespace velmora::editor
