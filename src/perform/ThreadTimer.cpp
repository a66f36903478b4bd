#include "perform/ThreadTimer.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

struct ThreadTimer::Worker
{
    std::mutex mutex;
    // Wakes the thread when its tick has been handled or a stop is requested,
    // also in the middle of a pause.
    std::condition_variable wake;
    bool stopRequested = false; // guarded by mutex
    bool tickDone = false;      // guarded by mutex

    void requestStop()
    {
        {
            std::lock_guard lock(mutex);
            stopRequested = true;
        }
        wake.notify_all();
    }
};

ThreadTimer::ThreadTimer(QObject* parent) : QObject(parent) {}

ThreadTimer::~ThreadTimer()
{
    // The threads never wait for this thread once asked to stop (they wait on
    // their own condition variable, not on a blocking call into the event
    // loop), so joining them here cannot deadlock. Ticks still queued for this
    // object are discarded by ~QObject.
    current_.reset();
    for (WorkerThread& entry : threads_)
        entry.worker->requestStop();
    for (WorkerThread& entry : threads_)
        entry.thread->wait();
}

void ThreadTimer::setEnabled(bool enabled)
{
    if (enabled && !current_)
        start();
    else if (!enabled && current_)
        stop();
}

void ThreadTimer::start()
{
    reapFinishedThreads();
    auto worker = std::make_shared<Worker>();
    std::unique_ptr<QThread> thread(QThread::create([this, worker] { run(worker); }));
    thread->setObjectName(QStringLiteral("ThreadTimer"));
    current_ = worker;
    threads_.push_back({std::move(worker), std::move(thread)});
    threads_.back().thread->start(priority_);
}

void ThreadTimer::stop()
{
    current_->requestStop();
    current_.reset();
}

void ThreadTimer::reapFinishedThreads()
{
    std::erase_if(threads_, [](const WorkerThread& entry) {
        if (!entry.thread->isFinished())
            return false;
        entry.thread->wait();
        return true;
    });
}

void ThreadTimer::run(const std::shared_ptr<Worker>& worker)
{
    std::unique_lock lock(worker->mutex);
    while (!worker->stopRequested) {
        const Clock::time_point tickStart = Clock::now();
        worker->tickDone = false;
        // Queued rather than blocking: a blocking call would hang if the owner
        // thread were joining this one in the destructor at the same moment.
        QMetaObject::invokeMethod(
            this, [this, worker] { tick(*worker); }, Qt::QueuedConnection);
        worker->wake.wait(lock, [&] { return worker->tickDone || worker->stopRequested; });
        if (worker->stopRequested)
            break;

        // The next tick starts an interval after this one began, and at least
        // the minimum pause after this one ended. Counted to the clock's own
        // resolution: rounding to whole milliseconds made every period late.
        const Clock::time_point ended = Clock::now();
        const Clock::time_point next =
            std::max(tickStart + std::chrono::milliseconds(interval_.load()),
                     ended + std::chrono::milliseconds(kMinimumPauseMs));
        worker->wake.wait_until(lock, next, [&] { return worker->stopRequested; });
    }
}

void ThreadTimer::tick(Worker& worker)
{
    {
        // Stop requests come from this thread only, so a tick that gets past
        // this check cannot be stopped before its handler runs.
        std::lock_guard lock(worker.mutex);
        if (worker.stopRequested)
            return;
    }
    if (onTimer_) {
        // A copy, so the handler may replace itself through setOnTimer.
        const TimerHandler handler = onTimer_;
        handler(*this);
    }
    // No members are used from here on: the handler may have destroyed the
    // timer, while the worker is kept alive by the queued call.
    {
        std::lock_guard lock(worker.mutex);
        worker.tickDone = true;
    }
    worker.wake.notify_all();
}

} // namespace velmora
