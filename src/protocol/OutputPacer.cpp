#include "protocol/OutputPacer.h"

#include "protocol/TransferContext.h"

#include <algorithm>
#include <utility>

namespace velmora {
namespace {

// The bytes a short message puts on the cable: program change and channel
// pressure have one data byte, the others two (running status is not used).
std::size_t shortLength(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

} // namespace

OutputPacer::OutputPacer(MidiSink& output, std::function<Clock::time_point()> now,
                         std::function<void(Clock::time_point)> wakeAt)
    : output_(output), now_(std::move(now)), wakeAt_(std::move(wakeAt))
{}

void OutputPacer::carry(std::size_t bytes)
{
    cableFree_ = std::max(cableFree_, now_()) + cableTime(bytes);
}

void OutputPacer::sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    output_.sendShort(status, data1, data2);
    carry(shortLength(status));
}

void OutputPacer::sendLong(std::span<const std::uint8_t> bytes)
{
    output_.sendLong(bytes);
    carry(bytes.size());
}

void OutputPacer::sendEdit(int key, Parts parts, Sent sent)
{
    if (parts.empty())
        return;
    // A waiting edit of the same parameter takes the new value in its place.
    const auto waiting = std::ranges::find_if(
        queue_, [key](const Entry& entry) { return entry.key == key && entry.next == 0; });
    if (waiting != queue_.end()) {
        waiting->parts = std::move(parts);
        waiting->sent = std::move(sent);
    } else {
        queue_.push_back({key, std::move(parts), std::move(sent), 0});
    }
    pump();
}

void OutputPacer::sendWholePatch(Parts parts, Sent sent)
{
    if (parts.empty())
        return;
    // The patch holds every edit made so far: what waits is superseded. An
    // entry already part sent finishes first (a store keeps its program
    // change).
    std::erase_if(queue_, [](const Entry& entry) { return entry.next == 0; });
    queue_.push_back({kWholePatch, std::move(parts), std::move(sent), 0});
    pump();
}

void OutputPacer::wake()
{
    pump();
}

void OutputPacer::pump()
{
    while (!queue_.empty()) {
        if (!output_.isOpen()) {
            queue_.clear();
            return;
        }
        Entry& entry = queue_.front();
        // An edit starts once the cable is through; its further parts follow
        // at once unless the instrument needs a pause before them.
        const auto due = entry.next == 0 ? readyAt() : pauseUntil_;
        if (now_() < due) {
            wakeAt_(due);
            return;
        }
        const Part& part = entry.parts[entry.next];
        try {
            output_.sendLong(part.bytes);
        } catch (...) {
            // The output failed (a vanished port): nothing owed can follow.
            queue_.clear();
            throw;
        }
        carry(part.bytes.size());
        if (part.pauseAfter.count() > 0)
            pauseUntil_ = cableFree_ + part.pauseAfter;
        if (onSent)
            onSent(part.bytes);
        if (++entry.next < entry.parts.size())
            continue;
        Sent sent = std::move(entry.sent);
        queue_.pop_front();
        if (sent)
            sent();
    }
}

void OutputPacer::settle(const std::function<void(std::chrono::milliseconds)>& pause)
{
    while (!queue_.empty() && output_.isOpen()) {
        const auto now = now_();
        if (now < readyAt())
            pause(std::chrono::ceil<std::chrono::milliseconds>(readyAt() - now));
        pump();
    }
}

} // namespace velmora
