#include "instrument/PacedLink.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace velmora {

struct PacedLink::State
{
    using Clock = std::chrono::steady_clock;

    struct Entry
    {
        std::vector<Byte> bytes;
        std::uint64_t sequence; // position among all messages ever sent
    };

    struct Stall
    {
        std::uint64_t sequence;
        std::chrono::milliseconds duration;
    };

    Downstream downstream;

    mutable std::mutex mutex;
    std::condition_variable wake; // the worker waits on it
    std::condition_variable idle; // waitIdle waits on it
    std::deque<Entry> queue;
    std::uint64_t nextSequence = 0;
    bool delivering = false;
    std::size_t failures = 0;
    bool stopping = false;
    Pace pace = Pace::Immediate;
    std::optional<Stall> stall;

    std::thread worker; // started last, joined first

    // Sleeps until `due` or until the link stops; false when it stops.
    bool pauseUntil(std::unique_lock<std::mutex>& lock, Clock::time_point due)
    {
        return !wake.wait_until(lock, due, [this] { return stopping; });
    }

    void run()
    {
        // When the previous message's bytes would have left the cable.
        Clock::time_point cableFree = Clock::now();
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping)
                break;
            const std::uint64_t sequence = queue.front().sequence;

            if (stall && stall->sequence == sequence) {
                const Clock::time_point due = Clock::now() + stall->duration;
                stall.reset();
                if (!pauseUntil(lock, due))
                    break;
            }
            if (pace == Pace::CableSpeed && !pauseUntil(lock, cableFree))
                break;

            Entry entry = std::move(queue.front());
            queue.pop_front();
            delivering = true;
            lock.unlock();
            const Clock::time_point start = Clock::now();
            cableFree = start + cableTime(entry.bytes.size());
            bool failed = false;
            try {
                downstream(entry.bytes);
            } catch (...) {
                // A port that went away; the message is lost, the link goes on.
                failed = true;
            }
            lock.lock();
            failures += failed ? 1 : 0;
            delivering = false;
            if (queue.empty())
                idle.notify_all();
        }
        queue.clear();
        delivering = false;
        idle.notify_all();
    }
};

PacedLink::PacedLink(Downstream downstream, Pace pace) : state_(std::make_unique<State>())
{
    state_->downstream = std::move(downstream);
    state_->pace = pace;
    state_->worker = std::thread([s = state_.get()] { s->run(); });
}

PacedLink::~PacedLink()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_all();
    state_->worker.join();
}

void PacedLink::send(std::span<const Byte> message)
{
    std::vector<Byte> copy(message.begin(), message.end());
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping)
            return;
        state_->queue.push_back({std::move(copy), state_->nextSequence++});
    }
    state_->wake.notify_one();
}

PacedLink::Pace PacedLink::pace() const
{
    std::lock_guard lock(state_->mutex);
    return state_->pace;
}

void PacedLink::setPace(Pace pace)
{
    std::lock_guard lock(state_->mutex);
    state_->pace = pace;
}

void PacedLink::stallBefore(int messageIndex, std::chrono::milliseconds duration)
{
    std::lock_guard lock(state_->mutex);
    if (messageIndex < 0)
        state_->stall.reset();
    else
        state_->stall =
            State::Stall{state_->nextSequence + static_cast<std::uint64_t>(messageIndex), duration};
}

std::size_t PacedLink::queued() const
{
    std::lock_guard lock(state_->mutex);
    return state_->queue.size() + (state_->delivering ? 1 : 0);
}

std::size_t PacedLink::failures() const
{
    std::lock_guard lock(state_->mutex);
    return state_->failures;
}

void PacedLink::waitIdle()
{
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [this] {
        return state_->stopping || (state_->queue.empty() && !state_->delivering);
    });
}

} // namespace velmora
