#include "editor/ControlRows.h"

#include "protocol/ControlTables.h"
#include "protocol/ModulationLists.h"
#include "widgets/ClickGauge.h"
#include "widgets/LampButton.h"
#include "widgets/Tag.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>

namespace velmora::editor {

using widgets::ClickGauge;
using widgets::LampButton;
using widgets::setTag;

namespace {

constexpr int kDco1FreqControl = 0;
constexpr int kDco2FreqControl = 3;
constexpr int kFrequencyLargeChange = 12;
constexpr int kLargeChange = 10;
// The scroll bar and gauge of a value row, as on the instrument's panel.
constexpr int kValueRowHeight = 110;
constexpr int kGaugeWidth = 10;

Byte recordByte(EditorContext& context, int control)
{
    return context.editing().at(controls().patchOffsets[static_cast<std::size_t>(control)]);
}

} // namespace

TagCaption::TagCaption(EditorContext& context, int control, const QString& text, QWidget* parent)
    : QLabel(text, parent), context_(context)
{
    setTag(this, control);
    setAlignment(Qt::AlignCenter);
}

void TagCaption::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton || !context_.hasCaptionMenu())
        return QLabel::mousePressEvent(event);
    const QString style = styleSheet();
    setStyleSheet(QStringLiteral("color: #4080ff;"));
    emit context_.captionMenuRequested(widgets::tagOf(this));
    setStyleSheet(style);
}

ValueRow::ValueRow(EditorContext& context, int control, const QString& name, const QString& caption,
                   int maxValue, std::optional<Drawing> drawing, QWidget* parent)
    : QWidget(parent), context_(context), control_(control), max_(maxValue), drawing_(drawing),
      scrollBar_(new QScrollBar(Qt::Vertical, this)), gauge_(new ClickGauge(this))
{
    setObjectName(QStringLiteral("row") + name);
    scrollBar_->setObjectName(QStringLiteral("sb") + name);
    gauge_->setObjectName(QStringLiteral("g") + name);
    setTag(scrollBar_, control);
    setTag(gauge_, control);
    scrollBar_->setRange(0, maxValue);
    scrollBar_->setSingleStep(1);
    // The two oscillator frequencies move an octave a page.
    scrollBar_->setPageStep(control == kDco1FreqControl || control == kDco2FreqControl
                                ? kFrequencyLargeChange
                                : kLargeChange);
    scrollBar_->setValue(maxValue);
    gauge_->setMaxValue(maxValue);
    scrollBar_->setFixedHeight(kValueRowHeight);
    gauge_->setFixedSize(kGaugeWidth, kValueRowHeight);
    auto* bars = new QHBoxLayout;
    bars->setSpacing(2);
    bars->addStretch();
    bars->addWidget(scrollBar_);
    bars->addWidget(gauge_);
    bars->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    column->addLayout(bars);
    column->addWidget(new TagCaption(context, control, caption, this));
    // A taller group leaves its room below the caption, not between the
    // bars and their caption.
    column->addStretch();
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this] { applyScrollBar(); });
    connect(gauge_, &ClickGauge::mouseDown, this, [this](int position) { jumpToGauge(position); });
}

void ValueRow::refresh()
{
    const Byte value = recordByte(context_, control_);
    scrollBar_->setValue(max_ - value);
    gauge_->setPosition(value);
}

void ValueRow::applyScrollBar()
{
    const int value = max_ - scrollBar_->value();
    context_.editing().setValue(control_, value);
    if (!context_.editing().loading())
        gauge_->setPosition(value);
    if (drawing_)
        emit context_.repaintRequested(*drawing_);
}

void ValueRow::jumpToGauge(int position)
{
    const Byte before = recordByte(context_, control_);
    context_.editing().storeValue(control_, position);
    // Moving the scroll bar sends the value; a click at the value it already
    // shows sends nothing.
    if (scrollBar_->value() != max_ - position) {
        scrollBar_->setValue(max_ - position);
        return;
    }
    // The scroll bar stays where it is, yet the record held a byte outside
    // the range that the bar could only show clamped: the instrument still
    // has that byte, so the value the record now holds goes out.
    if (before != position)
        context_.editing().setValue(control_, position);
}

SignedRow::SignedRow(EditorContext& context, int control, const QString& name,
                     const QString& labelName, const QString& caption, int maxValue,
                     QWidget* parent)
    : QWidget(parent), context_(context), control_(control),
      trackBar_(new QSlider(Qt::Horizontal, this)), label_(new QLabel(QStringLiteral("0"), this))
{
    setObjectName(QStringLiteral("row") + name);
    trackBar_->setObjectName(QStringLiteral("tb") + name);
    label_->setObjectName(labelName);
    // The detune has a handler of its own and carries no index itself.
    if (control != kDetuneControl)
        setTag(trackBar_, control);
    trackBar_->setRange(-maxValue, maxValue);
    trackBar_->setPageStep(kLargeChange);
    label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(QStringLiteral("-63")) + 4);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    grid->addWidget(new TagCaption(context, control, caption, this), 0, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(trackBar_, 1, 0);
    grid->addWidget(label_, 1, 1);
    connect(trackBar_, &QSlider::valueChanged, this, [this](int v) {
        label_->setText(QString::number(v));
        context_.editing().setSigned(control_, v);
    });
    // Shown while dragged, also when the value goes out only on release.
    connect(trackBar_, &QSlider::sliderMoved, label_,
            [this](int v) { label_->setText(QString::number(v)); });
}

