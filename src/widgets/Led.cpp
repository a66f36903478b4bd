#include "widgets/Led.h"

#include "widgets/PanelStyle.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

namespace velmora::widgets {

Led::Led(QWidget* parent) : QWidget(parent), color_(panel::Trace) {}

void Led::setActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    update();
}

void Led::setColor(const QColor& color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
}

QSize Led::sizeHint() const
{
    const int side = std::max(10, fontMetrics().height() * 3 / 4);
    return {side, side};
}

void Led::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height()) - 1.0;
    if (side <= 0)
        return;
    const QRectF lamp((width() - side) / 2.0, (height() - side) / 2.0, side, side);

    // A lit lamp glows from a light spot; a dark one shows its colour only
    // faintly, as unlit coloured glass does.
    const QColor base = isEnabled() ? color_ : QColor(0x70, 0x70, 0x70);
    QRadialGradient glass(lamp.center() - QPointF(side * 0.15, side * 0.15), side * 0.6);
    if (active_) {
        glass.setColorAt(0.0, base.lighter(170));
        glass.setColorAt(1.0, base);
    } else {
        glass.setColorAt(0.0, base.darker(300));
        glass.setColorAt(1.0, base.darker(600));
    }
    painter.setPen(QPen(QColor(0x10, 0x10, 0x10), 1.0));
    painter.setBrush(glass);
    painter.drawEllipse(lamp);
}

} // namespace velmora::widgets
