// A three-digit seven-segment display, red digits on black, as on the
// instrument's panel. It shows up to three digits, a leading minus sign and
// decimal points ("-63", "127", "3."). Longer text shows its last three
// digits.
#pragma once

#include <QWidget>

namespace velmora::widgets {

class TLcdDisplay : public QWidget
{
    Q_OBJECT

public:
    explicit TLcdDisplay(QWidget* parent = nullptr);

    QString Text() const { return text_; }
    void SetText(const QString& text);
    void SetValue(int value) { SetText(QString::number(value)); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace velmora::widgets
