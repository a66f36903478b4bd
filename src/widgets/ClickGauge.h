// A vertical gauge: a filled bar from the bottom up to `position` of
// `maxValue`. A press of any mouse button moves it to the value under the
// pointer and reports the resulting position, so a click sets a value
// directly.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class ClickGauge : public QWidget
{
    Q_OBJECT

public:
    explicit ClickGauge(QWidget* parent = nullptr);

    int maxValue() const { return max_; }
    void setMaxValue(int maxValue);
    int position() const { return position_; }
    // Clamped to 0..maxValue. Runs no handler.
    void setPosition(int position);

    // The value under a pointer `y` pixels from the top of a gauge `height`
    // pixels high: maxValue - Round(y / (height / maxValue)), the divisions in
    // floating point and halves rounded to even. May be negative or above
    // `maxValue`; the gauge ignores the one and clamps the other.
    static int positionAt(double y, int height, int maxValue);

    QSize sizeHint() const override;

signals:
    // After a press: the gauge's position, changed or not.
    void mouseDown(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int max_ = 63;
    int position_ = 0;
};

} // namespace velmora::widgets
