#include "NotePlayer.h"

#include "Messages.h"

#include <QTimer>

#include <exception>

namespace velmora::perform {
namespace {

const QString kNoOutput = QStringLiteral("No Midi Out port available");

} // namespace

NotePlayer::NotePlayer(MidiSink& output, QObject* parent) : QObject(parent), output_(output) {}

bool NotePlayer::Send(bool on, int note)
{
    if (!output_.IsOpen())
        return false;
    const Byte key = static_cast<Byte>(note & 0x7F);
    const ShortMessage message = on ? NoteOn(channel_, key) : NoteOff(channel_, key);
    try {
        output_.SendShort(message.status, message.data1, message.data2);
    } catch (const std::exception& e) {
        if (OnMessage)
            OnMessage(QString::fromStdString(e.what()));
        return false;
    }
    return true;
}

void NotePlayer::Led(bool lit)
{
    if (!lit && sounding_ == 0)
        return; // an end without a start changes nothing
    sounding_ += lit ? 1 : -1;
    if (OnLed && (sounding_ == 0 || (lit && sounding_ == 1)))
        OnLed(lit);
}

void NotePlayer::PlayNote(int note)
{
    if (!output_.IsOpen()) {
        if (OnMessage)
            OnMessage(kNoOutput);
        return;
    }
    Led(true);
    Send(true, note);
    QTimer::singleShot(kNoteLengthMs, this, [this, note] {
        Send(false, note);
        Led(false);
    });
}

void NotePlayer::PlayChord(const std::array<int, 3>& notes)
{
    if (!output_.IsOpen()) {
        if (OnMessage)
            OnMessage(kNoOutput);
        return;
    }
    Led(true);
    Send(true, notes[0]);
    QTimer::singleShot(kChordStepMs, this, [this, notes] { Send(true, notes[1]); });
    QTimer::singleShot(2 * kChordStepMs, this, [this, notes] { Send(true, notes[2]); });
    QTimer::singleShot(2 * kChordStepMs + kNoteLengthMs, this, [this, notes] {
        for (const int note : notes)
            Send(false, note);
        Led(false);
    });
}

void NotePlayer::ToggleDrone(int note)
{
    if (!output_.IsOpen())
        return;
    if (!drone_) {
        Led(true);
        Send(true, note);
        drone_ = true;
    } else {
        StopDrone(note);
    }
}

void NotePlayer::StopDrone(int note)
{
    if (!drone_)
        return;
    Send(false, note);
    drone_ = false;
    Led(false);
}

} // namespace velmora::perform
