// The editor's three pages in the main window's page control `tcTabs`:
// "Patch &1", "Patch &2" and "&Matrix". It owns the editing of the current
// patch and the context its groups share, and refreshes every control from
// the record with the sending (and writing) off.
#pragma once

#include "EditorContext.h"
#include "PatchEditing.h"

#include <QTabWidget>

namespace velmora::editor {

class MatrixPage;
class PatchDrawing;
class PatchPage1;
class PatchPage2;
class TrackGenPresets;

class PatchEditorView : public QTabWidget
{
public:
    // Help topics of the pages and of the window.
    static constexpr int kPage1Help = 1010;
    static constexpr int kPage2Help = 1011;
    static constexpr int kMatrixHelp = 1012;

    PatchEditorView(PatchBuffer& patch, ParameterSender& sender, TrackGenPresets& presets,
                    QWidget* parent = nullptr);
    ~PatchEditorView() override;

    // InitPatchControls then InitMatrixControls.
    void InitControls();
    // The two patch pages and their drawings.
    void InitPatchControls();
    // The ten matrix buses.
    void InitMatrixControls();

    PatchEditing& Editing() { return editing_; }
    // The owner sets `captionMenu` (the controller assignment).
    EditorContext& Context() { return context_; }
    PatchPage1* Page1() const { return page1_; }
    PatchPage2* Page2() const { return page2_; }
    MatrixPage* Matrix() const { return matrix_; }
    PatchDrawing* DrawingOf(Drawing drawing) const;

    // The help topic of the page in view (tcTabsChange).
    int HelpContext() const { return helpContext_; }

private:
    void tcTabsChange(int index);

    PatchEditing editing_;
    EditorContext context_;
    PatchPage1* page1_;
    PatchPage2* page2_;
    MatrixPage* matrix_;
    int helpContext_ = kPage1Help;
};

} // namespace velmora::editor
