// What the end-to-end tests share: velmora-instrument as a child process (the
// soak's InstrumentChild), the check for a running JACK server (the soak's
// probe), and waiting on the event loop.
#pragma once

#include "velmora-soak/InstrumentChild.h"
#include "velmora-soak/JackProbe.h"

#include <QCoreApplication>

#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#define VELMORA_SKIP_WITHOUT_JACK()                                                                \
    if (!::velmora::test::jackServerRuns())                                                        \
    GTEST_SKIP() << "no JACK server is running; scripts/test.sh starts one"

namespace velmora::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using InstrumentProcess = soak::InstrumentChild;
using soak::indexOfJackPort;
using soak::jackServerRuns;

// A name no other test of any running test program uses.
inline std::string uniqueName(const std::string& prefix)
{
    static int serial = 0;
    return prefix + " " + std::to_string(getpid()) + "-" + std::to_string(serial++);
}

// velmora-instrument under that name, answering at once, once it is ready;
// null when it did not get ready.
inline std::unique_ptr<InstrumentProcess>
startInstrument(const std::string& name, const std::vector<std::string>& options = {})
{
    std::vector<std::string> args{"--name", name, "--pace", "fast"};
    args.insert(args.end(), options.begin(), options.end());
    auto instrument = std::make_unique<InstrumentProcess>(VELMORA_INSTRUMENT_PATH, args);
    if (!instrument->waitForLine("ready", 30s))
        return nullptr;
    return instrument;
}

// Runs the event loop until `done` (asked once per round) or `timeout`.
template <typename Done> bool pumpUntil(Done done, Clock::duration timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace velmora::test
