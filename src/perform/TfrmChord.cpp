#include "TfrmChord.h"

#include "TKeys.h"
#include "TfrmNoteValue.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace velmora::perform {

using widgets::TKeys;

TfrmChord::TfrmChord(MidiSink& output, int channel, int& chord1, int& chord2, int& chord3,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Keys(CreatePickKeyboard(QStringLiteral("Click 3 notes to form a chord"), this)),
      lblChord(new QLabel(this)), OKBtn(new QPushButton(QStringLiteral("&OK"), this)),
      CancelBtn(new QPushButton(QStringLiteral("&Cancel"), this)), output_(output),
      channel_(channel), chord_{&chord1, &chord2, &chord3}
{
    setObjectName(QStringLiteral("frmChord"));
    setWindowTitle(QStringLiteral("Set Chord"));
    setModal(true);

    Keys->OnNoteOn = [this](TKeys&, int key, int) { KeysNoteOn(key); };
    Keys->OnNoteOff = [this](TKeys& keys, int, int) {
        if (!keys.Held())
            QTimer::singleShot(0, this, &TfrmChord::ShowError);
    };
    lblChord->setObjectName(QStringLiteral("lblChord"));
    lblChord->setText(QStringLiteral("Chord: %1 %2 %3").arg(chord1).arg(chord2).arg(chord3));
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setEnabled(false);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TfrmChord::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblChord);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 15, 15, 12);
    layout->addWidget(Keys);
    layout->addStretch();
    layout->addLayout(buttons);
    setFixedSize(713, 155);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmChord::KeysNoteOn(int note)
{
    if (counter_ >= 3)
        return;
    picks_.at(static_cast<std::size_t>(counter_)) = note;
    ++counter_;
    filled_ = std::max(filled_, counter_);
    const QString error = SoundPickedNote(output_, channel_, note, OnLed);
    if (!error.isEmpty())
        error_ = error;
    if (counter_ == 3) {
        OKBtn->setEnabled(true);
        counter_ = 0;
    }
    ShowPicks();
}

void TfrmChord::ShowPicks()
{
    QStringList notes;
    for (int slot = 0; slot < filled_; ++slot)
        notes << QString::number(picks_.at(static_cast<std::size_t>(slot)));
    lblChord->setText(QStringLiteral("Chord: ") + notes.join(u' '));
}

void TfrmChord::OKBtnClick()
{
    for (std::size_t slot = 0; slot < 3; ++slot)
        *chord_.at(slot) = picks_.at(slot);
    accept();
}

void TfrmChord::ShowError()
{
    ShowKeptError(error_, OnMessage, this);
}

} // namespace velmora::perform
