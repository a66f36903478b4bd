// The velmora-syx command line: info, show and convert.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora::syx {

// Exit codes: 0 all well; 1 the data has a fault (bad checksum, cut-short
// message, no SysEx, nothing to convert) or a file could not be read or
// written; 2 the command line is wrong.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadData = 1;
inline constexpr int kExitUsage = 2;

// `args` excludes the program name. Results go to `out`, one line per problem
// to `err`.
int runSyx(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

struct Options
{
    bool json = false;
    bool matrix6 = false;
    bool ignoreChecksum = false;
    bool assemble = false; // convert: the inputs' patches make one bank
    long index = 0;
    long number = 0;
    bool indexGiven = false;
    bool numberGiven = false;
    std::vector<std::string> files;
};

int runInfo(const Options& options, std::ostream& out, std::ostream& err);
int runShow(const Options& options, std::ostream& out, std::ostream& err);
int runConvert(const Options& options, std::ostream& out, std::ostream& err);

extern const char* const kUsage;

} // namespace velmora::syx
