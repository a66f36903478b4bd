// The MIDI devices with only the built-in virtual instrument, and the waits a
// widget test needs around it: the instrument answers on its own thread, the
// windows take the answer in through the event loop.
#pragma once

#include "MidiDevices.h"
#include "VirtualBackend.h"

#include <QCoreApplication>

#include <memory>
#include <vector>

namespace velmora::test {

struct VirtualDevices
{
    explicit VirtualDevices(Model model = Model::Matrix1000)
    {
        auto owned = std::make_unique<midi::VirtualBackend>(model);
        backend = owned.get();
        devices.AddBackend(std::move(owned));
    }

    // Lets the instrument answer and the event loop run until `done` holds.
    template <typename Done> bool WaitFor(Done done)
    {
        for (int i = 0; i < 200 && !done(); ++i) {
            backend->WaitIdle();
            QCoreApplication::processEvents();
        }
        return done();
    }
    // Every message the instrument received, bytes as on the wire.
    std::vector<std::vector<Byte>> Received()
    {
        backend->WaitIdle();
        std::vector<std::vector<Byte>> log;
        backend->WithInstrument([&](VirtualInstrument& i) { log = i.ReceivedLog(); });
        return log;
    }
    void ClearLog()
    {
        backend->WaitIdle();
        backend->WithInstrument([](VirtualInstrument& i) { i.ClearLog(); });
    }

    midi::MidiDevices devices;
    midi::VirtualBackend* backend = nullptr;
};

} // namespace velmora::test
