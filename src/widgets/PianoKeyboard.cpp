#include "widgets/PianoKeyboard.h"

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

int leftNeighbour(int k)
{
    return k == 0 ? 6 : k - 1;
}

int semitone(int k, bool black)
{
    const int white = 2 * k >= 6 ? 2 * k - 1 : 2 * k;
    return white + (black ? 1 : 0);
}

} // namespace

int blackKeyOffset(int k)
{
    return kBlackOffsets.at(static_cast<std::size_t>(k));
}

bool hasBlackKey(int k)
{
    return k != 2 && k != 6;
}

KeyHit hitTest(const KeyLayout& layout, int pos, int depth, bool velocityMode)
{
    const int width = layout.noteWidth;
    const int j = pos / width;
    const int r = pos % width;
    const int octave = j / 7;
    // Points before the first key (never played) only need an index in range.
    int k = (j % 7 + 7) % 7;
    const int p = leftNeighbour(k);
    const int half = layout.blackHalf();

    bool black = false;
    if (depth < layout.blackLength()) {
        if (r >= width - half + blackKeyOffset(k)) {
            black = hasBlackKey(k);
        } else if (r < layout.blackWidth() - half + blackKeyOffset(p) && hasBlackKey(p)) {
            black = true;
            k = p;
        }
    }
    KeyHit hit;
    hit.black = black;
    hit.note = (octave + layout.baseOctave) * 12 + semitone(k, black);
    const int extent = black ? layout.blackLength() : layout.keyLength;
    hit.velocity = !velocityMode ? 127 : extent > 0 ? depth * 127 / extent : 0;
    return hit;
}

std::vector<QRect> pressedAreas(const KeyLayout& layout, int note)
{
    if (note < 0)
        return {};
    const int width = layout.noteWidth;
    const int bw = layout.blackWidth();
    const int half = layout.blackHalf();
    const int bl = layout.blackLength();
    const int semitone = note % 12;
    const int k = kWhiteOf.at(static_cast<std::size_t>(semitone));
    const int x0 = ((note / 12 - layout.baseOctave) * 7 + k) * width;
    const int xb = x0 + width - half + blackKeyOffset(k);
    std::vector<QRect> areas;
    if (kIsBlack.at(static_cast<std::size_t>(semitone))) {
        areas.emplace_back(xb + 1, 1, bw - 2, bl - 2);
    } else {
        areas.emplace_back(x0 + 2, bl + 1, width - 3, layout.keyLength - bl - 3);
        const int p = leftNeighbour(k);
        const int xa = x0 - half + blackKeyOffset(p);
        if (!hasBlackKey(p)) // C and F
            areas.emplace_back(x0 + 2, 2, xb - x0 - 3, bl - 1);
        else if (hasBlackKey(k)) // D, G and A
            areas.emplace_back(xa + bw + 1, 2, xb - xa - bw - 2, bl - 1);
        else // E and B
            areas.emplace_back(xa + bw + 1, 2, x0 + width - xa - bw - 2, bl - 1);
    }
    std::erase_if(areas, [](const QRect& area) { return area.isEmpty(); });
    return areas;
}

QPoint toKeyboard(const KeyLayout& layout, KeyboardOrientation orientation, QPoint point)
{
    if (orientation == KeyboardOrientation::kbHorizontal)
        return point;
    return {layout.span - point.y() - 1, point.x()};
}

QRect toWidget(const KeyLayout& layout, KeyboardOrientation orientation, const QRect& area)
{
    if (orientation == KeyboardOrientation::kbHorizontal)
        return area;
    return {area.y(), layout.span - area.x() - area.width(), area.height(), area.width()};
}

PianoKeyboard::PianoKeyboard(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(200, 50);
}

void PianoKeyboard::setOrientation(KeyboardOrientation orientation)
{
    if (orientation == orientation_)
        return;
    orientation_ = orientation;
    update();
}

void PianoKeyboard::setNoteWidth(int noteWidth)
{
    noteWidth = std::max(1, noteWidth);
    if (noteWidth == noteWidth_)
        return;
    noteWidth_ = noteWidth;
    update();
}

void PianoKeyboard::setBaseOctave(int baseOctave)
{
    if (baseOctave == baseOctave_)
        return;
    baseOctave_ = baseOctave;
    update();
}

