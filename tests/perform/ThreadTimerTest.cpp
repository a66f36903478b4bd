#include "ThreadTimer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using velmora::TThreadTimer;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs the event loop for the given time, as the user interface would.
void SpinFor(std::chrono::milliseconds time)
{
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds; false if it did not within limit.
bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Records the start of every tick; optionally spends some time in the handler
// and runs an extra action, given the number of the tick (1-based).
struct TickLog
{
    std::vector<Clock::time_point> starts;

    void Attach(TThreadTimer& timer, std::chrono::milliseconds work = 0ms,
                std::function<void(TThreadTimer&, size_t)> action = {})
    {
        timer.SetOnTimer([this, work, action](TThreadTimer& sender) {
            starts.push_back(Clock::now());
            std::this_thread::sleep_for(work);
            if (action)
                action(sender, starts.size());
        });
    }
    size_t Count() const { return starts.size(); }
    bool Reached(size_t n) const { return starts.size() >= n; }
    // Mean start-to-start period over ticks first..last (0-based indexes).
    double MeanPeriodMs(size_t first, size_t last) const
    {
        return Ms(starts[last] - starts[first]) / static_cast<double>(last - first);
    }
};

} // namespace

TEST(ThreadTimerPacing, PeriodsRunStartToStartAndPauseAtLeastTenMillisecondsAfterTheHandler)
{
    // A handler taking half of 200 ms must not stretch the period to 300 ms;
    // at interval 0 a 5 ms handler is still followed by a 10 ms pause.
    struct Case
    {
        int interval;
        std::chrono::milliseconds work;
        double shortest, longest;
    };
    for (const Case c : {Case{200, 100ms, 150.0, 270.0}, Case{0, 5ms, 12.0, 60.0}}) {
        SCOPED_TRACE(c.interval);
        TThreadTimer timer;
        TickLog log;
        const QThread* tickThread = nullptr;
        log.Attach(timer, c.work, [&](TThreadTimer& sender, size_t) {
            tickThread = QThread::currentThread();
            EXPECT_EQ(&sender, &timer);
        });
        timer.SetInterval(c.interval);
        timer.SetThreadPriority(QThread::TimeCriticalPriority);
        const Clock::time_point started = Clock::now();
        timer.SetEnabled(true);
        ASSERT_TRUE(SpinUntil([&] { return log.Reached(6); }));
        timer.SetEnabled(false);
        // The first tick comes at once, on the timer's own (user interface) thread.
        EXPECT_LT(Ms(log.starts[0] - started), 150.0);
        EXPECT_EQ(tickThread, timer.thread());
        EXPECT_GE(log.MeanPeriodMs(0, 5), c.shortest);
        EXPECT_LE(log.MeanPeriodMs(0, 5), c.longest);
    }
}

TEST(ThreadTimerPacing, IntervalChangesApplyFromTheNextTick)
{
    TThreadTimer timer;
    TickLog log;
    log.Attach(timer, 0ms, [](TThreadTimer& t, size_t tick) {
        if (tick == 1)
            t.SetInterval(60);
        if (tick == 3)
            t.SetInterval(400);
    });
    timer.SetInterval(2000);
    timer.SetEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return log.Reached(4); }));
    timer.SetEnabled(false);
    EXPECT_LT(Ms(log.starts[1] - log.starts[0]), 1000.0);
    EXPECT_GE(Ms(log.starts[3] - log.starts[2]), 300.0);
}

TEST(ThreadTimerEnabled, EnablingAgainOrRestartingLeavesOneThreadTicking)
{
    // At 300 ms one thread ticks 5 times in 1.2 s (counting the one at once),
    // so a second thread, or one surviving from before the restarts, would
    // show clearly.
    TThreadTimer timer;
    TickLog log;
    log.Attach(timer, 0ms, [](TThreadTimer& t, size_t tick) {
        if (tick == 2) { // a restart from within the handler as well
            t.SetEnabled(false);
            t.SetEnabled(true);
        }
    });
    timer.SetInterval(300);
    timer.SetEnabled(true);
    timer.SetEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return log.Reached(3); }));
    SpinFor(50ms);
    for (int i = 0; i < 5; ++i) {
        timer.SetEnabled(false);
        timer.SetEnabled(true);
        timer.SetEnabled(true);
    }
    EXPECT_TRUE(timer.Enabled());
    const size_t atRestart = log.Count();
    SpinFor(1200ms);
    timer.SetEnabled(false);
    const size_t ticks = log.Count() - atRestart;
    EXPECT_GE(ticks, 3u);
    EXPECT_LE(ticks, 6u);

    // A handler may also just stop its own timer.
    log.starts.clear();
    log.Attach(timer, 0ms, [](TThreadTimer& t, size_t tick) {
        if (tick == 3)
            t.SetEnabled(false);
    });
    timer.SetInterval(20);
    timer.SetEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return log.Reached(3); }));
    SpinFor(300ms);
    EXPECT_EQ(log.Count(), 3u);
    EXPECT_FALSE(timer.Enabled());
}

TEST(ThreadTimerStop, DisablingOrDestroyingStopsAtOnceAndDropsQueuedTicks)
{
    enum class Case
    {
        Asleep,
        JustRestarted,
        TickQueued,
        DisabledWithATickQueued
    };
    for (Case c :
         {Case::Asleep, Case::JustRestarted, Case::TickQueued, Case::DisabledWithATickQueued}) {
        SCOPED_TRACE(static_cast<int>(c));
        const bool queued = c == Case::TickQueued || c == Case::DisabledWithATickQueued;
        auto timer = std::make_unique<TThreadTimer>();
        TickLog log;
        log.Attach(*timer);
        timer->SetInterval(queued ? 0 : 5000);
        timer->SetEnabled(true);
        ASSERT_TRUE(SpinUntil([&] { return log.Reached(1); }));
        if (c == Case::JustRestarted) {
            timer->SetEnabled(false);
            timer->SetEnabled(true);
        } else if (queued) {
            // Keeps the event loop busy past the shortest period: the next
            // tick is now queued.
            std::this_thread::sleep_for(50ms);
        }
        const size_t atStop = log.Count();
        const Clock::time_point stopping = Clock::now();
        if (c == Case::DisabledWithATickQueued)
            timer->SetEnabled(false);
        else
            timer.reset();
        // Waiting out the 5 s pause, or a deadlock, would show here.
        EXPECT_LT(Ms(Clock::now() - stopping), 2000.0);
        SpinFor(300ms);
        EXPECT_EQ(log.Count(), atStop);
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
