// A panel switch with two or three positions (left/right, or up/middle/down
// when vertical). A click moves it to the position nearest the pointer;
// the keyboard arrows move it one step. `changed` fires on every change,
// whether by the user or by the program.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class PanelSwitch : public QWidget
{
    Q_OBJECT

public:
    explicit PanelSwitch(int positions = 2, Qt::Orientation orientation = Qt::Horizontal,
                         QWidget* parent = nullptr);

    int positions() const { return positions_; }
    int position() const { return position_; }
    void setPosition(int position); // clamped to 0..positions() - 1

    QSize sizeHint() const override;

signals:
    void changed(int position);

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
