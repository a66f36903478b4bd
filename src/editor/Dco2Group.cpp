#include "editor/Dco2Group.h"

#include "protocol/ControlTables.h"
#include "widgets/LampButton.h"

#include <QGridLayout>
#include <QHBoxLayout>

namespace velmora::editor {
namespace {

constexpr std::size_t kWaveOffset = 18;
constexpr Byte kWaveParameter = 16;
constexpr Byte kNoiseBit = 4;
constexpr int kDetuneRange = 31;

} // namespace

Dco2Group::Dco2Group(EditorContext& context, QWidget* parent)
    : QGroupBox(tr(" DCO 2  "), parent), context_(context)
{
    setObjectName(QStringLiteral("grpDCO2"));
    rows_ = {
        new ValueRow(context, 3, QStringLiteral("DCO2freq"), tr("Freq."), 63, {}, this),
        new ValueRow(context, 4, QStringLiteral("DCO2shape"), tr("Shape"), 63, Drawing::Dco2, this),
        new ValueRow(context, 5, QStringLiteral("DCO2pw"), tr("PW"), 63, Drawing::Dco2, this)};
    amounts_ = {new SignedRow(context, 48, QStringLiteral("DCO2freqlfo1"),
                              QStringLiteral("lblDCO2freq"), tr("LFO 1 -> Frequency"), 63, this),
                new SignedRow(context, 49, QStringLiteral("DCO2pwlfo2"),
                              QStringLiteral("lblDCO2pw"), tr("LFO 2 -> Pulse Width"), 63, this),
                // The detune has its own case inside setSigned; the
                // caption carries 42.
                new SignedRow(context, kDetuneControl, QStringLiteral("DCO2detune"),
                              QStringLiteral("lblDCO2detune"), tr("Detune"), kDetuneRange, this)};

    pulse_ = &addBitBox(boxes_, context, this, QStringLiteral("DCO2pulse"), tr("Pulse"),
                        kWaveOffset, 1, kWaveParameter);
    saw_ = &addBitBox(boxes_, context, this, QStringLiteral("DCO2saw"), tr("Saw"), kWaveOffset, 2,
                      kWaveParameter);
    BitBox& noise = addBitBox(boxes_, context, this, QStringLiteral("DCO2noise"), tr("Noise"),
                              kWaveOffset, kNoiseBit, kWaveParameter);
    click_ = &addBitBox(boxes_, context, this, QStringLiteral("DCO2click"), tr("Click"), 24, 1, 19,
                        true);
    addBitBox(boxes_, context, this, QStringLiteral("DCO2pitchbend"), tr("Pitch Bend"), 17, 1, 17);
    addBitBox(boxes_, context, this, QStringLiteral("DCO2vibrato"), tr("Vibrato"), 17, 2, 17);
    addBitBox(boxes_, context, this, QStringLiteral("DCO2portamento"), tr("Portamento"), 23, 1, 18);
    addBitBox(boxes_, context, this, QStringLiteral("DCO2track"), tr("Key Track"), 23, 2, 18);
    for (BitBox* wave : {pulse_, saw_, &noise})
        connect(wave->box(), &widgets::LampButton::userToggled, this, [this] { applyWave(); });

    auto* values = new QHBoxLayout;
    values->setSpacing(4);
    for (ValueRow* row : rows_)
        values->addWidget(row);
    // Waves and click in the first column, modulation in the second.
    auto* switches = new QGridLayout;
    switches->setHorizontalSpacing(6);
    switches->setVerticalSpacing(0);
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        switches->addWidget(boxes_[i]->box(), static_cast<int>(i % 4), static_cast<int>(i / 4));
    switches->setRowStretch(4, 1);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addLayout(values, 0, 0);
    grid->addLayout(switches, 0, 1, 1, 2);
    grid->addWidget(amounts_[0], 1, 0, 1, 2);
    grid->addWidget(amounts_[1], 1, 2);
    grid->addWidget(amounts_[2], 2, 0, 1, 2);
}

void Dco2Group::refresh()
{
    for (ValueRow* row : rows_)
        row->refresh();
    for (const auto& box : boxes_)
        box->refresh();
    updateWaveEnabled();
    for (SignedRow* amount : amounts_)
        amount->refresh();
}

void Dco2Group::applyWave()
{
    updateWaveEnabled();
    emit context_.repaintRequested(Drawing::Dco2);
}

void Dco2Group::updateWaveEnabled()
{
    // Noise replaces the other two waves, and the click acts only on them.
    const Byte wave = context_.editing().at(kWaveOffset);
    const bool noise = (wave & kNoiseBit) != 0;
    pulse_->box()->setEnabled(!noise);
    saw_->box()->setEnabled(!noise);
    click_->box()->setEnabled(wave >= 1 && wave <= 3);
}

} // namespace velmora::editor
