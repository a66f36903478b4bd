// The command line of velmora-instrument.
#pragma once

#include "instrument/PacedLink.h"
#include "instrument/VirtualInstrument.h"
#include "protocol/SynthModel.h"

#include <RtMidi.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora::instrument_tool {

// The faults to inject: the instrument's own and a pause on the way out.
struct FaultSet
{
    velmora::VirtualInstrument::Faults instrument;
    std::optional<std::pair<int, int>> stall; // message index, milliseconds
};

struct Options
{
    RtMidi::Api api = RtMidi::UNIX_JACK;
    std::string name = "Velmora Instrument";
    velmora::SynthModel model = velmora::SynthModel::Matrix1000;
    velmora::PacedLink::Pace pace = velmora::PacedLink::Pace::CableSpeed;
    // How what comes in is taken: at once, or no faster than a MIDI cable
    // carries it (a real unit behind an interface that buffers).
    velmora::PacedLink::Pace receive = velmora::PacedLink::Pace::Immediate;
    int channel = 0;
    // Parameter edits as stock Matrix-1000 firmware 1.11 takes them.
    bool edits111 = false;
    FaultSet faults;
    bool commands = false; // fault commands come on standard input
    bool verbose = false;
    bool stamp = false;         // verbose lines begin with the time the message was taken
    bool memoryProtect = false; // starts with memory protect on
};

// The options, or none after telling the user on stderr what was wrong.
std::optional<Options> parseOptions(int argc, char** argv);

// A fault command line under --commands: the fault options alone, e.g.
// "--drop 3 --stall 40:4000". Faults it does not name are off; an empty line
// names none. Nothing when the line holds anything else.
std::optional<FaultSet> parseFaultCommand(std::string_view line);

} // namespace velmora::instrument_tool
