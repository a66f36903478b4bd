// What the end-to-end tests share: velmora-instrument as a child process (the
// soak's InstrumentChild), the check for a running JACK server (the soak's
// probe), and waiting on the event loop.
#pragma once

#include "velmora-soak/InstrumentChild.h"
#include "velmora-soak/JackProbe.h"

#include <QCoreApplication>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <sstream>
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

// The messages an instrument run with --verbose reports taking, as bytes,
// until it has been quiet for a second (or 30 s went by); the event loop runs
// meanwhile.
inline std::vector<std::vector<std::uint8_t>> takenUntilQuiet(InstrumentProcess& instrument)
{
    std::vector<std::vector<std::uint8_t>> taken;
    const auto giveUp = Clock::now() + 30s;
    auto quietSince = Clock::now();
    while (Clock::now() - quietSince < 1s && Clock::now() < giveUp) {
        QCoreApplication::processEvents();
        if (const auto line = instrument.waitForLine("", 2ms)) {
            std::istringstream hex(*line);
            std::vector<std::uint8_t> message;
            for (std::string byte; hex >> byte;)
                message.push_back(static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16)));
            taken.push_back(std::move(message));
            quietSince = Clock::now();
        }
    }
    return taken;
}

} // namespace velmora::test
