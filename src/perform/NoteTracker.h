// The instrument's output as the note sources see it. The test notes, the
// keyboard window, the picking dialogs and the sequencer all send their notes
// through the one tracker, so that two of them playing the same key on the
// same channel cannot end each other's note, and the instrument hears every
// note-on ended by one note-off on its channel and key.
//
// A key sounds from the first note-on sent for it until every note-on sent
// for it has had its note-off. A note-on for a key that already sounds ends
// it and strikes it again (off, then on); a note-off that is not the last
// one for its key is held back; a note-off for a key that does not sound is
// dropped. Every other message goes through unchanged, and so do the
// output's exceptions.
#pragma once

#include "protocol/MidiSink.h"

#include <array>

namespace velmora::perform {

class NoteTracker : public MidiSink
{
public:
    explicit NoteTracker(MidiSink& output) : output_(output) {}

    bool isOpen() const override { return output_.isOpen(); }
    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void sendLong(std::span<const std::uint8_t> bytes) override { output_.sendLong(bytes); }

private:
    static constexpr int kKeys = 128;
    // How many note-ons keep `note` sounding on `channel`; 0 while it is silent.
    int& count(int channel, int note);

    MidiSink& output_;
    std::array<int, 16 * kKeys> holders_{};
};

} // namespace velmora::perform
