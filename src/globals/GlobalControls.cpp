#include "globals/GlobalControls.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaMethod>
#include <QSlider>
#include <QVBoxLayout>

#include <exception>

namespace velmora::globals {

GlobalControls::GlobalControls(GlobalRecord& record, MidiSink& output, std::function<int()> channel,
                               QWidget* parent)
    : QWidget(parent), tbTUNE(new QSlider(Qt::Horizontal, this)),
      tbTRANSPOSE(new QSlider(Qt::Horizontal, this)), tbBEND(new QSlider(Qt::Horizontal, this)),
      lblMasterTUne(new QLabel(this)), lblTranspose(new QLabel(this)),
      lblBendRange(new QLabel(this)), record_(record), output_(output), channel_(std::move(channel))
{
    setObjectName(QStringLiteral("GlobalControls"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(addFrame(tr(" Master Tune  "), "grpMasterTune", tbTUNE, lblMasterTUne,
                               GlobalField::MasterTune));
    column->addWidget(addFrame(tr(" Transpose  "), "grpTranspose", tbTRANSPOSE, lblTranspose,
                               GlobalField::Transpose));
    column->addWidget(addFrame(tr(" Bend Range  "), "grpBendRange", tbBEND, lblBendRange,
                               GlobalField::BendRange));
    tbTUNE->setObjectName(QStringLiteral("tbTUNE"));
    tbTRANSPOSE->setObjectName(QStringLiteral("tbTRANSPOSE"));
    tbBEND->setObjectName(QStringLiteral("tbBEND"));
    lblMasterTUne->setObjectName(QStringLiteral("lblMasterTUne"));
    lblTranspose->setObjectName(QStringLiteral("lblTranspose"));
    lblBendRange->setObjectName(QStringLiteral("lblBendRange"));
    tbTUNE->setToolTip(tr("Master tune of the instrument"));
    tbTRANSPOSE->setToolTip(tr("Master transpose in semitones"));
    tbBEND->setToolTip(tr("Pitch-bend range in semitones"));

    connect(tbTUNE, &QSlider::valueChanged, this, [this](int p) { sendTune(p); });
    connect(tbTRANSPOSE, &QSlider::valueChanged, this, [this](int p) { sendTranspose(p); });
    connect(tbBEND, &QSlider::valueChanged, this, [this](int p) { sendBendRange(p); });
    initGlobalControls();
}

QGroupBox* GlobalControls::addFrame(const QString& caption, const char* name, QSlider* bar,
                                    QLabel* label, GlobalField field)
{
    const RecordField where = fieldOf(field);
    auto* frame = new QGroupBox(caption, this);
    frame->setObjectName(QLatin1String(name));
    bar->setRange(where.minimum, where.maximum);
    bar->setPageStep(4);
    bar->setMinimumWidth(240);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-31")) + 6);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(8, 2, 8, 2);
    row->addWidget(bar, 1);
    row->addWidget(label);
    return frame;
}

void GlobalControls::initGlobalControls()
{
    loading_ = true;
    const std::pair<QSlider*, GlobalField> bars[] = {{tbTUNE, GlobalField::MasterTune},
                                                     {tbTRANSPOSE, GlobalField::Transpose},
                                                     {tbBEND, GlobalField::BendRange}};
    for (const auto& [bar, field] : bars)
        bar->setValue(shownGlobal(record_, field));
    lblMasterTUne->setNum(tbTUNE->value());
    lblTranspose->setNum(tbTRANSPOSE->value());
    lblBendRange->setNum(tbBEND->value());
    if (!bendRangeInRecord_) {
        tbBEND->setValue(tbBEND->minimum());
        lblBendRange->clear();
    }
    loading_ = false;
}

void GlobalControls::setModel(SynthModel model)
{
    bendRangeInRecord_ = model == SynthModel::Matrix1000;
    tbBEND->setEnabled(bendRangeInRecord_);
    initGlobalControls();
}

void GlobalControls::sendTune(int position)
{
    sendGlobal(GlobalField::MasterTune, lblMasterTUne, position);
}

void GlobalControls::sendTranspose(int position)
{
    sendGlobal(GlobalField::Transpose, lblTranspose, position);
}

void GlobalControls::sendBendRange(int position)
{
    if (bendRangeInRecord_)
        sendGlobal(GlobalField::BendRange, lblBendRange, position);
}

void GlobalControls::sendGlobal(GlobalField field, QLabel* label, int position)
{
    label->setNum(position);
    // A refresh shows the record; only the user's move writes and sends.
    if (loading_)
        return;
    try {
        changeGlobal(record_, field, position, output_, channel_ ? channel_() : 0);
    } catch (const std::exception& e) {
        if (!isSignalConnected(QMetaMethod::fromSignal(&GlobalControls::errorOccurred)))
            throw;
        emit errorOccurred(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace velmora::globals
