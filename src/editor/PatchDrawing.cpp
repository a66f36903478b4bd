#include "PatchDrawing.h"

#include "PatchGraphics.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>

namespace velmora::editor {
namespace {

constexpr int kPenWidth = 2;

bool IsOscillator(Drawing kind)
{
    return kind == Drawing::Dco1 || kind == Drawing::Dco2;
}

QString ObjectName(Drawing kind)
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

QSize BoxSize(Drawing kind)
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

QColor ToColor(Rgb rgb)
{
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

// The line drawings' traces, all in the box's own pen colour.
std::vector<Point> LinePoints(Drawing kind, const PatchBuffer& patch)
{
    switch (kind) {
    case Drawing::Env1:
        return EnvelopePoints(patch, 1);
    case Drawing::Env2:
        return EnvelopePoints(patch, 2);
    case Drawing::Env3:
        return EnvelopePoints(patch, 3);
    case Drawing::Tracking:
        return TrackingPoints(patch);
    case Drawing::Ramp1:
        return RampPoints(patch, 1);
    case Drawing::Ramp2:
        return RampPoints(patch, 2);
    default:
        return {};
    }
}

void DrawTrace(QPainter& painter, const std::vector<Point>& points, const QColor& colour)
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
    : QWidget(parent), kind_(kind), patch_(patch), pen_(ToColor(kLime))
{
    setObjectName(ObjectName(kind));
    setFixedSize(BoxSize(kind));
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!IsOscillator(kind)) {
        const QString hint = QStringLiteral("Right-click to change line color");
        setToolTip(hint);
        setStatusTip(hint);
    }
}

void PatchDrawing::paintEvent(QPaintEvent* /*event*/)
{
    // Everything is worked out again from the record on every paint.
    QPainter painter(this);
    const bool ramp = kind_ == Drawing::Ramp1 || kind_ == Drawing::Ramp2;
    painter.fillRect(rect(), ToColor(ramp ? kOlive : kBlack));
    if (IsOscillator(kind_)) {
        const auto traces = kind_ == Drawing::Dco1 ? Dco1Traces(patch_) : Dco2Traces(patch_);
        for (const Trace& trace : traces)
            DrawTrace(painter, trace.points, ToColor(trace.colour));
        return;
    }
    DrawTrace(painter, LinePoints(kind_, patch_), pen_);
}

void PatchDrawing::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton || IsOscillator(kind_))
        return QWidget::mousePressEvent(event);
    pen_ = ToColor(NextLineColour(pen_.rgb() & 0xFFFFFFu));
    update();
}

} // namespace velmora::editor
