// A panel switch with two or three positions (left/right, or up/middle/down
// when vertical). A click moves it to the position nearest the pointer;
// the keyboard arrows move it one step. `Changed` fires on every change,
// whether by the user or by the program.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class TSwitch : public QWidget
{
    Q_OBJECT

public:
    explicit TSwitch(int positions = 2, Qt::Orientation orientation = Qt::Horizontal,
                     QWidget* parent = nullptr);

    int Positions() const { return positions_; }
    int Position() const { return position_; }
    void SetPosition(int position); // clamped to 0..Positions() - 1

    QSize sizeHint() const override;

signals:
    void Changed(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int positions_;
    Qt::Orientation orientation_;
    int position_ = 0;
};

} // namespace velmora::widgets
