#include "MLSerialPort.h"

#include "MLFileDescriptor.h"
#include "MLMainThreadQueue.h"
#include "MLSerialPortRegistry.h"
#include "RetryOnEintr.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

constexpr qsizetype kReadChunk = 1024;
constexpr std::chrono::milliseconds kReadWait{100};
constexpr std::chrono::milliseconds kLinePollInterval{10};
// How long close() lets pending output drain before dropping it.
constexpr int kCloseDrainLimitMs = 200;

// termios speeds exist only as constants.
std::optional<speed_t> speedConstant(qint64 bitsPerSecond)
{
    static constexpr std::pair<qint64, speed_t> speeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto &[rate, constant] : speeds) {
        if (rate == bitsPerSecond)
            return constant;
    }
    return std::nullopt;
}

} // namespace

struct MLSerialPort::Private
{
    explicit Private(const MLSerialDeviceEntry &device)
        : path(MLSerialPort::bsdCalloutPathFromDevice(device)), name(MLSerialPort::baseNameFromDevice(device))
    {}

    // Fixed at creation, so any thread may read them.
    const QString path;
    const QString name;

    mutable std::mutex writeMutex;
    QByteArray writeBuffer;

    termios originalPortAttributes{};
    // False when the device gave no settings (not a terminal): nothing to put back.
    bool haveOriginalAttributes = false;

    // For the current open.
    std::shared_ptr<MLModemLines> modemLines;
    std::thread thread;
    MLFileDescriptor wakeFd;
    std::atomic<bool> stopRequested{false};
    // Set at the first modem-line failure of an open, which is reported; the
    // lines are then left alone until the next open. Pseudo-terminals and some
    // adapters fail every time and would otherwise report 100 times a second.
    std::atomic<bool> modemLinesGivenUp{false};
    // Set by the background thread when the device hung up (unplugged).
    std::atomic<bool> hungUp{false};
};

// Creation; look-up lives with the registry.

MLSerialPort::MLSerialPort(const MLSerialDeviceEntry &device, PrivateTag)
    : d(std::make_unique<Private>(device))
{}

MLSerialPort::~MLSerialPort()
{
    // No delegate call from here: the object is half gone.
    if (isOpen())
        closeDescriptor();
    MLSerialPortRegistry::remove(this);
}

QString MLSerialPort::path() const
{
    return d->path;
}

QString MLSerialPort::name() const
{
    return d->name;
}

QByteArray MLSerialPort::writeBuffer() const
{
    std::lock_guard lock(d->writeMutex);
    return d->writeBuffer;
}

// Open and close

