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
    const int channel = channel_;
    send(true, channel, note);
    pending_.emplace(channel, note);
    QTimer::singleShot(kNoteLengthMs, this,
                       [this, channel, note] { endPending(channel, std::array<int, 1>{note}); });
}

void NotePlayer::playChord(const std::array<int, 3>& notes)
{
    if (!output_.isOpen()) {
        emit errorOccurred(tr("No Midi Out port available"));
        return;
    }
    led(true);
    const int channel = channel_;
    send(true, channel, notes[0]);
    pending_.emplace(channel, notes[0]);
    // The later notes start unless everything was ended meanwhile.
    for (std::size_t k = 1; k < notes.size(); ++k) {
        QTimer::singleShot(static_cast<int>(k) * kChordStepMs, this,
                           [this, channel, note = notes[k], generation = generation_] {
                               if (generation != generation_)
                                   return;
                               send(true, channel, note);
                               pending_.emplace(channel, note);
                           });
    }
    QTimer::singleShot(2 * kChordStepMs + kNoteLengthMs, this,
                       [this, channel, notes] { endPending(channel, notes); });
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

void NotePlayer::endPending(int channel, std::span<const int> notes)
{
    bool ended = false;
    for (const int note : notes) {
        const auto at = pending_.find({channel, note});
        if (at == pending_.end())
            continue; // ended early by endAll
        pending_.erase(at);
        send(false, channel, note);
        ended = true;
    }
    if (ended)
        led(false);
}

void NotePlayer::endAll()
{
    ++generation_;
    stopDrone();
    while (!pending_.empty()) {
        const auto [channel, note] = *pending_.begin();
        pending_.erase(pending_.begin());
        send(false, channel, note);
    }
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
