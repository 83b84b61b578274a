#include "device/WorkerThread.h"

#include "platform/Trace.h"

namespace pelan {
namespace {

constexpr std::chrono::milliseconds kWakeRepeat{10};

constexpr const char* kTraceThreadEnded = "线程退出：：对象处于激发状态\n";
constexpr const char* kTraceThreadTimedOut = "线程退出：：对象处于非激发状态，超时\n";
constexpr const char* kTraceThreadError = "线程退出：：错误\n";

} // namespace

void StopEvent::set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

void StopEvent::reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool StopEvent::isSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool StopEvent::waitFor(std::chrono::milliseconds timeout) const {
    return waitUntil(std::chrono::steady_clock::now() + timeout);
}

bool StopEvent::waitUntil(std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [this] { return set_; });
}

WorkerThread::~WorkerThread() {
    if (running())
        stop();
    else if (thread_.joinable())
        thread_.join();
}

bool WorkerThread::start(std::function<void(StopEvent&)> body) {
    if (running())
        return false;
    if (thread_.joinable())
        thread_.join();
    stop_->reset();
    completion_ = std::make_shared<Completion>();
    thread_ = std::thread([stop = stop_, completion = completion_, body = std::move(body)] {
        body(*stop);
        {
            std::lock_guard lock(completion->mutex);
            completion->finished = true;
        }
        completion->done.notify_all();
    });
    return true;
}

bool WorkerThread::running() const {
    if (!thread_.joinable() || !completion_)
        return false;
    std::lock_guard lock(completion_->mutex);
    return !completion_->finished;
}

WorkerThread::StopOutcome WorkerThread::stop(const std::function<void()>& wake, std::chrono::milliseconds limit) {
    if (!thread_.joinable()) {
        trace(kTraceThreadError);
        return StopOutcome::NotRunning;
    }
    stop_->set();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool late = false;
    {
        std::unique_lock lock(completion_->mutex);
        while (!completion_->finished) {
            if (!late && std::chrono::steady_clock::now() >= deadline) {
                late = true;
                trace(kTraceThreadTimedOut);
            }
            if (wake) {
                lock.unlock();
                wake();
                lock.lock();
            }
            const auto next = std::chrono::steady_clock::now() + kWakeRepeat;
            completion_->done.wait_until(lock, wake || late ? next : deadline,
                                         [this] { return completion_->finished; });
        }
    }
    thread_.join();
    if (late)
        return StopOutcome::TimedOut;
    trace(kTraceThreadEnded);
    return StopOutcome::Ended;
}

} // namespace pelan
