#include "editor/PatchPage1.h"

#include "editor/Dco1Group.h"
#include "editor/Dco2Group.h"
#include "editor/LfoGroup.h"
#include "editor/MixerGroup.h"
#include "editor/PatchDrawing.h"
#include "editor/VcaGroup.h"
#include "editor/VcfGroup.h"
#include "editor/VoiceModeGroup.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace velmora::editor {

PatchPage1::PatchPage1(EditorContext& context, QWidget* parent)
    : QWidget(parent), context_(context), voiceMode_(new VoiceModeGroup(context, this)),
      dco1_(new Dco1Group(context, this)), dco2_(new Dco2Group(context, this)),
      mixer_(new MixerGroup(context, this)), vcf_(new VcfGroup(context, this)),
      lfo1_(new LfoGroup(context, 1, this)), lfo2_(new LfoGroup(context, 2, this)),
      vca_(new VcaGroup(context, this))
{
    setObjectName(QStringLiteral("tabDCO"));
    // Oscillators and mixer above, with the voice mode and VCA stacked at
    // the right; filter and LFOs below.
    auto* rightColumn = new QVBoxLayout;
    rightColumn->setSpacing(4);
    rightColumn->addWidget(voiceMode_);
    rightColumn->addWidget(vca_);
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    top->addWidget(dco1_);
    top->addWidget(dco2_);
    top->addWidget(mixer_);
    top->addLayout(rightColumn);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    bottom->addWidget(vcf_);
    bottom->addWidget(lfo1_);
    bottom->addWidget(lfo2_);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->setSpacing(4);
    page->addLayout(top);
    page->addLayout(bottom);
    page->setSizeConstraint(QLayout::SetFixedSize);
}

void PatchPage1::refresh()
{
    // The caller normally holds the loading state already; holding it here
    // too keeps a bare call from writing or sending.
    const PatchEditing::LoadingScope loading(context_.editing());
    voiceMode_->refresh();
    dco1_->refresh();
    dco2_->refresh();
    mixer_->refresh();
    vcf_->refresh();
    lfo1_->refresh();
    lfo2_->refresh();
    vca_->refresh();
    mixer_->dco1Drawing()->update();
    mixer_->dco2Drawing()->update();
}

PatchDrawing* PatchPage1::drawingOf(Drawing drawing) const
{
    switch (drawing) {
    case Drawing::Dco1:
        return mixer_->dco1Drawing();
    case Drawing::Dco2:
        return mixer_->dco2Drawing();
    default:
        return nullptr;
    }
}

} // namespace velmora::editor
