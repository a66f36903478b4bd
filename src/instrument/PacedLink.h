// An outbox between a message source (the virtual instrument) and whatever
// delivers its messages (a MIDI port, an in-process receiver). `send` copies a
// message into a queue and returns at once; a worker thread of the link's own
// hands the messages on, in order, to the downstream function, either as fast
// as it can or no faster than a real MIDI cable would carry them.
//
// Every member may be called from any thread. The downstream function is
// called only on the worker thread, one message at a time; it may call `send`,
// but not waitIdle or the destructor.
#pragma once

#include "protocol/PatchRecord.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>

namespace velmora {

class PacedLink
{
public:
    using Downstream = std::function<void(std::span<const Byte> message)>;

    enum class Pace
    {
        Immediate,  // deliver as soon as the worker gets to it
        CableSpeed, // 31,250 baud, 10 bits a byte: 320 us per byte
    };

    static constexpr std::chrono::microseconds kByteTime{320};
    // How long `bytes` bytes take on a MIDI cable.
    static constexpr std::chrono::microseconds cableTime(std::size_t bytes)
    {
        return kByteTime * static_cast<long long>(bytes);
    }

    explicit PacedLink(Downstream downstream, Pace pace = Pace::Immediate);
    // Stops the worker promptly: messages still queued are discarded, a pause
    // under way is cut short, a downstream call under way is waited for.
    ~PacedLink();
    PacedLink(const PacedLink&) = delete;
    PacedLink& operator=(const PacedLink&) = delete;

    // Queues a copy of one whole message.
    void send(std::span<const Byte> message);

    // At cable speed a message is delivered no earlier than the moment the
    // bytes of the one before it would have left the cable, counted from when
    // that one was delivered. A change applies from the next message.
    Pace pace() const;
    void setPace(Pace pace);

    // Fault for tests: pause `duration` before delivering the message that is
    // the Nth (from 0) to be sent after this call. A later call replaces it;
    // a negative index clears it.
    void stallBefore(int messageIndex, std::chrono::milliseconds duration);

    // Messages sent but not yet handed downstream (the one being handed on
    // included).
    std::size_t queued() const;
    // Downstream calls that ended in an exception. The exception is caught on
    // the worker thread and the message counts as handed on.
    std::size_t failures() const;
    // Blocks until every message sent so far has been delivered and the
    // downstream call has returned.
    void waitIdle();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace velmora
