#include "velmora-syx/SyxPorts.h"

#include "midi/VirtualBackend.h"
#include "velmora-syx/Json.h"
#include "velmora-syx/SyxCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <vector>

namespace velmora::syx {
namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> portNames(const midi::MidiDevices& devices, PortKind kind)
{
    return kind == PortKind::Input ? devices.inputNames() : devices.outputNames();
}

} // namespace

void addDefaultBackends(midi::MidiDevices& devices)
{
    devices.addBackend(midi::createRtMidiBackend());
    devices.addBackend(std::make_unique<midi::VirtualBackend>());
}

int findPort(const midi::MidiDevices& devices, PortKind kind, const std::string& wanted)
{
    const std::vector<std::string> names = portNames(devices, kind);
    const char* what = kind == PortKind::Input ? "input" : "output";
    int number = -1;
    const auto [end, ec] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), number);
    if (ec == std::errc() && end == wanted.data() + wanted.size()) {
        if (number < 0 || number >= static_cast<int>(names.size()))
            throw std::runtime_error("there is no MIDI " + std::string(what) + " number " + wanted +
                                     " (see velmora-syx ports)");
        return number;
    }
    std::vector<int> matches;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (lower(names[i]).find(lower(wanted)) != std::string::npos)
            matches.push_back(static_cast<int>(i));
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty())
        throw std::runtime_error("no MIDI " + std::string(what) + " is named like \"" + wanted +
                                 "\" (see velmora-syx ports)");
    throw std::runtime_error("\"" + wanted + "\" names " + std::to_string(matches.size()) +
                             " MIDI " + what + "s; give more of the name or the number");
}

int runPorts(const midi::MidiDevices& devices, bool json, std::ostream& out)
{
    const auto inputs = portNames(devices, PortKind::Input);
    const auto outputs = portNames(devices, PortKind::Output);
    if (json) {
        JsonWriter writer(out);
        writer.beginObject();
        for (const auto& [key, names] : {std::pair{"inputs", &inputs}, {"outputs", &outputs}}) {
            writer.key(key).beginArray();
            for (std::size_t i = 0; i < names->size(); ++i)
                writer.beginObject().field("number", i).field("name", (*names)[i]).endObject();
            writer.endArray();
        }
        writer.endObject();
        out << '\n';
        return kExitOk;
    }
    for (const auto& [title, names] :
         {std::pair{"MIDI inputs", &inputs}, {"MIDI outputs", &outputs}}) {
        out << title << ":\n";
        for (std::size_t i = 0; i < names->size(); ++i)
            out << "  " << i << "  " << (*names)[i] << '\n';
    }
    return kExitOk;
}

} // namespace velmora::syx
