#include "widgets/SegmentedBar.h"

#include "widgets/PanelStyle.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmora::widgets {

namespace {

// Segment pitch and the dark gap between segments, in device-independent
// pixels, so the meter keeps its look at any scaling.
constexpr double kPitch = 3.0;
constexpr double kGap = 1.0;
constexpr double kInset = 2.0;

} // namespace

void paintSegmentedBar(QPainter& painter, const QRectF& area, double fraction,
                       Qt::Orientation orientation)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(0x10, 0x10, 0x10));
    painter.setBrush(panel::screen);
    painter.drawRect(area.adjusted(0, 0, -1, -1));

    const QRectF inner = area.adjusted(kInset, kInset, -kInset, -kInset);
    if (inner.width() <= 0 || inner.height() <= 0) {
        painter.restore();
        return;
    }
    const bool vertical = orientation == Qt::Vertical;
    const double length = vertical ? inner.height() : inner.width();
    const double lit = std::clamp(fraction, 0.0, 1.0) * length;
    const int count = std::max(1, static_cast<int>(std::floor((length + kGap) / kPitch)));

    painter.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const double from = i * kPitch;
        const double to = std::min(from + kPitch - kGap, length);
        // A segment lights once the value reaches its middle, so a full
        // range lights every segment; any value above zero lights the first.
        const bool on = lit > 0 && (i == 0 || lit >= (from + to) / 2);
        painter.setBrush(on ? panel::Trace : panel::traceDim);
        if (vertical)
            painter.drawRect(QRectF(inner.left(), inner.bottom() - to, inner.width(), to - from));
        else
            painter.drawRect(QRectF(inner.left() + from, inner.top(), to - from, inner.height()));
    }
    painter.restore();
}

} // namespace velmora::widgets
