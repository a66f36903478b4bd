#include "MidiDevices.h"

#include <algorithm>

namespace velmora::midi {

MidiBackend& MidiDevices::AddBackend(std::unique_ptr<MidiBackend> backend)
{
    MidiBackend& b = *backend;
    for (const std::string& name : b.InputNames())
        inputs_.push_back({&b, name});
    for (const std::string& name : b.OutputNames())
        outputs_.push_back({&b, name});
    backends_.push_back(std::move(backend));
    return b;
}

int MidiDevices::CurrentIndex(const std::vector<std::string>& names, const std::string& name)
{
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end())
        throw MidiBackendError("The MIDI port \"" + name + "\" is no longer available");
    return static_cast<int>(it - names.begin());
}

std::unique_ptr<MidiInputPort> MidiDevices::OpenInput(int device, MidiReceiver receiver) const
{
    const Entry& entry = inputs_.at(Index(device));
    const int index = CurrentIndex(entry.backend->InputNames(), entry.name);
    return entry.backend->OpenInput(index, std::move(receiver));
}

std::unique_ptr<MidiOutputPort> MidiDevices::OpenOutput(int device) const
{
    const Entry& entry = outputs_.at(Index(device));
    const int index = CurrentIndex(entry.backend->OutputNames(), entry.name);
    return entry.backend->OpenOutput(index);
}

} // namespace velmora::midi
