// A per-cycle watchdog: a cycle that does not end in time has hung, and the
// program ends at once (exit code 3) after saying where. The instrument child
// goes with it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace velmora::soak {

class Watchdog
{
public:
    using Clock = std::chrono::steady_clock;

    // `onHang` says where the hung cycle was; it runs on the watchdog's thread.
    explicit Watchdog(std::function<void(int cycle)> onHang)
        : onHang_(std::move(onHang)), thread_([this] { run(); })
    {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void arm(int cycle, Clock::duration limit)
    {
        {
            std::lock_guard lock(mutex_);
            cycle_ = cycle;
            deadline_ = Clock::now() + limit;
            armed_ = true;
        }
        wake_.notify_one();
    }

    void disarm()
    {
        std::lock_guard lock(mutex_);
        armed_ = false;
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (!armed_) {
                wake_.wait(lock);
                continue;
            }
            const auto deadline = deadline_;
            if (wake_.wait_until(lock, deadline) == std::cv_status::timeout && armed_ &&
                deadline_ == deadline && Clock::now() >= deadline) {
                onHang_(cycle_);
                _exit(3);
            }
        }
    }

    std::function<void(int)> onHang_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool armed_ = false;
    bool stopping_ = false;
    int cycle_ = 0;
    Clock::time_point deadline_{};
    std::thread thread_;
};

} // namespace velmora::soak
