// A round panel lamp: lit or dark, in a colour of its own.
#pragma once

#include <QColor>
#include <QWidget>

namespace velmora::widgets {

class TVrLed : public QWidget
{
    Q_OBJECT

public:
    explicit TVrLed(QWidget* parent = nullptr);

    bool Active() const { return active_; }
    void SetActive(bool active);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool active_ = false;
    QColor color_;
};

} // namespace velmora::widgets
