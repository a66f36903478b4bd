// The " Tracking Generator  " group: the five points of the tracking curve,
// its input source and drawing, and the named curves of "trackgen.ini" with
// the buttons that save, delete, flip and mirror a curve.
#pragma once

#include "editor/ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

class QToolButton;

namespace velmora::editor {

class PatchDrawing;
class TrackGenPresets;

class TrackingGroup : public QGroupBox
{
    Q_OBJECT

public:
    TrackingGroup(EditorContext& context, TrackGenPresets& presets, QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading. The preset list
    // keeps its choice.
    void refresh();
    // Rereads the presets file and fills the list; no item is chosen then.
    void readTrackGenPresets();
    PatchDrawing* trackingDrawing() const { return drawing_; }
    QComboBox* presetList() const { return presetList_; }

private:
    void fillPresetList();
    void applyPreset(int item);
    void savePreset();
    void deletePreset();
    void delTGPreset(const QString& name);
    void flipCurve();
    void mirrorCurve();
    // The new curve goes into the record and out, then every control shows
    // the patch anew.
    void applyCurve(const PatchEditing::TrackingCurve& curve);
    void showError(const QString& message);
    QToolButton* addButton(const QString& name, const QString& text, const QString& hint,
                           void (TrackingGroup::*click)());

    EditorContext& context_;
    TrackGenPresets& presets_;
    std::vector<ValueRow*> rows_;
    std::unique_ptr<SourceList> source_;
    QComboBox* presetList_;
    PatchDrawing* drawing_;
};

} // namespace velmora::editor
