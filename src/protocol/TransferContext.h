// What the sending and the receiving side of the transfer engine share: the
// records, the flags, the output, the host, the model and the channel.
#pragma once

#include "protocol/MidiSink.h"
#include "protocol/SynthModel.h"
#include "protocol/SynthRecords.h"
#include "protocol/TransferFlags.h"
#include "protocol/TransferHost.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace velmora {

// The instrument needs this long after a patch store or a bank select has
// reached it, unless the user set a longer (or shorter) pause for a unit that
// needs it (Transfers::setStorePause).
inline constexpr std::chrono::milliseconds kStorePause{12};
// And this long after a whole patch for its edit buffer before the next
// message: a Matrix-1000 after a patch, a Matrix-6 after the store to its
// working slot that comes before the program change selecting it.
inline constexpr std::chrono::milliseconds kEditPatchPause1000{10};
inline constexpr std::chrono::milliseconds kEditPatchPause6{20};

// MIDI's 31,250 baud carry 3,125 bytes a second: each byte takes 320 µs on
// the cable, however fast the system took it.
inline constexpr std::chrono::microseconds kCableByteTime{320};
constexpr std::chrono::microseconds cableTime(std::size_t bytes)
{
    return kCableByteTime * static_cast<std::int64_t>(bytes);
}

class OutputPacer;

struct TransferContext
{
    SynthRecords& records;
    MidiSink& output;
    TransferHost& host;
    // The window's live sends: whole patches for the edit buffer queue there,
    // and a transfer first lets what they owe go out. None in tools and tests
    // that drive transfers alone.
    OutputPacer* pacer = nullptr;
    TransferFlags flags{};
    SynthModel model = SynthModel::Matrix1000;
    int channel = 0; // instrument channel 0..15
    // The pause after each stored patch and bank select, every transfer's.
    std::chrono::milliseconds storePause = kStorePause;
};

} // namespace velmora
