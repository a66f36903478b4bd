#include "editor/PatchPage2.h"

#include "editor/EnvelopeGroup.h"
#include "editor/PatchDrawing.h"
#include "editor/PortamentoGroup.h"
#include "editor/RampGroup.h"
#include "editor/TrackingGroup.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velmora::editor {

PatchPage2::PatchPage2(EditorContext& context, TrackGenPresets& presets, QWidget* parent)
    : QWidget(parent), context_(context), envelopes_{new EnvelopeGroup(context, 1, this),
                                                     new EnvelopeGroup(context, 2, this),
                                                     new EnvelopeGroup(context, 3, this)},
      ramps_{new RampGroup(context, 1, this), new RampGroup(context, 2, this)},
      tracking_(new TrackingGroup(context, presets, this)),
      portamento_(new PortamentoGroup(context, this))
{
    setObjectName(QStringLiteral("tabENV"));
    // The envelopes side by side above; ramps, tracking and portamento below.
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    for (EnvelopeGroup* envelope : envelopes_)
        top->addWidget(envelope);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    for (RampGroup* ramp : ramps_)
        bottom->addWidget(ramp);
    bottom->addWidget(tracking_);
    bottom->addWidget(portamento_);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->setSpacing(4);
    page->addLayout(top);
    page->addLayout(bottom);
    page->setSizeConstraint(QLayout::SetFixedSize);
}

void PatchPage2::refresh()
{
    // The caller normally holds the loading state already; holding it here
    // too keeps a bare call from writing or sending.
    const PatchEditing::LoadingScope loading(context_.editing());
    for (EnvelopeGroup* envelope : envelopes_)
        envelope->refresh();
    for (RampGroup* ramp : ramps_)
        ramp->refresh();
    tracking_->refresh();
    portamento_->refresh();
    for (EnvelopeGroup* envelope : envelopes_)
        envelope->envelopeDrawing()->update();
    tracking_->trackingDrawing()->update();
    for (RampGroup* ramp : ramps_)
        ramp->rampDrawing()->update();
}

PatchDrawing* PatchPage2::drawingOf(Drawing drawing) const
{
    switch (drawing) {
    case Drawing::Env1:
        return envelopes_[0]->envelopeDrawing();
    case Drawing::Env2:
        return envelopes_[1]->envelopeDrawing();
    case Drawing::Env3:
        return envelopes_[2]->envelopeDrawing();
    case Drawing::Tracking:
        return tracking_->trackingDrawing();
    case Drawing::Ramp1:
        return ramps_[0]->rampDrawing();
    case Drawing::Ramp2:
        return ramps_[1]->rampDrawing();
    default:
        return nullptr;
    }
}

void PatchPage2::readTrackGenPresets()
{
    tracking_->readTrackGenPresets();
}

} // namespace velmora::editor
