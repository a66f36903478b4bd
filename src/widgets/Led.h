// A round panel lamp: lit or dark, in a colour of its own.
#pragma once

#include <QColor>
#include <QWidget>

namespace velmora::widgets {

class Led : public QWidget
{
    Q_OBJECT

public:
    explicit Led(QWidget* parent = nullptr);

    bool active() const { return active_; }
    void setActive(bool active);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool active_ = false;
    QColor color_;
};

} // namespace velmora::widgets
