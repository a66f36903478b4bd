#include "midi/dialogs/MidiSetupDialog.h"

#include "common/ErrorReporter.h"
#include "midi/MidiSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora::midi {
namespace {

QStringList toList(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names)
        list << QString::fromStdString(name);
    return list;
}

} // namespace

MidiSetupDialog::MidiSetupDialog(MidiSetup& setup, ErrorReporter& errors, QWidget* parent)
    : QDialog(parent), setup_(setup), errors_(errors)
{
    setWindowTitle(tr("Midi Setup"));
    setObjectName(QStringLiteral("frmMidi"));

    cbInPort = new QComboBox(this);
    cbInPort->setObjectName(QStringLiteral("cbInPort"));
    cbInPort->addItems(toList(setup_.inputNames()));
    cbInPort->setCurrentIndex(setup_.input().deviceID());

    cbOutPort = new QComboBox(this);
    cbOutPort->setObjectName(QStringLiteral("cbOutPort"));
    cbOutPort->addItems(toList(setup_.outputNames()));
    cbOutPort->setCurrentIndex(std::max(setup_.output().deviceID(), 0));

    seChannel = new QSpinBox(this);
    seChannel->setObjectName(QStringLiteral("seChannel"));
    seChannel->setRange(1, 16);
    seChannel->setValue(setup_.routing().instrumentChannel + 1);

    cbInPort2 = new QComboBox(this);
    cbInPort2->setObjectName(QStringLiteral("cbInPort2"));
    fillSecondInputs();

    cbChannel2 = new QComboBox(this);
    cbChannel2->setObjectName(QStringLiteral("cbChannel2"));
    cbChannel2->addItem(tr("any"));
    for (int channel = 1; channel <= 16; ++channel)
        cbChannel2->addItem(QString::number(channel));
    cbChannel2->setCurrentIndex(setup_.routing().keyboardChannel);

    auto* form = new QFormLayout;
    form->addRow(tr("Matrix Midi In"), cbInPort);
    form->addRow(tr("Matrix Midi Out"), cbOutPort);
    form->addRow(tr("Matrix Midi Channel"), seChannel);
    form->addRow(tr("Keyboard / Controller Midi In"), cbInPort2);
    form->addRow(tr("Keyboard / Contr. Midi Channel"), cbChannel2);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    QPushButton* help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });

    auto* layout = new QVBoxLayout(this);
    if (setup_.onlyVirtualPorts()) {
        // A first run without an interface: say how to reach the instrument.
        auto* hint =
            new QLabel(tr("Only the built-in virtual Matrix-1000 is available. To edit your own "
                          "instrument, connect a MIDI interface: the instrument's MIDI Out to "
                          "the interface's In, the interface's Out to the instrument's MIDI In, "
                          "and start Velmora again: the interface's ports then appear in the "
                          "lists below, ahead of the virtual ones. Set the channel to the "
                          "instrument's MIDI channel."),
                       this);
        hint->setObjectName(QStringLiteral("lblNoInterface"));
        hint->setWordWrap(true);
        hint->setMaximumWidth(420);
        layout->addWidget(hint);
    }
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(cbInPort, &QComboBox::activated, this, &MidiSetupDialog::selectInput);
    connect(cbOutPort, &QComboBox::activated, this, &MidiSetupDialog::selectOutput);
    connect(cbInPort2, &QComboBox::activated, this, &MidiSetupDialog::selectSecondInput);
    connect(seChannel, &QSpinBox::valueChanged, this,
            [this](int value) { setup_.routing().instrumentChannel = value - 1; });
    connect(cbChannel2, &QComboBox::activated, this,
            [this](int position) { setup_.routing().keyboardChannel = position; });
}

void MidiSetupDialog::fillSecondInputs()
{
    const QSignalBlocker block(cbInPort2);
    cbInPort2->clear();
    cbInPort2->addItems(toList(setup_.secondInputNames()));
    cbInPort2->setCurrentIndex(setup_.secondInputPosition());
}

void MidiSetupDialog::selectInput(int position)
{
    errors_.run([&] { setup_.changeInPort(position); });
    // The keyboard list leaves out whatever the instrument input uses.
    fillSecondInputs();
}

void MidiSetupDialog::selectOutput(int position)
{
    errors_.run([&] { setup_.changeOutPort(position); });
}

void MidiSetupDialog::selectSecondInput(int position)
{
    errors_.run([&] { setup_.changeInPort2(position); });
}

} // namespace velmora::midi
