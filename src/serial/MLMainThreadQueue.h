#pragma once

#include "MLFileDescriptor.h"

#include <QPointer>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

// Hands work from any thread to the main thread, in order. The work travels
// under our own mutex and an eventfd wakes the main loop through a socket
// notifier: no Qt object is made on one thread and let go on the other, and
// ThreadSanitizer sees every hand-off (it cannot see into Qt's own queue).
class MLMainThreadQueue
{
public:
    // On the main thread, once the application object exists; the queue
    // delivers while that application lives.
    MLMainThreadQueue();
    // On the main thread, with no thread posting any more; what is still queued is dropped.
    ~MLMainThreadQueue();
    MLMainThreadQueue(const MLMainThreadQueue &) = delete;
    MLMainThreadQueue &operator=(const MLMainThreadQueue &) = delete;

    // The queue of the process: made at the first call, which must be on the
    // main thread, and kept for the life of the process.
    static MLMainThreadQueue &instance();

    // From any thread. Never waits for the main thread.
    void post(std::function<void()> work);

private:
    void runPending();
    void wake();

    const MLFileDescriptor m_wakeFd;
    // A child of the application: it carries the notifier, or Qt's queued
    // calls when there is no eventfd. Its pointer is fixed, so any thread may use it.
    QObject *const m_receiver;
    // Only for the destructor, on the main thread: the application may have taken it already.
    QPointer<QObject> m_receiverGuard;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_work;
    bool m_wakePending = false;
};

// Runs `work` on the main thread later, and only if the object still lives
// then. The hand-off never waits: close() joins the background thread on the
// main thread, so a waiting hand-off could deadlock.
template<typename T, typename Work> void postToMainThread(std::weak_ptr<T> object, Work work)
{
    MLMainThreadQueue::instance().post([object = std::move(object), work = std::move(work)] {
        if (const auto alive = object.lock())
            work(*alive);
    });
}
