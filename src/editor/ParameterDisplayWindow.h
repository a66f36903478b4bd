// The Parameter Display: a small tool window, always on top, with two red
// seven-segment displays. After every single-parameter send it shows the
// parameter number and the signed value, after a matrix-bus send the bus
// number with a point ("3.") and the signed amount. It follows the sends
// whether it is visible or not, so it is up to date when it is shown.
#pragma once

#include <QWidget>

namespace velmora::widgets {
class LcdDisplay;
}

namespace velmora::editor {

class ParameterDisplayWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ParameterDisplayWindow(QWidget* parent = nullptr);

    void showParameter(int parameter, int value);
    void showBus(int bus, int amount);

    const widgets::LcdDisplay& parameterDisplay() const { return *parameter_; }
    const widgets::LcdDisplay& valueDisplay() const { return *value_; }

private:
    widgets::LcdDisplay* parameter_;
    widgets::LcdDisplay* value_;
};

} // namespace velmora::editor
