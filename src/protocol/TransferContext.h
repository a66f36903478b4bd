// What the sending and the receiving side of the transfer engine share: the
// records, the flags, the output, the host, the model and the channel.
#pragma once

#include "protocol/MidiSink.h"
#include "protocol/SynthModel.h"
#include "protocol/SynthRecords.h"
#include "protocol/TransferFlags.h"
#include "protocol/TransferHost.h"

#include <chrono>

namespace velmora {

// The instrument needs this long after a patch store or a bank select.
inline constexpr std::chrono::milliseconds kStorePause{12};

struct TransferContext
{
    SynthRecords& records;
    MidiSink& output;
    TransferHost& host;
    TransferFlags flags{};
    SynthModel model = SynthModel::Matrix1000;
    int channel = 0; // instrument channel 0..15
};

} // namespace velmora
