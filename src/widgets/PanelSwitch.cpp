#include "widgets/PanelSwitch.h"

#include "widgets/PanelStyle.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmora::widgets {

namespace {

constexpr double kMargin = 2.0;

} // namespace

PanelSwitch::PanelSwitch(int positions, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), positions_(std::clamp(positions, 2, 3)), orientation_(orientation)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PanelSwitch::setPosition(int position)
{
    const int clamped = std::clamp(position, 0, positions_ - 1);
    if (clamped == position_)
        return;
    position_ = clamped;
    update();
    emit changed(position_);
}

QSize PanelSwitch::sizeHint() const
{
    const int across = fontMetrics().height();
    const int along = across * positions_ * 6 / 5;
    return orientation_ == Qt::Horizontal ? QSize(along, across) : QSize(across, along);
}

void PanelSwitch::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool horizontal = orientation_ == Qt::Horizontal;
    const QRectF slot = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    painter.setPen(QPen(hasFocus() ? panel::caption : QColor(0x14, 0x14, 0x14), 1.0));
    painter.setBrush(panel::screen);
    painter.drawRoundedRect(slot, 2, 2);

    // The slot is divided into one cell per position; the knob fills the
    // cell of the current position.
    const QRectF inner = slot.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const double cell = (horizontal ? inner.width() : inner.height()) / positions_;
    const auto cellRect = [&](int index) {
        return horizontal ? QRectF(inner.left() + index * cell, inner.top(), cell, inner.height())
                          : QRectF(inner.left(), inner.top() + index * cell, inner.width(), cell);
    };

    painter.setPen(Qt::NoPen);
    painter.setBrush(panel::traceDim);
    const double mark = std::max(2.0, std::min(inner.width(), inner.height()) * 0.2);
    for (int i = 0; i < positions_; ++i)
        painter.drawEllipse(cellRect(i).center(), mark / 2, mark / 2);

    const QRectF knob = cellRect(position_);
    QLinearGradient metal(knob.topLeft(), horizontal ? knob.bottomLeft() : knob.topRight());
    metal.setColorAt(0.0, panel::face.lighter(210));
    metal.setColorAt(1.0, panel::face.lighter(120));
    painter.setPen(QPen(QColor(0x14, 0x14, 0x14), 1.0));
    painter.setBrush(metal);
    painter.drawRoundedRect(knob, 2, 2);

    // A lit stripe across the knob tells the position at a glance.
    const QColor stripe = isEnabled() ? panel::Trace : QColor(0x70, 0x70, 0x70);
    const double thickness = std::max(1.5, cell * 0.12);
    const QPointF centre = knob.center();
    const QRectF bar =
        horizontal
            ? QRectF(centre.x() - thickness / 2, knob.top() + 2, thickness, knob.height() - 4)
            : QRectF(knob.left() + 2, centre.y() - thickness / 2, knob.width() - 4, thickness);
    painter.setPen(Qt::NoPen);
    painter.setBrush(stripe);
    painter.drawRect(bar);
}

void PanelSwitch::mousePressEvent(QMouseEvent* event)
{
    const bool horizontal = orientation_ == Qt::Horizontal;
    const double along = horizontal ? event->position().x() : event->position().y();
    const double length = (horizontal ? width() : height()) - 2 * kMargin;
    if (length <= 0)
        return;
    // The nearest position is the one whose cell holds the pointer.
    const double cell = std::floor((along - kMargin) / (length / positions_));
    setPosition(static_cast<int>(std::clamp(cell, 0.0, positions_ - 1.0)));
    event->accept();
}

void PanelSwitch::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        setPosition(position_ - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        setPosition(position_ + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace velmora::widgets
