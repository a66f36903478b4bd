// velmora-instrument as a child process of the soak: fault commands go to its
// standard input, its answers and its "ready" line come from its standard
// output, and it can be killed outright like a crashing program.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::soak {

class InstrumentChild
{
public:
    using Clock = std::chrono::steady_clock;

    // Starts the program with these arguments (and --commands). The child
    // goes when the soak does, however the soak ends.
    InstrumentChild(const std::string& program, const std::vector<std::string>& arguments);
    ~InstrumentChild(); // stops it when it still runs
    InstrumentChild(const InstrumentChild&) = delete;
    InstrumentChild& operator=(const InstrumentChild&) = delete;

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }

    // The first line of its output that contains `text`, or nothing when none
    // comes in time or the program ends.
    std::optional<std::string> waitForLine(const std::string& text, Clock::duration timeout);

    // Sends one fault command line and waits for it to be taken. False when
    // the instrument refused it or did not answer.
    bool command(const std::string& line);
    // The messages its input had received when it took the last command.
    std::uint64_t receivedAtCommand() const { return receivedAtCommand_; }

    // Its peak resident memory so far (VmHWM), in KiB; 0 when not running.
    long peakKiB() const;

    // SIGKILL, as when it crashes, and waits for it.
    void kill();
    // Asks it to stop (SIGTERM) and waits; kills it after 10 s. Its exit
    // code, or -1 when it had to be killed or was not running.
    int stop();

private:
    void closeInput();

    pid_t pid_ = -1;
    int in_ = -1;  // its standard input
    int out_ = -1; // its standard output
    std::string buffer_;
    std::uint64_t receivedAtCommand_ = 0;
};

// Where the JACK port of that short name ("NAME in", "NAME out") stands
// among the MIDI device names; -1 when it is not there.
int indexOfJackPort(const std::vector<std::string>& names, const std::string& port);

// A field of /proc/<pid>/status in KiB ("VmRSS", "VmHWM"); 0 when missing.
long statusKiB(const std::string& statusPath, const std::string& field);

} // namespace velmora::soak
