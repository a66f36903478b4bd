#include "editor/MixerGroup.h"

#include "editor/ControlRows.h"
#include "editor/PatchDrawing.h"
#include "protocol/ControlTables.h"
#include "widgets/DisplayFrame.h"
#include "widgets/Tag.h"

#include <QSlider>
#include <QVBoxLayout>

namespace velmora::editor {
namespace {

// The shared display frame and where the two drawings sit in it.
constexpr QSize kDisplaySize{161, 121};
constexpr QPoint kDco1At{8, 8};
constexpr QPoint kDco2At{8, 63};

} // namespace

MixerGroup::MixerGroup(EditorContext& context, QWidget* parent)
    : QGroupBox(tr(" Mixer  "), parent), context_(context), mix_(new QSlider(Qt::Horizontal, this))
{
    setObjectName(QStringLiteral("grpMixer"));
    auto* display = new widgets::DisplayFrame(this);
    display->setObjectName(QStringLiteral("dspOsc"));
    display->setFixedSize(kDisplaySize);
    dco1_ = new PatchDrawing(Drawing::Dco1, context.editing().patch(), display);
    dco2_ = new PatchDrawing(Drawing::Dco2, context.editing().patch(), display);
    dco1_->move(kDco1At);
    dco2_->move(kDco2At);

    mix_->setObjectName(QStringLiteral("tbMix"));
    widgets::setTag(mix_, kMixControl);
    mix_->setRange(0, PatchEditing::kMixMax);
    mix_->setPageStep(10);
    mix_->setFixedWidth(kDisplaySize.width());
    connect(mix_, &QSlider::valueChanged, this, [this](int position) { applyMix(position); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 4);
    column->setSpacing(4);
    column->addWidget(display, 0, Qt::AlignHCenter);
    column->addWidget(mix_, 0, Qt::AlignHCenter);
    column->addWidget(new TagCaption(context, kMixControl, tr("Dco Mix"), this));
    column->addStretch();
}

void MixerGroup::refresh()
{
    mix_->setValue(context_.editing().mixPosition());
}

void MixerGroup::applyMix(int position)
{
    context_.editing().setMixPosition(position);
    emit context_.repaintRequested(Drawing::Dco1);
    emit context_.repaintRequested(Drawing::Dco2);
}

} // namespace velmora::editor
