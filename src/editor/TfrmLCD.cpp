#include "TfrmLCD.h"

#include "PanelStyle.h"
#include "TLcdDisplay.h"

#include <QGridLayout>
#include <QLabel>
#include <QPalette>

namespace velmora::editor {
namespace {

using widgets::TLcdDisplay;

QLabel* Caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, widgets::panel::Caption);
    label->setPalette(palette);
    return label;
}

} // namespace

TfrmLCD::TfrmLCD(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), parameter_(new TLcdDisplay(this)),
      value_(new TLcdDisplay(this))
{
    setObjectName(QStringLiteral("frmLCD"));
    setWindowTitle(QStringLiteral("Parameter Display"));
    parameter_->setObjectName(QStringLiteral("LCDparameter"));
    value_->setObjectName(QStringLiteral("LCDvalue"));

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, widgets::panel::Background);
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 10, 10, 6);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(2);
    // Larger than the panel's own displays: the window is read from a
    // distance while playing.
    for (TLcdDisplay* display : {parameter_, value_})
        display->setMinimumSize(display->sizeHint() * 3 / 2);
    layout->addWidget(parameter_, 0, 0);
    layout->addWidget(value_, 0, 1);
    layout->addWidget(Caption(QStringLiteral("Parameter"), this), 1, 0);
    layout->addWidget(Caption(QStringLiteral("Value"), this), 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmLCD::ShowParameter(int parameter, int value)
{
    parameter_->SetValue(parameter);
    value_->SetValue(value);
}

void TfrmLCD::ShowBus(int bus, int amount)
{
    parameter_->SetText(QString::number(bus) + u'.');
    value_->SetValue(amount);
}

} // namespace velmora::editor
