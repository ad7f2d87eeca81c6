#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The application's end of a serial line, with plain POSIX calls: what the
// simulator's replies look like to a reader.
class PtyPeer
{
public:
    // Opens the path read-write, without becoming its controlling terminal,
    // and puts the line in raw mode.
    explicit PtyPeer(const QString &path);
    // Takes over an open descriptor (closed by the destructor).
    explicit PtyPeer(int fd);
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    QString error() const { return m_error; }

    bool write(const QByteArray &bytes);
    // Reads until the bytes received contain the needle or the time is up;
    // returns everything received.
    QByteArray readUntil(const QByteArray &needle, int timeoutMs = 5000);
    // The same, keeping each read() result apart.
    QList<QByteArray> readPiecesUntil(const QByteArray &needle, int timeoutMs = 5000);
    // Reads until at least count bytes are in or the time is up.
    QByteArray readCount(qsizetype count, int timeoutMs = 5000);
    // Everything that arrives within the time.
    QByteArray readFor(int ms);
    // True once the line is seen to drop: POLLHUP, or a read giving EOF or EIO.
    bool waitForHangUp(int timeoutMs = 5000);

private:
    // One poll() and read(); false once the time is up or the line dropped.
    bool readSome(QList<QByteArray> *pieces, int remainingMs);

    int m_fd = -1;
    QString m_error;
};
