#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace pelan {

// A manual-reset event a worker sleeps on: set() wakes every waiter and keeps them awake until reset().
class StopEvent {
public:
    void set();
    void reset();
    bool isSet() const;
    // Sleeps until the event is set or the time has passed; true when it is set.
    bool waitFor(std::chrono::milliseconds timeout) const;
    bool waitUntil(std::chrono::steady_clock::time_point deadline) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_ = false;
};

// One worker thread with its own stop event. The body receives the event and returns when it is set; between its
// steps it sleeps on the event until the next step is due, so a stop request ends any wait at once.
class WorkerThread {
public:
    enum class StopOutcome {
        NotRunning, // there was no thread to stop
        Ended,      // the thread ended within the wait
        TimedOut,   // the thread ended only after the wait (it was woken until it did, and joined)
    };

    static constexpr std::chrono::milliseconds kStopWait{1000};

    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Resets the stop event and runs body on a new thread. False when a thread is already running.
    bool start(std::function<void(StopEvent&)> body);

    // Sets the stop event and waits for the thread to end, then joins it, writing the outcome to the trace. `wake`
    // is called at once and again every few milliseconds while waiting: a body blocked in device I/O that the stop
    // event cannot reach is woken by it (the stopper cancels the I/O there). A thread still running after `limit`
    // is traced as late and still waited for: it may reach objects that its owner is about to destroy, so it is
    // never left behind. Call from one thread at a time.
    StopOutcome stop(const std::function<void()>& wake = {}, std::chrono::milliseconds limit = kStopWait);

    bool running() const;
    StopEvent& stopEvent() { return *stop_; }

private:
    struct Completion {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };

    std::shared_ptr<StopEvent> stop_ = std::make_shared<StopEvent>();
    std::shared_ptr<Completion> completion_;
    std::thread thread_;
};

} // namespace pelan
