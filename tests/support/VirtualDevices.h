// The MIDI devices with only the built-in virtual instrument, and the waits a
// widget test needs around it: the instrument answers on its own thread, the
// windows take the answer in through the event loop.
#pragma once

#include "midi/MidiDevices.h"
#include "midi/VirtualBackend.h"

#include <QCoreApplication>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace velmora::test {

struct VirtualDevices
{
    explicit VirtualDevices(SynthModel model = SynthModel::Matrix1000)
    {
        auto owned = std::make_unique<midi::VirtualBackend>(model);
        backend = owned.get();
        devices.addBackend(std::move(owned));
    }

    // Lets the instrument answer and the event loop run until `done` holds
    // (at most five seconds: sends paced to the cable come from timers).
    template <typename Done> bool waitFor(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            backend->waitIdle();
            QCoreApplication::processEvents();
            if (!done())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }
    // Every message the instrument received, bytes as on the wire.
    std::vector<std::vector<Byte>> received()
    {
        backend->waitIdle();
        std::vector<std::vector<Byte>> log;
        backend->withInstrument([&](VirtualInstrument& i) { log = i.receivedLog(); });
        return log;
    }
    void clearLog()
    {
        backend->waitIdle();
        backend->withInstrument([](VirtualInstrument& i) { i.clearLog(); });
    }

    midi::MidiDevices devices;
    midi::VirtualBackend* backend = nullptr;
};

} // namespace velmora::test
