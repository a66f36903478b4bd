#include "perform/NoteTracker.h"

namespace velmora::perform {
namespace {

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;

} // namespace

int& NoteTracker::count(int channel, int note)
{
    return holders_[static_cast<std::size_t>((channel & 0x0F) * kKeys + (note & 0x7F))];
}

void NoteTracker::sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const int kind = status & 0xF0;
    // A note-on with velocity 0 is a note-off to the instrument.
    const bool on = kind == kNoteOn && data2 > 0;
    const bool off = kind == kNoteOff || (kind == kNoteOn && data2 == 0);
    if (!on && !off) {
        output_.sendShort(status, data1, data2);
        return;
    }
    const int channel = status & 0x0F;
    int& held = count(channel, data1);
    if (off) {
        if (held == 0)
            return;
        if (--held > 0)
            return; // another note-on still holds the key
        output_.sendShort(status, data1, data2);
        return;
    }
    if (held > 0)
        output_.sendShort(static_cast<std::uint8_t>(kNoteOff | channel), data1, data2);
    output_.sendShort(status, data1, data2);
    ++held; // only once the note-on went out: one that failed holds nothing
}

} // namespace velmora::perform
