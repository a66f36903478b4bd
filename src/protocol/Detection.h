// Finding out what is connected: which model answers, on which MIDI channel,
// and what revision bytes its device inquiry answer carried.
//
// The questions go out in this order: the universal device inquiry once on
// each channel 0..15 (only a Matrix-1000 answers it, and only on its basic
// channel), then the Matrix-6's edit lead-in (05, which a Matrix-1000
// ignores) and the global request. The global record tells the model by its
// version byte and length, and both models keep the basic channel in its
// byte 11, so a Matrix-6, which never answers the inquiry, is found too.
//
// The detector only reads: whoever runs it sends detectionRequests(), feeds
// it every SysEx message that comes in and stops when it is complete() or a
// timeout has passed; result() then says what answered.
#pragma once

#include "protocol/Messages.h"
#include "protocol/SynthModel.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// F0 7E ch 06 01 F7: "identify yourself" to the unit on channel 0..15.
Message deviceInquiry(int channel);

// Every message of a detection, in the order they go out.
std::vector<Message> detectionRequests();

struct DetectionResult
{
    // Empty when nothing answered.
    std::optional<SynthModel> model;
    // The basic channel 0..15; set whenever model is.
    int channel = 0;
    // The four revision bytes of a device inquiry answer. Their encoding is
    // not documented, so they are only ever shown as they came.
    std::optional<std::array<Byte, 4>> revision;

    bool found() const { return model.has_value(); }
};

// The revision bytes as "01 02 00 00".
std::string revisionText(const std::array<Byte, 4>& revision);

// "Found a Matrix-1000 on MIDI channel 1 (device inquiry reply bytes 01 02 00
// 00)." or "Found a Matrix-6 on MIDI channel 3."; "" when nothing answered.
std::string describeFound(const DetectionResult& result);

class InstrumentDetector
{
public:
    // One incoming SysEx message, whole (F0..F7). Anything that is not an
    // answer to the detection is passed over. True when it was one.
    bool take(std::span<const Byte> message);

    // The global record has come: nothing more is to be waited for.
    bool complete() const { return recordModel_.has_value(); }
    DetectionResult result() const;

private:
    std::optional<int> inquiryChannel_;
    std::optional<std::array<Byte, 4>> revision_;
    std::optional<SynthModel> recordModel_;
    std::optional<int> recordChannel_;
};

} // namespace velmora
