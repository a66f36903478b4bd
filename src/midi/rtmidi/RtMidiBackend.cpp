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
#include "midi/MidiBackend.h"
#include "midi/rtmidi/ApiAccess.h"
#include "midi/rtmidi/PortPresence.h"
#include "midi/rtmidi/RtMidiApis.h"
#include "midi/rtmidi/RtMidiPorts.h"

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
    RtMidiBackend() : apis_(portApis()) {}

    std::vector<std::string> inputNames() override
    {
        std::lock_guard lock(mutex_);
        inputs_ = list<RtMidiIn>();
        return displayNames(inputs_);
    }

    std::vector<std::string> outputNames() override
    {
        std::lock_guard lock(mutex_);
        outputs_ = list<RtMidiOut>();
        return displayNames(outputs_);
    }

    std::unique_ptr<MidiInputPort> openInput(int index, MidiReceiver receiver) override
    {
        std::lock_guard lock(mutex_);
        if (inputs_.empty()) {
            inputs_ = list<RtMidiIn>();
        }
        const PortEntry entry = portEntry(inputs_, index, "input");
        auto port = std::make_unique<RtMidiInputPort>(std::move(receiver));
        ApiAccess access;
        auto midi = openMidi<RtMidiIn>(entry, access);
        port->attach(std::move(midi), access);
        const int current = currentIndex(port->midi(), entry);
        connect(access, port->midi(), entry, current, kInputPortName, false);
        return port;
    }

    std::unique_ptr<MidiOutputPort> openOutput(int index) override
    {
        std::lock_guard lock(mutex_);
        if (outputs_.empty()) {
            outputs_ = list<RtMidiOut>();
        }
        const PortEntry entry = portEntry(outputs_, index, "output");
        ApiAccess access;
        auto midi = openMidi<RtMidiOut>(entry, access);
        try {
            const int current = currentIndex(*midi, entry);
            auto presence = connect(access, *midi, entry, current, kOutputPortName, true);
            return std::make_unique<RtMidiOutputPort>(std::move(midi), access, std::move(presence),
                                                      entry.displayName);
        } catch (...) {
            disposeOutput(std::move(midi), access);
            throw;
        }
    }

private:
    // The sound-system handles of an API, or nothing when it is unusable now.
    std::optional<ApiAccess> accessFor(RtMidi::Api api)
    {
        ApiAccess access;
        access.api = api;
#if defined(__linux__)
        if (api == RtMidi::UNIX_JACK) {
            if (jack_ == nullptr || !jack_->alive()) {
                jack_ = JackWatch::open();
            }
            if (jack_ == nullptr) {
                return std::nullopt;
            }
            access.jack = jack_;
        } else if (api == RtMidi::LINUX_ALSA) {
            if (alsa_ == nullptr) {
                alsa_ = AlsaWatch::open();
            }
            if (alsa_ == nullptr) {
                return std::nullopt;
            }
            access.alsa = alsa_;
        }
#endif
        return access;
    }

    template <typename Midi> std::vector<PortEntry> list()
    {
        std::vector<PortEntry> entries;
        for (const RtMidi::Api api : apis_) {
            if (!accessFor(api)) {
                continue;
            }
            auto midi = makeRtMidi<Midi>(api);
            if (midi == nullptr) {
                continue;
            }
            for (auto& name : rtMidiPortNames(*midi)) {
                if (isOwnPort(api, name) || isMidiThroughPort(api, name)) {
                    continue;
                }
                std::string display = apis_.size() > 1 ? name + " (" + apiLabel(api) + ")" : name;
                entries.push_back(PortEntry{api, std::move(name), std::move(display)});
            }
        }
        return entries;
    }

    static std::vector<std::string> displayNames(const std::vector<PortEntry>& entries)
    {
        std::vector<std::string> names;
        names.reserve(entries.size());
        for (const auto& entry : entries) {
            names.push_back(entry.displayName);
        }
        return names;
    }

    static PortEntry portEntry(const std::vector<PortEntry>& entries, int index, const char* kind)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) {
            throw MidiBackendError("There is no MIDI " + std::string(kind) + " port number " +
                                   std::to_string(index + 1) + "; list the ports again.");
        }
        return entries[static_cast<std::size_t>(index)];
    }

    template <typename Midi>
    std::unique_ptr<Midi> openMidi(const PortEntry& entry, ApiAccess& access)
    {
        auto found = accessFor(entry.api);
        std::unique_ptr<Midi> midi = found ? makeRtMidi<Midi>(entry.api) : nullptr;
        if (midi == nullptr) {
            throw MidiBackendError(goneText(entry.displayName) + " " + apiLabel(entry.api) +
                                   " cannot be reached.");
        }
        access = *found;
        return midi;
    }

    // Ports come and go; the index RtMidi has for the listed port now.
    static int currentIndex(RtMidi& midi, const PortEntry& entry)
    {
        const auto names = rtMidiPortNames(midi);
        const auto it = std::find(names.begin(), names.end(), entry.rtName);
        if (it == names.end()) {
            throw MidiBackendError(goneText(entry.displayName));
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

std::unique_ptr<MidiBackend> createRtMidiBackend()
{
    return std::make_unique<rtmidi::RtMidiBackend>();
}

} // namespace velmora::midi
