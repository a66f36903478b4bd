// The step sequencer's pattern and playing position, without widgets: eight
// steps with a note and a mute each, the step period, the octave offset and
// the direction; the step logic; and the 20-byte sequence file (.vms).
//
// Every value is held within the range of the control that shows it, so the
// window's bars, switches and tempo bar always tell what will be played: a
// note 32..127 (a step's bar), a period 0..600 ms (the tempo bar, 605 minus
// its position), an octave offset -1..+1. Values from a file are limited the
// same way when they are applied.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace velmora::perform {

class Sequence
{
public:
    static constexpr int kSteps = 8;
    static constexpr int kLowestNote = 32;
    static constexpr int kHighestNote = 127;
    // The tempo bar runs from kTempoBarMin to kTempoBarMax; the period is
    // kTempoBarMax minus its position.
    static constexpr int kTempoBarMin = 5;
    static constexpr int kTempoBarMax = 605;
    static constexpr int kLongestPeriod = kTempoBarMax - kTempoBarMin;
    static constexpr int kStartPeriod = 200;
    // A fresh sequencer plays something audible: the C major scale up from
    // middle C.
    static constexpr std::array<int, kSteps> kStartNotes = {60, 62, 64, 65, 67, 69, 71, 72};

    // The file: 8 note bytes, 8 mute bytes (exactly 1 = muted), then the
    // period in milliseconds as a signed 32-bit little-endian number.
    static constexpr std::size_t kFileSize = 20;
    using Record = std::array<std::uint8_t, kFileSize>;

    enum class Direction
    {
        Backward = -1,
        Forward = 1,
    };

    // What one step of playback does.
    struct Tick
    {
        int step = 0;                  // the step played; its LED lights
        std::optional<int> note;       // the note it sends; none when muted
        std::optional<int> darkenStep; // the LED the step before it lit
    };

    // Steps out of 0..7 are ignored by the setters and read as 0 / unmuted.
    int note(int step) const;
    void setNote(int step, int note); // limited to 32..127
    bool muted(int step) const;
    void setMuted(int step, bool muted);
    int octave() const { return octave_; }
    void setOctave(int octave); // limited to -1..+1
    Direction direction() const { return direction_; }
    void setDirection(Direction direction) { direction_ = direction; }
    int period() const { return period_; }
    void setPeriod(int ms); // limited to 0..600

    // The step the next Advance plays, and the one it lit last, if any.
    int currentStep() const { return current_; }
    std::optional<int> litStep() const { return lit_; }
    // Back to step 1 with every LED dark (what stopping does).
    void rewind();

    // The note a step sends, or none while it is muted: its note moved by
    // the octave offset. A note the offset would push above 127 is played
    // in its own octave instead, so it stays in the key of the pattern.
    std::optional<int> playedNote(int step) const;

    // Plays the current step and moves on in the playing direction, wrapping
    // at either end. The LED to switch off is the one the previous step lit,
    // so a change of direction never leaves a second LED lit.
    Tick advance();

    Record toRecord() const;
    // Notes, mutes and period from a record, limited to the ranges above.
    void apply(const Record& record);

private:
    static bool valid(int step) { return step >= 0 && step < kSteps; }

    std::array<int, kSteps> notes_ = kStartNotes;
    std::array<bool, kSteps> mutes_{};
    int octave_ = 0;
    Direction direction_ = Direction::Forward;
    int period_ = kStartPeriod;
    int current_ = 0;
    std::optional<int> lit_;
};

// The record a sequence file's bytes start with: their first 20 bytes, none
// when there are fewer.
std::optional<Sequence::Record> sequenceRecord(std::span<const std::uint8_t> file);
// The first 20 bytes of a sequence file, or the message that tells why it
// cannot be read (it is missing, unreadable or shorter than 20 bytes).
std::variant<Sequence::Record, QString> readSequenceFile(const QString& path);
// Writes the record through a temporary file that then replaces `path`, so
// a failed write leaves an existing file as it was. The message on failure.
std::optional<QString> writeSequenceFile(const QString& path, const Sequence::Record& record);

} // namespace velmora::perform
