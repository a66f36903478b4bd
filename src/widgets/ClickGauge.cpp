#include "widgets/ClickGauge.h"

#include "widgets/SegmentedBar.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora::widgets {

ClickGauge::ClickGauge(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClickGauge::setMaxValue(int maxValue)
{
    max_ = std::max(0, maxValue);
    position_ = std::clamp(position_, 0, max_);
    update();
}

void ClickGauge::setPosition(int position)
{
    const int clamped = std::clamp(position, 0, max_);
    if (clamped == position_)
        return;
    position_ = clamped;
    update();
}

int ClickGauge::positionAt(double y, int height, int maxValue)
{
    // A gauge without height has no value under any pointer: report a
    // position the gauge ignores.
    if (height <= 0)
        return -1;
    if (maxValue <= 0)
        return 0;
    // nearbyint rounds in the current mode, which is to nearest with halves
    // to even unless something changed it.
    const double steps = std::nearbyint(y / (static_cast<double>(height) / maxValue));
    const double position = maxValue - steps;
    // Far outside the gauge the result only has to stay negative or above
    // the maximum; keep it inside int.
    const double limit = static_cast<double>(std::numeric_limits<int>::max() / 2);
    return static_cast<int>(std::clamp(position, -limit, limit));
}

QSize ClickGauge::sizeHint() const
{
    return {12, 96};
}

void ClickGauge::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const double fraction = max_ > 0 ? static_cast<double>(position_) / max_ : 0.0;
    paintSegmentedBar(painter, QRectF(rect()), fraction, Qt::Vertical);
}

void ClickGauge::mousePressEvent(QMouseEvent* event)
{
    const int position = positionAt(event->position().y(), height(), max_);
    // A position below zero leaves the gauge as it was; one above the
    // maximum sets the maximum.
    if (position >= 0)
        setPosition(std::min(position, max_));
    event->accept();
    emit mouseDown(position_);
}

} // namespace velmora::widgets
