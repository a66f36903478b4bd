// The numbered list of MIDI devices the program offers: the ports of every
// backend in the order the backends were added (real ports first, then the
// built-in virtual instrument). The list is taken once and the numbers stay
// the same for the whole run; a port is found again by its name when it is
// opened, so ports that come and go in the meantime do not shift numbers.
#pragma once

#include "MidiBackend.h"

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
    MidiBackend& AddBackend(std::unique_ptr<MidiBackend> backend);

    int InputCount() const { return static_cast<int>(inputs_.size()); }
    int OutputCount() const { return static_cast<int>(outputs_.size()); }
    const std::string& InputName(int device) const { return inputs_.at(Index(device)).name; }
    const std::string& OutputName(int device) const { return outputs_.at(Index(device)).name; }
    // All names, in device order.
    std::vector<std::string> InputNames() const { return NamesOf(inputs_); }
    std::vector<std::string> OutputNames() const { return NamesOf(outputs_); }

    // Raise MidiBackendError when the port is gone or cannot be opened.
    std::unique_ptr<MidiInputPort> OpenInput(int device, MidiReceiver receiver) const;
    std::unique_ptr<MidiOutputPort> OpenOutput(int device) const;

private:
    struct Entry
    {
        MidiBackend* backend;
        std::string name;
    };
    static std::size_t Index(int device) { return static_cast<std::size_t>(device); }
    static std::vector<std::string> NamesOf(const std::vector<Entry>& entries)
    {
        std::vector<std::string> names;
        for (const Entry& entry : entries)
            names.push_back(entry.name);
        return names;
    }
    static int CurrentIndex(const std::vector<std::string>& names, const std::string& name);

    std::vector<std::unique_ptr<MidiBackend>> backends_;
    std::vector<Entry> inputs_;
    std::vector<Entry> outputs_;
};

} // namespace velmora::midi
