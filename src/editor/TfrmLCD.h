// The Parameter Display: a small tool window, always on top, with two red
// seven-segment displays. After every single-parameter send it shows the
// parameter number and the signed value, after a matrix-bus send the bus
// number with a point ("3.") and the signed amount. It follows the sends
// whether it is visible or not, so it is up to date when it is shown.
#pragma once

#include <QWidget>

namespace velmora::widgets {
class TLcdDisplay;
}

namespace velmora::editor {

class TfrmLCD : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmLCD(QWidget* parent = nullptr);

    void ShowParameter(int parameter, int value);
    void ShowBus(int bus, int amount);

    const widgets::TLcdDisplay& ParameterDisplay() const { return *parameter_; }
    const widgets::TLcdDisplay& ValueDisplay() const { return *value_; }

private:
    widgets::TLcdDisplay* parameter_;
    widgets::TLcdDisplay* value_;
};

} // namespace velmora::editor
