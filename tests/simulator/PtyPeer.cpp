#include "PtyPeer.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

QByteArray joined(const QList<QByteArray> &pieces)
{
    QByteArray all;
    for (const QByteArray &piece : pieces)
        all += piece;
    return all;
}

} // namespace

PtyPeer::PtyPeer(const QString &path)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = systemError("open");
        return;
    }
    termios settings{};
    if (::tcgetattr(m_fd, &settings) != 0) {
        m_error = systemError("tcgetattr");
        return;
    }
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_fd, TCSANOW, &settings) != 0)
        m_error = systemError("tcsetattr");
}

PtyPeer::PtyPeer(int fd) : m_fd(fd) {}

PtyPeer::~PtyPeer()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PtyPeer::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
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

bool PtyPeer::readSome(QList<QByteArray> *pieces, int remainingMs)
{
    pollfd pfd{m_fd, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, remainingMs);
    if (ready < 0)
        return errno == EINTR;
    if (ready == 0)
        return false;
    char buffer[4096];
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
        return true;
    if (got <= 0)
        return false;
    pieces->append(QByteArray(buffer, got));
    return true;
}

QList<QByteArray> PtyPeer::readPiecesUntil(const QByteArray &needle, int timeoutMs)
{
    QList<QByteArray> pieces;
    const QDeadlineTimer deadline(timeoutMs);
    while (!joined(pieces).contains(needle) && !deadline.hasExpired()) {
        if (!readSome(&pieces, static_cast<int>(deadline.remainingTime())))
            break;
    }
    return pieces;
}

QByteArray PtyPeer::readUntil(const QByteArray &needle, int timeoutMs)
{
    return joined(readPiecesUntil(needle, timeoutMs));
}

QByteArray PtyPeer::readCount(qsizetype count, int timeoutMs)
{
    QList<QByteArray> pieces;
    qsizetype total = 0;
    const QDeadlineTimer deadline(timeoutMs);
    while (total < count && !deadline.hasExpired()) {
        if (!readSome(&pieces, static_cast<int>(deadline.remainingTime())))
            break;
        total += pieces.last().size();
    }
    return joined(pieces);
}

QByteArray PtyPeer::readFor(int ms)
{
    QList<QByteArray> pieces;
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (!readSome(&pieces, static_cast<int>(deadline.remainingTime())))
            break;
    }
    return joined(pieces);
}

bool PtyPeer::waitForHangUp(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(deadline.remainingTime()));
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
