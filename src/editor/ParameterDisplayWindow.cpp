#include "editor/ParameterDisplayWindow.h"

#include "widgets/LcdDisplay.h"
#include "widgets/PanelStyle.h"

#include <QGridLayout>
#include <QLabel>
#include <QPalette>

namespace velmora::editor {
namespace {

using widgets::LcdDisplay;

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, widgets::panel::caption);
    label->setPalette(palette);
    return label;
}

} // namespace

ParameterDisplayWindow::ParameterDisplayWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), parameter_(new LcdDisplay(this)),
      value_(new LcdDisplay(this))
{
    setObjectName(QStringLiteral("frmLCD"));
    setWindowTitle(tr("Parameter Display"));
    parameter_->setObjectName(QStringLiteral("LCDparameter"));
    value_->setObjectName(QStringLiteral("LCDvalue"));

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, widgets::panel::background);
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 10, 10, 6);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(2);
    // Larger than the panel's own displays: the window is read from a
    // distance while playing.
    for (LcdDisplay* display : {parameter_, value_})
        display->setMinimumSize(display->sizeHint() * 3 / 2);
    layout->addWidget(parameter_, 0, 0);
    layout->addWidget(value_, 0, 1);
    layout->addWidget(caption(tr("Parameter"), this), 1, 0);
    layout->addWidget(caption(tr("Value"), this), 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ParameterDisplayWindow::showParameter(int parameter, int value)
{
    parameter_->setValue(parameter);
    value_->setValue(value);
}

void ParameterDisplayWindow::showBus(int bus, int amount)
{
    parameter_->setText(QString::number(bus) + u'.');
    value_->setValue(amount);
}

} // namespace velmora::editor
