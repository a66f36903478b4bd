// The numbered list of MIDI devices the program offers: the ports of every
// backend in the order the backends were added (real ports first, then the
// built-in virtual instrument). The list is taken once and the numbers stay
// the same for the whole run; a port is found again by its name when it is
// opened, so ports that come and go in the meantime do not shift numbers.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>
#include <string>
#include <vector>

namespace velmora::midi {

class MidiDevices
{
public:
    MidiDevices() = default;
    MidiDevices(const MidiDevices&) = delete;
    MidiDevices& operator=(const MidiDevices&) = delete;

    // Takes the backend into the list and appends its ports to the numbering.
    MidiBackend& addBackend(std::unique_ptr<MidiBackend> backend);

    int inputCount() const { return static_cast<int>(inputs_.size()); }
    int outputCount() const { return static_cast<int>(outputs_.size()); }
    const std::string& inputName(int device) const { return inputs_.at(index(device)).name; }
    const std::string& outputName(int device) const { return outputs_.at(index(device)).name; }
    // All names, in device order.
    std::vector<std::string> inputNames() const { return namesOf(inputs_); }
    std::vector<std::string> outputNames() const { return namesOf(outputs_); }

    // Raise MidiBackendError when the port is gone or cannot be opened.
    std::unique_ptr<MidiInputPort> openInput(int device, MidiReceiver receiver) const;
    std::unique_ptr<MidiOutputPort> openOutput(int device) const;

private:
    struct Entry
    {
        MidiBackend* backend;
        std::string name;
    };
    static std::size_t index(int device) { return static_cast<std::size_t>(device); }
    static std::vector<std::string> namesOf(const std::vector<Entry>& entries)
    {
        std::vector<std::string> names;
        for (const Entry& entry : entries)
            names.push_back(entry.name);
        return names;
    }
    static int currentIndex(const std::vector<std::string>& names, const std::string& name);

    std::vector<std::unique_ptr<MidiBackend>> backends_;
    std::vector<Entry> inputs_;
    std::vector<Entry> outputs_;
};

} // namespace velmora::midi
