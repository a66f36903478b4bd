#include "editor/PortamentoGroup.h"

#include "widgets/LampButton.h"

#include <QGridLayout>

namespace velmora::editor {
namespace {

constexpr std::size_t kLagModeOffset = 33;
constexpr Byte kLagModeParameter = 46;
constexpr int kLagModeGroup = 9;

} // namespace

PortamentoGroup::PortamentoGroup(EditorContext& context, QWidget* parent)
    : QGroupBox(tr(" Portamento  "), parent),
      rate_(new ValueRow(context, 39, QStringLiteral("PORTArate"), tr("Rate"), 63, {}, this)),
      velocity_(new SignedRow(context, 63, QStringLiteral("PORTAvelo"),
                              QStringLiteral("lblPORTAvelo"), tr("Velocity -> Rate"), 63, this))
{
    setObjectName(QStringLiteral("grpPORTA"));
    auto* lagFrame = new QGroupBox(tr("Lag Mode"), this);
    lagFrame->setObjectName(QStringLiteral("grpPORTAlag"));
    lagMode_ = std::make_unique<RadioGroup>(
        context, lagFrame, QStringLiteral("PORTA"),
        std::vector<std::pair<QString, QString>>{{QStringLiteral("slope"), tr("Constant Slope")},
                                                 {QStringLiteral("time"), tr("Constant Time")},
                                                 {QStringLiteral("expo1"), tr("Exponential 1")},
                                                 {QStringLiteral("expo2"), tr("Exponential 2")}},
        kLagModeOffset, kLagModeParameter, RadioGroup::OutOfRange::CheckLast, kLagModeGroup);
    addBitBox(boxes_, context, this, QStringLiteral("PORTAlegato"), tr("Legato"), 34, 1, 47, true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addWidget(rate_, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lagFrame, 0, 1, Qt::AlignTop);
    grid->addWidget(boxes_.front()->box(), 1, 1, Qt::AlignTop);
    grid->addWidget(velocity_, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
}

void PortamentoGroup::refresh()
{
    rate_->refresh();
    lagMode_->refresh();
    velocity_->refresh();
    for (const auto& box : boxes_)
        box->refresh();
}

} // namespace velmora::editor
