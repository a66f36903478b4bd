#include "TKeys.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace velmora::widgets {
namespace {

constexpr std::array<int, 7> kBlackOffsets{-1, +1, 0, -1, 0, +1, 0};
// Per semitone: the white key it is on or right of, and whether it is black.
constexpr std::array<int, 12> kWhiteOf{0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr std::array<bool, 12> kIsBlack{false, true,  false, true,  false, false,
                                        true,  false, true,  false, true,  false};

int LeftNeighbour(int k)
{
    return k == 0 ? 6 : k - 1;
}

int Semitone(int k, bool black)
{
    const int white = 2 * k >= 6 ? 2 * k - 1 : 2 * k;
    return white + (black ? 1 : 0);
}

} // namespace

int BlackKeyOffset(int k)
{
    return kBlackOffsets.at(static_cast<std::size_t>(k));
}

bool HasBlackKey(int k)
{
    return k != 2 && k != 6;
}

KeyHit HitTest(const KeyLayout& layout, int pos, int depth, bool velocityMode)
{
    const int width = layout.noteWidth;
    const int j = pos / width;
    const int r = pos % width;
    const int octave = j / 7;
    // Points before the first key (never played) only need an index in range.
    int k = (j % 7 + 7) % 7;
    const int p = LeftNeighbour(k);
    const int half = layout.BlackHalf();

    bool black = false;
    if (depth < layout.BlackLength()) {
        if (r >= width - half + BlackKeyOffset(k)) {
            black = HasBlackKey(k);
        } else if (r < layout.BlackWidth() - half + BlackKeyOffset(p) && HasBlackKey(p)) {
            black = true;
            k = p;
        }
    }
    KeyHit hit;
    hit.black = black;
    hit.note = (octave + layout.baseOctave) * 12 + Semitone(k, black);
    const int extent = black ? layout.BlackLength() : layout.keyLength;
    hit.velocity = !velocityMode ? 127 : extent > 0 ? depth * 127 / extent : 0;
    return hit;
}

std::vector<QRect> PressedAreas(const KeyLayout& layout, int note)
{
    if (note < 0)
        return {};
    const int width = layout.noteWidth;
    const int bw = layout.BlackWidth();
    const int half = layout.BlackHalf();
    const int bl = layout.BlackLength();
    const int semitone = note % 12;
    const int k = kWhiteOf.at(static_cast<std::size_t>(semitone));
    const int x0 = ((note / 12 - layout.baseOctave) * 7 + k) * width;
    const int xb = x0 + width - half + BlackKeyOffset(k);
    std::vector<QRect> areas;
    if (kIsBlack.at(static_cast<std::size_t>(semitone))) {
        areas.emplace_back(xb + 1, 1, bw - 2, bl - 2);
    } else {
        areas.emplace_back(x0 + 2, bl + 1, width - 3, layout.keyLength - bl - 3);
        const int p = LeftNeighbour(k);
        const int xa = x0 - half + BlackKeyOffset(p);
        if (!HasBlackKey(p)) // C and F
            areas.emplace_back(x0 + 2, 2, xb - x0 - 3, bl - 1);
        else if (HasBlackKey(k)) // D, G and A
            areas.emplace_back(xa + bw + 1, 2, xb - xa - bw - 2, bl - 1);
        else // E and B
            areas.emplace_back(xa + bw + 1, 2, x0 + width - xa - bw - 2, bl - 1);
    }
    std::erase_if(areas, [](const QRect& area) { return area.isEmpty(); });
    return areas;
}

QPoint ToKeyboard(const KeyLayout& layout, TKeyboardOrientation orientation, QPoint point)
{
    if (orientation == TKeyboardOrientation::kbHorizontal)
        return point;
    return {layout.span - point.y() - 1, point.x()};
}

QRect ToWidget(const KeyLayout& layout, TKeyboardOrientation orientation, const QRect& area)
{
    if (orientation == TKeyboardOrientation::kbHorizontal)
        return area;
    return {area.y(), layout.span - area.x() - area.width(), area.height(), area.width()};
}

TKeys::TKeys(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(200, 50);
}

void TKeys::SetOrientation(TKeyboardOrientation orientation)
{
    if (orientation == orientation_)
        return;
    orientation_ = orientation;
    update();
}

void TKeys::SetNoteWidth(int noteWidth)
{
    noteWidth = std::max(1, noteWidth);
    if (noteWidth == noteWidth_)
        return;
    noteWidth_ = noteWidth;
    update();
}

void TKeys::SetBaseOctave(int baseOctave)
{
    if (baseOctave == baseOctave_)
        return;
    baseOctave_ = baseOctave;
    update();
}

void TKeys::SetBlackBrush(const QBrush& brush)
{
    blackBrush_ = brush;
    update();
}

void TKeys::SetWhiteBrush(const QBrush& brush)
{
    whiteBrush_ = brush;
    update();
}

void TKeys::SetPen(const QPen& pen)
{
    pen_ = pen;
    update();
}

KeyLayout TKeys::Layout() const
{
    const bool horizontal = orientation_ == TKeyboardOrientation::kbHorizontal;
    return {noteWidth_, baseOctave_, horizontal ? width() : height(),
            horizontal ? height() : width()};
}

void TKeys::paintEvent(QPaintEvent* /*event*/)
{
    const KeyLayout layout = Layout();
    const auto place = [&](const QRect& area) { return ToWidget(layout, orientation_, area); };
    QPainter painter(this);
    painter.fillRect(rect(), whiteBrush_);
    painter.setPen(pen_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int half = layout.BlackHalf();
    int k = 0;
    for (int x = layout.noteWidth; x < layout.span; x += layout.noteWidth, k = (k + 1) % 7) {
        const QRect separator = place(QRect(x, 0, 1, layout.keyLength));
        painter.drawLine(separator.topLeft(), separator.bottomRight());
        if (!HasBlackKey(k))
            continue;
        const QRect key = place(
            QRect(x - half + BlackKeyOffset(k), 0, layout.BlackWidth(), layout.BlackLength()));
        painter.fillRect(key, blackBrush_);
        painter.drawRect(key.adjusted(0, 0, -1, -1));
    }

    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (int note = 0; note < 128; ++note) {
        if (!pressed_.test(static_cast<std::size_t>(note)))
            continue;
        for (const QRect& area : PressedAreas(layout, note))
            painter.fillRect(place(area), Qt::white);
    }
}

KeyHit TKeys::HitAt(QPoint point) const
{
    const KeyLayout layout = Layout();
    const QPoint at = ToKeyboard(layout, orientation_, point);
    return HitTest(layout, at.x(), at.y(), velocityMode_);
}

void TKeys::mousePressEvent(QMouseEvent* event)
{
    // Qt holds the pointer for the widget the button went down on, so the
    // matching release and every move come here.
    if (event->button() != Qt::LeftButton)
        return;
    held_ = true;
    ReleaseCurrent(); // a key whose release never arrived
    const KeyHit hit = HitAt(event->position().toPoint());
    if (hit.note >= 0 && hit.note < 128) {
        current_ = hit.note;
        Press(hit.note, hit.velocity);
    }
}

void TKeys::mouseMoveEvent(QMouseEvent* event)
{
    if (!held_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    if (point.x() < 0 || point.y() < 0 || point.x() >= width() - 1 || point.y() >= height() - 1)
        return;
    const KeyHit hit = HitAt(point);
    if (hit.note < 0 || hit.note >= 128 || hit.note == current_)
        return;
    ReleaseCurrent();
    current_ = hit.note;
    Press(hit.note, hit.velocity);
}

void TKeys::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        return; // another button came up during a slide
    held_ = false;
    ReleaseCurrent();
}

void TKeys::hideEvent(QHideEvent* event)
{
    held_ = false;
    ReleaseCurrent();
    QWidget::hideEvent(event);
}

void TKeys::Press(int note, int velocity)
{
    if (!pressed_.test(static_cast<std::size_t>(note))) {
        pressed_.set(static_cast<std::size_t>(note));
        update();
    }
    if (OnNoteOn)
        OnNoteOn(*this, note, velocity);
}

void TKeys::Release(int note)
{
    if (pressed_.test(static_cast<std::size_t>(note))) {
        pressed_.reset(static_cast<std::size_t>(note));
        update();
    }
    if (OnNoteOff)
        OnNoteOff(*this, note, 0);
}

// The current note goes before its release is raised, so that a handler
// sees the keyboard as it is after the release.
void TKeys::ReleaseCurrent()
{
    if (current_ < 0 || current_ >= 128)
        return;
    const int note = current_;
    current_ = -1;
    Release(note);
}

} // namespace velmora::widgets
