#include "velmora-instrument/InstrumentOptions.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace velmora::instrument_tool {
namespace {

constexpr const char* kUsage =
    "usage: velmora-instrument [options]\n"
    "  --api jack|alsa      MIDI system to open the ports in (default jack)\n"
    "  --name NAME          ports \"NAME in\" and \"NAME out\" (default \"Velmora Instrument\")\n"
    "  --model 1000|6       Matrix-1000 (default) or Matrix-6\n"
    "  --pace cable|fast    answer at MIDI cable speed (default) or at once\n"
    "  --receive cable|fast take what comes in no faster than a MIDI cable carries it,\n"
    "                       as a unit behind a buffering interface does, or at once\n"
    "                       (default)\n"
    "  --channel 1..16      basic channel: program changes and the device inquiry\n"
    "                       (default 1)\n"
    "  --edits 1.11|any     parameter edits as stock Matrix-1000 firmware 1.11 takes\n"
    "                       them (parameter 53 changes 65, 29 is not taken) or all\n"
    "                       reaching their parameters (default any)\n"
    "  --memory-protect     start with memory protect on (Matrix-1000 global byte 171):\n"
    "                       patch stores are ignored until a global write turns it off\n"
    "  --bad-checksum N     the Nth dump the instrument makes (from 0) has a wrong checksum\n"
    "  --drop N             the Nth message the instrument makes (from 0) is not sent\n"
    "  --drop-store N       the Nth patch store the instrument receives (from 0) is\n"
    "                       ignored without a word\n"
    "  --stall N:MS         pause MS milliseconds before the Nth message that goes out\n"
    "                       (from 0; dropped messages do not go out)\n"
    "  --commands           read fault commands from standard input, one a line: any of\n"
    "                       --bad-checksum N, --drop N, --drop-store N and --stall N:MS,\n"
    "                       counted from that line on; a line replaces all faults, an\n"
    "                       empty one clears them. Each line is answered on standard\n"
    "                       output.\n"
    "  --verbose            print every message received, in hex, one a line\n"
    "  --stamp              begin each of those lines with the time the message was\n"
    "                       taken: the monotonic clock in microseconds, then a space\n";

std::optional<int> parseInt(std::string_view text, int low, int high)
{
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

constexpr std::string_view kValueOptions[] = {
    "--api",  "--name",       "--model", "--pace",         "--receive", "--channel",
    "--drop", "--drop-store", "--stall", "--bad-checksum", "--edits"};
constexpr std::string_view kFaultOptions[] = {"--drop", "--drop-store", "--stall",
                                              "--bad-checksum"};

bool isFaultOption(std::string_view option)
{
    return std::find(std::begin(kFaultOptions), std::end(kFaultOptions), option) !=
           std::end(kFaultOptions);
}

// One fault option and its value into `faults`; false when the value is bad.
bool parseFault(std::string_view option, std::string_view value, FaultSet& faults)
{
    if (option == "--bad-checksum" || option == "--drop" || option == "--drop-store") {
        const auto n = parseInt(value, 0, 1'000'000'000);
        (option == "--drop"         ? faults.instrument.dropMessage
         : option == "--drop-store" ? faults.instrument.dropStore
                                    : faults.instrument.badChecksumDump) = n.value_or(-1);
        return n.has_value();
    }
    const std::size_t colon = value.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const auto n = parseInt(value.substr(0, colon), 0, 1'000'000'000);
    const auto ms = parseInt(value.substr(colon + 1), 0, 3'600'000);
    if (!n || !ms) {
        return false;
    }
    faults.stall = std::pair{*n, *ms};
    return true;
}

} // namespace

std::optional<Options> parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--verbose" || option == "--commands" || option == "--stamp" ||
            option == "--memory-protect") {
            (option == "--verbose"    ? options.verbose
             : option == "--commands" ? options.commands
             : option == "--stamp"    ? options.stamp
                                      : options.memoryProtect) = true;
            continue;
        }
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (std::find(std::begin(kValueOptions), std::end(kValueOptions), option) ==
            std::end(kValueOptions)) {
            std::fprintf(stderr, "velmora-instrument: unknown option %s\n%s", argv[i], kUsage);
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "velmora-instrument: %s needs a value\n%s", argv[i], kUsage);
            return std::nullopt;
        }
        const std::string_view value = argv[++i];
        bool ok = true;
        if (option == "--api") {
            ok = value == "jack" || value == "alsa";
            options.api = value == "alsa" ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
        } else if (option == "--name") {
            ok = !value.empty() && value.find(':') == std::string_view::npos;
            options.name = value;
        } else if (option == "--model") {
            ok = value == "1000" || value == "6";
            options.model =
                value == "6" ? velmora::SynthModel::Matrix6 : velmora::SynthModel::Matrix1000;
        } else if (option == "--pace" || option == "--receive") {
            ok = value == "cable" || value == "fast";
            (option == "--pace" ? options.pace : options.receive) =
                value == "fast" ? velmora::PacedLink::Pace::Immediate
                                : velmora::PacedLink::Pace::CableSpeed;
        } else if (option == "--channel") {
            const auto channel = parseInt(value, 1, 16);
            ok = channel.has_value();
            options.channel = channel.value_or(1) - 1;
        } else if (option == "--edits") {
            ok = value == "1.11" || value == "any";
            options.edits111 = value == "1.11";
        } else {
            ok = parseFault(option, value, options.faults);
        }
        if (!ok) {
            std::fprintf(stderr, "velmora-instrument: bad value \"%s\" for %s\n%s", argv[i],
                         argv[i - 1], kUsage);
            return std::nullopt;
        }
    }
    return options;
}

std::optional<FaultSet> parseFaultCommand(std::string_view line)
{
    std::vector<std::string_view> words;
    for (std::size_t start = 0; start < line.size();) {
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        if (end > start) {
            words.push_back(line.substr(start, end - start));
        }
        start = end + 1;
    }
    FaultSet faults;
    if (words.size() % 2 != 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < words.size(); i += 2) {
        if (!isFaultOption(words[i]) || !parseFault(words[i], words[i + 1], faults)) {
            return std::nullopt;
        }
    }
    return faults;
}

} // namespace velmora::instrument_tool
