#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <termios.h>
#include <utility>

// One end of a serial line driven with plain POSIX calls: the device's end
// for tests of the port, the application's end for tests of the simulator.
class PtyPeer
{
public:
    // Opens the path in raw mode, without making it the controlling terminal.
    explicit PtyPeer(const QString &path);
    // Takes over an open descriptor (closed by the destructor).
    explicit PtyPeer(int fd = -1) : m_fd(fd) {}
    ~PtyPeer() { close(); }
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    QString error() const { return m_error; }
    void close();
    // Takes over another descriptor; gives this one up without closing it.
    void reset(int fd) { close(); m_fd = fd; }
    termios settings() const;
    bool makeRaw();

    bool write(const QByteArray &bytes);
    // Each read() result apart, until the bytes contain the needle or the time is up.
    QList<QByteArray> readPiecesUntil(const QByteArray &needle, int timeoutMs = 5000);
    QByteArray readUntil(const QByteArray &needle, int timeoutMs = 5000)
    {
        return readPiecesUntil(needle, timeoutMs).join();
    }
    QByteArray readCount(qsizetype count, int timeoutMs = 5000);
    // True once the line drops: POLLHUP, or a read giving EOF or EIO.
    bool waitForHangUp(int timeoutMs = 5000);

private:
    // Reads until done() holds for what came, the time is up or the line drops.
    template<typename Done> QList<QByteArray> readPieces(Done done, int timeoutMs);

    int m_fd = -1;
    QString m_error;
};

// A pseudo-terminal pair as openpty() makes it: cooked, like a fresh serial line.
struct PtyPair
{
    PtyPair();
    bool valid() const { return master.isOpen() && slave.isOpen(); }

    PtyPeer master;
    PtyPeer slave;
    QString slavePath;
};
