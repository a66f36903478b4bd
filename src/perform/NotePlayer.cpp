#include "perform/NotePlayer.h"

#include "protocol/Messages.h"

#include <QTimer>

#include <exception>

namespace velmora::perform {
NotePlayer::NotePlayer(MidiSink& output, QObject* parent) : QObject(parent), output_(output) {}

bool NotePlayer::send(bool on, int note)
{
    if (!output_.isOpen())
        return false;
    const Byte key = static_cast<Byte>(note & 0x7F);
    const ShortMessage message = on ? noteOn(channel_, key) : noteOff(channel_, key);
    try {
        output_.sendShort(message.status, message.data1, message.data2);
    } catch (const std::exception& e) {
        emit errorOccurred(QString::fromStdString(e.what()));
        return false;
    }
    return true;
}

void NotePlayer::led(bool lit)
{
    if (!lit && sounding_ == 0)
        return; // an end without a start changes nothing
    sounding_ += lit ? 1 : -1;
    if (sounding_ == 0 || (lit && sounding_ == 1))
        emit ledChanged(lit);
}

void NotePlayer::playNote(int note)
{
    if (!output_.isOpen()) {
        emit errorOccurred(tr("No Midi Out port available"));
        return;
    }
    led(true);
    send(true, note);
    QTimer::singleShot(kNoteLengthMs, this, [this, note] {
        send(false, note);
        led(false);
    });
}

void NotePlayer::playChord(const std::array<int, 3>& notes)
{
    if (!output_.isOpen()) {
        emit errorOccurred(tr("No Midi Out port available"));
        return;
    }
    led(true);
    send(true, notes[0]);
    QTimer::singleShot(kChordStepMs, this, [this, notes] { send(true, notes[1]); });
    QTimer::singleShot(2 * kChordStepMs, this, [this, notes] { send(true, notes[2]); });
    QTimer::singleShot(2 * kChordStepMs + kNoteLengthMs, this, [this, notes] {
        for (const int note : notes)
            send(false, note);
        led(false);
    });
}

void NotePlayer::toggleDrone(int note)
{
    if (!output_.isOpen())
        return;
    if (!drone_) {
        led(true);
        send(true, note);
        drone_ = true;
    } else {
        stopDrone(note);
    }
}

void NotePlayer::stopDrone(int note)
{
    if (!drone_)
        return;
    send(false, note);
    drone_ = false;
    led(false);
}

} // namespace velmora::perform