void MLSerialPort::open()
{
    if (isOpen())
        return;
    MLMainThreadQueue::instance(); // made here, on the main thread, before any thread posts to it

    const QByteArray devicePath = QFile::encodeName(path());
    MLFileDescriptor owned(retryOnEintr(
        [&] { return ::open(devicePath.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }));
    if (owned.get() == 0) {
        // 0 stands for "closed"; only possible when standard input was closed.
        MLFileDescriptor moved(::fcntl(owned.get(), F_DUPFD_CLOEXEC, 1));
        const int error = errno;
        owned = std::move(moved);
        errno = error;
    }
    if (!owned.isValid()) {
        postDelegateError(weak_from_this(), errno);
        return;
    }
    const int fd = owned.get();

    // Linux has no exclusive-open flag. flock shuts out every other opener
    // that asks for the lock, root included; TIOCEXCL shuts out plain opens by
    // anyone but root. Pseudo-terminals under test doubles refuse TIOCEXCL.
    const bool exclusive = retryOnEintr([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0 &&
                           (::ioctl(fd, TIOCEXCL) == 0 || errno == ENOTTY);
    // From now on reads and writes block; the background thread polls before it reads.
    if (!exclusive || ::fcntl(fd, F_SETFL, 0) != 0) {
        const int error = errno;
        owned.reset();
        postDelegateError(weak_from_this(), error);
        return;
    }

    d->stopRequested = false;
    d->hungUp = false;
    d->modemLinesGivenUp = false;
    d->modemLines = MLSerialPortRegistry::currentModemLines();
    // The atomic holds it from here on; closeDescriptor() gives it back.
    m_fileDescriptor = owned.release();
    d->haveOriginalAttributes = ::tcgetattr(fd, &d->originalPortAttributes) == 0;
    setPortOptions();

    int lines = 0;
    if (!d->modemLines->get(fd, lines)) {
        d->modemLinesGivenUp = true;
        postDelegateError(weak_from_this(), errno);
        lines = 0;
    }
    // Bring the fields in line with the lines, then drive what differs from the wish.
    const bool wantedRTS = m_RTS;
    const bool wantedDTR = m_DTR;
    m_RTS = (lines & TIOCM_RTS) != 0;
    m_DTR = (lines & TIOCM_DTR) != 0;
    setRTS(wantedRTS);
    setDTR(wantedDTR);

    postToMainThread(weak_from_this(), [](MLSerialPort &port) {
        if (port.m_delegate)
            port.m_delegate->serialPortWasOpened(&port);
    });
    startBackgroundThread();
}

bool MLSerialPort::close()
{
    if (!isOpen())
        return true;
    // The delegate may drop the last reference to this port while it is told.
    const auto keepAlive = weak_from_this().lock();
    closeDescriptor();
    if (m_delegate)
        m_delegate->serialPortWasClosed(this);
    return true;
}

void MLSerialPort::closeDescriptor()
{
    {
        std::lock_guard lock(d->writeMutex);
        d->writeBuffer.clear();
    }
    // Joined before the descriptor goes, so the thread never touches a closed
    // or reused descriptor.
    stopBackgroundThread();

    // Closed last, once the port reads as closed. Linux releases the
    // descriptor even when close reports an error, so the port is closed
    // either way.
    const MLFileDescriptor owned(m_fileDescriptor.load());
    const int fd = owned.get();
    termios options{};
    if (::tcgetattr(fd, &options) == 0) {
        // Putting the settings back waits for pending output: it must not
        // wait on a flow-control line as well.
        options.c_cflag &= ~tcflag_t(CRTSCTS);
        retryOnEintr([&] { return ::tcsetattr(fd, TCSANOW, &options); });
    }
    if (d->haveOriginalAttributes) {
        // Settings go back once pending output is out, but a device that has
        // stopped taking data (hung up, or wedged while still plugged in) must
        // not hold the window: after a short wait its output is dropped.
        bool drained = !d->hungUp.load();
        for (int waited = 0; drained; waited += 10) {
            int pending = 0;
            if (::ioctl(fd, TIOCOUTQ, &pending) != 0 || pending <= 0)
                break;
            if (waited >= kCloseDrainLimitMs) {
                drained = false;
                break;
            }
            ::usleep(10 * 1000);
        }
        if (!drained)
            ::tcflush(fd, TCOFLUSH);
        const int when = drained ? TCSADRAIN : TCSANOW;
        retryOnEintr([&] { return ::tcsetattr(fd, when, &d->originalPortAttributes); });
    }
    // Other holders of the terminal may open it again.
    ::ioctl(fd, TIOCNXCL);
    d->modemLines.reset();
    m_fileDescriptor = 0;
}

void MLSerialPort::cleanup()
{
    const auto keepAlive = weak_from_this().lock();
    close();
    if (m_delegate)
        m_delegate->serialPortWasRemovedFromSystem(this);
}

// Settings

void MLSerialPort::setPortOptions()
{
    const int fd = m_fileDescriptor.load();
    if (fd <= 0)
        return;
    termios options{};
    if (::tcgetattr(fd, &options) != 0)
        return;

    ::cfmakeraw(&options);
    options.c_cc[VMIN] = 1;
    options.c_cc[VTIME] = 2;
    options.c_cflag &= ~tcflag_t(CSIZE);
    options.c_cflag |= CS8;

    switch (m_parity) {
    case 1:
        options.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        options.c_cflag |= PARENB;
        options.c_cflag &= ~tcflag_t(PARODD);
        break;
    default:
        options.c_cflag &= ~tcflag_t(PARENB | PARODD);
        break;
    }
    if (m_numberOfStopBits >= 2)
        options.c_cflag |= CSTOPB;
    else
        options.c_cflag &= ~tcflag_t(CSTOPB);
    if (m_shouldEchoReceivedData)
        options.c_lflag |= ECHO;
    else
        options.c_lflag &= ~tcflag_t(ECHO);
    // CRTSCTS covers both directions. DTR/DSR and carrier-detect output flow
    // control have no termios flags on Linux: those settings have no effect.
    if (m_usesRTSCTSFlowControl)
        options.c_cflag |= CRTSCTS;
    else
        options.c_cflag &= ~tcflag_t(CRTSCTS);

    options.c_cflag |= HUPCL | CLOCAL | CREAD;
    options.c_lflag &= ~tcflag_t(ICANON | ISIG);
    if (const auto speed = speedConstant(m_baudRate)) {
        ::cfsetispeed(&options, *speed);
        ::cfsetospeed(&options, *speed);
    }
    retryOnEintr([&] { return ::tcsetattr(fd, TCSANOW, &options); });
}

void MLSerialPort::setBaudRate(qint64 baudRate)
{
    if (baudRate == m_baudRate)
        return;
    m_baudRate = baudRate;
    setPortOptions();
}

void MLSerialPort::setNumberOfStopBits(quint64 stopBits)
{
    if (stopBits == m_numberOfStopBits)
        return;
    m_numberOfStopBits = stopBits;
    setPortOptions();
}

void MLSerialPort::setParity(quint64 parity)
{
    if (parity > 2)
        parity = 0;
    if (parity == m_parity)
        return;
    m_parity = parity;
    setPortOptions();
}

void MLSerialPort::setShouldEchoReceivedData(bool echo)
{
    if (echo == m_shouldEchoReceivedData)
        return;
    m_shouldEchoReceivedData = echo;
    setPortOptions();
}

void MLSerialPort::setFlowControl(bool MLSerialPort::*field, bool uses)
{
    if (this->*field == uses)
        return;
    const auto keepAlive = weak_from_this().lock();
    const bool wasOpen = isOpen();
    close();
    this->*field = uses;
    setPortOptions();
    if (wasOpen)
        open();
}

void MLSerialPort::setUsesRTSCTSFlowControl(bool uses)
{
    setFlowControl(&MLSerialPort::m_usesRTSCTSFlowControl, uses);
}

void MLSerialPort::setUsesDTRDSRFlowControl(bool uses)
{
    setFlowControl(&MLSerialPort::m_usesDTRDSRFlowControl, uses);
}

void MLSerialPort::setUsesDCDOutputFlowControl(bool uses)
{
    setFlowControl(&MLSerialPort::m_usesDCDOutputFlowControl, uses);
}

void MLSerialPort::setRTS(bool rts)
{
    if (rts == m_RTS)
        return;
    m_RTS = rts;
    if (isOpen())
        driveModemLine(TIOCM_RTS, rts);
}

void MLSerialPort::setDTR(bool dtr)
{
    if (dtr == m_DTR)
        return;
    m_DTR = dtr;
    if (isOpen())
        driveModemLine(TIOCM_DTR, dtr);
}

void MLSerialPort::driveModemLine(int line, bool on)
{
    if (d->modemLinesGivenUp.load() || !d->modemLines)
        return;
    if (!d->modemLines->set(m_fileDescriptor.load(), line, on)) {
        const int error = errno;
        if (!d->modemLinesGivenUp.exchange(true))
            postDelegateError(weak_from_this(), error);
    }
}

// Data

bool MLSerialPort::sendData(const QByteArray &data)
{
    if (!isOpen())
        return false;
    const auto keepAlive = weak_from_this().lock();
    int error = 0;
    {
        std::lock_guard lock(d->writeMutex);
        d->writeBuffer.append(data);
        if (d->writeBuffer.isEmpty())
            return true;
        const int fd = m_fileDescriptor.load();
        const ssize_t written = retryOnEintr(
            [&] { return ::write(fd, d->writeBuffer.constData(), size_t(d->writeBuffer.size())); });
        if (written >= 0) {
            d->writeBuffer.remove(0, qsizetype(written));
            return true;
        }
        error = errno;
    }
    notifyDelegateOfPosixError(error);
    return false;
}

void MLSerialPort::receiveData(const QByteArray &data)
{
    if (m_delegate)
        m_delegate->serialPortDidReceiveData(this, data);
}

void MLSerialPort::notifyDelegateOfPosixError(int code)
{
    if (m_delegate)
        m_delegate->serialPortDidEncounterError(this, MLPosixError::fromErrno(code, path()));
}

void MLSerialPort::postDelegateError(const std::weak_ptr<MLSerialPort> &port, int code)
{
    postToMainThread(port, [code](MLSerialPort &alive) { alive.notifyDelegateOfPosixError(code); });
}

// The background thread: reads and polls the modem lines of one open.

void MLSerialPort::startBackgroundThread()
{
    // Wakes the thread at close at once. Without it (eventfd failed) close
    // still works, after one poll time-out: poll skips a negative descriptor.
    d->wakeFd.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    try {
        d->thread = std::thread(&MLSerialPort::backgroundLoop, this, m_fileDescriptor.load(), d->wakeFd.get(),
                                d->modemLines, weak_from_this());
        ::pthread_setname_np(d->thread.native_handle(), "ml-serial");
    } catch (const std::system_error &error) {
        postDelegateError(weak_from_this(), error.code().value());
    }
}

void MLSerialPort::stopBackgroundThread()
{
    if (d->thread.joinable()) {
        d->stopRequested = true;
        if (d->wakeFd.isValid()) {
            const std::uint64_t one = 1;
            retryOnEintr([&] { return ::write(d->wakeFd.get(), &one, sizeof one); });
        }
        d->thread.join();
    }
    d->wakeFd.reset();
}

void MLSerialPort::backgroundLoop(int fd, int wakeFd, std::shared_ptr<MLModemLines> lines,
                                  std::weak_ptr<MLSerialPort> self)
{
    using Clock = std::chrono::steady_clock;
    auto nextLinePoll = Clock::now();
    bool waitFailed = false;
    while (!d->stopRequested.load()) {
        const bool pollingLines = !d->modemLinesGivenUp.load();
        auto timeout = kReadWait;
        if (pollingLines)
            timeout = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(nextLinePoll - Clock::now()),
                                 std::chrono::milliseconds(0), kReadWait);

        pollfd fds[] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, int(timeout.count()));
        if (d->stopRequested.load())
            break;
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            // Reported once per run of failures; a wait that keeps failing must not spin.
            if (!std::exchange(waitFailed, true))
                postDelegateError(self, errno);
            std::this_thread::sleep_for(kLinePollInterval);
            continue;
        }
        waitFailed = false;
        if (fds[0].revents != 0 && !readAvailable(fd, fds[0].revents, self))
            return;

        const auto now = Clock::now();
        if (pollingLines && now >= nextLinePoll) {
            pollModemLines(fd, *lines, self);
            nextLinePoll += kLinePollInterval;
            if (nextLinePoll <= now)
                nextLinePoll = now + kLinePollInterval;
        }
    }
}

