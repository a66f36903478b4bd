// The test note, the test chord and the long note on the instrument's
// channel. A note sounds for one second: the note-on goes out at once and
// the note-off from a timer on the user-interface thread, so the program
// stays responsive and every send happens on the one thread that sends.
#pragma once

#include "protocol/MidiSink.h"

#include <QObject>

#include <array>
#include <set>
#include <span>
#include <utility>

namespace velmora::perform {

class NotePlayer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kNoteLengthMs = 1000;
    static constexpr int kChordStepMs = 10;

    explicit NotePlayer(MidiSink& output, QObject* parent = nullptr);

    void setChannel(int channel) { channel_ = channel & 0x0F; }

    // Note on, one second, note off (velocity 100).
    void playNote(int note);
    // The three notes 10 ms apart, one second, the three note-offs.
    void playChord(const std::array<int, 3>& notes);
    // The long note: `note` on at the first call; the next ends the note
    // that sounds, whatever the test note is by then. Nothing while the
    // output is closed.
    void toggleDrone(int note);
    bool droneOn() const { return drone_; }
    // Ends a sounding long note.
    void stopDrone();
    // Ends every note of the player that still sounds, now: the long note
    // and the notes and chords whose second is not over (before the output
    // closes at shut-down).
    void endAll();

    // The lamp for notes sounded elsewhere (the keyboard window, the Set
    // Note and Set Chord clicks), counted with the player's own: it stays
    // lit until every note that lit it has ended.
    void led(bool lit);

signals:
    // "No Midi Out port available", and failures of the output.
    void errorOccurred(const QString& text);
    // The MIDI-out lamp: lit while a note of a command sounds.
    void ledChanged(bool lit);

private:
    // A note-off goes on the channel its note-on went on.
    bool send(bool on, int channel, int note);
    // The timer's end of a note or chord: the note-offs still pending.
    void endPending(int channel, std::span<const int> notes);

    MidiSink& output_;
    int channel_ = 0;
    bool drone_ = false;
    int droneNote_ = 0;
    int droneChannel_ = 0;
    // Notes whose note-off is still to come from a timer, by channel and key.
    std::multiset<std::pair<int, int>> pending_;
    int generation_ = 0; // counts endAll: chord notes due later start only within theirs
    int sounding_ = 0;   // notes of commands still sounding, for the lamp
};

} // namespace velmora::perform
