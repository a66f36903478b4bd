// The "Keyboard Emulator": a tool window, always on top, with a five-octave
// keyboard played with the mouse, a transpose switch (two octaves down or
// up), a ribbon that sends the modulation wheel while it is pressed and a
// display of the velocity last played. Notes go out on the instrument
// channel with the velocity of the click; the note-off carries the velocity
// of the note-on.
//
// The window is created once and only shown and hidden.
#pragma once

#include "protocol/MidiSink.h"

#include <QWidget>

#include <functional>

class QLabel;
class QSlider;

namespace velmora {
class ParameterSender;
}

namespace velmora::widgets {
class PianoKeyboard;
class LevelBar;
} // namespace velmora::widgets

namespace velmora::perform {

class KeyboardWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kModWheel = 1;

    // Notes go to `output` on the channel `sender` holds; the ribbon's
    // controller goes through `sender`, which sends only while the output is open.
    KeyboardWindow(MidiSink& output, ParameterSender& sender, QWidget* parent = nullptr);

    // Ends the note of a key held with the mouse, now (before the output
    // closes, and for All Notes Off); the rest of the gesture plays nothing.
    void endNotes();

signals:
    // The MIDI-out lamp: lit while a key is held.
    void ledChanged(bool lit);
    // A failure of the output, told once the key is let go.
    void errorOccurred(const QString& text);

private:
    void applyTranspose();
    void keysNoteOn(int note, int velocity);
    void keysNoteOff(int note);
    void pressModWheel(int x);
    void releaseModWheel();
    void send(const std::function<void()>& send);
    void showError();

    widgets::PianoKeyboard* keys;
    QSlider* tbTranspose;
    QWidget* iModwheel;
    widgets::LevelBar* lvlVelocity;
    MidiSink& output_;
    ParameterSender& sender_;
    QLabel* transposeShown_ = nullptr; // the octaves, signed
    int velocity_ = 0;
    int channel_ = 0; // of the key held: its note-off goes where its note-on went
    QString error_;
};

} // namespace velmora::perform
