#include "protocol/ModulationLists.h"

namespace velmora {

const std::array<std::string_view, kModSourceCount> kModSources = {
    "Envelope 1",
    "Envelope 2",
    "Envelope 3",
    "LFO 1",
    "LFO 2",
    "Vibrato",
    "Ramp 1",
    "Ramp 2",
    "Key Tracking",
    "Portamento",
    "Tracking Generator",
    "Keyboard Gate",
    "Velocity",
    "Release Velocity",
    "Pressure / Aftertouch",
    "Pedal 1 ",
    "Pedal 2 ",
    "Lever 1 (Pitch Bend)",
    "Lever 2 (Modulation)",
    "Lever 3 ",
};

const std::array<std::string_view, kModSourceCount> kBus1ModSources = [] {
    auto list = kModSources;
    list.back() = "Lever 3";
    return list;
}();

const std::array<std::string_view, kModDestinationCount> kModDestinations = {
    "DCO 1 Frequency",   "DCO 1 Pulse Width", "DCO 1 Waveshape", "DCO 2 Frequency",
    "DCO 2 Pulse Width", "DCO 2 Waveshape",   "DCO Mix Level",   "VCF FM Amount",
    "VCF Frequency",     "VCF Resonance",     "VCA 1 Level",     "VCA 2 Level",
    "ENV 1 Delay",       "ENV 1 Attack",      "ENV 1 Decay",     "ENV 1 Release",
    "ENV 1 Amplitude",   "ENV 2 Delay",       "ENV 2 Attack",    "ENV 2 Decay",
    "ENV 2 Release",     "ENV 2 Amplitude",   "ENV 3 Delay",     "ENV 3 Attack",
    "ENV 3 Decay",       "ENV 3 Release",     "ENV 3 Amplitude", "LFO 1 Frequency",
    "LFO 1 Amplitude",   "LFO 2 Frequency",   "LFO 2 Amplitude", "Portamento Time",
};

std::string_view modSourceText(int value)
{
    return value >= 1 && value <= kModSourceCount ? kModSources[value - 1] : std::string_view();
}

std::string_view modDestinationText(int value)
{
    return value >= 1 && value <= kModDestinationCount ? kModDestinations[value - 1]
                                                       : std::string_view();
}

} // namespace velmora
