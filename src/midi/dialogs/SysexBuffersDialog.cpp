#include "midi/dialogs/SysexBuffersDialog.h"

#include "midi/MidiSetup.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora::midi {

SysexBuffersDialog::SysexBuffersDialog(MidiSetup& setup, QWidget* parent)
    : QDialog(parent), setup_(setup)
{
    setWindowTitle(tr("Sysex Setup"));
    setObjectName(QStringLiteral("frmSysex"));

    spSize = new QSpinBox(this);
    spSize->setObjectName(QStringLiteral("spSize"));
    spSize->setRange(512, 4096);
    spSize->setSingleStep(128);
    spSize->setValue(setup_.input().sysexBufferSize());

    spCount = new QSpinBox(this);
    spCount->setObjectName(QStringLiteral("spCount"));
    spCount->setRange(16, 256);
    spCount->setSingleStep(16);
    spCount->setValue(setup_.input().sysexBufferCount());

    auto* form = new QFormLayout;
    form->addRow(tr("SysEx Buffer Size"), spSize);
    form->addRow(tr("SysEx Buffer Count"), spCount);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &SysexBuffersDialog::acceptInput);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void SysexBuffersDialog::acceptInput()
{
    try {
        setup_.applySysexBuffers(spSize->value(), spCount->value());
    } catch (const std::exception& e) {
        QMessageBox::critical(this, tr("Velmora"), QString::fromStdString(e.what()));
    }
    accept();
}

} // namespace velmora::midi
