#include "midi/dialogs/SysexBuffersDialog.h"

#include "common/ErrorReporter.h"
#include "midi/MidiSetup.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora::midi {

SysexBuffersDialog::SysexBuffersDialog(MidiSetup& setup, ErrorReporter& errors, QWidget* parent)
    : QDialog(parent), setup_(setup), errors_(errors)
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
    errors_.run([this] { setup_.applySysexBuffers(spSize->value(), spCount->value()); });
    accept();
}

} // namespace velmora::midi
