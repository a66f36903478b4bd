// In-process MIDI ports that lead to the built-in virtual instrument: one
// input and one output named "Velmora Virtual Matrix-1000". What the program
// sends reaches the instrument at once; its answers come back on a thread of
// their own, as from a driver, paced like a MIDI cable or as fast as possible.
#pragma once

#include "MidiBackend.h"
#include "Model.h"
#include "PacedLink.h"
#include "VirtualInstrument.h"

#include <functional>
#include <memory>

namespace velmora::midi {

class VirtualBackend : public MidiBackend
{
public:
    static constexpr const char* kPortName = "Velmora Virtual Matrix-1000";

    explicit VirtualBackend(Model model = Model::Matrix1000,
                            PacedLink::Pace pace = PacedLink::Pace::Immediate);
    ~VirtualBackend() override;

    std::vector<std::string> InputNames() override;
    std::vector<std::string> OutputNames() override;
    std::unique_ptr<MidiInputPort> OpenInput(int index, MidiReceiver receiver) override;
    std::unique_ptr<MidiOutputPort> OpenOutput(int index) override;

    // Runs `use` with the instrument while nothing else touches it.
    void WithInstrument(const std::function<void(VirtualInstrument&)>& use);
    // Blocks until every answer the instrument gave so far was delivered.
    void WaitIdle();

    struct Hub;

private:
    std::shared_ptr<Hub> hub_;
};

} // namespace velmora::midi
