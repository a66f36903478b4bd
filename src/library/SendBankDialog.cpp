#include "library/SendBankDialog.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace velmora::library {

SendBankDialog::SendBankDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      btnBank1(new QPushButton(QStringLiteral("User Bank &1"), this)),
      btnBank2(new QPushButton(QStringLiteral("User Bank &2"), this)),
      btnCancel(new QPushButton(QStringLiteral("&Cancel"), this))
{
    setObjectName(QStringLiteral("frmSendBank"));
    setWindowTitle(QStringLiteral("Send As"));
    setModal(true);
    btnBank1->setObjectName(QStringLiteral("btnBank1"));
    btnBank2->setObjectName(QStringLiteral("btnBank2"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnBank1->setDefault(true);
    connect(btnBank1, &QPushButton::clicked, this, [this] {
        choice_ = 0;
        accept();
    });
    connect(btnBank2, &QPushButton::clicked, this, [this] {
        choice_ = 1;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(btnBank1);
    layout->addWidget(btnBank2);
    layout->addWidget(btnCancel);
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
