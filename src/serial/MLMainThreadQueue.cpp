#include "MLMainThreadQueue.h"

#include "RetryOnEintr.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

MLMainThreadQueue::MLMainThreadQueue()
    : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_receiver(new QObject(QCoreApplication::instance())), m_receiverGuard(m_receiver)
{
    Q_ASSERT(QCoreApplication::instance() &&
             QThread::currentThread() == QCoreApplication::instance()->thread());
    if (!m_wakeFd.isValid())
        return;
    auto *notifier = new QSocketNotifier(m_wakeFd.get(), QSocketNotifier::Read, m_receiver);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] { runPending(); });
}

MLMainThreadQueue::~MLMainThreadQueue()
{
    // Takes the notifier and any queued call with it, before the eventfd closes.
    delete m_receiverGuard.data();
}

MLMainThreadQueue &MLMainThreadQueue::instance()
{
    // Goes with the process, never before the threads that post to it.
    static MLMainThreadQueue *const queue = new MLMainThreadQueue;
    return *queue;
}

void MLMainThreadQueue::post(std::function<void()> work)
{
    bool idle = false;
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
        idle = !std::exchange(m_wakePending, true);
    }
    if (idle)
        wake();
}

void MLMainThreadQueue::runPending()
{
    std::uint64_t count = 0;
    if (m_wakeFd.isValid())
        retryOnEintr([&] { return ::read(m_wakeFd.get(), &count, sizeof count); });
    for (;;) {
        std::function<void()> item;
        {
            std::lock_guard lock(m_mutex);
            if (m_work.empty())
                return;
            item = std::move(m_work.front());
            m_work.pop_front();
            // The item may run a nested event loop (a modal alert): what
            // is queued, or comes, meanwhile must still get through.
            m_wakePending = !m_work.empty();
            if (m_wakePending)
                wake();
        }
        item();
    }
}

void MLMainThreadQueue::wake()
{
    if (!m_wakeFd.isValid()) {
        // No eventfd to be had: Qt's own queue wakes the main thread instead,
        // through the application, which a post from a thread that outlives it
        // finds gone (null) rather than freed.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this] { runPending(); }, Qt::QueuedConnection);
        return;
    }
    const std::uint64_t one = 1;
    retryOnEintr([&] { return ::write(m_wakeFd.get(), &one, sizeof one); });
}
