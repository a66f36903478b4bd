#include "midi/MidiDevices.h"

#include <algorithm>

namespace velmora::midi {

MidiBackend& MidiDevices::addBackend(std::unique_ptr<MidiBackend> backend)
{
    MidiBackend& b = *backend;
    for (const std::string& name : b.inputNames())
        inputs_.push_back({&b, name});
    for (const std::string& name : b.outputNames())
        outputs_.push_back({&b, name});
    backends_.push_back(std::move(backend));
    return b;
}

int MidiDevices::currentIndex(const std::vector<std::string>& names, const std::string& name)
{
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end())
        throw MidiBackendError("The MIDI port \"" + name + "\" is no longer available");
    return static_cast<int>(it - names.begin());
}

std::unique_ptr<MidiInputPort> MidiDevices::openInput(int device, MidiReceiver receiver) const
{
    const Entry& entry = inputs_.at(index(device));
    const int index = currentIndex(entry.backend->inputNames(), entry.name);
    return entry.backend->openInput(index, std::move(receiver));
}

std::unique_ptr<MidiOutputPort> MidiDevices::openOutput(int device) const
{
    const Entry& entry = outputs_.at(index(device));
    const int index = currentIndex(entry.backend->outputNames(), entry.name);
    return entry.backend->openOutput(index);
}

} // namespace velmora::midi
