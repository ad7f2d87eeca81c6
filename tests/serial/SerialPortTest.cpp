// The serial port on real pseudo-terminals: the port opens the slave, the
// test plays the device on the master.

#include "MLSerialPort.h"
#include "PtyAsOnlySerialPort.h"
#include "PtyPeer.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

// What the port last asked of a terminal: a pty keeps CS8 and drops PARENB
// whatever it is given, so its own settings cannot show a wrong character size.
static termios lastRequested{};

extern "C" int tcsetattr(int fd, int when, const termios *settings) noexcept
{
    using Real = int (*)(int, int, const termios *);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    lastRequested = *settings;
    return real(fd, when, settings);
}

namespace {

// Counts the delegate calls, and notes one made off the main thread.
class RecordingDelegate : public MLSerialPortDelegate
{
public:
    void serialPortDidReceiveData(MLSerialPort *, const QByteArray &data) override
    {
        note();
        received += data;
        largestChunk = std::max(largestChunk, data.size());
    }
    void serialPortWasRemovedFromSystem(MLSerialPort *) override {}
    void serialPortDidEncounterError(MLSerialPort *, const MLPosixError &error) override
    {
        note();
        lastError = error;
        ++errors;
    }
    void serialPortWasOpened(MLSerialPort *) override
    {
        note();
        ++opened;
    }
    void serialPortWasClosed(MLSerialPort *) override {}

    int opened = 0, errors = 0;
    QByteArray received;
    qsizetype largestChunk = 0;
    MLPosixError lastError;
    bool calledOffMainThread = false;

private:
    void note() { calledOffMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread(); }
};

// Modem lines a test sets and breaks at will (a pty has none).
class FakeModemLines : public MLModemLines
{
public:
    bool get(int, int &bits) override
    {
        ++getCalls;
        bits = lines.load();
        return true;
    }
    bool set(int, int bits, bool on) override
    {
        lines = on ? (lines | bits) : (lines & ~bits);
        return true;
    }
    std::atomic<int> lines{0};
    std::atomic<int> getCalls{0};
};

// Another opener that asks for the lock, as a second copy of this program
// would: its descriptor, or minus the error.
int openAndLock(const QString &path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return fd < 0 ? -errno : fd;
    const int error = errno;
    ::close(fd);
    return -error;
}

class SerialPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.valid());
        previousModemLines = MLSerialPort::setModemLines(lines);
    }

    void TearDown() override
    {
        port.reset();
        mltest::flushEvents();
        MLSerialPort::setModemLines(previousModemLines);
        EXPECT_FALSE(delegate.calledOffMainThread);
    }

    // A port on the slave, opened, with the open announced.
    void openPort()
    {
        port = MLSerialPort::initWithPath(pty.slavePath);
        ASSERT_TRUE(port);
        port->setDelegate(&delegate);
        port->open();
        ASSERT_TRUE(port->isOpen());
        ASSERT_TRUE(mltest::waitUntil([&] { return delegate.opened == 1; }));
    }

    PtyPair pty;
    const QString dialinAlias = QStringLiteral("/dev/ml-test-dialin");
    PtyAsOnlySerialPort ports{pty.slavePath, dialinAlias};
    RecordingDelegate delegate;
    std::shared_ptr<FakeModemLines> lines = std::make_shared<FakeModemLines>();
    std::shared_ptr<MLModemLines> previousModemLines;
    std::shared_ptr<MLSerialPort> port;
};

TEST_F(SerialPortTest, OpenMakesTheTerminalRaw8N1AndCloseRestoresIt)
{
    lines->lines = TIOCM_RTS | TIOCM_DTR;
    termios before = pty.slave.settings();
    cfsetospeed(&before, B9600);
    before.c_cflag |= CSTOPB;
    ASSERT_EQ(tcsetattr(pty.slave.fd(), TCSANOW, &before), 0);

    openPort();
    const termios raw = lastRequested;
    EXPECT_FALSE(raw.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(raw.c_oflag & OPOST);
    EXPECT_FALSE(raw.c_iflag & (ICRNL | IXON | ISTRIP | INLCR | IGNCR));
    EXPECT_EQ(raw.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD | CLOCAL | HUPCL),
              tcflag_t(CS8 | CREAD | CLOCAL | HUPCL));
    EXPECT_EQ(cfgetospeed(&raw), speed_t(B19200));
    termios now = pty.slave.settings();
    EXPECT_EQ(cfgetospeed(&now), speed_t(B19200)) << "asked, but not set";
    // Whatever the modem lines were, RTS and DTR go off.
    EXPECT_EQ(lines->lines.load(), 0);

    EXPECT_TRUE(port->close());
    now = pty.slave.settings();
    EXPECT_TRUE((now.c_lflag & ICANON) && (now.c_cflag & CSTOPB) && cfgetospeed(&now) == B9600);
}

