// A piano keyboard played with the mouse. Horizontal: low notes on the
// left, keys hanging down from the top edge; vertical: low notes at the
// bottom, keys reaching in from the left edge. A press plays the key under
// the pointer with a velocity from how deep into the key it lands (or 127);
// dragging with the button held slides from key to key, releasing each one
// before the next is pressed. Pressed keys are drawn inverted.
//
// The geometry lives in plain functions over `KeyLayout`, in keyboard
// coordinates: `pos` along the keyboard from the first C, `depth` from the
// edge the keys hang from.
#pragma once

#include <QBrush>
#include <QPen>
#include <QRect>
#include <QWidget>

#include <bitset>
#include <vector>

namespace velmora::widgets {

enum class KeyboardOrientation
{
    kbHorizontal,
    kbVertical,
};

struct KeyLayout
{
    int noteWidth = 10; // width of a white key
    int baseOctave = 3; // the first white key is note baseOctave * 12
    int span = 200;     // extent along the keyboard
    int keyLength = 50; // extent across it

    int blackLength() const { return keyLength * 3 / 5; }
    // Always odd, so a black key sits centred on its separator line.
    int blackWidth() const
    {
        const int width = noteWidth * 3 / 5;
        return width % 2 == 0 ? width + 1 : width;
    }
    int blackHalf() const { return blackWidth() / 2; }
};

// How far the black key right of white key k (C = 0 .. B = 6) is moved off
// its separator, as on a real keyboard where the black keys sit unevenly.
int blackKeyOffset(int k);
// Whether white key k has a black key on its right (C, D, F, G, A).
bool hasBlackKey(int k);

struct KeyHit
{
    int note = 0;
    int velocity = 0;
    bool black = false;
};

KeyHit hitTest(const KeyLayout& layout, int pos, int depth, bool velocityMode);

// The rectangles inverted to show a note pressed, in keyboard coordinates.
// They keep a pixel clear of every outline, so a key's edges stay visible.
std::vector<QRect> pressedAreas(const KeyLayout& layout, int note);

// Keyboard coordinates of a widget point, and a keyboard rectangle on the widget.
QPoint toKeyboard(const KeyLayout& layout, KeyboardOrientation orientation, QPoint point);
QRect toWidget(const KeyLayout& layout, KeyboardOrientation orientation, const QRect& area);

class PianoKeyboard : public QWidget
{
    Q_OBJECT

public:
    explicit PianoKeyboard(QWidget* parent = nullptr);

    KeyboardOrientation orientation() const { return orientation_; }
    void setOrientation(KeyboardOrientation orientation);
    int noteWidth() const { return noteWidth_; }
    void setNoteWidth(int noteWidth); // at least 1
    int baseOctave() const { return baseOctave_; }
    void setBaseOctave(int baseOctave);
    const QBrush& blackBrush() const { return blackBrush_; }
    void setBlackBrush(const QBrush& brush);
    const QBrush& whiteBrush() const { return whiteBrush_; }
    void setWhiteBrush(const QBrush& brush);
    const QPen& pen() const { return pen_; }
    void setPen(const QPen& pen);
    bool velocityMode() const { return velocityMode_; }
    void setVelocityMode(bool velocityMode) { velocityMode_ = velocityMode; }

    KeyLayout keyLayout() const;
    bool isPressed(int note) const { return note >= 0 && note < 128 && pressed_.test(note); }
    // -1 when no key is held.
    int currentNote() const { return current_; }
    // Whether the left button is down on the keyboard: a note-off while it
    // is held belongs to a slide, not to the end of the gesture.
    bool held() const { return held_; }
    // Lets go of the key held, as when the button comes up: its release is
    // raised now, and the rest of the gesture (moves, the button's release)
    // plays nothing.
    void letGo();

    QSize sizeHint() const override { return {200, 50}; }

signals:
    // A key went down (velocity 0..127), a key came up (velocity 0).
    void notePressed(int note, int velocity);
    void noteReleased(int note, int velocity);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    KeyHit hitAt(QPoint point) const;
    void press(int note, int velocity);
    void release(int note);
    void releaseCurrent();

    KeyboardOrientation orientation_ = KeyboardOrientation::kbHorizontal;
    int noteWidth_ = 10;
    int baseOctave_ = 3;
    QBrush blackBrush_{Qt::black};
    QBrush whiteBrush_{Qt::white};
    QPen pen_{Qt::black};
    bool velocityMode_ = true;
    std::bitset<128> pressed_;
    int current_ = -1;
    bool held_ = false;
};

} // namespace velmora::widgets
