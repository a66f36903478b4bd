#include "editor/BusGroup.h"

#include "editor/ControlRows.h"
#include "protocol/ControlTables.h"
#include "widgets/LampButton.h"
#include "widgets/Tag.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>

namespace velmora::editor {

using widgets::LampButton;
using widgets::setTag;

namespace {

constexpr int kMaxAmount = 63;
constexpr int kLargeChange = 10;

// The list item of a record value 1..count; anything else selects nothing.
int itemOf(Byte value, const QComboBox* list)
{
    return value >= 1 && value <= list->count() ? int(value) - 1 : -1;
}

QString name(const char* prefix, int bus, const char* suffix)
{
    return QLatin1String(prefix) + QString::number(bus) + QLatin1String(suffix);
}

} // namespace

BusGroup::BusGroup(EditorContext& context, int bus, QWidget* parent)
    : QGroupBox(tr(" Bus %1  ").arg(bus), parent), context_(context), bus_(bus),
      switch_(new LampButton(QStringLiteral(" "), LampButton::Kind::Check, this)),
      source_(new QComboBox(this)), destination_(new QComboBox(this)),
      amount_(new QSlider(Qt::Horizontal, this)), label_(new QLabel(QStringLiteral("0"), this))
{
    setObjectName(name("grpBUS", bus, ""));
    switch_->setObjectName(name("cbBUS", bus, "enabled"));
    source_->setObjectName(name("cbxBUS", bus, "src"));
    destination_->setObjectName(name("cbxBUS", bus, "dst"));
    amount_->setObjectName(name("tbBUS", bus, "amount"));
    label_->setObjectName(name("lblBUS", bus, "amount"));
    switch_->setToolTip(tr("Click to switch this bus on and off"));
    source_->setToolTip(tr("Select the source signal for this Modulation Matrix bus"));
    destination_->setToolTip(tr("Select the destination of this modulation route"));
    setTag(switch_, kFirstBusSwitchControl + bus - 1);
    setTag(amount_, kFirstBusAmountControl + bus - 1);

    fillSourceList(source_, bus == 1);
    fillDestinationList(destination_);
    for (QComboBox* list : {source_, destination_}) {
        list->setCurrentIndex(-1);
        list->setEnabled(false);
    }
    amount_->setRange(-kMaxAmount, kMaxAmount);
    amount_->setPageStep(kLargeChange);
    amount_->setEnabled(false);
    label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(QStringLiteral("-63")) + 4);
    switch_->installEventFilter(this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    grid->addWidget(switch_, 0, 0);
    grid->addWidget(source_, 0, 1, 1, 2);
    grid->addWidget(destination_, 1, 1, 1, 2);
    grid->addWidget(new TagCaption(context, kFirstBusAmountControl + bus - 1, tr("Amount"), this),
                    2, 0, 1, 3, Qt::AlignLeft);
    grid->addWidget(amount_, 3, 0, 1, 2);
    grid->addWidget(label_, 3, 2);
    grid->setColumnStretch(1, 1);

    connect(switch_, &LampButton::userToggled, this, [this] { applySwitch(); });
    connect(source_, &QComboBox::activated, this,
            [this](int item) { context_.editing().setBusSourceItem(bus_, item); });
    connect(destination_, &QComboBox::activated, this,
            [this](int item) { context_.editing().setBusDestinationItem(bus_, item); });
    connect(amount_, &QSlider::valueChanged, this, [this](int value) { applyAmount(value); });
    connect(amount_, &QSlider::sliderMoved, label_,
            [this](int value) { label_->setText(QString::number(value)); });
}

void BusGroup::refresh()
{
    PatchEditing::LoadingScope loading(context_.editing());
    const bool on = context_.editing().busOn(bus_);
    const PatchEditing::Bus bus = context_.editing().busAt(bus_);
    source_->setCurrentIndex(on ? itemOf(bus.source, source_) : -1);
    destination_->setCurrentIndex(on ? itemOf(bus.destination, destination_) : -1);
    source_->setEnabled(on);
    destination_->setEnabled(on);
    showAmount(on ? bus.amount : Byte{0});
    amount_->setEnabled(on);
    switch_->setChecked(on);
}

void BusGroup::toggle()
{
    switch_->setChecked(!switch_->isChecked());
    applySwitch();
}

void BusGroup::applySwitch()
{
    if (switch_->isChecked()) {
        const PatchEditing::Bus bus = context_.editing().busAt(bus_);
        source_->setEnabled(true);
        destination_->setEnabled(true);
        // Every bus, the first one too, shows the route that goes out.
        source_->setCurrentIndex(itemOf(bus.source, source_));
        destination_->setCurrentIndex(itemOf(bus.destination, destination_));
        amount_->setEnabled(true);
        // A bus shown off may still hold an amount; the bar shows what goes out.
        showAmount(bus.amount);
        context_.editing().switchBusOn(bus_);
        return;
    }
    for (QComboBox* list : {source_, destination_}) {
        list->setEnabled(false);
        list->setCurrentIndex(-1);
    }
    amount_->setEnabled(false);
    // When the bar moves, its handler first sends the route with amount 0.
    amount_->setValue(0);
    label_->setText(QStringLiteral("0"));
    context_.editing().switchBusOff(bus_);
}

void BusGroup::applyAmount(int value)
{
    label_->setText(QString::number(value));
    context_.editing().setBusAmount(bus_, value);
}

void BusGroup::showAmount(Byte amount)
{
    PatchEditing::LoadingScope loading(context_.editing());
    amount_->setValue(byteToSigned(amount));
    label_->setText(QString::number(amount_->value()));
}

bool BusGroup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == switch_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        emit context_.captionMenuRequested(widgets::tagOf(switch_));
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace velmora::editor
