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
    label_ = new QLabel(this);
    number_ = new QSpinBox(this);
    number_->setObjectName(QStringLiteral("SpinEdit1"));
    number_->setToolTip(tr("Enter the patch number here"));
    label_->setBuddy(number_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(number_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setup(tr("Send To"), tr("Patch # (000-199)"), 199, 0);
}

void NumberDialog::setup(const QString& caption, const QString& label, int maximum, int initial)
{
    setWindowTitle(caption);
    label_->setText(label);
    number_->setRange(0, maximum);
    number_->setValue(initial < 0 ? 0 : initial);
    // At most as many digits as the highest number has.
    number_->findChild<QLineEdit*>()->setMaxLength(
        static_cast<int>(QString::number(maximum).size()));
    number_->selectAll();
}

std::optional<int> NumberDialog::ask()
{
    number_->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return number_->value();
}

} // namespace velmora
