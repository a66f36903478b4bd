#include "editor/PatchEditorView.h"

#include <QAbstractSlider>

#include "editor/MatrixPage.h"
#include "editor/PatchDrawing.h"
#include "editor/PatchPage1.h"
#include "editor/PatchPage2.h"

namespace velmora::editor {

PatchEditorView::PatchEditorView(PatchBuffer& patch, ParameterSender& sender,
                                 TrackGenPresets& presets, QWidget* parent)
    : QTabWidget(parent), editing_(patch, sender), context_(editing_)
{
    setObjectName(QStringLiteral("tcTabs"));
    connect(&context_, &EditorContext::repaintRequested, this, [this](Drawing drawing) {
        if (PatchDrawing* box = drawingOf(drawing))
            box->update();
    });
    connect(&context_, &EditorContext::reloadRequested, this, &PatchEditorView::initControls);
    page1_ = new PatchPage1(context_, this);
    page2_ = new PatchPage2(context_, presets, this);
    matrix_ = new MatrixPage(context_, this);
    addTab(page1_, tr("Patch &1"));
    addTab(page2_, tr("Patch &2"));
    addTab(matrix_, tr("&Matrix"));
    connect(this, &QTabWidget::currentChanged, this, [this](int index) { pageChanged(index); });
    setCurrentIndex(0);
    pageChanged(0);
}

PatchEditorView::~PatchEditorView() = default;

void PatchEditorView::setRealTimeSends(bool on)
{
    // Without tracking a slider reports its value once, when it is let go.
    for (QAbstractSlider* slider : findChildren<QAbstractSlider*>())
        slider->setTracking(on);
}

void PatchEditorView::initControls()
{
    initPatchControls();
    initMatrixControls();
}

void PatchEditorView::initPatchControls()
{
    const PatchEditing::LoadingScope loading(editing_);
    page1_->refresh();
    page2_->refresh();
}

void PatchEditorView::initMatrixControls()
{
    const PatchEditing::LoadingScope loading(editing_);
    matrix_->refresh();
}

PatchDrawing* PatchEditorView::drawingOf(Drawing drawing) const
{
    if (PatchDrawing* box = page1_->drawingOf(drawing))
        return box;
    return page2_->drawingOf(drawing);
}

void PatchEditorView::pageChanged(int index)
{
    constexpr int kTopics[] = {kPage1Help, kPage2Help, kMatrixHelp};
    if (index >= 0 && index < 3)
        helpContext_ = kTopics[index];
}

} // namespace velmora::editor
