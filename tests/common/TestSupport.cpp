#include "TestSupport.h"

#include "MLLog.h"
#include "MLUserDefaults.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QSettings>
#include <QThread>

#include <mutex>

namespace mltest {

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::usleep(500);
    }
    return true;
}

void processEventsFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(500);
    }
}

void flushEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

struct LogCapture::Shared
{
    mutable std::mutex mutex;
    QStringList records;
};

LogCapture::LogCapture() : m_shared(std::make_shared<Shared>())
{
    std::weak_ptr<Shared> weak = m_shared;
    MLSetLogSink([weak](const QString &record) {
        if (auto shared = weak.lock()) {
            std::lock_guard lock(shared->mutex);
            shared->records.append(record);
        }
    });
}

LogCapture::~LogCapture()
{
    MLSetLogSink({});
}

QStringList LogCapture::records() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->records;
}

int LogCapture::count(const QString &record) const
{
    std::lock_guard lock(m_shared->mutex);
    return int(m_shared->records.count(record));
}

int LogCapture::countContaining(const QString &part) const
{
    std::lock_guard lock(m_shared->mutex);
    int n = 0;
    for (const QString &r : m_shared->records)
        n += r.contains(part) ? 1 : 0;
    return n;
}

void LogCapture::clear()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->records.clear();
}

void clearUserDefaults()
{
    QSettings settings(QStringLiteral("Marlevo"), QStringLiteral("Marlevo Microphone Settings"));
    settings.clear();
    settings.sync();
    MLUserDefaults::resetRegisteredDefaults();
}

QString outputDir()
{
    QString dir = qEnvironmentVariable("ML_TEST_OUTPUT_DIR");
    if (dir.isEmpty())
        dir = QDir::currentPath() + QStringLiteral("/test-output");
    QDir().mkpath(dir);
    return dir;
}


} // namespace mltest
