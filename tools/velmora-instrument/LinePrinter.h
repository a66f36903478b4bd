// Lines for stdout from a thread of their own, and messages as hex lines.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::instrument_tool {

// Lines for stdout, written by a thread of their own so RtMidi's thread never
// waits for a slow reader.
class LinePrinter
{
public:
    LinePrinter() : thread_([this] { run(); }) {}
    LinePrinter(const LinePrinter&) = delete;
    LinePrinter& operator=(const LinePrinter&) = delete;
    ~LinePrinter()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void print(std::string line)
    {
        {
            std::lock_guard lock(mutex_);
            lines_.push_back(std::move(line));
        }
        wake_.notify_one();
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !lines_.empty(); });
            while (!lines_.empty()) {
                const std::string line = std::move(lines_.front());
                lines_.pop_front();
                lock.unlock();
                std::fputs(line.c_str(), stdout);
                std::fflush(stdout);
                lock.lock();
            }
            if (stopping_) {
                return;
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> lines_;
    bool stopping_ = false;
    std::thread thread_;
};

inline std::string hexLine(const std::vector<unsigned char>& message)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(message.size() * 3 + 1);
    for (const unsigned char byte : message) {
        if (!line.empty()) {
            line += ' ';
        }
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    line += '\n';
    return line;
}

} // namespace velmora::instrument_tool