TEST_F(SerialPortTest, OnePortObjectPerDeviceAndOpenIsExclusive)
{
    // Named by its callout path, whichever path it is asked for with.
    port = MLSerialPort::initWithPath(dialinAlias);
    ASSERT_TRUE(port);
    EXPECT_EQ(port->path(), pty.slavePath);
    EXPECT_EQ(MLSerialPort::initWithPath(pty.slavePath), port);

    // Held by another opener: the port reports it later, on the main thread, and stays closed.
    const int holder = openAndLock(pty.slavePath);
    ASSERT_GE(holder, 0);
    port->setDelegate(&delegate);
    port->open();
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(delegate.errors, 0);
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.errors > 0; }));
    EXPECT_EQ(delegate.errors + delegate.opened, 1);
    EXPECT_EQ(delegate.lastError.description(),
              QStringLiteral("Resource temporarily unavailable (POSIX error %1, %2)")
                  .arg(EWOULDBLOCK)
                  .arg(pty.slavePath));
    ::close(holder);

    // Open: the next opener is refused (EWOULDBLOCK from the lock; EBUSY from
    // TIOCEXCL for a caller that is not root) until the port closes.
    openPort();
    const int other = openAndLock(pty.slavePath);
    EXPECT_TRUE(other == -EWOULDBLOCK || other == -EBUSY) << other;
    ASSERT_TRUE(port->close());
    const int after = openAndLock(pty.slavePath);
    EXPECT_GE(after, 0) << "lock not released at close";
    ::close(after);
}

TEST_F(SerialPortTest, DataTravelsBothWaysInChunksOfAtMost1024BytesToTheDelegateOfTheMoment)
{
    openPort();
    QByteArray incoming(5000, Qt::Uninitialized);
    for (qsizetype i = 0; i < incoming.size(); ++i)
        incoming[i] = char(i * 7 % 251);
    ASSERT_TRUE(pty.master.write(incoming));
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.received.size() >= incoming.size(); }));
    EXPECT_EQ(delegate.received, incoming);
    EXPECT_LE(delegate.largestChunk, 1024);

    const QByteArray outgoing = incoming.repeated(2);
    EXPECT_TRUE(port->sendData(outgoing));
    EXPECT_EQ(pty.master.readCount(outgoing.size()), outgoing);

    // Writes to the port, then waits, without running the event loop, until its reader has taken it.
    const auto sendAndWaitForTheReader = [&](const QByteArray &bytes) {
        ASSERT_TRUE(pty.master.write(bytes));
        int pending = 1;
        while (::ioctl(pty.slave.fd(), FIONREAD, &pending) == 0 && pending > 0)
            QThread::msleep(1);
    };
    // Read while a delegate was set, delivered after it was cleared: nobody hears it.
    delegate.received.clear();
    sendAndWaitForTheReader("late");
    port->setDelegate(nullptr);
    mltest::flushEvents();
    // Read just before the port goes away: dropped with it.
    port->setDelegate(&delegate);
    sendAndWaitForTheReader("later");
    port.reset();
    mltest::flushEvents();
    EXPECT_TRUE(delegate.received.isEmpty());
    EXPECT_EQ(delegate.errors, 0);
}

TEST_F(SerialPortTest, HangUpIsReportedOnceAndStopsTheReader)
{
    openPort();
    // A hung-up terminal polls ready at once, every time: a reader that kept
    // going would burn a core and flood the main thread (whose event loop
    // would then never return: no events until the reader is known to stop).
    // A live reader also polls the modem lines every 10 ms.
    pty.master.close();
    QThread::msleep(100);
    const int calls = lines->getCalls.load();
    QThread::msleep(100);
    ASSERT_EQ(lines->getCalls.load(), calls) << "the reader goes on after the hang-up";
    mltest::flushEvents();
    ASSERT_EQ(delegate.errors, 1);
    EXPECT_TRUE(delegate.lastError.code == EIO || delegate.lastError.code == ENODEV)
        << delegate.lastError.code;

    // A write to the gone device fails on the spot.
    EXPECT_FALSE(port->sendData("SUMMARY\r"));
    EXPECT_EQ(delegate.errors, 2);
}

} // namespace
