// The " Tracking Generator  " group: the five points of the tracking curve,
// its input source and drawing, and the named curves of "trackgen.ini" with
// the buttons that save, delete, flip and mirror a curve.
#pragma once

#include "ControlRows.h"

#include <QGroupBox>

#include <memory>
#include <vector>

class QToolButton;

namespace velmora::editor {

class PatchDrawing;
class TrackGenPresets;

class TrackingGroup : public QGroupBox
{
public:
    TrackingGroup(const EditorContext& context, TrackGenPresets& presets,
                  QWidget* parent = nullptr);

    // Record -> controls; run while the editing is loading. The preset list
    // keeps its choice.
    void Refresh();
    // Rereads the presets file and fills the list; no item is chosen then.
    void ReadTrackGenPresets();
    PatchDrawing* TrackingDrawing() const { return drawing_; }
    QComboBox* PresetList() const { return presetList_; }

private:
    void FillPresetList();
    void cbxPresetChange(int item);
    void sbSaveTGpresetClick();
    void sbTrashTGPresetClick();
    void DelTGPreset(const QString& name);
    void sbFlipTGClick();
    void sbMirrorTGClick();
    // The new curve goes into the record and out, then every control shows
    // the patch anew.
    void ApplyCurve(const PatchEditing::TrackingCurve& curve);
    void ShowError(const QString& message);
    QToolButton* AddButton(const QString& name, const QString& text, const QString& hint,
                           void (TrackingGroup::*click)());

    const EditorContext& context_;
    TrackGenPresets& presets_;
    std::vector<ValueRow*> rows_;
    std::unique_ptr<SourceList> source_;
    QComboBox* presetList_;
    PatchDrawing* drawing_;
};

} // namespace velmora::editor
