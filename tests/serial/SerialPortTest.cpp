// The serial port on real pseudo-terminals: the port opens the slave, the
// test plays the device on the master.

#include "MLSerialPort.h"
#include "PtyAsOnlySerialPort.h"
#include "PtyPeer.h"
#include "SerialTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

using Kind = RecordingDelegate::Kind;

namespace {

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((i * 7 + seed) % 251);
    return data;
}

bool sameSettings(const termios &a, const termios &b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

// Another opener of the device that asks for the lock, as a second copy of
// this program would: its descriptor, or minus the error.
int openAndLock(const QString &path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    return fd;
}

bool canLock(const QString &path)
{
    const int fd = openAndLock(path);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

class SerialPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.valid());
        dialinAlias = QStringLiteral("/dev/ml-test-dialin-") + pty.slavePath.section(u'/', -1);
        ports.emplace(pty.slavePath, dialinAlias);
    }

    void TearDown() override
    {
        port.reset();
        mltest::flushEvents();
        ports.reset();
        MLSerialPort::setModemLines(previousModemLines);
        EXPECT_FALSE(delegate.calledOffMainThread);
    }

    // A port on the slave, opened, with the open announced.
    void openPort()
    {
        port = MLSerialPort::initWithPath(pty.slavePath);
        ASSERT_TRUE(port);
        port->setDelegate(&delegate);
        const int opened = delegate.count(Kind::Opened);
        port->open();
        ASSERT_TRUE(port->isOpen());
        ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Opened) == opened + 1; }));
    }

    void useFakeModemLines() { previousModemLines = MLSerialPort::setModemLines(lines); }

    PtyPair pty;
    QString dialinAlias;
    std::optional<PtyAsOnlySerialPort> ports;
    RecordingDelegate delegate;
    std::shared_ptr<FakeModemLines> lines = std::make_shared<FakeModemLines>();
    std::shared_ptr<MLSerialPort> port;
    std::shared_ptr<MLModemLines> previousModemLines;
};

TEST_F(SerialPortTest, OnePortObjectPerDeviceNamedByItsCalloutPath)
{
    auto viaDialin = MLSerialPort::initWithPath(dialinAlias);
    ASSERT_TRUE(viaDialin);
    EXPECT_EQ(viaDialin->path(), pty.slavePath);
    EXPECT_EQ(viaDialin->name(), QStringLiteral("pts"));
    EXPECT_EQ(MLSerialPort::initWithPath(pty.slavePath), viaDialin);
    EXPECT_EQ(MLSerialPort::existingPortWithPath(pty.slavePath), viaDialin);
    EXPECT_EQ(MLSerialPort::initWithPath(QStringLiteral("/dev/null")), nullptr);
    EXPECT_EQ(MLSerialPort::initWithPath(QString()), nullptr);

    // A closed port refuses to send and closes quietly.
    viaDialin->setDelegate(&delegate);
    EXPECT_FALSE(viaDialin->sendData("SUMMARY\r"));
    EXPECT_TRUE(viaDialin->writeBuffer().isEmpty());
    EXPECT_TRUE(viaDialin->close());
    mltest::flushEvents();
    EXPECT_TRUE(delegate.kinds().empty());

    // The registry does not keep a port alive.
    viaDialin.reset();
    EXPECT_EQ(MLSerialPort::existingPortWithPath(pty.slavePath), nullptr);
}

