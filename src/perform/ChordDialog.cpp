#include "perform/ChordDialog.h"

#include "perform/NoteDialog.h"
#include "widgets/PianoKeyboard.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace velmora::perform {

using widgets::PianoKeyboard;

ChordDialog::ChordDialog(MidiSink& output, int channel, int& chord1, int& chord2, int& chord3,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      keys(createPickKeyboard(tr("Click 3 notes to form a chord"), this)),
      lblChord(new QLabel(this)), okBtn(new QPushButton(tr("&OK"), this)),
      cancelBtn(new QPushButton(tr("&Cancel"), this)), output_(output),
      channel_(channel), chord_{&chord1, &chord2, &chord3}
{
    setObjectName(QStringLiteral("frmChord"));
    setWindowTitle(tr("Set Chord"));
    setModal(true);

    connect(keys, &PianoKeyboard::notePressed, this, [this](int key) { keysNoteOn(key); });
    connect(keys, &PianoKeyboard::noteReleased, this, [this] {
        if (!keys->held())
            QTimer::singleShot(0, this, &ChordDialog::showError);
    });
    lblChord->setObjectName(QStringLiteral("lblChord"));
    lblChord->setText(tr("Chord: %1 %2 %3").arg(chord1).arg(chord2).arg(chord3));
    okBtn->setObjectName(QStringLiteral("OKBtn"));
    okBtn->setDefault(true);
    okBtn->setEnabled(false);
    cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(okBtn, &QPushButton::clicked, this, &ChordDialog::acceptInput);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    layOutPickDialog(*this, keys, lblChord, okBtn, cancelBtn, 155);
}

void ChordDialog::keysNoteOn(int note)
{
    if (counter_ >= 3)
        return;
    picks_.at(static_cast<std::size_t>(counter_)) = note;
    ++counter_;
    filled_ = std::max(filled_, counter_);
    emit ledChanged(true);
    const QString error = soundPickedNote(output_, channel_, note);
    emit ledChanged(false);
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
    lblChord->setText(tr("Chord: ") + notes.join(u' '));
}

void ChordDialog::acceptInput()
{
    for (std::size_t slot = 0; slot < 3; ++slot)
        *chord_.at(slot) = picks_.at(slot);
    accept();
}

// Kept back until the mouse gesture ended, as in the Set Note dialog.
void ChordDialog::showError()
{
    if (!error_.isEmpty())
        emit errorOccurred(std::exchange(error_, QString()));
}

} // namespace velmora::perform
