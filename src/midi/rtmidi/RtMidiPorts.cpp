// The open ports of the RtMidi backend.
#include "midi/rtmidi/RtMidiPorts.h"

#include "midi/rtmidi/RtMidiReport.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <thread>
#include <utility>

namespace velmora::midi::rtmidi {

// How long a send keeps trying while the API reports its buffer full.
constexpr auto kSendRetryLimit = std::chrono::milliseconds(500);

// ---------------------------------------------------------------------------
// RtMidiInputPort

RtMidiInputPort::RtMidiInputPort(MidiReceiver receiver)
    : receiver_(std::move(receiver)), openedAt_(Clock::now())
{}

RtMidiInputPort::~RtMidiInputPort()
{
    if (serverGone(access_)) {
        (void)midi_.release(); // its thread is gone with the server
    }
    // Closing joins RtMidi's thread: no call reaches this object after it.
    midi_.reset();
}

void RtMidiInputPort::attach(std::unique_ptr<RtMidiIn> midi, const ApiAccess& access)
{
    access_ = access;
    midi_ = std::move(midi);
    midi_->setCallback(&RtMidiInputPort::onMessage, this);
    // SysEx passes; timing clock and active sensing do not.
    midi_->ignoreTypes(false, true, true);
}

void RtMidiInputPort::start()
{
    std::lock_guard lock(deliveryMutex_);
    delivering_ = true;
}

void RtMidiInputPort::stop()
{
    std::lock_guard lock(deliveryMutex_);
    delivering_ = false;
}

void RtMidiInputPort::onMessage(double deltaSeconds, std::vector<unsigned char>* message,
                                void* self)
{
    if (message != nullptr) {
        static_cast<RtMidiInputPort*>(self)->deliver(deltaSeconds, *message);
    }
}

void RtMidiInputPort::deliver(double deltaSeconds, const std::vector<unsigned char>& message)
{
    std::lock_guard lock(deliveryMutex_);
    if (sawMessage_) {
        secondsSinceOpen_ += deltaSeconds;
    } else {
        sawMessage_ = true;
        secondsSinceOpen_ = std::chrono::duration<double>(Clock::now() - openedAt_).count();
    }
    if (!delivering_ || message.empty()) {
        return;
    }
    const auto timeMs = static_cast<std::uint32_t>(secondsSinceOpen_ * 1000.0 + 0.5);
    try {
        receiver_(std::span<const Byte>(message.data(), message.size()), timeMs);
    } catch (...) {
        // An exception must not unwind into RtMidi's thread; the message is lost.
    }
}

// ---------------------------------------------------------------------------
// Disposing of outputs

// RtMidi 5's JACK output frees its ring buffer before it closes its JACK
// client, so a process callback still under way can read freed memory. Once
// the port is closed, callbacks that start find no port and do nothing; the
// object is destroyed here when any callback under way at the close has long
// finished: at a later close, or at exit.
class JackOutputGraveyard
{
public:
    static JackOutputGraveyard& instance()
    {
        static JackOutputGraveyard graveyard;
        return graveyard;
    }

    JackOutputGraveyard(const JackOutputGraveyard&) = delete;
    JackOutputGraveyard& operator=(const JackOutputGraveyard&) = delete;

    ~JackOutputGraveyard()
    {
        for (auto& grave : graves_) {
            std::this_thread::sleep_until(grave.closedAt + kSettle);
            if (serverGone(grave.access)) {
                (void)grave.midi.release();
            }
        }
    }

    // Takes an output whose port is closed.
    void bury(std::unique_ptr<RtMidiOut> midi, const ApiAccess& access)
    {
        std::vector<Grave> due;
        {
            std::lock_guard lock(mutex_);
            const auto now = Clock::now();
            const auto settled =
                std::stable_partition(graves_.begin(), graves_.end(), [&](const Grave& grave) {
                    return grave.closedAt + kSettle > now;
                });
            std::move(settled, graves_.end(), std::back_inserter(due));
            graves_.erase(settled, graves_.end());
            graves_.push_back(Grave{now, std::move(midi), access});
        }
        // `due` goes here, outside the lock: closing a JACK client takes a while.
        for (auto& grave : due) {
            if (serverGone(grave.access)) {
                (void)grave.midi.release();
            }
        }
    }

private:
    static constexpr auto kSettle = std::chrono::milliseconds(250);

    struct Grave
    {
        Clock::time_point closedAt;
        std::unique_ptr<RtMidiOut> midi;
        ApiAccess access;
    };

    JackOutputGraveyard() = default;

    std::mutex mutex_;
    std::vector<Grave> graves_;
};

void disposeOutput(std::unique_ptr<RtMidiOut> midi, const ApiAccess& access)
{
    if (serverGone(access)) {
        (void)midi.release();
    } else if (midi != nullptr && midi->getCurrentApi() == RtMidi::UNIX_JACK) {
        midi->closePort();
        JackOutputGraveyard::instance().bury(std::move(midi), access);
    }
}

// ---------------------------------------------------------------------------
// RtMidiOutputPort

RtMidiOutputPort::RtMidiOutputPort(std::unique_ptr<RtMidiOut> midi, ApiAccess access,
                                   std::unique_ptr<Presence> presence, std::string name)
    : midi_(std::move(midi)), access_(std::move(access)), presence_(std::move(presence)),
      name_(std::move(name))
{}

RtMidiOutputPort::~RtMidiOutputPort()
{
    presence_.reset(); // it may refer to midi_
    disposeOutput(std::move(midi_), access_);
}

void RtMidiOutputPort::send(std::span<const Byte> message)
{
    if (message.empty()) {
        return;
    }
    std::lock_guard lock(mutex_);
    const auto started = Clock::now();
    for (;;) {
        if (!presence_->present()) {
            throw MidiBackendError(goneText(name_));
        }
        const auto failure = checked([&] { midi_->sendMessage(message.data(), message.size()); });
        if (!failure) {
            return;
        }
        // A full buffer (JACK's holds 16 KB until the next cycle) empties
        // within a few milliseconds; anything else does not go away.
        if (Clock::now() - started > kSendRetryLimit) {
            throw MidiBackendError("The MIDI port " + quoted(name_) +
                                   " did not take the message: " + *failure);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace velmora::midi::rtmidi
