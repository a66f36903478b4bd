#include "app/TransferPausesDialog.h"

#include "app/Settings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora {
namespace {

QSpinBox* pauseBox(QWidget* parent, const char* name, int minimum, int maximum, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    box->setSuffix(QStringLiteral(" ms"));
    box->setValue(value);
    return box;
}

} // namespace

TransferPausesDialog::TransferPausesDialog(int storePause, int globalWritePause, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTransferPauses"));
    setWindowTitle(tr("Transfer Pauses"));
    const Settings defaults;
    store_ = pauseBox(this, "spStorePause", Settings::kMinStorePause, Settings::kMaxStorePause,
                      storePause);
    global_ = pauseBox(this, "spGlobalWritePause", Settings::kMinGlobalWritePause,
                       Settings::kMaxGlobalWritePause, globalWritePause);

    auto* intro = new QLabel(
        tr("How long Velmora waits for the instrument before it sends the next message. If a "
           "checked upload reports patches that did not arrive, give the instrument longer."),
        this);
    intro->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(tr("After each stored &patch:"), store_);
    form->addRow(tr("After a &global settings write:"), global_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* reset = buttons->addButton(tr("&Defaults"), QDialogButtonBox::ResetRole);
    reset->setToolTip(tr("%1 ms after a patch, %2 ms after a global write")
                          .arg(defaults.storePause)
                          .arg(defaults.globalWritePause));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, [this, defaults] {
        store_->setValue(defaults.storePause);
        global_->setValue(defaults.globalWritePause);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

int TransferPausesDialog::storePause() const
{
    return store_->value();
}

int TransferPausesDialog::globalWritePause() const
{
    return global_->value();
}

} // namespace velmora
