#include "SerialTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

termios PtyPair::slaveSettings() const
{
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    return settings;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PtyPair::writeToMaster(const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray PtyPair::readFromMaster(qsizetype count, int timeoutMs)
{
    QByteArray data;
    QDeadlineTimer deadline(timeoutMs);
    while (data.size() < count && !deadline.hasExpired()) {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN))
            continue;
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            data.append(buffer, n);
    }
    return data;
}

void RecordingDelegate::record(Event event)
{
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        calledOffMainThread = true;
    events.push_back(std::move(event));
}

int RecordingDelegate::count(Kind kind) const
{
    return int(
        std::count_if(events.begin(), events.end(), [kind](const Event &e) { return e.kind == kind; }));
}

std::vector<RecordingDelegate::Kind> RecordingDelegate::kinds() const
{
    std::vector<Kind> kinds;
    for (const Event &event : events)
        kinds.push_back(event.kind);
    return kinds;
}

std::vector<MLPosixError> RecordingDelegate::errors() const
{
    std::vector<MLPosixError> errors;
    for (const Event &event : events) {
        if (event.kind == Kind::Error)
            errors.push_back(event.error);
    }
    return errors;
}

QByteArray RecordingDelegate::received() const
{
    QByteArray data;
    for (const Event &event : events)
        data += event.data;
    return data;
}

bool FakeModemLines::get(int, int &bits)
{
    ++getCalls;
    if (const int error = failGetWith.load()) {
        errno = error;
        return false;
    }
    bits = lines.load();
    return true;
}

bool FakeModemLines::set(int, int bits, bool on)
{
    ++setCalls;
    if (const int error = failSetWith.load()) {
        errno = error;
        return false;
    }
    if (on)
        lines |= bits;
    else
        lines &= ~bits;
    return true;
}

std::chrono::nanoseconds processCpuTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}
