#include "editor/RampGroup.h"

#include "editor/PatchDrawing.h"
#include "widgets/DisplayFrame.h"

#include <QGridLayout>
#include <QHBoxLayout>

namespace velmora::editor {
namespace {

constexpr int kFirstSpeedControl = 32;
constexpr std::size_t kFirstTriggerOffset = 83;
constexpr int kFirstTriggerParameter = 41;
// Ramp 2's trigger byte and parameter are two above ramp 1's.
constexpr int kTriggerStride = 2;
constexpr int kFirstTriggerGroup = 7;
constexpr QSize kDisplaySize{61, 121};
constexpr QPoint kDrawingAt{10, 11};

} // namespace

RampGroup::RampGroup(EditorContext& context, int n, QWidget* parent)
    : QGroupBox(tr(" Ramp Generator %1  ").arg(n), parent)
{
    const int k = n - 1;
    const QString name = QStringLiteral("RAMP%1").arg(n);
    const Drawing drawing = n == 1 ? Drawing::Ramp1 : Drawing::Ramp2;
    setObjectName(QStringLiteral("grp") + name);
    speed_ = new ValueRow(context, kFirstSpeedControl + k, name, tr("Speed"), 63, drawing, this);

    auto* triggerFrame = new QGroupBox(tr("Trigger"), this);
    triggerFrame->setObjectName(QStringLiteral("grp") + name + QStringLiteral("trigger"));
    trigger_ = std::make_unique<RadioGroup>(
        context, triggerFrame, name,
        std::vector<std::pair<QString, QString>>{
            {QStringLiteral("single"), tr("Single Trigger")},
            {QStringLiteral("multi"), tr("Multi Trigger")},
            {QStringLiteral("external"), tr("External Trigger")},
            {QStringLiteral("gated"), tr("External Gated")}},
        kFirstTriggerOffset + static_cast<std::size_t>(kTriggerStride * k),
        static_cast<Byte>(kFirstTriggerParameter + kTriggerStride * k),
        RadioGroup::OutOfRange::CheckLast, kFirstTriggerGroup + k);

    auto* display = new widgets::DisplayFrame(this);
    display->setObjectName(QStringLiteral("dspRamp%1").arg(n));
    display->setFixedSize(kDisplaySize);
    drawing_ = new PatchDrawing(drawing, context.editing().patch(), display);
    drawing_->move(kDrawingAt);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    // The speed beside its drawing, the trigger frame below both.
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    top->addStretch();
    top->addWidget(speed_, 0, Qt::AlignTop);
    top->addWidget(display, 0, Qt::AlignTop);
    top->addStretch();
    grid->addLayout(top, 0, 0);
    grid->addWidget(triggerFrame, 1, 0);
    grid->setRowStretch(2, 1);
}

void RampGroup::refresh()
{
    speed_->refresh();
    trigger_->refresh();
}

} // namespace velmora::editor
