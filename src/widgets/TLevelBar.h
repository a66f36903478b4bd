// A segmented level bar, horizontal or vertical, lime segments lit from the
// low end up to `Position` of `MaxValue`.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class TLevelBar : public QWidget
{
    Q_OBJECT

public:
    explicit TLevelBar(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

    int MaxValue() const { return max_; }
    void SetMaxValue(int maxValue);
    int Position() const { return position_; }
    void SetPosition(int position); // clamped to 0..MaxValue

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation orientation_;
    int max_ = 127;
    int position_ = 0;
};

} // namespace velmora::widgets
