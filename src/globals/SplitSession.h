// What the split editor does apart from its widgets: the fields of the split
// record, and one editing session on one split. The session keeps a working
// record and the backup it started from, sends every change at once, and
// ends either by storing the working record into the split table (accept) or
// by sending the backup back (cancel). Both switch the instrument out of
// split mode.
#pragma once

#include "globals/RecordField.h"
#include "protocol/MidiSink.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace velmora::globals {

enum class SplitField
{
    LeftLimit,
    LeftTranspose,
    LeftMidi,
    RightLimit,
    RightTranspose,
    RightMidi,
    Balance,
    Allocation,
    LeftPatch,
    RightPatch,
};

// Bytes 0..5 are the name; 6 and 7 are carried unchanged.
constexpr RecordField fieldOf(SplitField field)
{
    switch (field) {
    case SplitField::LeftLimit:
        return {8, 0, 127, false};
    case SplitField::LeftTranspose:
        return {9, -32, 24, true};
    case SplitField::LeftMidi:
        return {10, 0, 1, false};
    case SplitField::RightLimit:
        return {11, 0, 127, false};
    case SplitField::RightTranspose:
        return {12, -32, 24, true};
    case SplitField::RightMidi:
        return {13, 0, 1, false};
    case SplitField::Balance:
        return {14, -31, 31, true};
    case SplitField::Allocation:
        return {15, 0, 3, false};
    case SplitField::LeftPatch:
        return {16, 0, 99, false};
    case SplitField::RightPatch:
        break;
    }
    return {17, 0, 99, false};
}

// The 6-character name a typed text becomes: capitals, characters outside
// the instrument's set as blanks, filled up with blanks.
std::string splitName(std::u32string_view typed);

class SplitSession
{
public:
    using Pause = std::function<void(std::chrono::milliseconds)>;
    static constexpr std::chrono::milliseconds kModePause{10};

    // `entry` is the split table's record of split `split` (0..49); it is
    // written only by `accept`. `channel` is the instrument's channel 0..15.
    SplitSession(SplitRecord& entry, int split, MidiSink& output, int channel, Pause pause);

    const SplitRecord& working() const { return working_; }
    const SplitRecord& backup() const { return backup_; }
    int split() const { return split_; }
    // How the pauses between messages are taken (tests record them).
    void setPause(Pause pause) { pause_ = std::move(pause); }

    // Split mode on: the mode message, the pause, a program change to the
    // split's number. Off: the mode message alone. Nothing with the output
    // closed.
    void setMode(bool on);
    // The working record as split data under the split's number.
    void sendSplit();
    // A control moved: its byte of the working record, then sendSplit.
    void change(SplitField field, int position);
    // The name (6 bytes) into the working record, which becomes the split
    // table's entry; it goes to the instrument and split mode ends.
    void accept(std::string_view name);
    // The backup goes back to the instrument and split mode ends; the split
    // table is not touched.
    void cancel();

private:
    SplitRecord& entry_;
    SplitRecord working_;
    SplitRecord backup_;
    int split_;
    MidiSink& output_;
    int channel_;
    Pause pause_;
};

} // namespace velmora::globals
