// The editor's three pages in the main window's page control `tcTabs`:
// "Patch &1", "Patch &2" and "&Matrix". It owns the editing of the current
// patch and the context its groups share, and refreshes every control from
// the record with the sending (and writing) off.
#pragma once

#include "editor/EditorContext.h"
#include "editor/PatchEditing.h"

#include <QTabWidget>

namespace velmora::editor {

class MatrixPage;
class PatchDrawing;
class PatchPage1;
class PatchPage2;
class TrackGenPresets;

class PatchEditorView : public QTabWidget
{
    Q_OBJECT

public:
    // Help topics of the pages and of the window.
    static constexpr int kPage1Help = 1010;
    static constexpr int kPage2Help = 1011;
    static constexpr int kMatrixHelp = 1012;

    PatchEditorView(PatchBuffer& patch, ParameterSender& sender, TrackGenPresets& presets,
                    QWidget* parent = nullptr);
    ~PatchEditorView() override;

    // initPatchControls then initMatrixControls.
    void initControls();
    // The two patch pages and their drawings.
    void initPatchControls();
    // The ten matrix buses.
    void initMatrixControls();

    // On, every slider and scroll bar sends each step of a drag; off, it
    // sends the value it was let go at, for instruments that cannot keep up.
    void setRealTimeSends(bool on);

    PatchEditing& editing() { return editing_; }
    // The owner connects to `captionMenuRequested` (the controller assignment).
    EditorContext& context() { return context_; }
    PatchPage1* page1() const { return page1_; }
    PatchPage2* page2() const { return page2_; }
    MatrixPage* matrix() const { return matrix_; }
    PatchDrawing* drawingOf(Drawing drawing) const;

    // The help topic of the page in view (pageChanged).
    int helpContext() const { return helpContext_; }

private:
    void pageChanged(int index);

    PatchEditing editing_;
    EditorContext context_;
    PatchPage1* page1_;
    PatchPage2* page2_;
    MatrixPage* matrix_;
    int helpContext_ = kPage1Help;
};

} // namespace velmora::editor
