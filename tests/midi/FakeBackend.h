// A backend whose ports the test drives: messages injected into an input
// arrive on a thread of the test's choosing, and an output records what it
// was sent or fails as a vanished port does.
#pragma once

#include "midi/MidiBackend.h"

#include <mutex>
#include <string>
#include <vector>

namespace velmora::midi::test {

class FakeBackend : public MidiBackend
{
public:
    struct Shared
    {
        std::mutex mutex;
        MidiReceiver receiver;
        bool started = false;
        std::vector<std::vector<Byte>> sent;
        bool vanished = false;
        bool refuseOpen = false;
        std::string refuseOpenOf; // an input that refuses to open
    };

    explicit FakeBackend(std::vector<std::string> inputs = {"Fake In"},
                         std::vector<std::string> outputs = {"Fake Out"})
        : inputs_(std::move(inputs)), outputs_(std::move(outputs))
    {}

    std::vector<std::string> inputNames() override { return inputs_; }
    std::vector<std::string> outputNames() override { return outputs_; }

    std::unique_ptr<MidiInputPort> openInput(int index, MidiReceiver receiver) override
    {
        std::lock_guard lock(shared->mutex);
        if (shared->refuseOpen ||
            inputs_.at(static_cast<std::size_t>(index)) == shared->refuseOpenOf)
            throw MidiBackendError("The port is in use by another program");
        shared->receiver = std::move(receiver);
        return std::make_unique<Input>(shared);
    }
    std::unique_ptr<MidiOutputPort> openOutput(int) override
    {
        if (shared->refuseOpen)
            throw MidiBackendError("The port is in use by another program");
        return std::make_unique<Output>(shared);
    }

    // As the driver thread would: one whole message.
    void inject(std::vector<Byte> message)
    {
        std::lock_guard lock(shared->mutex);
        if (shared->started && shared->receiver)
            shared->receiver(message, 0);
    }

    std::shared_ptr<Shared> shared = std::make_shared<Shared>();

private:
    struct Input : MidiInputPort
    {
        explicit Input(std::shared_ptr<Shared> s) : shared(std::move(s)) {}
        ~Input() override
        {
            std::lock_guard lock(shared->mutex);
            shared->receiver = nullptr;
            shared->started = false;
        }
        void start() override
        {
            std::lock_guard lock(shared->mutex);
            shared->started = true;
        }
        void stop() override
        {
            std::lock_guard lock(shared->mutex);
            shared->started = false;
        }
        std::shared_ptr<Shared> shared;
    };
    struct Output : MidiOutputPort
    {
        explicit Output(std::shared_ptr<Shared> s) : shared(std::move(s)) {}
        void send(std::span<const Byte> message) override
        {
            std::lock_guard lock(shared->mutex);
            if (shared->vanished)
                throw MidiBackendError("The MIDI port \"Fake Out\" is no longer available");
            shared->sent.emplace_back(message.begin(), message.end());
        }
        std::shared_ptr<Shared> shared;
    };

    std::vector<std::string> inputs_;
    std::vector<std::string> outputs_;
};

} // namespace velmora::midi::test
