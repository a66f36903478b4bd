// The drawing shared by the gauge and the level bar: a dark well with a row
// of LED-like segments, lit from the low end up to a fraction of the range.
#pragma once

#include <QRectF>
#include <Qt>

class QPainter;

namespace velmora::widgets {

// Paints the well filling `area` and its segments; `fraction` (0..1) of the
// length is lit, from the bottom (vertical) or the left (horizontal).
void paintSegmentedBar(QPainter& painter, const QRectF& area, double fraction,
                       Qt::Orientation orientation);

} // namespace velmora::widgets
