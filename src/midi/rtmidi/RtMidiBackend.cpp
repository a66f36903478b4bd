// MIDI ports through RtMidi. Every compiled RtMidi API that is usable right
// now contributes its ports; on Linux that is the ALSA sequencer and JACK,
// listed in that order. Where more than one API is compiled in, each name is
// followed by its API: "USB MIDI Interface:USB MIDI Interface MIDI 1 20:0
// (ALSA)", "a2j:USB MIDI Interface [20] (capture): USB MIDI Interface MIDI 1
// (JACK)". Velmora's own ports and ALSA's "Midi Through" loopback are left
// out.
//
// The pieces live next to this file: RtMidiReport (RtMidi's errors, kept
// quiet), RtMidiApis (APIs and port names), ApiAccess (Velmora's own JACK and
// ALSA clients), PortPresence (opening a port and noticing that it vanished)
// and RtMidiPorts (the open ports).
#include "ApiAccess.h"
#include "MidiBackend.h"
#include "PortPresence.h"
#include "RtMidiApis.h"
#include "RtMidiPorts.h"

#include <RtMidi.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora::midi {
namespace rtmidi {

// The names of Velmora's own ports, within its client kClientName.
constexpr const char* kInputPortName = "in";
constexpr const char* kOutputPortName = "out";

class RtMidiBackend final : public MidiBackend
{
public:
    RtMidiBackend() : apis_(PortApis()) {}

    std::vector<std::string> InputNames() override
    {
        std::lock_guard lock(mutex_);
        inputs_ = List<RtMidiIn>();
        return DisplayNames(inputs_);
    }

    std::vector<std::string> OutputNames() override
    {
        std::lock_guard lock(mutex_);
        outputs_ = List<RtMidiOut>();
        return DisplayNames(outputs_);
    }

    std::unique_ptr<MidiInputPort> OpenInput(int index, MidiReceiver receiver) override
    {
        std::lock_guard lock(mutex_);
        if (inputs_.empty()) {
            inputs_ = List<RtMidiIn>();
        }
        const PortEntry entry = Entry(inputs_, index, "input");
        auto port = std::make_unique<RtMidiInputPort>(std::move(receiver));
        ApiAccess access;
        auto midi = OpenMidi<RtMidiIn>(entry, access);
        port->Attach(std::move(midi), access);
        const int current = CurrentIndex(port->Midi(), entry);
        Connect(access, port->Midi(), entry, current, kInputPortName, false);
        return port;
    }

    std::unique_ptr<MidiOutputPort> OpenOutput(int index) override
    {
        std::lock_guard lock(mutex_);
        if (outputs_.empty()) {
            outputs_ = List<RtMidiOut>();
        }
        const PortEntry entry = Entry(outputs_, index, "output");
        ApiAccess access;
        auto midi = OpenMidi<RtMidiOut>(entry, access);
        try {
            const int current = CurrentIndex(*midi, entry);
            auto presence = Connect(access, *midi, entry, current, kOutputPortName, true);
            return std::make_unique<RtMidiOutputPort>(std::move(midi), access, std::move(presence),
                                                      entry.displayName);
        } catch (...) {
            DisposeOutput(std::move(midi), access);
            throw;
        }
    }

private:
    // The sound-system handles of an API, or nothing when it is unusable now.
    std::optional<ApiAccess> Access(RtMidi::Api api)
    {
        ApiAccess access;
        access.api = api;
#if defined(__linux__)
        if (api == RtMidi::UNIX_JACK) {
            if (jack_ == nullptr || !jack_->Alive()) {
                jack_ = JackWatch::Open();
            }
            if (jack_ == nullptr) {
                return std::nullopt;
            }
            access.jack = jack_;
        } else if (api == RtMidi::LINUX_ALSA) {
            if (alsa_ == nullptr) {
                alsa_ = AlsaWatch::Open();
            }
            if (alsa_ == nullptr) {
                return std::nullopt;
            }
            access.alsa = alsa_;
        }
#endif
        return access;
    }

    template <typename Midi> std::vector<PortEntry> List()
    {
        std::vector<PortEntry> entries;
        for (const RtMidi::Api api : apis_) {
            if (!Access(api)) {
                continue;
            }
            auto midi = MakeRtMidi<Midi>(api);
            if (midi == nullptr) {
                continue;
            }
            for (auto& name : RtMidiPortNames(*midi)) {
                if (IsOwnPort(api, name) || IsMidiThroughPort(api, name)) {
                    continue;
                }
                std::string display = apis_.size() > 1 ? name + " (" + ApiLabel(api) + ")" : name;
                entries.push_back(PortEntry{api, std::move(name), std::move(display)});
            }
        }
        return entries;
    }

    static std::vector<std::string> DisplayNames(const std::vector<PortEntry>& entries)
    {
        std::vector<std::string> names;
        names.reserve(entries.size());
        for (const auto& entry : entries) {
            names.push_back(entry.displayName);
        }
        return names;
    }

    static PortEntry Entry(const std::vector<PortEntry>& entries, int index, const char* kind)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) {
            throw MidiBackendError("There is no MIDI " + std::string(kind) + " port number " +
                                   std::to_string(index + 1) + "; list the ports again.");
        }
        return entries[static_cast<std::size_t>(index)];
    }

    template <typename Midi>
    std::unique_ptr<Midi> OpenMidi(const PortEntry& entry, ApiAccess& access)
    {
        auto found = Access(entry.api);
        std::unique_ptr<Midi> midi = found ? MakeRtMidi<Midi>(entry.api) : nullptr;
        if (midi == nullptr) {
            throw MidiBackendError(GoneText(entry.displayName) + " " + ApiLabel(entry.api) +
                                   " cannot be reached.");
        }
        access = *found;
        return midi;
    }

    // Ports come and go; the index RtMidi has for the listed port now.
    static int CurrentIndex(RtMidi& midi, const PortEntry& entry)
    {
        const auto names = RtMidiPortNames(midi);
        const auto it = std::find(names.begin(), names.end(), entry.rtName);
        if (it == names.end()) {
            throw MidiBackendError(GoneText(entry.displayName));
        }
        return static_cast<int>(it - names.begin());
    }

    std::mutex mutex_;
    const std::vector<RtMidi::Api> apis_;
    std::vector<PortEntry> inputs_;
    std::vector<PortEntry> outputs_;
#if defined(__linux__)
    std::shared_ptr<JackWatch> jack_;
    std::shared_ptr<AlsaWatch> alsa_;
#endif
};

} // namespace rtmidi

std::unique_ptr<MidiBackend> CreateRtMidiBackend()
{
    return std::make_unique<rtmidi::RtMidiBackend>();
}

} // namespace velmora::midi
