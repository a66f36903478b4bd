// The test note, the test chord and the long note on the instrument's
// channel. A note sounds for one second: the note-on goes out at once and
// the note-off from a timer on the user-interface thread, so the program
// stays responsive and every send happens on the one thread that sends.
#pragma once

#include "perform/NoteTracker.h"
#include "protocol/MidiSink.h"

#include <QObject>

#include <array>
#include <map>
#include <vector>

namespace velmora::perform {

class NotePlayer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kNoteLengthMs = 1000;
    static constexpr int kChordStepMs = 10;

    explicit NotePlayer(MidiSink& output, QObject* parent = nullptr);

    // The output the other note sources (the keyboard window, the picking
    // dialogs, the sequencer) send through, so that no source ends a key
    // another one still holds: the player's own notes go through it too.
    MidiSink& noteOutput() { return tracker_; }

    void setChannel(int channel) { channel_ = channel & 0x0F; }

    // Note on, one second, note off (velocity 100).
    void playNote(int note);
    // The three notes 10 ms apart, one second, the three note-offs.
    void playChord(const std::array<int, 3>& notes);
    // The long note: `note` on at the first call; the next ends the note
    // that sounds, on its channel, whatever the test note and the channel
    // are by then. Nothing while the output is closed.
    void toggleDrone(int note);
    bool droneOn() const { return drone_; }
    // Ends a sounding long note.
    void stopDrone();
    // Ends every note of the player that still sounds, now: the long note
    // and the notes and chords whose second is not over (before the output
    // closes at shut-down, and for All Notes Off). Their timers then end
    // nothing, not even a later note on the same key, and chord notes
    // still due are not started; the lamp goes dark.
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
    // A Note or Chord command whose second is not over: its channel, taken
    // when it started, and the notes it sounded.
    struct Command
    {
        int channel = 0;
        std::vector<int> notes;
    };

    // A note-off goes on the channel its note-on went on.
    bool send(bool on, int channel, int note);
    int startCommand();
    // A note of a command that still runs; none once it ended.
    void sound(int command, int note);
    // The timer's end of a command: its note-offs, unless it ended early.
    void endCommand(int command);

    MidiSink& output_;
    NoteTracker tracker_{output_};
    int channel_ = 0;
    bool drone_ = false;
    int droneNote_ = 0;
    int droneChannel_ = 0;
    // The commands still sounding, by a number no later command reuses, so
    // a timer can only ever end the notes of its own command.
    std::map<int, Command> commands_;
    int nextCommand_ = 0;
    int sounding_ = 0; // notes of commands still sounding, for the lamp
};

} // namespace velmora::perform
