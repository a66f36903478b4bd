// A timer paced by a thread of its own instead of the window system's timers,
// so a step sequencer keeps a steady tempo while the user interface is busy.
//
// The OnTimer handler still runs on the thread the timer object lives on (the
// user interface thread, through its event loop). The timer thread only
// measures time and sleeps: it hands each tick to the event loop and waits
// until the handler has returned before it computes the next pause. Periods
// are measured from the start of one tick to the start of the next, so the
// handler's own time is taken off the pause; the pause is never shorter than
// 10 ms, which makes 10 ms plus the handler's time the shortest period.
//
// All members are meant to be called on the thread the timer lives on, except
// Interval/setInterval, which may be used from any thread.
#pragma once

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace velmora {

class ThreadTimer : public QObject
{
public:
    using TimerHandler = std::function<void(ThreadTimer& sender)>;

    // The pause between the end of one tick and the start of the next is at
    // least this long, whatever the interval.
    static constexpr int kMinimumPauseMs = 10;

    explicit ThreadTimer(QObject* parent = nullptr);
    // Stops the timer and waits for every thread it started to end. Ticks that
    // were handed to the event loop but have not run yet are dropped.
    ~ThreadTimer() override;

    // True while the timer runs. Setting it starts or stops the timer; starting
    // a running timer does nothing. Stopping does not wait for the thread, and
    // no tick runs after it returns (a tick already under way completes). The
    // handler may stop or restart its own timer.
    bool enabled() const { return current_ != nullptr; }
    void setEnabled(bool enabled);

    // Milliseconds between the starts of two ticks. The thread reads it before
    // each pause, so a change made while running applies from the next tick.
    int interval() const { return interval_.load(); }
    void setInterval(int ms) { interval_.store(ms); }

    // The priority given to the timer thread when the timer is started.
    QThread::Priority threadPriority() const { return priority_; }
    void setThreadPriority(QThread::Priority priority) { priority_ = priority; }

    // Called once per tick on the timer's thread, with the timer as sender.
    void setOnTimer(TimerHandler handler) { onTimer_ = std::move(handler); }

private:
    // The stop request and tick hand-over of one started thread. Every start
    // creates a new one, so a thread that was stopped but is still on its way
    // out can never be revived by a later start.
    struct Worker;

    struct WorkerThread
    {
        std::shared_ptr<Worker> worker;
        std::unique_ptr<QThread> thread;
    };

    void start();
    void stop();
    void run(const std::shared_ptr<Worker>& worker);
    void tick(Worker& worker);
    void reapFinishedThreads();

    std::atomic<int> interval_{0};
    QThread::Priority priority_ = QThread::NormalPriority;
    TimerHandler onTimer_;
    std::shared_ptr<Worker> current_;   // the ticking worker; null while stopped
    std::vector<WorkerThread> threads_; // every thread not yet joined, current_'s included
};

} // namespace velmora