void PianoKeyboard::setBlackBrush(const QBrush& brush)
{
    blackBrush_ = brush;
    update();
}

void PianoKeyboard::setWhiteBrush(const QBrush& brush)
{
    whiteBrush_ = brush;
    update();
}

void PianoKeyboard::setPen(const QPen& pen)
{
    pen_ = pen;
    update();
}

KeyLayout PianoKeyboard::keyLayout() const
{
    const bool horizontal = orientation_ == KeyboardOrientation::kbHorizontal;
    return {noteWidth_, baseOctave_, horizontal ? width() : height(),
            horizontal ? height() : width()};
}

void PianoKeyboard::paintEvent(QPaintEvent* /*event*/)
{
    const KeyLayout layout = keyLayout();
    const auto place = [&](const QRect& area) { return toWidget(layout, orientation_, area); };
    QPainter painter(this);
    painter.fillRect(rect(), whiteBrush_);
    painter.setPen(pen_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int half = layout.blackHalf();
    int k = 0;
    for (int x = layout.noteWidth; x < layout.span; x += layout.noteWidth, k = (k + 1) % 7) {
        const QRect separator = place(QRect(x, 0, 1, layout.keyLength));
        painter.drawLine(separator.topLeft(), separator.bottomRight());
        if (!hasBlackKey(k))
            continue;
        const QRect key = place(
            QRect(x - half + blackKeyOffset(k), 0, layout.blackWidth(), layout.blackLength()));
        painter.fillRect(key, blackBrush_);
        painter.drawRect(key.adjusted(0, 0, -1, -1));
    }

    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (int note = 0; note < 128; ++note) {
        if (!pressed_.test(static_cast<std::size_t>(note)))
            continue;
        for (const QRect& area : pressedAreas(layout, note))
            painter.fillRect(place(area), Qt::white);
    }
}

KeyHit PianoKeyboard::hitAt(QPoint point) const
{
    const KeyLayout layout = keyLayout();
    const QPoint at = toKeyboard(layout, orientation_, point);
    return hitTest(layout, at.x(), at.y(), velocityMode_);
}

void PianoKeyboard::mousePressEvent(QMouseEvent* event)
{
    // Qt holds the pointer for the widget the button went down on, so the
    // matching release and every move come here.
    if (event->button() != Qt::LeftButton)
        return;
    held_ = true;
    releaseCurrent(); // a key whose release never arrived
    const KeyHit hit = hitAt(event->position().toPoint());
    if (hit.note >= 0 && hit.note < 128) {
        current_ = hit.note;
        press(hit.note, hit.velocity);
    }
}

void PianoKeyboard::mouseMoveEvent(QMouseEvent* event)
{
    if (!held_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    if (point.x() < 0 || point.y() < 0 || point.x() >= width() - 1 || point.y() >= height() - 1)
        return;
    const KeyHit hit = hitAt(point);
    if (hit.note < 0 || hit.note >= 128 || hit.note == current_)
        return;
    releaseCurrent();
    current_ = hit.note;
    press(hit.note, hit.velocity);
}

void PianoKeyboard::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        return; // another button came up during a slide
    held_ = false;
    releaseCurrent();
}

void PianoKeyboard::hideEvent(QHideEvent* event)
{
    letGo();
    QWidget::hideEvent(event);
}

void PianoKeyboard::letGo()
{
    held_ = false;
    releaseCurrent();
}

void PianoKeyboard::press(int note, int velocity)
{
    if (!pressed_.test(static_cast<std::size_t>(note))) {
        pressed_.set(static_cast<std::size_t>(note));
        update();
    }
    emit notePressed(note, velocity);
}

void PianoKeyboard::release(int note)
{
    if (pressed_.test(static_cast<std::size_t>(note))) {
        pressed_.reset(static_cast<std::size_t>(note));
        update();
    }
    emit noteReleased(note, 0);
}

// The current note goes before its release is raised, so that a handler
// sees the keyboard as it is after the release.
void PianoKeyboard::releaseCurrent()
{
    if (current_ < 0 || current_ >= 128)
        return;
    const int note = current_;
    current_ = -1;
    release(note);
}

} // namespace velmora::widgets
