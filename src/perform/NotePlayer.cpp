#include "perform/NotePlayer.h"

#include "protocol/Messages.h"

#include <QTimer>

#include <exception>

namespace velmora::perform {
NotePlayer::NotePlayer(MidiSink& output, QObject* parent) : QObject(parent), output_(output) {}

bool NotePlayer::send(bool on, int channel, int note)
{
    if (!output_.isOpen())
        return false;
    const Byte key = static_cast<Byte>(note & 0x7F);
    const ShortMessage message = on ? noteOn(channel, key) : noteOff(channel, key);
    try {
        tracker_.sendShort(message.status, message.data1, message.data2);
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

int NotePlayer::startCommand()
{
    led(true);
    const int command = nextCommand_++;
    commands_[command].channel = channel_;
    return command;
}

void NotePlayer::sound(int command, int note)
{
    const auto running = commands_.find(command);
    if (running == commands_.end())
        return;
    if (send(true, running->second.channel, note))
        running->second.notes.push_back(note);
}

void NotePlayer::playNote(int note)
{
    if (!output_.isOpen()) {
        emit errorOccurred(tr("No Midi Out port available"));
        return;
    }
    const int command = startCommand();
    sound(command, note);
    QTimer::singleShot(kNoteLengthMs, this, [this, command] { endCommand(command); });
}

void NotePlayer::playChord(const std::array<int, 3>& notes)
{
    if (!output_.isOpen()) {
        emit errorOccurred(tr("No Midi Out port available"));
        return;
    }
    const int command = startCommand();
    sound(command, notes[0]);
    for (std::size_t k = 1; k < notes.size(); ++k) {
        QTimer::singleShot(static_cast<int>(k) * kChordStepMs, this,
                           [this, command, note = notes[k]] { sound(command, note); });
    }
    QTimer::singleShot(2 * kChordStepMs + kNoteLengthMs, this,
                       [this, command] { endCommand(command); });
}

void NotePlayer::toggleDrone(int note)
{
    if (!output_.isOpen())
        return;
    if (!drone_) {
        led(true);
        droneNote_ = note;
        droneChannel_ = channel_;
        send(true, droneChannel_, droneNote_);
        drone_ = true;
    } else {
        stopDrone();
    }
}

void NotePlayer::endCommand(int command)
{
    const auto running = commands_.find(command);
    if (running == commands_.end())
        return; // ended early by endAll
    const Command ended = running->second;
    commands_.erase(running);
    for (const int note : ended.notes)
        send(false, ended.channel, note);
    led(false);
}

void NotePlayer::endAll()
{
    stopDrone();
    while (!commands_.empty())
        endCommand(commands_.begin()->first);
    while (sounding_ > 0)
        led(false);
}

void NotePlayer::stopDrone()
{
    if (!drone_)
        return;
    send(false, droneChannel_, droneNote_);
    drone_ = false;
    led(false);
}

} // namespace velmora::perform
