// The "Set Note" dialog: a nine-octave keyboard on which a click picks the
// test note. Each click sounds the key briefly at full velocity; "OK" keeps
// the last picked note, "Cancel" leaves the test note as it was.
#pragma once

#include "protocol/MidiSink.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace velmora::widgets {
class PianoKeyboard;
}

namespace velmora::perform {

// A picked note sounds: on at velocity 127, 100 ms, off. The wait blocks; a
// click is all the dialog does meanwhile. Returns the output's error text,
// empty when the notes went out.
QString soundPickedNote(MidiSink& output, int channel, int note);

// The keyboard both picking dialogs show.
widgets::PianoKeyboard* createPickKeyboard(const QString& hint, QWidget* parent);
// Lays out a picking dialog: the keyboard above, the label and the two
// buttons below; fixed size `height`, in the middle of the screen.
void layOutPickDialog(QDialog& dialog, QWidget* keys, QLabel* label, QPushButton* ok,
                      QPushButton* cancel, int height);

class NoteDialog : public QDialog
{
    Q_OBJECT

public:
    // `note` is the test note; "OK" writes the picked note into it.
    NoteDialog(MidiSink& output, int channel, int& note, QWidget* parent = nullptr);

    int pickedNote() const { return picked_; }

signals:
    // The MIDI-out lamp, lit while a picked note sounds.
    void ledChanged(bool lit);
    // A failure of the output, told once the key is let go.
    void errorOccurred(const QString& text);

private:
    void keysNoteOn(int note);
    void acceptInput();
    void showError();

    widgets::PianoKeyboard* keys;
    QLabel* lblNote;
    QPushButton* button1;
    QPushButton* button2;
    MidiSink& output_;
    int channel_;
    int& note_;
    int picked_;
    QString error_;
};

} // namespace velmora::perform
