// The command line of velmora-instrument.
#pragma once

#include "Model.h"
#include "PacedLink.h"
#include "VirtualInstrument.h"

#include <RtMidi.h>

#include <optional>
#include <string>
#include <utility>

namespace velmora::instrument_tool {

struct Options
{
    RtMidi::Api api = RtMidi::UNIX_JACK;
    std::string name = "Velmora Instrument";
    velmora::Model model = velmora::Model::Matrix1000;
    velmora::PacedLink::Pace pace = velmora::PacedLink::Pace::CableSpeed;
    int channel = 0;
    velmora::VirtualInstrument::Faults faults;
    std::optional<std::pair<int, int>> stall; // message index, milliseconds
    bool verbose = false;
};

// The options, or none after telling the user on stderr what was wrong.
std::optional<Options> ParseOptions(int argc, char** argv);

} // namespace velmora::instrument_tool