void SignedRow::refresh()
{
    // Above the track bar's maximum a byte counts as negative.
    trackBar_->setValue(byteToSigned(recordByte(context_, control_), trackBar_->maximum()));
    label_->setText(QString::number(trackBar_->value()));
}

BitBox::BitBox(EditorContext& context, LampButton* box, std::size_t offset, Byte bit,
               Byte parameter, bool exact)
    : box_(box), offset_(offset), bit_(bit), exact_(exact), context_(context)
{
    QObject::connect(box, &LampButton::userToggled, box, [this, parameter] {
        // A box that shows the whole byte writes the whole byte: a stray bit
        // beside its own must not leave it checked on screen and off in the
        // record.
        if (exact_)
            context_.editing().setChoice(offset_, parameter, box_->isChecked() ? bit_ : 0);
        else
            context_.editing().toggleBit(offset_, bit_, parameter);
    });
}

BitBox& addBitBox(std::vector<std::unique_ptr<BitBox>>& boxes, EditorContext& context,
                  QWidget* parent, const QString& name, const QString& caption, std::size_t offset,
                  Byte bit, Byte parameter, bool exact)
{
    auto* box = new LampButton(caption, LampButton::Kind::Check, parent);
    box->setObjectName(QStringLiteral("cb") + name);
    boxes.push_back(std::make_unique<BitBox>(context, box, offset, bit, parameter, exact));
    return *boxes.back();
}

void BitBox::refresh()
{
    const Byte value = context_.editing().at(offset_);
    box_->setChecked(exact_ ? value == bit_ : (value & bit_) != 0);
}

RadioGroup::RadioGroup(EditorContext& context, QGroupBox* frame, const QString& namePrefix,
                       const std::vector<std::pair<QString, QString>>& items, std::size_t offset,
                       Byte parameter, OutOfRange rule, int groupIndex)
    : context_(context), offset_(offset), parameter_(parameter), rule_(rule)
{
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(1);
    for (const auto& [suffix, caption] : items) {
        auto* item = new LampButton(caption, LampButton::Kind::Radio, frame);
        const int value = static_cast<int>(items_.size());
        item->setObjectName(QStringLiteral("rcb") + namePrefix + suffix);
        item->setGroupIndex(groupIndex);
        setTag(item, value);
        layout->addWidget(item);
        items_.push_back(item);
        // rcbChangeState: only an item becoming checked acts.
        QObject::connect(item, &LampButton::changeState, item, [this, value](bool checked) {
            if (!checked)
                return;
            context_.editing().setChoice(offset_, parameter_, value);
            emit chosen(value);
        });
    }
}

void RadioGroup::refresh()
{
    const int value = context_.editing().at(offset_);
    const int last = static_cast<int>(items_.size()) - 1;
    if (value <= last)
        items_[static_cast<std::size_t>(value)]->setChecked(true);
    else if (rule_ == OutOfRange::CheckLast)
        items_.back()->setChecked(true);
}

LampButton* RadioGroup::item(int value) const
{
    return items_.at(static_cast<std::size_t>(value));
}

SourceList::SourceList(EditorContext& context, QComboBox* list, std::size_t offset, Byte parameter)
    : context_(context), list_(list), offset_(offset)
{
    fillSourceList(list);
    QObject::connect(list, &QComboBox::activated, list, [this, parameter](int item) {
        context_.editing().setSourceItem(offset_, parameter, item);
    });
}

void SourceList::refresh()
{
    // 0 (and anything past the list) shows as no selection.
    list_->setCurrentIndex(int(context_.editing().at(offset_)) - 1);
}

QGridLayout* slidersAndSwitches(QWidget* group, const std::vector<ValueRow*>& rows,
                                const std::vector<std::unique_ptr<BitBox>>& boxes, int rowSpacing)
{
    auto* values = new QHBoxLayout;
    values->setSpacing(rowSpacing);
    for (ValueRow* row : rows)
        values->addWidget(row);
    auto* switches = new QVBoxLayout;
    switches->setSpacing(0);
    for (const auto& box : boxes)
        switches->addWidget(box->box());
    switches->addStretch();
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addLayout(values, 0, 0);
    grid->addLayout(switches, 0, 1);
    return grid;
}

void fillSourceList(QComboBox* list, bool bus1)
{
    list->clear();
    for (std::string_view text : bus1 ? kBus1ModSources : kModSources)
        list->addItem(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void fillDestinationList(QComboBox* list)
{
    list->clear();
    for (std::string_view text : kModDestinations)
        list->addItem(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace velmora::editor