TEST_F(SerialPortTest, OpenMakesACookedTerminalRawAndCloseRestoresIt)
{
    // A fresh pty is cooked; give it a speed and stop bits of its own as well.
    termios before = pty.slave.settings();
    ASSERT_TRUE(before.c_lflag & ICANON);
    cfsetispeed(&before, B9600);
    cfsetospeed(&before, B9600);
    before.c_cflag |= CSTOPB;
    ASSERT_EQ(tcsetattr(pty.slave.fd(), TCSANOW, &before), 0);
    before = pty.slave.settings();

    openPort();
    const termios raw = pty.slave.settings();
    EXPECT_FALSE(raw.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(raw.c_oflag & OPOST);
    EXPECT_FALSE(raw.c_iflag & (ICRNL | IXON | ISTRIP | INLCR | IGNCR));
    EXPECT_EQ(raw.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(raw.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(raw.c_cflag & (CREAD | CLOCAL | HUPCL), tcflag_t(CREAD | CLOCAL | HUPCL));
    EXPECT_EQ(raw.c_cc[VMIN], 1);
    EXPECT_EQ(raw.c_cc[VTIME], 2);
    EXPECT_EQ(cfgetispeed(&raw), speed_t(B19200));
    EXPECT_EQ(cfgetospeed(&raw), speed_t(B19200));

    EXPECT_TRUE(port->close());
    EXPECT_TRUE(sameSettings(pty.slave.settings(), before));
}

TEST_F(SerialPortTest, SettersReachAnOpenDeviceWithoutReopening)
{
    openPort();
    // A pty clears PARENB whatever it is given, but keeps PARODD.
    port->setParity(1);
    EXPECT_TRUE(pty.slave.settings().c_cflag & PARODD);
    port->setParity(2);
    EXPECT_FALSE(pty.slave.settings().c_cflag & PARODD);
    port->setParity(1);
    port->setParity(3); // no such parity: none
    EXPECT_EQ(port->parity(), 0u);
    EXPECT_FALSE(pty.slave.settings().c_cflag & PARODD);
    port->setNumberOfStopBits(2);
    EXPECT_TRUE(pty.slave.settings().c_cflag & CSTOPB);
    port->setShouldEchoReceivedData(true);
    EXPECT_TRUE(pty.slave.settings().c_lflag & ECHO);
    port->setBaudRate(115200);
    const termios fast = pty.slave.settings();
    EXPECT_EQ(cfgetospeed(&fast), speed_t(B115200));
    mltest::flushEvents();
    EXPECT_EQ(delegate.count(Kind::Closed), 0);
    EXPECT_EQ(delegate.count(Kind::Opened), 1);
}

TEST_F(SerialPortTest, FlowControlChangeOnAnOpenPortClosesAndReopens)
{
    useFakeModemLines(); // the pty's own would add a modem-line report to each open
    openPort();
    for (const bool rtsCts : {true, false}) {
        delegate.events.clear();
        // DTR/DSR has no flag here, but goes through the same reopen.
        rtsCts ? port->setUsesRTSCTSFlowControl(true) : port->setUsesDTRDSRFlowControl(true);
        EXPECT_TRUE(port->isOpen());
        ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Opened) == 1; }));
        EXPECT_EQ(delegate.kinds(), (std::vector<Kind>{Kind::Closed, Kind::Opened}));
    }
    EXPECT_TRUE(pty.slave.settings().c_cflag & CRTSCTS);

    // The same value again, or any change on a closed port: nothing to tell.
    ASSERT_TRUE(port->close());
    delegate.events.clear();
    port->setUsesDTRDSRFlowControl(true);
    port->setUsesDCDOutputFlowControl(true);
    mltest::flushEvents();
    EXPECT_TRUE(delegate.kinds().empty());
    EXPECT_FALSE(port->isOpen());
}

TEST_F(SerialPortTest, OpenIsExclusive)
{
    // Held by another opener: the port reports it later, on the main thread, and stays closed.
    const int holder = openAndLock(pty.slavePath);
    ASSERT_GE(holder, 0);
    port = MLSerialPort::initWithPath(pty.slavePath);
    port->setDelegate(&delegate);
    port->open();
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(delegate.events.empty());
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Error) == 1; }));
    EXPECT_EQ(delegate.errors().front().description(),
              QStringLiteral("Resource temporarily unavailable (POSIX error %1, %2)").arg(EWOULDBLOCK).arg(pty.slavePath));
    mltest::processEventsFor(50);
    EXPECT_EQ(delegate.count(Kind::Opened), 0);
    ::close(holder);

    // Open: the next opener is refused (EWOULDBLOCK from the lock; EBUSY
    // from TIOCEXCL for a caller that is not root) until the port closes.
    openPort();
    const int other = openAndLock(pty.slavePath);
    if (other >= 0)
        ::close(other);
    EXPECT_TRUE(other == -EWOULDBLOCK || other == -EBUSY) << other;
    ASSERT_TRUE(port->close());
    EXPECT_TRUE(canLock(pty.slavePath)) << "lock not released at close";
}

