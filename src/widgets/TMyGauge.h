// A vertical gauge: a filled bar from the bottom up to `Position` of
// `MaxValue`. A press of any mouse button moves it to the value under the
// pointer and reports the resulting position, so a click sets a value
// directly.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class TMyGauge : public QWidget
{
    Q_OBJECT

public:
    explicit TMyGauge(QWidget* parent = nullptr);

    int MaxValue() const { return max_; }
    void SetMaxValue(int maxValue);
    int Position() const { return position_; }
    // Clamped to 0..MaxValue. Runs no handler.
    void SetPosition(int position);

    // The value under a pointer `y` pixels from the top of a gauge `height`
    // pixels high: MaxValue - Round(y / (height / MaxValue)), the divisions in
    // floating point and halves rounded to even. May be negative or above
    // `maxValue`; the gauge ignores the one and clamps the other.
    static int PositionAt(double y, int height, int maxValue);

    QSize sizeHint() const override;

signals:
    // After a press: the gauge's position, changed or not.
    void MouseDown(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int max_ = 63;
    int position_ = 0;
};

} // namespace velmora::widgets
