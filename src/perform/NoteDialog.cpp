#include "perform/NoteDialog.h"

#include "protocol/Messages.h"
#include "widgets/PianoKeyboard.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <utility>

namespace velmora::perform {

using widgets::PianoKeyboard;

QString soundPickedNote(MidiSink& output, int channel, int note)
{
    constexpr int kLengthMs = 100;
    const Byte key = static_cast<Byte>(note);
    QString error;
    try {
        const ShortMessage on = noteOn(channel, key, 127);
        output.sendShort(on.status, on.data1, on.data2);
        QThread::msleep(kLengthMs);
        const ShortMessage off = noteOff(channel, key, 127);
        output.sendShort(off.status, off.data1, off.data2);
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
    }
    return error;
}

void layOutPickDialog(QDialog& dialog, QWidget* keys, QLabel* label, QPushButton* ok,
                      QPushButton* cancel, int height)
{
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(label);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(15, 15, 15, 12);
    layout->addWidget(keys);
    layout->addStretch();
    layout->addLayout(buttons);
    dialog.setFixedSize(713, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
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
      keys(createPickKeyboard(tr("Click to pick a note"), this)), lblNote(new QLabel(this)),
      button1(new QPushButton(tr("OK"), this)), button2(new QPushButton(tr("Cancel"), this)),
      output_(output), channel_(channel), note_(note), picked_(note)
{
    setObjectName(QStringLiteral("frmNoteValue"));
    setWindowTitle(tr("Set Note"));
    setModal(true);

    connect(keys, &PianoKeyboard::notePressed, this, [this](int key) { keysNoteOn(key); });
    connect(keys, &PianoKeyboard::noteReleased, this, [this] {
        if (!keys->held())
            QTimer::singleShot(0, this, &NoteDialog::showError);
    });
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setText(tr("Note: %1").arg(picked_));
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setDefault(true);
    button2->setObjectName(QStringLiteral("Button2"));
    connect(button1, &QPushButton::clicked, this, &NoteDialog::acceptInput);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);

    layOutPickDialog(*this, keys, lblNote, button1, button2, 152);
}

void NoteDialog::keysNoteOn(int note)
{
    emit ledChanged(true);
    const QString error = soundPickedNote(output_, channel_, note);
    emit ledChanged(false);
    if (!error.isEmpty())
        error_ = error;
    picked_ = note;
    lblNote->setText(tr("Note: %1").arg(picked_));
}

void NoteDialog::acceptInput()
{
    note_ = picked_;
    accept();
}

// An output error is kept back until the mouse gesture ended: a message box
// in the middle of it would take the button's release from the keyboard.
void NoteDialog::showError()
{
    if (!error_.isEmpty())
        emit errorOccurred(std::exchange(error_, QString()));
}

} // namespace velmora::perform
