#include "editor/VcfGroup.h"

#include "widgets/LampButton.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velmora::editor {
namespace {

constexpr int kCutoffMax = 127;

} // namespace

VcfGroup::VcfGroup(EditorContext& context, QWidget* parent) : QGroupBox(tr(" VCF  "), parent)
{
    setObjectName(QStringLiteral("grpVCF"));
    rows_ = {
        new ValueRow(context, 43, QStringLiteral("VCFfreq"), tr("Freq."), kCutoffMax, {}, this),
        new ValueRow(context, 7, QStringLiteral("VCFfm"), tr("FM"), 63, {}, this),
        new ValueRow(context, 8, QStringLiteral("VCFres"), tr("Reso"), 63, {}, this)};
    amounts_ = {new SignedRow(context, 50, QStringLiteral("VCFfreqenv"),
                              QStringLiteral("lblVCFfreqenv"), tr("Env 1 -> Frequency"), 63, this),
                new SignedRow(context, 51, QStringLiteral("VCFfreqpres"),
                              QStringLiteral("lblVCFfreqpres"), tr("Aftertouch -> Freq."), 63,
                              this),
                new SignedRow(context, 52, QStringLiteral("VCFfmenv"),
                              QStringLiteral("lblVCFfmenv"), tr("Env 3 -> FM"), 63, this),
                new SignedRow(context, 53, QStringLiteral("VCFfmpres"),
                              QStringLiteral("lblVCFfmpres"), tr("Aftertouch -> FM"), 63, this)};
    addBitBox(boxes_, context, this, QStringLiteral("VCFpitchbend"), tr("Pitch Bend"), 28, 1, 25);
    addBitBox(boxes_, context, this, QStringLiteral("VCFvibrato"), tr("Vibrato"), 28, 2, 25);
    addBitBox(boxes_, context, this, QStringLiteral("VCFportamento"), tr("Portamento"), 29, 1, 26);
    addBitBox(boxes_, context, this, QStringLiteral("VCFtrack"), tr("Key Track"), 29, 2, 26);

    QGridLayout* grid = slidersAndSwitches(this, rows_, boxes_, 4);
    for (std::size_t i = 0; i < amounts_.size(); ++i)
        grid->addWidget(amounts_[i], 1 + static_cast<int>(i / 2), static_cast<int>(i % 2));
}

void VcfGroup::refresh()
{
    for (ValueRow* row : rows_)
        row->refresh();
    for (const auto& box : boxes_)
        box->refresh();
    for (SignedRow* amount : amounts_)
        amount->refresh();
}

} // namespace velmora::editor
