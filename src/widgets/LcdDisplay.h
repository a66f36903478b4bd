// A three-digit seven-segment display, red digits on black, as on the
// instrument's panel. It shows up to three digits, a leading minus sign and
// decimal points ("-63", "127", "3."). Longer text shows its last three
// digits.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class LcdDisplay : public QWidget
{
    Q_OBJECT

public:
    explicit LcdDisplay(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    void setValue(int value) { setText(QString::number(value)); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace velmora::widgets
