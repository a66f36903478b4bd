// How promptly the sequencer's thread timer ticks on this machine: the time
// from starting it to the first tick, and the periods from the start of one
// tick to the start of the next, with the handler taking part of each period.
// The tests check only what a fault would break (the first tick comes before
// an interval has passed, the handler's time is not added to the period, the
// pause is never shorter than 10 ms plus the handler); how close to the ideal
// the figures come depends on the machine and its load, so they are printed
// here instead.
//
// Printed for each case: the first tick's delay, and the mean, shortest and
// longest period against the ideal.
#include "perform/ThreadTimer.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using velmora::ThreadTimer;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Case
{
    int interval;
    std::chrono::milliseconds work;
    int ticks;
};

void run(const Case& c)
{
    ThreadTimer timer;
    std::vector<Clock::time_point> starts;
    timer.setOnTimer([&](ThreadTimer&) {
        starts.push_back(Clock::now());
        std::this_thread::sleep_for(c.work);
    });
    timer.setInterval(c.interval);
    timer.setThreadPriority(QThread::TimeCriticalPriority);
    const Clock::time_point started = Clock::now();
    timer.setEnabled(true);
    while (starts.size() < static_cast<std::size_t>(c.ticks)) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    timer.setEnabled(false);

    std::vector<double> periods;
    for (std::size_t i = 1; i < starts.size(); ++i)
        periods.push_back(ms(starts[i] - starts[i - 1]));
    const double ideal = std::max<double>(c.interval, static_cast<double>(c.work.count()) +
                                                          ThreadTimer::kMinimumPauseMs);
    const auto [shortest, longest] = std::minmax_element(periods.begin(), periods.end());
    std::printf("thread timer, interval %d ms, handler %lld ms: first tick after %.2f ms; "
                "period mean %.2f ms, shortest %.2f ms, longest %.2f ms (ideal %.0f ms, %d "
                "ticks)\n",
                c.interval, static_cast<long long>(c.work.count()), ms(starts[0] - started),
                ms(starts.back() - starts.front()) / static_cast<double>(periods.size()), *shortest,
                *longest, ideal, c.ticks);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const Case c : {Case{200, 100ms, 11}, Case{0, 5ms, 41}})
        run(c);
    return 0;
}
