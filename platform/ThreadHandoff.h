#pragma once

// Tells ThreadSanitizer about a hand-over between threads that goes through a library it cannot see into (Qt's
// queued calls). What a thread did before handoffRelease(token) happens before what follows handoffAcquire(token)
// on another thread. A QueuedPosting around the posting call also hides the thread's writes of the queued call's
// own storage, which the receiving thread reads inside the library before any code of ours runs. Without
// ThreadSanitizer all of it is empty.

#if defined(__SANITIZE_THREAD__)
#define PELAN_TSAN_HANDOFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PELAN_TSAN_HANDOFF 1
#endif
#endif

#ifdef PELAN_TSAN_HANDOFF
#include <sanitizer/tsan_interface.h>
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace pelan {

inline void handoffRelease([[maybe_unused]] const void* token) {
#ifdef PELAN_TSAN_HANDOFF
    __tsan_release(const_cast<void*>(token));
#endif
}

inline void handoffAcquire([[maybe_unused]] const void* token) {
#ifdef PELAN_TSAN_HANDOFF
    __tsan_acquire(const_cast<void*>(token));
#endif
}

// Scope of one posting call: releases `token` first, and keeps the thread's memory accesses out of the race
// detector until the call returns.
class QueuedPosting {
public:
    explicit QueuedPosting([[maybe_unused]] const void* token) {
#ifdef PELAN_TSAN_HANDOFF
        handoffRelease(token);
        __tsan_ignore_thread_begin();
#endif
    }
    ~QueuedPosting() {
#ifdef PELAN_TSAN_HANDOFF
        __tsan_ignore_thread_end();
#endif
    }
    QueuedPosting(const QueuedPosting&) = delete;
    QueuedPosting& operator=(const QueuedPosting&) = delete;
};

} // namespace pelan
