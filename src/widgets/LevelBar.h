// A segmented level bar, horizontal or vertical, lime segments lit from the
// low end up to `position` of `maxValue`.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class LevelBar : public QWidget
{
    Q_OBJECT

public:
    explicit LevelBar(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

    int maxValue() const { return max_; }
    void setMaxValue(int maxValue);
    int position() const { return position_; }
    void setPosition(int position); // clamped to 0..maxValue

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation orientation_;
    int max_ = 127;
    int position_ = 0;
};

} // namespace velmora::widgets
