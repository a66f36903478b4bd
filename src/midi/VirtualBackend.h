// In-process MIDI ports that lead to the built-in virtual instrument: one
// input and one output named "Velmora Virtual Matrix-1000". What the program
// sends reaches the instrument at once, or, when asked for, as over a MIDI
// cable; its answers come back on a thread of their own, as from a driver,
// paced like a MIDI cable or as fast as possible.
#pragma once

#include "instrument/PacedLink.h"
#include "instrument/VirtualInstrument.h"
#include "midi/MidiBackend.h"
#include "protocol/SynthModel.h"

#include <functional>
#include <memory>

namespace velmora::midi {

class VirtualBackend : public MidiBackend
{
public:
    static constexpr const char* kPortName = "Velmora Virtual Matrix-1000";

    // `pace` is that of the answers. `inbound` that of what the program sends:
    // Immediate applies each message within the send; CableSpeed queues it and
    // applies it on a thread of its own when its last byte would have arrived
    // over a cable, one message after another, while the send returns at once
    // (as into the buffer of a MIDI interface).
    explicit VirtualBackend(SynthModel model = SynthModel::Matrix1000,
                            PacedLink::Pace pace = PacedLink::Pace::Immediate,
                            PacedLink::Pace inbound = PacedLink::Pace::Immediate);
    ~VirtualBackend() override;

    std::vector<std::string> inputNames() override;
    std::vector<std::string> outputNames() override;
    std::unique_ptr<MidiInputPort> openInput(int index, MidiReceiver receiver) override;
    std::unique_ptr<MidiOutputPort> openOutput(int index) override;

    // Runs `use` with the instrument while nothing else touches it.
    void withInstrument(const std::function<void(VirtualInstrument&)>& use);
    // Blocks until everything sent so far was applied and every answer the
    // instrument gave was delivered.
    void waitIdle();

    struct Hub;

private:
    std::shared_ptr<Hub> hub_;
};

} // namespace velmora::midi
