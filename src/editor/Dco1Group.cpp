#include "editor/Dco1Group.h"

#include "widgets/LampButton.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velmora::editor {
namespace {

constexpr std::size_t kWaveOffset = 13;
constexpr Byte kWaveParameter = 6;
constexpr std::size_t kModulationOffset = 12;
constexpr Byte kModulationParameter = 7;
constexpr int kSyncGroup = 1;

} // namespace

Dco1Group::Dco1Group(EditorContext& context, QWidget* parent)
    : QGroupBox(tr(" DCO 1  "), parent), context_(context)
{
    setObjectName(QStringLiteral("grpDCO1"));
    rows_ = {
        new ValueRow(context, 0, QStringLiteral("DCO1freq"), tr("Freq."), 63, {}, this),
        new ValueRow(context, 1, QStringLiteral("DCO1shape"), tr("Shape"), 63, Drawing::Dco1, this),
        new ValueRow(context, 2, QStringLiteral("DCO1pw"), tr("PW"), 63, Drawing::Dco1, this)};
    amounts_ = {new SignedRow(context, 46, QStringLiteral("DCO1freqlfo1"),
                              QStringLiteral("lblDCO1freq"), tr("LFO 1 -> Frequency"), 63, this),
                new SignedRow(context, 47, QStringLiteral("DCO1pwlfo2"),
                              QStringLiteral("lblDCO1pw"), tr("LFO 2 -> Pulse Width"), 63, this)};

    BitBox& pulse = addBitBox(boxes_, context, this, QStringLiteral("DCO1pulse"), tr("Pulse"),
                              kWaveOffset, 1, kWaveParameter);
    BitBox& saw = addBitBox(boxes_, context, this, QStringLiteral("DCO1saw"), tr("Saw"),
                            kWaveOffset, 2, kWaveParameter);
    addBitBox(boxes_, context, this, QStringLiteral("DCO1pitchbend"), tr("Pitch Bend"),
              kModulationOffset, 1, kModulationParameter);
    addBitBox(boxes_, context, this, QStringLiteral("DCO1vibrato"), tr("Vibrato"),
              kModulationOffset, 2, kModulationParameter);
    addBitBox(boxes_, context, this, QStringLiteral("DCO1portamento"), tr("Portamento"), 21, 1, 8,
              true);
    click_ =
        &addBitBox(boxes_, context, this, QStringLiteral("DCO1click"), tr("Click"), 22, 1, 9, true);
    for (BitBox* wave : {&pulse, &saw})
        connect(wave->box(), &widgets::LampButton::userToggled, this, [this] { applyWave(); });

    auto* syncFrame = new QGroupBox(tr("Sync"), this);
    syncFrame->setObjectName(QStringLiteral("grpSYNC"));
    sync_ = std::make_unique<RadioGroup>(
        context, syncFrame, QStringLiteral("SYNC"),
        std::vector<std::pair<QString, QString>>{{QStringLiteral("off"), tr("Off")},
                                                 {QStringLiteral("soft"), tr("Soft")},
                                                 {QStringLiteral("medium"), tr("Medium")},
                                                 {QStringLiteral("hard"), tr("Hard")}},
        25, 2, RadioGroup::OutOfRange::CheckLast, kSyncGroup);

    QGridLayout* grid = slidersAndSwitches(this, rows_, boxes_, 4);
    grid->addWidget(syncFrame, 0, 2, Qt::AlignTop);
    grid->addWidget(amounts_[0], 1, 0, 1, 2);
    grid->addWidget(amounts_[1], 1, 2);
}

void Dco1Group::refresh()
{
    for (ValueRow* row : rows_)
        row->refresh();
    for (const auto& box : boxes_)
        box->refresh();
    updateClickEnabled();
    for (SignedRow* amount : amounts_)
        amount->refresh();
    sync_->refresh();
}

void Dco1Group::applyWave()
{
    updateClickEnabled();
    emit context_.repaintRequested(Drawing::Dco1);
}

void Dco1Group::updateClickEnabled()
{
    click_->box()->setEnabled(context_.editing().at(kWaveOffset) != 0);
}

} // namespace velmora::editor
