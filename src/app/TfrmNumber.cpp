#include "TfrmNumber.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora {

TfrmNumber::TfrmNumber(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNumber"));
    Label1 = new QLabel(this);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setToolTip(QStringLiteral("Enter the patch number here"));
    Label1->setBuddy(SpinEdit1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(SpinEdit1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Setup(QStringLiteral("Send To"), QStringLiteral("Patch # (000-199)"), 199, 0);
}

void TfrmNumber::Setup(const QString& caption, const QString& label, int maximum, int initial)
{
    setWindowTitle(caption);
    Label1->setText(label);
    SpinEdit1->setRange(0, maximum);
    SpinEdit1->setValue(initial < 0 ? 0 : initial);
    // At most as many digits as the highest number has.
    SpinEdit1->findChild<QLineEdit*>()->setMaxLength(
        static_cast<int>(QString::number(maximum).size()));
    SpinEdit1->selectAll();
}

std::optional<int> TfrmNumber::Ask()
{
    SpinEdit1->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return SpinEdit1->value();
}

} // namespace velmora
