// Live edits on their way to the instrument at the pace of its cable. MIDI
// carries 3,125 bytes a second and an interface that buffers takes whatever
// it is handed at once, so a slider dragged over a whole-patch edit would
// queue seconds of bytes that the instrument works through long after the
// screen stopped moving. The pacer sits between the live senders and the
// output and keeps nothing queued on the cable beyond what is on the wire:
//
// - An edit goes out at once while the cable is free. While it is busy (a
//   message still crossing, or the pause the instrument needs after a whole
//   patch), only the latest edit of each parameter waits, in the order the
//   parameters were first touched, and the parts of one edit (a Matrix-6's
//   edit prefix with its edit) go together.
// - One whole patch waits at most: a newer one replaces it, and since it is
//   built from the current patch it also carries every edit still waiting
//   before it, which are dropped.
// - Everything else (notes, controllers, transfers) passes straight through,
//   is never dropped or merged, and is counted on the cable. A transfer first
//   lets the edits still owed go out (`settle`), so the two never interleave.
//
// Qt-free: the owner gives the clock and a way to be woken at a given time,
// and calls `wake` then.
#pragma once

#include "protocol/MidiSink.h"
#include "protocol/PatchRecord.h"

#include <chrono>
#include <deque>
#include <functional>
#include <span>
#include <vector>

namespace velmora {

class OutputPacer : public MidiSink
{
public:
    using Clock = std::chrono::steady_clock;

    // One message and how long the instrument needs once it has crossed.
    struct Part
    {
        std::vector<Byte> bytes;
        std::chrono::milliseconds pauseAfter{0};
    };
    using Parts = std::vector<Part>;
    // Called when an edit has gone out whole: what the display then shows.
    using Sent = std::function<void()>;

    OutputPacer(MidiSink& output, std::function<Clock::time_point()> now,
                std::function<void(Clock::time_point)> wakeAt);

    bool isOpen() const override { return output_.isOpen(); }
    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void sendLong(std::span<const std::uint8_t> bytes) override;

    // The keys of the edits: a parameter's number, or a matrix bus.
    static constexpr int busKey(int bus) { return 1000 + bus; }
    void sendEdit(int key, Parts parts, Sent sent = {});
    void sendWholePatch(Parts parts, Sent sent = {});

    // Sends what is due; the owner calls it at the time it was asked for.
    void wake();
    // Sends everything still owed now, waiting out the cable through `pause`.
    void settle(const std::function<void(std::chrono::milliseconds)>& pause);
    // Forgets what is owed (the output closed or changed).
    void clear() { queue_.clear(); }
    bool idle() const { return queue_.empty(); }
    // When the cable is through with what was sent, pauses included.
    Clock::time_point readyAt() const { return std::max(cableFree_, pauseUntil_); }

    // Each message the pacer itself sends, as it goes out (the MIDI-out lamp).
    std::function<void(std::span<const Byte>)> onSent;

private:
    struct Entry
    {
        int key = 0;
        Parts parts;
        Sent sent;
        std::size_t next = 0; // parts already sent
    };
    static constexpr int kWholePatch = -1;

    void carry(std::size_t bytes);
    void pump();

    MidiSink& output_;
    std::function<Clock::time_point()> now_;
    std::function<void(Clock::time_point)> wakeAt_;
    std::deque<Entry> queue_;
    Clock::time_point cableFree_{};
    Clock::time_point pauseUntil_{};
};

} // namespace velmora
