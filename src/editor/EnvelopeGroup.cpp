#include "editor/EnvelopeGroup.h"

#include "editor/PatchDrawing.h"
#include "widgets/DisplayFrame.h"
#include "widgets/LampButton.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <array>

namespace velmora::editor {
namespace {

// Envelope n's record bytes, parameters and controls lie at these strides
// from envelope 1's.
constexpr int kControlStride = 6;
constexpr std::size_t kOffsetStride = 9;
constexpr int kParameterStride = 10;
constexpr int kFirstValueControl = 14;
constexpr int kFirstVelocityControl = 58;
constexpr std::size_t kTriggerOffset = 49;
constexpr std::size_t kLfoTriggerOffset = 56;
constexpr std::size_t kModeOffset = 57;
constexpr int kTriggerParameter = 57;
constexpr int kLfoTriggerParameter = 59;
constexpr int kModeParameter = 58;
// The five rows the drawing shows (the amplitude is not drawn).
constexpr int kDrawnRows = 5;
constexpr QSize kDisplaySize{166, 69};
constexpr QPoint kDrawingAt{8, 9};

constexpr std::array<const char*, 6> kRowNames = {"delay",   "attack",  "decay",
                                                  "sustain", "release", "amp"};
constexpr std::array<const char*, 6> kRowCaptions = {
    QT_TRANSLATE_NOOP("velmora::editor::EnvelopeGroup", "Delay"),
    QT_TRANSLATE_NOOP("velmora::editor::EnvelopeGroup", "Attack"),
    QT_TRANSLATE_NOOP("velmora::editor::EnvelopeGroup", "Decay"),
    QT_TRANSLATE_NOOP("velmora::editor::EnvelopeGroup", "Sustain"),
    QT_TRANSLATE_NOOP("velmora::editor::EnvelopeGroup", "Release"),
    QT_TRANSLATE_NOOP("velmora::editor::EnvelopeGroup", "Ampl.")};

Drawing envelopeDrawingOf(int n)
{
    return n == 1 ? Drawing::Env1 : n == 2 ? Drawing::Env2 : Drawing::Env3;
}

} // namespace

EnvelopeGroup::EnvelopeGroup(EditorContext& context, int n, QWidget* parent)
    : QGroupBox(tr(" Envelope Generator %1  ").arg(n), parent)
{
    const int k = n - 1;
    const QString name = QStringLiteral("ENV%1").arg(n);
    const Drawing drawing = envelopeDrawingOf(n);
    setObjectName(QStringLiteral("grp") + name);
    for (int i = 0; i < static_cast<int>(kRowNames.size()); ++i) {
        const auto row = static_cast<std::size_t>(i);
        rows_.push_back(
            new ValueRow(context, kFirstValueControl + kControlStride * k + i,
                         name + QString::fromLatin1(kRowNames[row]), tr(kRowCaptions[row]), 63,
                         i < kDrawnRows ? std::optional<Drawing>(drawing) : std::nullopt, this));
    }
    velocity_ = new SignedRow(context, kFirstVelocityControl + k, name + QStringLiteral("ampvelo"),
                              QStringLiteral("lbl") + name + QStringLiteral("ampvelo"),
                              tr("Velocity -> Amplitude"), 63, this);

    const std::size_t step = kOffsetStride * static_cast<std::size_t>(k);
    const auto parameter = [k](int first) {
        return static_cast<Byte>(first + kParameterStride * k);
    };
    const auto add = [&](const char* suffix, const char* caption, std::size_t offset, Byte bit,
                         Byte param) {
        return &addBitBox(boxes_, context, this, name + QString::fromLatin1(suffix), tr(caption),
                          offset + step, bit, param);
    };
    add("reset", QT_TR_NOOP("Reset"), kTriggerOffset, 1, parameter(kTriggerParameter));
    add("multi", QT_TR_NOOP("Multi"), kTriggerOffset, 2, parameter(kTriggerParameter));
    add("external", QT_TR_NOOP("External"), kTriggerOffset, 4, parameter(kTriggerParameter));
    add("gated", QT_TR_NOOP("Gated"), kLfoTriggerOffset, 1, parameter(kLfoTriggerParameter));
    add("lfo", QT_TR_NOOP("LFO"), kLfoTriggerOffset, 2, parameter(kLfoTriggerParameter));
    BitBox* dadr = add("dadr", QT_TR_NOOP("DADR"), kModeOffset, 1, parameter(kModeParameter));
    add("free", QT_TR_NOOP("Free"), kModeOffset, 2, parameter(kModeParameter));
    // The drawing changes shape with the mode.
    connect(dadr->box(), &widgets::LampButton::userToggled, this,
            [shared = &context, drawing] { emit shared->repaintRequested(drawing); });

    auto* display = new widgets::DisplayFrame(this);
    display->setObjectName(QStringLiteral("dsp") + name);
    display->setFixedSize(kDisplaySize);
    drawing_ = new PatchDrawing(drawing, context.editing().patch(), display);
    drawing_->move(kDrawingAt);

    QGridLayout* grid = slidersAndSwitches(this, rows_, boxes_, 3);
    // The drawing with the velocity amount beside it, under the sliders.
    auto* below = new QHBoxLayout;
    below->setSpacing(8);
    below->addWidget(display, 0, Qt::AlignBottom);
    below->addWidget(velocity_, 1, Qt::AlignBottom);
    grid->addLayout(below, 1, 0, 1, 2);
}

void EnvelopeGroup::refresh()
{
    for (ValueRow* row : rows_)
        row->refresh();
    for (const auto& box : boxes_)
        box->refresh();
    velocity_->refresh();
}

} // namespace velmora::editor
