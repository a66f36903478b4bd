// The fixed-size stores that the MIDI callback thread fills and the user
// interface thread empties: a single-producer single-consumer ring of
// received messages, and the pool of SysEx buffers they point into. Both are
// allocated when the device opens; nothing is allocated per message.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::midi {

struct RingEntry
{
    std::uint32_t timeStamp = 0;
    std::uint32_t shortMessage = 0; // status | data1 << 8 | data2 << 16; 0 for SysEx
    std::int32_t sysexBuffer = -1;  // index into the SysEx pool, or -1
};

// The producer only advances the write position and increments the count,
// the consumer only advances the read position and decrements it; the count
// is the one shared field and is atomic.
class EventRing
{
public:
    explicit EventRing(std::size_t capacity) : entries_(capacity) {}

    std::size_t capacity() const { return entries_.size(); }
    std::size_t count() const { return count_.load(std::memory_order_acquire); }
    bool full() const { return count() == entries_.size(); }

    // Producer. False when full: the entry is lost.
    bool put(const RingEntry& entry)
    {
        if (full())
            return false;
        entries_[write_] = entry;
        write_ = (write_ + 1) % entries_.size();
        count_.fetch_add(1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest entry, or nullptr; it stays until `remove`.
    const RingEntry* peek() const { return count() == 0 ? nullptr : &entries_[read_]; }
    void remove()
    {
        read_ = (read_ + 1) % entries_.size();
        count_.fetch_sub(1, std::memory_order_release);
    }

private:
    std::vector<RingEntry> entries_;
    std::size_t write_ = 0; // producer only
    std::size_t read_ = 0;  // consumer only
    std::atomic<std::size_t> count_{0};
};

// SysEx buffers are filled and emptied in the same order as the ring, so a
// fill cursor, an empty cursor and an atomic count of buffers in use suffice.
class SysexPool
{
public:
    SysexPool(std::size_t count, std::size_t size)
        : data_(count * size), lengths_(count), size_(size), count_(count)
    {}

    std::size_t bufferSize() const { return size_; }
    std::size_t bufferCount() const { return count_; }

    // Producer: the next free buffer, or -1 when all are waiting to be read.
    int acquire()
    {
        if (inUse_.load(std::memory_order_acquire) == count_)
            return -1;
        const int index = static_cast<int>(fill_);
        fill_ = (fill_ + 1) % count_;
        return index;
    }
    std::uint8_t* data(int index) { return data_.data() + static_cast<std::size_t>(index) * size_; }
    void setLength(int index, std::size_t length)
    {
        lengths_[static_cast<std::size_t>(index)] = length;
    }
    // Producer: the buffer was filled and handed over.
    void commit() { inUse_.fetch_add(1, std::memory_order_release); }

    // Consumer.
    const std::uint8_t* data(int index) const
    {
        return data_.data() + static_cast<std::size_t>(index) * size_;
    }
    std::size_t length(int index) const { return lengths_[static_cast<std::size_t>(index)]; }
    void release() { inUse_.fetch_sub(1, std::memory_order_release); }

private:
    std::vector<std::uint8_t> data_;
    std::vector<std::size_t> lengths_;
    std::size_t size_;
    std::size_t count_;
    std::size_t fill_ = 0; // producer only
    std::atomic<std::size_t> inUse_{0};
};

} // namespace velmora::midi
