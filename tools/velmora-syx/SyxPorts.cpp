#include "SyxPorts.h"

#include "Json.h"
#include "SyxCommand.h"
#include "VirtualBackend.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <vector>

namespace velmora::syx {
namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> Names(const midi::MidiDevices& devices, PortKind kind)
{
    return kind == PortKind::Input ? devices.InputNames() : devices.OutputNames();
}

} // namespace

void AddDefaultBackends(midi::MidiDevices& devices)
{
    devices.AddBackend(midi::CreateRtMidiBackend());
    devices.AddBackend(std::make_unique<midi::VirtualBackend>());
}

int FindPort(const midi::MidiDevices& devices, PortKind kind, const std::string& wanted)
{
    const std::vector<std::string> names = Names(devices, kind);
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
        if (Lower(names[i]).find(Lower(wanted)) != std::string::npos)
            matches.push_back(static_cast<int>(i));
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty())
        throw std::runtime_error("no MIDI " + std::string(what) + " is named like \"" + wanted +
                                 "\" (see velmora-syx ports)");
    throw std::runtime_error("\"" + wanted + "\" names " + std::to_string(matches.size()) +
                             " MIDI " + what + "s; give more of the name or the number");
}

int RunPorts(const midi::MidiDevices& devices, bool json, std::ostream& out)
{
    const auto inputs = Names(devices, PortKind::Input);
    const auto outputs = Names(devices, PortKind::Output);
    if (json) {
        JsonWriter writer(out);
        writer.BeginObject();
        for (const auto& [key, names] : {std::pair{"inputs", &inputs}, {"outputs", &outputs}}) {
            writer.Key(key).BeginArray();
            for (std::size_t i = 0; i < names->size(); ++i)
                writer.BeginObject().Field("number", i).Field("name", (*names)[i]).EndObject();
            writer.EndArray();
        }
        writer.EndObject();
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
