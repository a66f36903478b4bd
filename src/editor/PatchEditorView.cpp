#include "PatchEditorView.h"

#include "MatrixPage.h"
#include "PatchDrawing.h"
#include "PatchPage1.h"
#include "PatchPage2.h"

namespace velmora::editor {

PatchEditorView::PatchEditorView(PatchBuffer& patch, ParameterSender& sender,
                                 TrackGenPresets& presets, QWidget* parent)
    : QTabWidget(parent), editing_(patch, sender), context_{editing_, {}, {}, {}}
{
    setObjectName(QStringLiteral("tcTabs"));
    context_.repaint = [this](Drawing drawing) {
        if (PatchDrawing* box = DrawingOf(drawing))
            box->update();
    };
    context_.initControls = [this] { InitControls(); };
    page1_ = new PatchPage1(context_, this);
    page2_ = new PatchPage2(context_, presets, this);
    matrix_ = new MatrixPage(context_, this);
    addTab(page1_, QStringLiteral("Patch &1"));
    addTab(page2_, QStringLiteral("Patch &2"));
    addTab(matrix_, QStringLiteral("&Matrix"));
    connect(this, &QTabWidget::currentChanged, this, [this](int index) { tcTabsChange(index); });
    setCurrentIndex(0);
    tcTabsChange(0);
}

PatchEditorView::~PatchEditorView() = default;

void PatchEditorView::InitControls()
{
    InitPatchControls();
    InitMatrixControls();
}

void PatchEditorView::InitPatchControls()
{
    const PatchEditing::LoadingScope loading(editing_);
    page1_->Refresh();
    page2_->Refresh();
}

void PatchEditorView::InitMatrixControls()
{
    const PatchEditing::LoadingScope loading(editing_);
    matrix_->Refresh();
}

PatchDrawing* PatchEditorView::DrawingOf(Drawing drawing) const
{
    if (PatchDrawing* box = page1_->DrawingOf(drawing))
        return box;
    return page2_->DrawingOf(drawing);
}

void PatchEditorView::tcTabsChange(int index)
{
    constexpr int kTopics[] = {kPage1Help, kPage2Help, kMatrixHelp};
    if (index >= 0 && index < 3)
        helpContext_ = kTopics[index];
}

} // namespace velmora::editor
