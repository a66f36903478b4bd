// The "Set Note" dialog: a nine-octave keyboard on which a click picks the
// test note. Each click sounds the key briefly at full velocity; "OK" keeps
// the last picked note, "Cancel" leaves the test note as it was.
#pragma once

#include "MidiSink.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace velmora::widgets {
class TKeys;
}

namespace velmora::perform {

// A picked note sounds: on at velocity 127, 100 ms, off, with the lamp lit
// meanwhile. The wait blocks; a click is all the dialog does meanwhile.
// Returns the output's error text, empty when the notes went out.
QString SoundPickedNote(MidiSink& output, int channel, int note,
                        const std::function<void(bool lit)>& led);

// The keyboard both picking dialogs show.
widgets::TKeys* CreatePickKeyboard(const QString& hint, QWidget* parent);
// Shows an output error kept back until the mouse gesture ended, through
// `onMessage` or else a message box over `parent`; then forgets it.
void ShowKeptError(QString& error, const std::function<void(const QString&)>& onMessage,
                   QWidget* parent);

class TfrmNoteValue : public QDialog
{
    Q_OBJECT

public:
    // `note` is the test note; "OK" writes the picked note into it.
    TfrmNoteValue(MidiSink& output, int channel, int& note, QWidget* parent = nullptr);

    // The MIDI-out lamp, and failures of the output (told once the key is let go).
    std::function<void(bool lit)> OnLed;
    std::function<void(const QString& text)> OnMessage;

    int PickedNote() const { return picked_; }

    widgets::TKeys* Keys;
    QLabel* lblNote;
    QPushButton* Button1;
    QPushButton* Button2;

private:
    void KeysNoteOn(int note);
    void Button1Click();
    void ShowError();

    MidiSink& output_;
    int channel_;
    int& note_;
    int picked_;
    QString error_;
};

} // namespace velmora::perform
