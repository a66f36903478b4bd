// The "Set Chord" dialog: three clicks on the keyboard pick the three notes
// of the test chord, each sounding briefly as it is picked. "&OK" is enabled
// once three notes are picked; further clicks replace the picks from the
// first on. "&Cancel" leaves the chord as it was.
#pragma once

#include "protocol/MidiSink.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;

namespace velmora::widgets {
class PianoKeyboard;
}

namespace velmora::perform {

class ChordDialog : public QDialog
{
    Q_OBJECT

public:
    // "&OK" writes the three picked notes into `chord1` .. `chord3`.
    ChordDialog(MidiSink& output, int channel, int& chord1, int& chord2, int& chord3,
                QWidget* parent = nullptr);

    const std::array<int, 3>& picks() const { return picks_; }

signals:
    // The MIDI-out lamp, lit while a picked note sounds.
    void ledChanged(bool lit);
    // A failure of the output, told once the key is let go.
    void errorOccurred(const QString& text);

private:
    void keysNoteOn(int note);
    void acceptInput();
    void showPicks();
    void showError();

    widgets::PianoKeyboard* keys;
    QLabel* lblChord;
    QPushButton* okBtn;
    QPushButton* cancelBtn;
    MidiSink& output_;
    int channel_;
    std::array<int*, 3> chord_;
    std::array<int, 3> picks_{};
    int counter_ = 0;
    int filled_ = 0; // slots picked at least once
    QString error_;
};

} // namespace velmora::perform
