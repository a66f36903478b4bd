#include "widgets/LampButton.h"

#include "widgets/PanelStyle.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace velmora::widgets {

namespace {

// The lamp's side as a share of the font height, and the space between the
// lamp and the text as a share of the lamp.
constexpr double kLampShare = 0.7;
constexpr double kSpacingShare = 0.6;

QColor disabledTextColor()
{
    return QColor(0x80, 0x82, 0x80);
}

} // namespace

LampButton::LampButton(const QString& text, Kind kind, QWidget* parent)
    : QAbstractButton(parent), kind_(kind)
{
    setText(text);
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    // clicked comes only from a click or the keyboard (and click()), never
    // from setChecked, and after the state has changed.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (kind_ == Kind::Check)
            emit userToggled();
    });
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (kind_ != Kind::Radio)
            return;
        // The siblings go dark before the new item reports, so a handler
        // that reads the group sees one checked item.
        if (checked)
            uncheckSiblings();
        emit changeState(checked);
    });
}

QSize LampButton::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int lamp = static_cast<int>(metrics.height() * kLampShare);
    const int spacing = static_cast<int>(lamp * kSpacingShare);
    const int textWidth = metrics.horizontalAdvance(text());
    return {lamp + spacing + textWidth + 4, std::max(metrics.height(), lamp) + 4};
}

void LampButton::nextCheckState()
{
    // A click on a radio item only ever checks it; the group unchecks the
    // others.
    if (kind_ == Kind::Radio)
        setChecked(true);
    else
        QAbstractButton::nextCheckState();
}

void LampButton::uncheckSiblings()
{
    QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;
    const auto siblings = parent->findChildren<LampButton*>(Qt::FindDirectChildrenOnly);
    for (LampButton* sibling : siblings) {
        if (sibling != this && sibling->kind_ == Kind::Radio && sibling->group_ == group_ &&
            sibling->isChecked())
            sibling->setChecked(false);
    }
}

void LampButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QFontMetrics metrics = fontMetrics();
    const double lamp = metrics.height() * kLampShare;
    const double spacing = lamp * kSpacingShare;
    const QRectF lampRect(2.0, (height() - lamp) / 2.0, lamp, lamp);

    QColor fill;
    if (!isEnabled())
        fill = isChecked() ? QColor(0x6E, 0x78, 0x6E) : QColor(0x33, 0x35, 0x37);
    else
        fill = isChecked() ? panel::Trace : panel::traceDim.darker(150);
    if (isDown() && isEnabled())
        fill = fill.lighter(130);

    painter.setPen(QPen(QColor(0x14, 0x14, 0x14), 1.0));
    painter.setBrush(fill);
    if (kind_ == Kind::Radio)
        painter.drawEllipse(lampRect);
    else
        painter.drawRoundedRect(lampRect, 1.5, 1.5);
    if (isChecked() && isEnabled()) {
        // A small highlight makes a lit lamp read as glowing glass.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 110));
        const QRectF glint(lampRect.left() + lamp * 0.22, lampRect.top() + lamp * 0.18, lamp * 0.3,
                           lamp * 0.24);
        painter.drawEllipse(glint);
    }

    const QRectF textRect(lampRect.right() + spacing, 0, width() - lampRect.right() - spacing,
                          height());
    painter.setPen(isEnabled() ? panel::text : disabledTextColor());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text());

    if (hasFocus()) {
        const QRectF bounds =
            painter.boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(panel::caption, 1.0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            bounds.adjusted(-1, 0, 1, 0).intersected(QRectF(rect()).adjusted(0, 0, -1, -1)));
    }
}

} // namespace velmora::widgets
