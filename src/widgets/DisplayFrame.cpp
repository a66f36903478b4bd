#include "widgets/DisplayFrame.h"

#include "widgets/PanelStyle.h"

#include <QPainter>

namespace velmora::widgets {

namespace {

// The bevel is two pixels deep: an outer and an inner line on each side.
constexpr int kBevel = 2;

} // namespace

DisplayFrame::DisplayFrame(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBevel);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayFrame::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect outer = rect();
    painter.fillRect(outer, panel::screen);

    // Sunken: the light falls from the top left, so the top and left edges
    // are in shadow and the bottom and right edges catch it.
    const QColor shadowOuter = panel::background.darker(180);
    const QColor shadowInner = QColor(0x0C, 0x0C, 0x0C);
    const QColor lightOuter = panel::face.lighter(170);
    const QColor lightInner = panel::face.lighter(120);
    for (int i = 0; i < kBevel; ++i) {
        const QRect edge = outer.adjusted(i, i, -i, -i);
        painter.setPen(i == 0 ? shadowOuter : shadowInner);
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(i == 0 ? lightOuter : lightInner);
        painter.drawLine(edge.bottomLeft() + QPoint(1, 0), edge.bottomRight());
        painter.drawLine(edge.topRight() + QPoint(0, 1), edge.bottomRight());
    }
}

} // namespace velmora::widgets
