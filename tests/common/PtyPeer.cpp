#include "PtyPeer.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyPeer::PtyPeer(const QString &path)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0)
        m_error = systemError("open");
    else
        makeRaw();
}

void PtyPeer::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

termios PtyPeer::settings() const
{
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    return settings;
}

bool PtyPeer::makeRaw()
{
    termios raw = settings();
    ::cfmakeraw(&raw);
    if (::tcsetattr(m_fd, TCSANOW, &raw) == 0)
        return true;
    m_error = systemError("tcsetattr");
    return false;
}

bool PtyPeer::write(const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            m_error = systemError("write");
            return false;
        }
        done += put;
    }
    return true;
}

template<typename Done> QList<QByteArray> PtyPeer::readPieces(Done done, int timeoutMs)
{
    QList<QByteArray> pieces;
    QByteArray all;
    const QDeadlineTimer deadline(timeoutMs);
    while (!done(all) && !deadline.hasExpired()) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        pieces.append(QByteArray(buffer, got));
        all += pieces.last();
    }
    return pieces;
}

QList<QByteArray> PtyPeer::readPiecesUntil(const QByteArray &needle, int timeoutMs)
{
    return readPieces([&](const QByteArray &all) { return all.contains(needle); }, timeoutMs);
}

QByteArray PtyPeer::readCount(qsizetype count, int timeoutMs)
{
    return readPieces([&](const QByteArray &all) { return count >= 0 && all.size() >= count; }, timeoutMs)
        .join();
}

bool PtyPeer::waitForHangUp(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        if (pfd.revents & POLLHUP)
            return true;
        char buffer[256];
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno == EIO))
            return true;
    }
    return false;
}

PtyPair::PtyPair()
{
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return;
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    this->master.reset(master);
    this->slave.reset(slave);
    slavePath = QString::fromLocal8Bit(name);
}
