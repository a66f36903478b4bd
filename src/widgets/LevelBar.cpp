#include "widgets/LevelBar.h"

#include "widgets/SegmentedBar.h"

#include <QPainter>

#include <algorithm>

namespace velmora::widgets {

LevelBar::LevelBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelBar::setMaxValue(int maxValue)
{
    max_ = std::max(0, maxValue);
    position_ = std::clamp(position_, 0, max_);
    update();
}

void LevelBar::setPosition(int position)
{
    const int clamped = std::clamp(position, 0, max_);
    if (clamped == position_)
        return;
    position_ = clamped;
    update();
}

QSize LevelBar::sizeHint() const
{
    return orientation_ == Qt::Vertical ? QSize(12, 96) : QSize(96, 12);
}

void LevelBar::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const double fraction = max_ > 0 ? static_cast<double>(position_) / max_ : 0.0;
    paintSegmentedBar(painter, QRectF(rect()), fraction, orientation_);
}

} // namespace velmora::widgets
