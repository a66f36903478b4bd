#include "library/SendBankDialog.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace velmora::library {

SendBankDialog::SendBankDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      bank1_(new QPushButton(tr("User Bank &1"), this)),
      bank2_(new QPushButton(tr("User Bank &2"), this)),
      cancel_(new QPushButton(tr("&Cancel"), this))
{
    setObjectName(QStringLiteral("frmSendBank"));
    setWindowTitle(tr("Send As"));
    setModal(true);
    bank1_->setObjectName(QStringLiteral("btnBank1"));
    bank2_->setObjectName(QStringLiteral("btnBank2"));
    cancel_->setObjectName(QStringLiteral("btnCancel"));
    bank1_->setDefault(true);
    connect(bank1_, &QPushButton::clicked, this, [this] {
        choice_ = 0;
        accept();
    });
    connect(bank2_, &QPushButton::clicked, this, [this] {
        choice_ = 1;
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(bank1_);
    layout->addWidget(bank2_);
    layout->addWidget(cancel_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::optional<int> SendBankDialog::ask()
{
    choice_.reset();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return choice_;
}

} // namespace velmora::library
