#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Plays the microphone's side of the serial line protocol on one file
// descriptor, from a background thread of its own, so that it answers while
// the thread that drives it is blocked. Every member function is thread-safe.
//
// Input is split into command lines at '\r' (a '\n' right after it is
// ignored; empty lines are ignored). The microphone's answers:
//   SUMMARY            Summary="<name>",<serial>,<firmware>,<ch1>,<ch2>,<coverage>,<battery>\r\n
//   RENAME <name>      name=<name>\r\n              (name bytes read as Latin-1)
//   channel1=<int>     channel1=<int>\r\n           (likewise channel2, coverage)
//   ULOAD <file>       ULOAD ready\r\n
//   a bad value        ERROR invalid value\r\n      (state unchanged)
//   RENAME with no name ERROR invalid name\r\n
//   anything else      ERROR unknown command\r\n
// Command words are case-sensitive, as the real microphone's are.
class MicSimulator
{
public:
    // Longest command line kept; a longer one is dropped up to its '\r'.
    static constexpr int MaxLineLength = 1024;

    enum class Direction
    {
        Received,
        Sent
    };
    // Sees each command line received and each piece of bytes written.
    // Runs on the simulator's thread; must not block or call stop()/hangUp().
    using TrafficObserver = std::function<void(Direction direction, const QByteArray &bytes)>;
    // Returns std::nullopt to let the command run normally, or the bytes to
    // send instead of the reply (empty: no reply); the command then changes no
    // state. Echo, stray lines, delay and chunking still apply. Runs on the
    // simulator's thread without the lock held, so it may call the getters.
    using ReplyOverride = std::function<std::optional<QByteArray>(const QByteArray &command)>;

    MicSimulator();
    ~MicSimulator(); // stops
    MicSimulator(const MicSimulator &) = delete;
    MicSimulator &operator=(const MicSimulator &) = delete;

    // Creates a pty pair and serves its master; *otherEndPath receives the
    // slave's path (/dev/pts/N), already in raw mode at 19200 baud. A slave
    // descriptor stays open inside so the master never sees a hang-up while
    // the application has the port closed.
    bool openPty(QString *otherEndPath, QString *error = nullptr);
    // Serves a descriptor owned by the caller (for example the device end
    // umockdev hands out). It is made non-blocking while served and its
    // flags restored by stop(); it is never closed. Stop the simulator before
    // the owner closes it.
    bool attach(int fd, QString *error = nullptr);
    // Ends the thread and drops unsent output; closes what openPty() made.
    // The state and the recorded commands stay. Serving may start again.
    void stop();
    // True between openPty()/attach() and stop() or hangUp().
    bool isServing() const;

    // Unplugs the microphone; returns once done. A pty of our own: the master
    // is closed, so the other end sees POLLHUP and EOF. An attached
    // descriptor: /dev/null is dup2()ed onto it (it is not closed; the owner
    // still closes it), which the other end sees the same way. Serving ends.
    void hangUp();

    // Microphone state, reported by SUMMARY.
    QString name() const;
    void setName(const QString &name);
    QString serial() const;
    void setSerial(const QString &serial);
    QString firmware() const;
    void setFirmware(const QString &firmware);
    int channel1() const;
    void setChannel1(int value);
    int channel2() const;
    void setChannel2(int value);
    int coverage() const;
    void setCoverage(int value);
    double battery() const;
    void setBattery(double percent);

    // Behaviour; takes effect from the next command received.
    void setReplyDelayMs(int ms);
    // Replies go out in pieces of this many bytes (0: whole), with a pause
    // between pieces.
    void setChunkSize(int bytes);
    void setChunkPauseMs(int ms);
    // Replies go out in two pieces instead, split after this many bytes of
    // what is sent for the command (noise, echo and stray lines included),
    // with the chunk pause between them (0: as the chunk size says).
    void setSplitAt(int offset);
    // These bytes ahead of each reply, with no line end: line noise.
    void setNoise(const QByteArray &bytes);
    // The command text and "\r\n" before each reply.
    void setEchoCommands(bool echo);
    bool echoCommands() const;
    // Each line, followed by "\r\n", before each reply.
    void setStrayLines(const QList<QByteArray> &lines);
    // Commands are still recorded but nothing at all is answered.
    void setSilent(bool silent);
    bool isSilent() const;
    // Each SUMMARY reports the battery, then lowers it by this much (not
    // below 0).
    void setBatteryDrainPerSummary(double percent);
    void setReplyOverride(ReplyOverride hook);
    void setTrafficObserver(TrafficObserver observer);

    // Sent at once, ahead of replies still waiting for their delay (but
    // never inside a piece already being written). False while not serving.
    bool sendBricked(); // "Error: cannot open keyset1.txt\r\n"
    bool sendRaw(const QByteArray &bytes);
    // That many printable bytes with no line end, no '=' and no reply text.
    bool sendOverlong(int bytes);

    // Command lines received, without their '\r', oldest first.
    QList<QByteArray> receivedCommands() const;
    void clearReceivedCommands();
    // Blocks until at least count commands are recorded; false on time-out.
    bool waitForCommands(int count, int timeoutMs) const;

    // Input accounting: all bytes read, bytes of an unfinished line held,
    // and lines dropped for being longer than MaxLineLength.
    qint64 receivedByteCount() const;
    qsizetype bufferedInputBytes() const;
    int discardedLineCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
