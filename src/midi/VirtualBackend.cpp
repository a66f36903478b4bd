#include "midi/VirtualBackend.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::midi {

class VirtualInputPort;

struct VirtualBackend::Hub
{
    std::mutex instrumentMutex;
    VirtualInstrument instrument;

    std::mutex portsMutex;
    std::vector<VirtualInputPort*> inputs;
    const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

    // Destroyed before the rest, so their threads end first: the inbound link
    // (it feeds the instrument, which feeds the answer link), then the answers.
    std::unique_ptr<PacedLink> link;
    std::unique_ptr<PacedLink> inbound; // only with inbound cable pacing

    void deliver(std::span<const Byte> message);
    void apply(std::span<const Byte> message)
    {
        std::lock_guard lock(instrumentMutex);
        instrument.receive(message);
    }
};

class VirtualInputPort : public MidiInputPort
{
public:
    VirtualInputPort(std::shared_ptr<VirtualBackend::Hub> hub, MidiReceiver receiver)
        : hub_(std::move(hub)), receiver_(std::move(receiver))
    {
        std::lock_guard lock(hub_->portsMutex);
        hub_->inputs.push_back(this);
    }
    ~VirtualInputPort() override
    {
        // Once this returns the hub calls the receiver no more.
        std::lock_guard lock(hub_->portsMutex);
        std::erase(hub_->inputs, this);
    }
    void start() override
    {
        std::lock_guard lock(hub_->portsMutex);
        started_ = true;
    }
    void stop() override
    {
        std::lock_guard lock(hub_->portsMutex);
        started_ = false;
    }

    // Called with the hub's ports mutex held.
    void deliver(std::span<const Byte> message, std::uint32_t timeMs)
    {
        if (started_)
            receiver_(message, timeMs);
    }

private:
    std::shared_ptr<VirtualBackend::Hub> hub_;
    MidiReceiver receiver_;
    bool started_ = false;
};

void VirtualBackend::Hub::deliver(std::span<const Byte> message)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::lock_guard lock(portsMutex);
    for (VirtualInputPort* input : inputs)
        input->deliver(message, static_cast<std::uint32_t>(ms.count()));
}

class VirtualOutputPort : public MidiOutputPort
{
public:
    explicit VirtualOutputPort(std::shared_ptr<VirtualBackend::Hub> hub) : hub_(std::move(hub)) {}
    void send(std::span<const Byte> message) override
    {
        if (hub_->inbound)
            hub_->inbound->send(message);
        else
            hub_->apply(message);
    }

private:
    std::shared_ptr<VirtualBackend::Hub> hub_;
};

VirtualBackend::VirtualBackend(SynthModel model, PacedLink::Pace pace, PacedLink::Pace inbound)
    : hub_(std::make_shared<Hub>())
{
    hub_->instrument.setModel(model);
    Hub* hub = hub_.get();
    hub_->link = std::make_unique<PacedLink>(
        [hub](std::span<const Byte> message) { hub->deliver(message); }, pace);
    hub_->instrument.setOutput([hub](std::span<const Byte> message) { hub->link->send(message); });
    if (inbound == PacedLink::Pace::CableSpeed) {
        // The link hands on the next message only when this one returned, so
        // the messages follow each other on the cable without overlapping.
        hub_->inbound = std::make_unique<PacedLink>([hub](std::span<const Byte> message) {
            std::this_thread::sleep_for(PacedLink::cableTime(message.size()));
            hub->apply(message);
        });
    }
}

VirtualBackend::~VirtualBackend() = default;

std::vector<std::string> VirtualBackend::inputNames()
{
    return {kPortName};
}

std::vector<std::string> VirtualBackend::outputNames()
{
    return {kPortName};
}

std::unique_ptr<MidiInputPort> VirtualBackend::openInput(int index, MidiReceiver receiver)
{
    if (index != 0)
        throw MidiBackendError("No such virtual MIDI input");
    return std::make_unique<VirtualInputPort>(hub_, std::move(receiver));
}

std::unique_ptr<MidiOutputPort> VirtualBackend::openOutput(int index)
{
    if (index != 0)
        throw MidiBackendError("No such virtual MIDI output");
    return std::make_unique<VirtualOutputPort>(hub_);
}

void VirtualBackend::withInstrument(const std::function<void(VirtualInstrument&)>& use)
{
    std::lock_guard lock(hub_->instrumentMutex);
    use(hub_->instrument);
}

void VirtualBackend::waitIdle()
{
    if (hub_->inbound)
        hub_->inbound->waitIdle();
    hub_->link->waitIdle();
}

} // namespace velmora::midi