TEST_F(SerialPortTest, DataTravelsBothWaysInChunksOfAtMost1024Bytes)
{
    openPort();
    const QByteArray incoming = pattern(5000, 1);
    ASSERT_TRUE(pty.master.write(incoming));
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.received().size() >= incoming.size(); }));
    EXPECT_EQ(delegate.received(), incoming);
    for (const auto &event : delegate.events) {
        if (event.kind == Kind::Data) {
            EXPECT_GT(event.data.size(), 0);
            EXPECT_LE(event.data.size(), 1024);
        }
    }

    const QByteArray outgoing = pattern(3000, 2);
    EXPECT_TRUE(port->sendData(outgoing));
    EXPECT_TRUE(port->writeBuffer().isEmpty());
    EXPECT_EQ(pty.master.readCount(outgoing.size()), outgoing);
    EXPECT_TRUE(port->sendData(QByteArray())) << "nothing to write is a success";
    EXPECT_TRUE(pty.master.readFor(100).isEmpty());
}

// A reply may lead to a modal alert, whose nested event loop runs inside the
// delegate call: data must keep arriving meanwhile.
TEST_F(SerialPortTest, DataKeepsComingWhileTheDelegateRunsANestedLoop)
{
    struct NestingDelegate : RecordingDelegate
    {
        void serialPortDidReceiveData(MLSerialPort *port, const QByteArray &data) override
        {
            RecordingDelegate::serialPortDidReceiveData(port, data);
            if (std::exchange(nested, true))
                return;
            master->write("second");
            nestedLoopGotMore = mltest::waitUntil([&] { return received().contains("second"); }, 2000);
        }
        PtyPeer *master = nullptr;
        bool nested = false;
        bool nestedLoopGotMore = false;
    } nesting;
    nesting.master = &pty.master;

    openPort();
    port->setDelegate(&nesting);
    ASSERT_TRUE(pty.master.write("first"));
    ASSERT_TRUE(mltest::waitUntil([&] { return nesting.nested; }));
    EXPECT_TRUE(nesting.nestedLoopGotMore);
    EXPECT_EQ(nesting.received(), QByteArray("firstsecond"));
    port->setDelegate(&delegate);
}

TEST_F(SerialPortTest, HandOffsRespectTheDelegateAndThePortOfTheMoment)
{
    openPort();
    delegate.events.clear();

    // Data read while a delegate was set, delivered after it was cleared: nobody hears it.
    ASSERT_TRUE(pty.master.write("late"));
    QThread::msleep(200);
    port->setDelegate(nullptr);
    mltest::flushEvents();
    EXPECT_TRUE(delegate.kinds().empty());

    // Data read just before the port goes away is dropped with it; the
    // device is unlocked and has its own settings back.
    port->setDelegate(&delegate);
    const termios raw = pty.slave.settings();
    ASSERT_TRUE(pty.master.write("later"));
    QThread::msleep(200);
    port.reset();
    mltest::flushEvents();
    EXPECT_TRUE(delegate.kinds().empty());
    EXPECT_FALSE(sameSettings(pty.slave.settings(), raw));
    EXPECT_TRUE(canLock(pty.slavePath));
}

TEST_F(SerialPortTest, CleanupClosesThenTellsOfTheRemoval)
{
    openPort();
    delegate.events.clear();
    port->cleanup();
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(delegate.kinds(), (std::vector<Kind>{Kind::Closed, Kind::Removed}));
}

TEST_F(SerialPortTest, PtyWithoutModemLinesIsReportedOnceOnly)
{
    openPort();
    port->setRTS(true);
    port->setDTR(true);
    port->setRTS(false);
    mltest::processEventsFor(300);
    const auto errors = delegate.errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors.front().code == ENOTTY || errors.front().code == EINVAL) << errors.front().code;
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(port->DTR()) << "the wish is kept even when the line cannot be driven";
}

