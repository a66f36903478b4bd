#include "perform/NoteDialog.h"

#include "protocol/Messages.h"
#include "widgets/PianoKeyboard.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <utility>

namespace velmora::perform {

using widgets::PianoKeyboard;

QString soundPickedNote(MidiSink& output, int channel, int note,
                        const std::function<void(bool lit)>& led)
{
    constexpr int kLengthMs = 100;
    const Byte key = static_cast<Byte>(note);
    QString error;
    if (led)
        led(true);
    try {
        const ShortMessage on = noteOn(channel, key, 127);
        output.sendShort(on.status, on.data1, on.data2);
        QThread::msleep(kLengthMs);
        const ShortMessage off = noteOff(channel, key, 127);
        output.sendShort(off.status, off.data1, off.data2);
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
    }
    if (led)
        led(false);
    return error;
}

PianoKeyboard* createPickKeyboard(const QString& hint, QWidget* parent)
{
    auto* keys = new PianoKeyboard(parent);
    keys->setObjectName(QStringLiteral("Keys"));
    keys->setNoteWidth(10);
    keys->setBaseOctave(1);
    keys->setVelocityMode(false);
    keys->setFixedSize(683, 73);
    keys->setToolTip(hint);
    return keys;
}

NoteDialog::NoteDialog(MidiSink& output, int channel, int& note, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      keys(createPickKeyboard(QStringLiteral("Click to pick a note"), this)),
      lblNote(new QLabel(this)), button1(new QPushButton(QStringLiteral("OK"), this)),
      button2(new QPushButton(QStringLiteral("Cancel"), this)), output_(output), channel_(channel),
      note_(note), picked_(note)
{
    setObjectName(QStringLiteral("frmNoteValue"));
    setWindowTitle(QStringLiteral("Set Note"));
    setModal(true);

    keys->onNoteOn = [this](PianoKeyboard&, int key, int) { keysNoteOn(key); };
    keys->onNoteOff = [this](PianoKeyboard& keyboard, int, int) {
        if (!keyboard.held())
            QTimer::singleShot(0, this, &NoteDialog::showError);
    };
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setText(QStringLiteral("Note: %1").arg(picked_));
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setDefault(true);
    button2->setObjectName(QStringLiteral("Button2"));
    connect(button1, &QPushButton::clicked, this, &NoteDialog::acceptInput);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblNote);
    buttons->addStretch();
    buttons->addWidget(button1);
    buttons->addWidget(button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 15, 15, 12);
    layout->addWidget(keys);
    layout->addStretch();
    layout->addLayout(buttons);
    setFixedSize(713, 152);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void NoteDialog::keysNoteOn(int note)
{
    const QString error = soundPickedNote(output_, channel_, note, onLed);
    if (!error.isEmpty())
        error_ = error;
    picked_ = note;
    lblNote->setText(QStringLiteral("Note: %1").arg(picked_));
}

void NoteDialog::acceptInput()
{
    note_ = picked_;
    accept();
}

void NoteDialog::showError()
{
    showKeptError(error_, onMessage, this);
}

void showKeptError(QString& error, const std::function<void(const QString&)>& onMessage,
                   QWidget* parent)
{
    if (error.isEmpty())
        return;
    const QString text = std::exchange(error, QString());
    if (onMessage)
        onMessage(text);
    else
        QMessageBox::critical(parent, QStringLiteral("Velmora"), text);
}

} // namespace velmora::perform
