#include "perform/ChordDialog.h"

#include "perform/NoteDialog.h"
#include "widgets/PianoKeyboard.h"

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

using widgets::PianoKeyboard;

ChordDialog::ChordDialog(MidiSink& output, int channel, int& chord1, int& chord2, int& chord3,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      keys(createPickKeyboard(QStringLiteral("Click 3 notes to form a chord"), this)),
      lblChord(new QLabel(this)), okBtn(new QPushButton(QStringLiteral("&OK"), this)),
      cancelBtn(new QPushButton(QStringLiteral("&Cancel"), this)), output_(output),
      channel_(channel), chord_{&chord1, &chord2, &chord3}
{
    setObjectName(QStringLiteral("frmChord"));
    setWindowTitle(QStringLiteral("Set Chord"));
    setModal(true);

    keys->onNoteOn = [this](PianoKeyboard&, int key, int) { keysNoteOn(key); };
    keys->onNoteOff = [this](PianoKeyboard& keyboard, int, int) {
        if (!keyboard.held())
            QTimer::singleShot(0, this, &ChordDialog::showError);
    };
    lblChord->setObjectName(QStringLiteral("lblChord"));
    lblChord->setText(QStringLiteral("Chord: %1 %2 %3").arg(chord1).arg(chord2).arg(chord3));
    okBtn->setObjectName(QStringLiteral("OKBtn"));
    okBtn->setDefault(true);
    okBtn->setEnabled(false);
    cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(okBtn, &QPushButton::clicked, this, &ChordDialog::acceptInput);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblChord);
    buttons->addStretch();
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 15, 15, 12);
    layout->addWidget(keys);
    layout->addStretch();
    layout->addLayout(buttons);
    setFixedSize(713, 155);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ChordDialog::keysNoteOn(int note)
{
    if (counter_ >= 3)
        return;
    picks_.at(static_cast<std::size_t>(counter_)) = note;
    ++counter_;
    filled_ = std::max(filled_, counter_);
    const QString error = soundPickedNote(output_, channel_, note, onLed);
    if (!error.isEmpty())
        error_ = error;
    if (counter_ == 3) {
        okBtn->setEnabled(true);
        counter_ = 0;
    }
    showPicks();
}

void ChordDialog::showPicks()
{
    QStringList notes;
    for (int slot = 0; slot < filled_; ++slot)
        notes << QString::number(picks_.at(static_cast<std::size_t>(slot)));
    lblChord->setText(QStringLiteral("Chord: ") + notes.join(u' '));
}

void ChordDialog::acceptInput()
{
    for (std::size_t slot = 0; slot < 3; ++slot)
        *chord_.at(slot) = picks_.at(slot);
    accept();
}

void ChordDialog::showError()
{
    showKeptError(error_, onMessage, this);
}

} // namespace velmora::perform