TEST_F(SerialPortTest, HangUpIsReportedOnceAndStopsTheReader)
{
    openPort();
    mltest::processEventsFor(50);
    delegate.events.clear();

    pty.master.close();
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Error) == 1; }));
    const MLPosixError error = delegate.errors().front();
    EXPECT_TRUE(error.code == EIO || error.code == ENODEV) << error.code;
    EXPECT_EQ(error.message, QString::fromLocal8Bit(std::strerror(error.code)));

    // A hung-up terminal polls ready at once, every time: a reader that kept
    // going would burn a whole core while the main thread sleeps.
    const double cpuBefore = mltest::processCpuSeconds();
    QThread::msleep(1000);
    EXPECT_LT(mltest::processCpuSeconds() - cpuBefore, 0.1) << "CPU seconds in one second after the hang-up";
    mltest::flushEvents();
    EXPECT_EQ(delegate.count(Kind::Error), 1);
    EXPECT_TRUE(port->isOpen());

    // A write to the gone device fails on the spot and keeps its bytes.
    EXPECT_FALSE(port->sendData("SUMMARY\r"));
    EXPECT_EQ(delegate.count(Kind::Error), 2);
    EXPECT_EQ(port->writeBuffer(), QByteArray("SUMMARY\r"));

    EXPECT_TRUE(port->close());
    EXPECT_TRUE(port->writeBuffer().isEmpty());
    EXPECT_EQ(delegate.count(Kind::Closed), 1);
}

TEST_F(SerialPortTest, ModemLinesAreDrivenAndWatched)
{
    useFakeModemLines();
    lines->lines = TIOCM_RTS | TIOCM_DTR | TIOCM_CTS;
    openPort();
    // Whatever the lines were, the defaults turn RTS and DTR off.
    EXPECT_EQ(lines->lines.load() & (TIOCM_RTS | TIOCM_DTR), 0);
    EXPECT_FALSE(port->RTS() || port->DTR());
    EXPECT_TRUE(mltest::waitUntil([&] { return port->CTS(); }));

    lines->lines = (lines->lines.load() & ~TIOCM_CTS) | TIOCM_DSR | TIOCM_CD;
    EXPECT_TRUE(mltest::waitUntil([&] { return !port->CTS() && port->DSR() && port->DCD(); }));

    port->setRTS(true);
    EXPECT_EQ(lines->lines.load() & (TIOCM_RTS | TIOCM_DTR), TIOCM_RTS);
    port->setDTR(true);
    port->setRTS(false);
    EXPECT_EQ(lines->lines.load() & (TIOCM_RTS | TIOCM_DTR), TIOCM_DTR);
    mltest::flushEvents();
    EXPECT_EQ(delegate.count(Kind::Error), 0);

    // A wish made while closed is driven at the next open.
    ASSERT_TRUE(port->close());
    lines->lines = 0;
    port->setRTS(true);
    EXPECT_EQ(lines->lines.load(), 0);
    port->open();
    EXPECT_EQ(lines->lines.load() & (TIOCM_RTS | TIOCM_DTR), TIOCM_RTS | TIOCM_DTR);
}

TEST_F(SerialPortTest, ModemLineFailureIsReportedOnceAndTheLinesAreLeftAlone)
{
    useFakeModemLines();
    openPort();
    ASSERT_TRUE(mltest::waitUntil([&] { return lines->getCalls.load() > 3; }));

    // (EIO would be a hang-up, which the reader reports instead.)
    lines->failGetWith = EINVAL;
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Error) == 1; }));
    EXPECT_EQ(delegate.errors().front().code, EINVAL);
    const int callsAfterFailure = lines->getCalls.load();
    port->setRTS(true);
    mltest::processEventsFor(200);
    EXPECT_EQ(delegate.count(Kind::Error), 1);
    EXPECT_EQ(lines->getCalls.load(), callsAfterFailure);
    EXPECT_EQ(lines->setCalls.load(), 0);
    EXPECT_TRUE(port->isOpen());

    // The next open starts afresh; a failed line write is reported later, once.
    lines->failGetWith = 0;
    ASSERT_TRUE(port->close());
    port->open();
    EXPECT_TRUE(mltest::waitUntil([&] { return lines->getCalls.load() > callsAfterFailure + 3; }));
    EXPECT_EQ(lines->lines.load() & TIOCM_RTS, TIOCM_RTS);
    delegate.events.clear();
    lines->failSetWith = EPERM;
    port->setRTS(false);
    EXPECT_EQ(delegate.count(Kind::Error), 0);
    port->setDTR(true);
    mltest::processEventsFor(100);
    ASSERT_EQ(delegate.count(Kind::Error), 1);
    EXPECT_EQ(delegate.errors().front().code, EPERM);
}

} // namespace
