#include "editor/PatchDrawing.h"

#include "editor/PatchGraphics.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>

namespace velmora::editor {
namespace {

constexpr int kPenWidth = 2;

bool isOscillator(Drawing kind)
{
    return kind == Drawing::Dco1 || kind == Drawing::Dco2;
}

QString drawingName(Drawing kind)
{
    switch (kind) {
    case Drawing::Dco1:
        return QStringLiteral("pbDCO1");
    case Drawing::Dco2:
        return QStringLiteral("pbDCO2");
    case Drawing::Env1:
        return QStringLiteral("pbENV1");
    case Drawing::Env2:
        return QStringLiteral("pbENV2");
    case Drawing::Env3:
        return QStringLiteral("pbENV3");
    case Drawing::Tracking:
        return QStringLiteral("pbTRK");
    case Drawing::Ramp1:
        return QStringLiteral("pbRAMP1");
    case Drawing::Ramp2:
        return QStringLiteral("pbRAMP2");
    }
    return {};
}

QSize boxSize(Drawing kind)
{
    switch (kind) {
    case Drawing::Dco1:
    case Drawing::Dco2:
        return {145, 50};
    case Drawing::Ramp1:
    case Drawing::Ramp2:
        return {41, 98};
    default:
        return {150, 50};
    }
}

QColor toColor(Rgb rgb)
{
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

// The line drawings' traces, all in the box's own pen colour.
std::vector<Point> linePoints(Drawing kind, const PatchBuffer& patch)
{
    switch (kind) {
    case Drawing::Env1:
        return envelopePoints(patch, 1);
    case Drawing::Env2:
        return envelopePoints(patch, 2);
    case Drawing::Env3:
        return envelopePoints(patch, 3);
    case Drawing::Tracking:
        return trackingPoints(patch);
    case Drawing::Ramp1:
        return rampPoints(patch, 1);
    case Drawing::Ramp2:
        return rampPoints(patch, 2);
    default:
        return {};
    }
}

void drawTrace(QPainter& painter, const std::vector<Point>& points, const QColor& colour)
{
    QPolygon polygon;
    for (const Point& point : points)
        polygon << QPoint(point.x, point.y);
    QPen pen(colour, kPenWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawPolyline(polygon);
}

} // namespace

PatchDrawing::PatchDrawing(Drawing kind, const PatchBuffer& patch, QWidget* parent)
    : QWidget(parent), kind_(kind), patch_(patch), pen_(toColor(kLime))
{
    setObjectName(drawingName(kind));
    setFixedSize(boxSize(kind));
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!isOscillator(kind)) {
        const QString hint = tr("Right-click to change line color");
        setToolTip(hint);
        setStatusTip(hint);
    }
}

void PatchDrawing::paintEvent(QPaintEvent* /*event*/)
{
    // Everything is worked out again from the record on every paint.
    QPainter painter(this);
    const bool ramp = kind_ == Drawing::Ramp1 || kind_ == Drawing::Ramp2;
    painter.fillRect(rect(), toColor(ramp ? kOlive : kBlack));
    if (isOscillator(kind_)) {
        const auto traces = kind_ == Drawing::Dco1 ? dco1Traces(patch_) : dco2Traces(patch_);
        for (const Trace& trace : traces)
            drawTrace(painter, trace.points, toColor(trace.colour));
        return;
    }
    drawTrace(painter, linePoints(kind_, patch_), pen_);
}

void PatchDrawing::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton || isOscillator(kind_))
        return QWidget::mousePressEvent(event);
    pen_ = toColor(nextLineColour(pen_.rgb() & 0xFFFFFFu));
    update();
}

} // namespace velmora::editor
