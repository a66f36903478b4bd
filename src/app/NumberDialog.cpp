#include "app/NumberDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora {

NumberDialog::NumberDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNumber"));
    label1 = new QLabel(this);
    spinEdit1 = new QSpinBox(this);
    spinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    spinEdit1->setToolTip(QStringLiteral("Enter the patch number here"));
    label1->setBuddy(spinEdit1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(spinEdit1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setup(QStringLiteral("Send To"), QStringLiteral("Patch # (000-199)"), 199, 0);
}

void NumberDialog::setup(const QString& caption, const QString& label, int maximum, int initial)
{
    setWindowTitle(caption);
    label1->setText(label);
    spinEdit1->setRange(0, maximum);
    spinEdit1->setValue(initial < 0 ? 0 : initial);
    // At most as many digits as the highest number has.
    spinEdit1->findChild<QLineEdit*>()->setMaxLength(
        static_cast<int>(QString::number(maximum).size()));
    spinEdit1->selectAll();
}

std::optional<int> NumberDialog::ask()
{
    spinEdit1->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return spinEdit1->value();
}

} // namespace velmora
