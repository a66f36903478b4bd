#include "TfrmNoteValue.h"

#include "Messages.h"
#include "TKeys.h"

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

using widgets::TKeys;

QString SoundPickedNote(MidiSink& output, int channel, int note,
                        const std::function<void(bool lit)>& led)
{
    constexpr int kLengthMs = 100;
    const Byte key = static_cast<Byte>(note);
    QString error;
    if (led)
        led(true);
    try {
        const ShortMessage on = NoteOn(channel, key, 127);
        output.SendShort(on.status, on.data1, on.data2);
        QThread::msleep(kLengthMs);
        const ShortMessage off = NoteOff(channel, key, 127);
        output.SendShort(off.status, off.data1, off.data2);
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
    }
    if (led)
        led(false);
    return error;
}

TKeys* CreatePickKeyboard(const QString& hint, QWidget* parent)
{
    auto* keys = new TKeys(parent);
    keys->setObjectName(QStringLiteral("Keys"));
    keys->SetNoteWidth(10);
    keys->SetBaseOctave(1);
    keys->SetVelocityMode(false);
    keys->setFixedSize(683, 73);
    keys->setToolTip(hint);
    return keys;
}

TfrmNoteValue::TfrmNoteValue(MidiSink& output, int channel, int& note, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Keys(CreatePickKeyboard(QStringLiteral("Click to pick a note"), this)),
      lblNote(new QLabel(this)), Button1(new QPushButton(QStringLiteral("OK"), this)),
      Button2(new QPushButton(QStringLiteral("Cancel"), this)), output_(output), channel_(channel),
      note_(note), picked_(note)
{
    setObjectName(QStringLiteral("frmNoteValue"));
    setWindowTitle(QStringLiteral("Set Note"));
    setModal(true);

    Keys->OnNoteOn = [this](TKeys&, int key, int) { KeysNoteOn(key); };
    Keys->OnNoteOff = [this](TKeys& keys, int, int) {
        if (!keys.Held())
            QTimer::singleShot(0, this, &TfrmNoteValue::ShowError);
    };
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setText(QStringLiteral("Note: %1").arg(picked_));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, &TfrmNoteValue::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblNote);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 15, 15, 12);
    layout->addWidget(Keys);
    layout->addStretch();
    layout->addLayout(buttons);
    setFixedSize(713, 152);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmNoteValue::KeysNoteOn(int note)
{
    const QString error = SoundPickedNote(output_, channel_, note, OnLed);
    if (!error.isEmpty())
        error_ = error;
    picked_ = note;
    lblNote->setText(QStringLiteral("Note: %1").arg(picked_));
}

void TfrmNoteValue::Button1Click()
{
    note_ = picked_;
    accept();
}

void TfrmNoteValue::ShowError()
{
    ShowKeptError(error_, OnMessage, this);
}

void ShowKeptError(QString& error, const std::function<void(const QString&)>& onMessage,
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
