#include "editor/LfoGroup.h"

#include "widgets/LampButton.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velmora::editor {
namespace {

constexpr int kSampled = 6;
constexpr int kRetriggerMax = 31;

// What differs between the two LFOs: control indexes, offsets, parameters
// and the captions of the two amounts.
struct LfoLayout
{
    int freq, amp, retrigger, freqAmount, ampAmount;
    std::size_t waveformOffset, triggerOffset, sourceOffset, portamentoOffset;
    Byte waveformParameter, triggerParameter, sourceParameter, portamentoParameter;
    int waveformGroup, triggerGroup;
    const char* freqAmountCaption;
    const char* ampAmountCaption;
};

const LfoLayout kLfos[2] = {
    {9, 10, 44, 54, 55, 38, 36, 40, 37, 82, 86, 88, 87, 2, 3,
     QT_TRANSLATE_NOOP("velmora::editor::LfoGroup", "Aftertouch -> Freq."),
     QT_TRANSLATE_NOOP("velmora::editor::LfoGroup", "Ramp 1 -> Amplitude")},
    {11, 12, 45, 56, 57, 45, 43, 47, 44, 92, 96, 98, 97, 4, 5,
     QT_TRANSLATE_NOOP("velmora::editor::LfoGroup", "Key Track -> Freq."),
     QT_TRANSLATE_NOOP("velmora::editor::LfoGroup", "Ramp 2 -> Amplitude")},
};

using Items = std::vector<std::pair<QString, QString>>;

Items waveformItems()
{
    return {{QStringLiteral("triangle"), LfoGroup::tr("Triangle")},
            {QStringLiteral("sawup"), LfoGroup::tr("Saw Up")},
            {QStringLiteral("sawdown"), LfoGroup::tr("Saw Down")},
            {QStringLiteral("square"), LfoGroup::tr("Square")},
            {QStringLiteral("random"), LfoGroup::tr("Random")},
            {QStringLiteral("noise"), LfoGroup::tr("Noise")},
            {QStringLiteral("sampled"), LfoGroup::tr("Sampled")}};
}

Items triggerItems()
{
    return {{QStringLiteral("free"), LfoGroup::tr("Free")},
            {QStringLiteral("single"), LfoGroup::tr("Single")},
            {QStringLiteral("multi"), LfoGroup::tr("Multi")},
            {QStringLiteral("external"), LfoGroup::tr("External")}};
}

} // namespace

LfoGroup::LfoGroup(EditorContext& context, int n, QWidget* parent)
    : QGroupBox(tr(" LFO %1  ").arg(n), parent)
{
    const LfoLayout& lfo = kLfos[n == 2 ? 1 : 0];
    const QString name = QStringLiteral("LFO%1").arg(n);
    setObjectName(QStringLiteral("grp") + name);
    rows_ = {
        new ValueRow(context, lfo.freq, name + QStringLiteral("freq"), tr("Freq."), 63, {}, this),
        new ValueRow(context, lfo.amp, name + QStringLiteral("amp"), tr("Ampl."), 63, {}, this),
        new ValueRow(context, lfo.retrigger, name + QStringLiteral("retrigger"), tr("Retrigger"),
                     kRetriggerMax, {}, this)};
    amounts_ = {new SignedRow(context, lfo.freqAmount, name + QStringLiteral("freqpres"),
                              QStringLiteral("lbl") + name + QStringLiteral("freqpres"),
                              tr(lfo.freqAmountCaption), 63, this),
                new SignedRow(context, lfo.ampAmount, name + QStringLiteral("ampramp"),
                              QStringLiteral("lbl") + name + QStringLiteral("ampramp"),
                              tr(lfo.ampAmountCaption), 63, this)};

    auto* waveFrame = new QGroupBox(tr("Waveform"), this);
    waveFrame->setObjectName(QStringLiteral("grp") + name + QStringLiteral("wave"));
    waveform_ = std::make_unique<RadioGroup>(
        context, waveFrame, name, waveformItems(), lfo.waveformOffset, lfo.waveformParameter,
        RadioGroup::OutOfRange::KeepPrevious, lfo.waveformGroup);
    auto* triggerFrame = new QGroupBox(tr("Trigger"), this);
    triggerFrame->setObjectName(QStringLiteral("grp") + name + QStringLiteral("trigger"));
    trigger_ = std::make_unique<RadioGroup>(context, triggerFrame, name, triggerItems(),
                                            lfo.triggerOffset, lfo.triggerParameter,
                                            RadioGroup::OutOfRange::KeepPrevious, lfo.triggerGroup);
    auto* sourceList = new QComboBox(this);
    sourceList->setObjectName(QStringLiteral("cbx") + name + QStringLiteral("modsrc"));
    source_ =
        std::make_unique<SourceList>(context, sourceList, lfo.sourceOffset, lfo.sourceParameter);
    // cbxLFOnmodsrc is usable only while the waveform is "Sampled"; choosing
    // another waveform leaves the stored source as it is.
    connect(waveform_.get(), &RadioGroup::chosen, sourceList,
            [sourceList](int value) { sourceList->setEnabled(value == kSampled); });
    sourceList->setEnabled(false);
    addBitBox(boxes_, context, this, name + QStringLiteral("portamento"), tr("Portamento"),
              lfo.portamentoOffset, 1, lfo.portamentoParameter, true);

    auto* values = new QHBoxLayout;
    values->setSpacing(4);
    for (ValueRow* row : rows_)
        values->addWidget(row);
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    right->addWidget(triggerFrame);
    right->addWidget(boxes_.front()->box());
    right->addStretch();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addLayout(values, 0, 0);
    grid->addWidget(waveFrame, 0, 1, Qt::AlignTop);
    grid->addLayout(right, 0, 2);
    grid->addWidget(sourceList, 1, 1, 1, 2);
    grid->addWidget(amounts_[0], 2, 0, 1, 2);
    grid->addWidget(amounts_[1], 2, 2);
}

void LfoGroup::refresh()
{
    for (ValueRow* row : rows_)
        row->refresh();
    for (SignedRow* amount : amounts_)
        amount->refresh();
    waveform_->refresh();
    // The list shows the record's source whatever the waveform, so that it
    // is right the moment "Sampled" is chosen.
    source_->refresh();
    updateSourceEnabled();
    trigger_->refresh();
    for (const auto& box : boxes_)
        box->refresh();
}

void LfoGroup::updateSourceEnabled()
{
    // A waveform byte no item has leaves the previous item checked; the list
    // follows what is shown.
    source_->list()->setEnabled(waveform_->item(kSampled)->isChecked());
}

} // namespace velmora::editor
