#include "widgets/LcdDisplay.h"

#include "widgets/PanelStyle.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <vector>

namespace velmora::widgets {

namespace {

constexpr int kDigits = 3;

// Segment bits: a top, b top right, c bottom right, d bottom, e bottom
// left, f top left, g middle.
enum Segment : unsigned
{
    A = 1u << 0u,
    B = 1u << 1u,
    C = 1u << 2u,
    D = 1u << 3u,
    E = 1u << 4u,
    F = 1u << 5u,
    G = 1u << 6u,
};

constexpr std::array<unsigned, 10> kDigitSegments{
    A | B | C | D | E | F, B | C,         A | B | D | E | G,
    A | B | C | D | G,     B | C | F | G, A | C | D | F | G,
    A | C | D | E | F | G, A | B | C,     A | B | C | D | E | F | G,
    A | B | C | D | F | G,
};

struct Cell
{
    unsigned segments = 0;
    bool point = false;
};

// The cells the text lights, at most the last three, right-aligned.
std::array<Cell, kDigits> cellsOf(const QString& text)
{
    std::vector<Cell> cells;
    for (const QChar c : text) {
        if (c == QLatin1Char('.')) {
            if (cells.empty() || cells.back().point)
                cells.push_back({});
            cells.back().point = true;
        } else if (c.isDigit()) {
            cells.push_back({kDigitSegments.at(static_cast<std::size_t>(c.digitValue())), false});
        } else if (c == QLatin1Char('-')) {
            cells.push_back({G, false});
        } else {
            cells.push_back({});
        }
    }
    std::array<Cell, kDigits> shown{};
    const std::size_t count = std::min<std::size_t>(cells.size(), kDigits);
    std::copy(cells.end() - static_cast<std::ptrdiff_t>(count), cells.end(),
              shown.end() - static_cast<std::ptrdiff_t>(count));
    return shown;
}

QPolygonF horizontalSegment(double x0, double x1, double y, double t)
{
    const double h = t / 2;
    return QPolygonF(
        {{x0, y}, {x0 + h, y - h}, {x1 - h, y - h}, {x1, y}, {x1 - h, y + h}, {x0 + h, y + h}});
}

QPolygonF verticalSegment(double x, double y0, double y1, double t)
{
    const double h = t / 2;
    return QPolygonF(
        {{x, y0}, {x + h, y0 + h}, {x + h, y1 - h}, {x, y1}, {x - h, y1 - h}, {x - h, y0 + h}});
}

// One digit cell with its decimal point: `width` and `height` are the
// digit's, the point sits to the right of it.
void paintCell(QPainter& painter, const Cell& cell, double left, double top, double width,
               double height)
{
    const double t = width * 0.2;
    const double gap = t * 0.12;
    const double x0 = left + t / 2;
    const double x1 = left + width - t / 2;
    const double y0 = top + t / 2;
    const double ym = top + height / 2;
    const double y1 = top + height - t / 2;

    const std::array<std::pair<unsigned, QPolygonF>, 7> segments{{
        {A, horizontalSegment(x0 + gap, x1 - gap, y0, t)},
        {B, verticalSegment(x1, y0 + gap, ym - gap, t)},
        {C, verticalSegment(x1, ym + gap, y1 - gap, t)},
        {D, horizontalSegment(x0 + gap, x1 - gap, y1, t)},
        {E, verticalSegment(x0, ym + gap, y1 - gap, t)},
        {F, verticalSegment(x0, y0 + gap, ym - gap, t)},
        {G, horizontalSegment(x0 + gap, x1 - gap, ym, t)},
    }};
    for (const auto& [bit, polygon] : segments) {
        painter.setBrush((cell.segments & bit) != 0 ? panel::lcdOn : panel::lcdOff);
        painter.drawPolygon(polygon);
    }
    painter.setBrush(cell.point ? panel::lcdOn : panel::lcdOff);
    const double dot = t * 1.1;
    painter.drawEllipse(QRectF(left + width + t * 0.45, top + height - dot, dot, dot));
}

} // namespace

LcdDisplay::LcdDisplay(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void LcdDisplay::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    update();
}

QSize LcdDisplay::sizeHint() const
{
    const int height = fontMetrics().height() * 2;
    return {height * 2, height};
}

void LcdDisplay::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), panel::screen);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    // The digit's proportions: width half its height, then room for the
    // point and the space to the next cell.
    constexpr double kWidthShare = 0.5;
    constexpr double kPitchShare = 0.72;
    const double margin = std::min(width(), height()) * 0.12;
    const double availableWidth = width() - 2 * margin;
    const double availableHeight = height() - 2 * margin;
    if (availableWidth <= 0 || availableHeight <= 0)
        return;
    // The last cell needs room for its point only, not a full pitch.
    const double rowShare = kPitchShare * (kDigits - 1) + kWidthShare * 1.35;
    const double digitHeight = std::min(availableHeight, availableWidth / rowShare);
    const double digitWidth = digitHeight * kWidthShare;
    const double pitch = digitHeight * kPitchShare;
    const double rowWidth = digitHeight * rowShare;
    const double left = margin + (availableWidth - rowWidth) / 2;
    const double top = margin + (availableHeight - digitHeight) / 2;

    const auto cells = cellsOf(text_);
    for (int i = 0; i < kDigits; ++i)
        paintCell(painter, cells.at(static_cast<std::size_t>(i)), left + i * pitch, top, digitWidth,
                  digitHeight);
}

} // namespace velmora::widgets
