// The "Patch &2" page (`tabENV`): the three envelopes, the two ramps, the
// tracking generator with its presets, and the portamento.
#pragma once

#include "editor/EditorContext.h"

#include <QWidget>

#include <array>

namespace velmora::editor {

class EnvelopeGroup;
class PatchDrawing;
class PortamentoGroup;
class RampGroup;
class TrackGenPresets;
class TrackingGroup;

class PatchPage2 : public QWidget
{
public:
    PatchPage2(EditorContext& context, TrackGenPresets& presets, QWidget* parent = nullptr);

    // Every control of the page from the record, then its drawings repainted.
    // Writes and sends nothing.
    void refresh();
    // The page's drawing of that kind, or nullptr when it is on another page.
    PatchDrawing* drawingOf(Drawing drawing) const;
    // Rereads "trackgen.ini" into the preset list.
    void readTrackGenPresets();

private:
    EditorContext& context_;
    std::array<EnvelopeGroup*, 3> envelopes_;
    std::array<RampGroup*, 2> ramps_;
    TrackingGroup* tracking_;
    PortamentoGroup* portamento_;
};

} // namespace velmora::editor
