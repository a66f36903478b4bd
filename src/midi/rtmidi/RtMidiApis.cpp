// The RtMidi APIs and the names of their ports.
#include "midi/rtmidi/RtMidiApis.h"

#include <algorithm>

namespace velmora::midi::rtmidi {

static int apiRank(RtMidi::Api api)
{
    switch (api) {
    case RtMidi::LINUX_ALSA:
        return 0;
    case RtMidi::UNIX_JACK:
        return 1;
    default:
        return 2;
    }
}

std::vector<RtMidi::Api> portApis()
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::erase_if(apis, [](RtMidi::Api api) {
        return api == RtMidi::RTMIDI_DUMMY || api == RtMidi::UNSPECIFIED;
    });
    std::stable_sort(apis.begin(), apis.end(),
                     [](RtMidi::Api a, RtMidi::Api b) { return apiRank(a) < apiRank(b); });
    return apis;
}

std::string apiLabel(RtMidi::Api api)
{
    switch (api) {
    case RtMidi::LINUX_ALSA:
        return "ALSA";
    case RtMidi::UNIX_JACK:
        return "JACK";
    case RtMidi::MACOSX_CORE:
        return "CoreMIDI";
    case RtMidi::WINDOWS_MM:
        return "Windows MIDI";
    default:
        return RtMidi::getApiDisplayName(api);
    }
}

bool isOwnPort(RtMidi::Api api, std::string_view name)
{
    if (api != RtMidi::LINUX_ALSA && api != RtMidi::UNIX_JACK) {
        return false;
    }
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view client = name.substr(0, colon);
    const std::string_view own = kClientName;
    if (!client.starts_with(own)) {
        return false;
    }
    client.remove_prefix(own.size());
    if (client.empty()) {
        return true;
    }
    // JACK renames a second client of the same name "Velmora-01", and so on.
    return api == RtMidi::UNIX_JACK && client.size() > 1 && client.front() == '-' &&
           std::all_of(client.begin() + 1, client.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool isMidiThroughPort(RtMidi::Api api, std::string_view name)
{
    // The kernel's snd-seq-dummy module gives every Linux machine this client;
    // it echoes back whatever it is sent and has no instrument behind it.
    // Listing it would make it the first port on a machine without MIDI
    // hardware, ahead of the built-in virtual instrument.
    return api == RtMidi::LINUX_ALSA && name.starts_with("Midi Through:");
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string goneText(const std::string& name)
{
    return "The MIDI port " + quoted(name) + " is no longer available.";
}

std::vector<std::string> rtMidiPortNames(RtMidi& midi)
{
    std::vector<std::string> names;
    const auto failure = checked([&] {
        const unsigned count = midi.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            names.push_back(midi.getPortName(i));
        }
    });
    if (failure) {
        names.clear();
    }
    return names;
}

} // namespace velmora::midi::rtmidi