// False when the device hung up: that is reported, and there is nothing more to read.
bool MLSerialPort::readAvailable(int fd, short revents, const std::weak_ptr<MLSerialPort> &self)
{
    // A hung-up terminal polls as ready at once, every time: it must end the
    // loop, not spin it.
    const bool hangUp = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    int error = 0;
    if (revents & POLLIN) {
        // Data may still be left after a hang-up; it is read first.
        char buffer[kReadChunk];
        const ssize_t count = retryOnEintr([&] { return ::read(fd, buffer, sizeof buffer); });
        if (count > 0) {
            postToMainThread(self, [data = QByteArray(buffer, qsizetype(count))](MLSerialPort &port) {
                port.receiveData(data);
            });
            return true;
        }
        const bool wouldBlock = count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (wouldBlock && !hangUp)
            return true;
        // A terminal reads 0 bytes only once it has hung up.
        error = count < 0 && !wouldBlock ? errno : EIO;
    } else if (hangUp) {
        error = (revents & POLLNVAL) ? EBADF : EIO;
    } else {
        return true;
    }
    d->hungUp = true;
    postDelegateError(self, error);
    return false;
}

void MLSerialPort::pollModemLines(int fd, MLModemLines &lines, const std::weak_ptr<MLSerialPort> &self)
{
    int bits = 0;
    if (!lines.get(fd, bits)) {
        const int error = errno;
        // EIO is a hang-up, which the reader reports once by itself.
        if (!d->modemLinesGivenUp.exchange(true) && error != EIO)
            postDelegateError(self, error);
        return;
    }
    // The fields are written on the main thread only.
    const bool cts = (bits & TIOCM_CTS) != 0;
    const bool dsr = (bits & TIOCM_DSR) != 0;
    const bool dcd = (bits & TIOCM_CD) != 0;
    if (cts != m_CTS.load())
        postToMainThread(self, [cts](MLSerialPort &port) { port.setCTS(cts); });
    if (dsr != m_DSR.load())
        postToMainThread(self, [dsr](MLSerialPort &port) { port.setDSR(dsr); });
    if (dcd != m_DCD.load())
        postToMainThread(self, [dcd](MLSerialPort &port) { port.setDCD(dcd); });
}
