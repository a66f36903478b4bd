#include "VcfGroup.h"

#include "TIACheckControl.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velmora::editor {
namespace {

constexpr int kCutoffMax = 127;

} // namespace

VcfGroup::VcfGroup(const EditorContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral(" VCF  "), parent)
{
    setObjectName(QStringLiteral("grpVCF"));
    rows_ = {
        new ValueRow(context, 43, QStringLiteral("VCFfreq"), QStringLiteral("Freq."), kCutoffMax,
                     {}, this),
        new ValueRow(context, 7, QStringLiteral("VCFfm"), QStringLiteral("FM"), 63, {}, this),
        new ValueRow(context, 8, QStringLiteral("VCFres"), QStringLiteral("Reso"), 63, {}, this)};
    amounts_ = {
        new SignedRow(context, 50, QStringLiteral("VCFfreqenv"), QStringLiteral("lblVCFfreqenv"),
                      QStringLiteral("Env 1 -> Frequency"), 63, this),
        new SignedRow(context, 51, QStringLiteral("VCFfreqpres"), QStringLiteral("lblVCFfreqpres"),
                      QStringLiteral("Aftertouch -> Freq."), 63, this),
        new SignedRow(context, 52, QStringLiteral("VCFfmenv"), QStringLiteral("lblVCFfmenv"),
                      QStringLiteral("Env 3 -> FM"), 63, this),
        new SignedRow(context, 53, QStringLiteral("VCFfmpres"), QStringLiteral("lblVCFfmpres"),
                      QStringLiteral("Aftertouch -> FM"), 63, this)};
    AddBitBox(boxes_, context, this, QStringLiteral("VCFpitchbend"), QStringLiteral("Pitch Bend"),
              28, 1, 25);
    AddBitBox(boxes_, context, this, QStringLiteral("VCFvibrato"), QStringLiteral("Vibrato"), 28, 2,
              25);
    AddBitBox(boxes_, context, this, QStringLiteral("VCFportamento"), QStringLiteral("Portamento"),
              29, 1, 26);
    AddBitBox(boxes_, context, this, QStringLiteral("VCFtrack"), QStringLiteral("Key Track"), 29, 2,
              26);

    auto* values = new QHBoxLayout;
    values->setSpacing(4);
    for (ValueRow* row : rows_)
        values->addWidget(row);
    auto* switches = new QVBoxLayout;
    switches->setSpacing(0);
    for (const auto& box : boxes_)
        switches->addWidget(box->Box());
    switches->addStretch();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addLayout(values, 0, 0);
    grid->addLayout(switches, 0, 1);
    for (std::size_t i = 0; i < amounts_.size(); ++i)
        grid->addWidget(amounts_[i], 1 + static_cast<int>(i / 2), static_cast<int>(i % 2));
}

void VcfGroup::Refresh()
{
    for (ValueRow* row : rows_)
        row->Refresh();
    for (const auto& box : boxes_)
        box->Refresh();
    for (SignedRow* amount : amounts_)
        amount->Refresh();
}

} // namespace velmora::editor
