#include "MLSerialPort.h"

#include "RetryOnEintr.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <functional>
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
#include <vector>

namespace {

constexpr qsizetype kReadChunk = 1024;
constexpr std::chrono::milliseconds kReadWait{100};
constexpr std::chrono::milliseconds kLinePollInterval{10};
// How long close() lets pending output drain before dropping it.
constexpr int kCloseDrainLimitMs = 200;

// The class-level registry: it observes every live port and owns none.
struct LivePort
{
    const MLSerialPort *object;
    std::weak_ptr<MLSerialPort> port;
};

std::mutex &livePortsMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<LivePort> &livePorts()
{
    static std::vector<LivePort> ports;
    return ports;
}

// Held from look-up to registration, so that two callers cannot make two
// ports for one device. Separate from livePortsMutex: a port that dies while
// it is held takes only that one.
std::mutex &creationMutex()
{
    static std::mutex mutex;
    return mutex;
}

void addSerialPort(const std::shared_ptr<MLSerialPort> &port)
{
    std::lock_guard lock(livePortsMutex());
    auto &ports = livePorts();
    std::erase_if(ports, [](const LivePort &entry) { return entry.port.expired(); });
    ports.push_back({port.get(), port});
}

void removeSerialPort(const MLSerialPort *port)
{
    std::lock_guard lock(livePortsMutex());
    std::erase_if(livePorts(), [port](const LivePort &entry) { return entry.object == port; });
}

std::mutex &servicesMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<MLSerialDeviceRegistry> &deviceRegistrySlot()
{
    static std::shared_ptr<MLSerialDeviceRegistry> registry;
    return registry;
}

std::shared_ptr<MLModemLines> &modemLinesSlot()
{
    static std::shared_ptr<MLModemLines> lines;
    return lines;
}

std::shared_ptr<MLSerialDeviceRegistry> currentDeviceRegistry()
{
    std::lock_guard lock(servicesMutex());
    auto &registry = deviceRegistrySlot();
    if (!registry)
        registry = std::make_shared<MLUdevSerialDeviceRegistry>();
    return registry;
}

std::shared_ptr<MLModemLines> currentModemLines()
{
    std::lock_guard lock(servicesMutex());
    auto &lines = modemLinesSlot();
    if (!lines)
        lines = std::make_shared<MLIoctlModemLines>();
    return lines;
}

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

// Hands work from any thread to the main thread, in order. The work travels
// under our own mutex and an eventfd wakes the main loop through a socket
// notifier: no Qt object is made on one thread and let go on the other, and
// ThreadSanitizer sees every hand-off (it cannot see into Qt's own queue).
class MainThreadQueue
{
public:
    // Made at the first open(), on the main thread, and kept for the life of the process.
    static MainThreadQueue &instance()
    {
        static MainThreadQueue *const queue = new MainThreadQueue;
        return *queue;
    }

    void post(std::function<void()> work)
    {
        bool idle = false;
        {
            std::lock_guard lock(m_mutex);
            m_work.push_back(std::move(work));
            idle = !std::exchange(m_wakePending, true);
        }
        if (idle)
            wake();
    }

private:
    MainThreadQueue() : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        Q_ASSERT(QCoreApplication::instance() &&
                 QThread::currentThread() == QCoreApplication::instance()->thread());
        if (m_wakeFd < 0)
            return;
        // Goes with the application.
        auto *notifier = new QSocketNotifier(m_wakeFd, QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] { runPending(); });
    }

    void runPending()
    {
        std::uint64_t count = 0;
        if (m_wakeFd >= 0)
            retryOnEintr([&] { return ::read(m_wakeFd, &count, sizeof count); });
        for (;;) {
            std::function<void()> item;
            {
                std::lock_guard lock(m_mutex);
                if (m_work.empty())
                    return;
                item = std::move(m_work.front());
                m_work.pop_front();
                // The item may run a nested event loop (a modal alert): what
                // is queued, or comes, meanwhile must still get through.
                m_wakePending = !m_work.empty();
                if (m_wakePending)
                    wake();
            }
            item();
        }
    }

    void wake()
    {
        if (m_wakeFd < 0) {
            // No eventfd to be had: Qt's own queue wakes the main thread instead.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [this] { runPending(); }, Qt::QueuedConnection);
            return;
        }
        const std::uint64_t one = 1;
        retryOnEintr([&] { return ::write(m_wakeFd, &one, sizeof one); });
    }

    const int m_wakeFd;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_work;
    bool m_wakePending = false;
};

// Runs `work` on the main thread later, and only if the port still lives
// then. The hand-off never waits: close() joins the background thread on the
// main thread, so a waiting hand-off could deadlock.
template<typename Work> void postToMainThread(std::weak_ptr<MLSerialPort> port, Work work)
{
    MainThreadQueue::instance().post([port = std::move(port), work = std::move(work)] {
        if (const auto alive = port.lock())
            work(*alive);
    });
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
    int wakeFd = -1;
    std::atomic<bool> stopRequested{false};
    // Set at the first modem-line failure of an open, which is reported; the
    // lines are then left alone until the next open. Pseudo-terminals and some
    // adapters fail every time and would otherwise report 100 times a second.
    std::atomic<bool> modemLinesGivenUp{false};
    // Set by the background thread when the device hung up (unplugged).
    std::atomic<bool> hungUp{false};
};

// Creation and look-up

MLSerialPort::MLSerialPort(const MLSerialDeviceEntry &device, PrivateTag)
    : d(std::make_unique<Private>(device))
{}

MLSerialPort::~MLSerialPort()
{
    // No delegate call from here: the object is half gone.
    if (isOpen())
        closeDescriptor();
    removeSerialPort(this);
}

std::shared_ptr<MLSerialPort> MLSerialPort::initWithPath(const QString &path)
{
    const auto device = deviceFromBSDPath(path);
    if (!device)
        return nullptr;
    return initWithDevice(*device);
}

std::shared_ptr<MLSerialPort> MLSerialPort::initWithDevice(const MLSerialDeviceEntry &device)
{
    const QString calloutPath = bsdCalloutPathFromDevice(device);
    Q_ASSERT_X(!calloutPath.isEmpty(), "initWithDevice", "initWithDevice requires non-zero device argument.");
    if (calloutPath.isEmpty())
        return nullptr;

    std::lock_guard lock(creationMutex());
    if (auto existing = existingPortWithPath(calloutPath))
        return existing;
    auto port = std::make_shared<MLSerialPort>(device, PrivateTag{});
    addSerialPort(port);
    return port;
}

std::optional<MLSerialDeviceEntry> MLSerialPort::deviceFromBSDPath(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return currentDeviceRegistry()->portWithPath(path);
}

std::shared_ptr<MLSerialPort> MLSerialPort::existingPortWithPath(const QString &path)
{
    // Lock the observers outside the registry's mutex: dropping one that was
    // the last reference destroys its port, which takes that mutex.
    std::vector<std::weak_ptr<MLSerialPort>> candidates;
    {
        std::lock_guard lock(livePortsMutex());
        for (const auto &entry : livePorts())
            candidates.push_back(entry.port);
    }
    for (const auto &candidate : candidates) {
        auto port = candidate.lock();
        if (port && port->path() == path)
            return port;
    }
    return nullptr;
}

std::shared_ptr<MLSerialDeviceRegistry>
MLSerialPort::setDeviceRegistry(std::shared_ptr<MLSerialDeviceRegistry> registry)
{
    std::lock_guard lock(servicesMutex());
    return std::exchange(deviceRegistrySlot(), std::move(registry));
}

std::shared_ptr<MLModemLines> MLSerialPort::setModemLines(std::shared_ptr<MLModemLines> lines)
{
    std::lock_guard lock(servicesMutex());
    return std::exchange(modemLinesSlot(), std::move(lines));
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
    MainThreadQueue::instance(); // made here, on the main thread, before any thread posts to it

    const QByteArray devicePath = QFile::encodeName(path());
    int fd = retryOnEintr(
        [&] { return ::open(devicePath.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
    if (fd == 0) {
        // 0 stands for "closed"; only possible when standard input was closed.
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        const int error = errno;
        ::close(fd);
        fd = moved;
        errno = error;
    }
    if (fd < 0) {
        postDelegateError(weak_from_this(), errno);
        return;
    }

    // Linux has no exclusive-open flag. flock shuts out every other opener
    // that asks for the lock, root included; TIOCEXCL shuts out plain opens by
    // anyone but root. Pseudo-terminals under test doubles refuse TIOCEXCL.
    const bool exclusive = retryOnEintr([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0 &&
                           (::ioctl(fd, TIOCEXCL) == 0 || errno == ENOTTY);
    // From now on reads and writes block; the background thread polls before it reads.
    if (!exclusive || ::fcntl(fd, F_SETFL, 0) != 0) {
        const int error = errno;
        ::close(fd);
        postDelegateError(weak_from_this(), error);
        return;
    }

    d->stopRequested = false;
    d->hungUp = false;
    d->modemLinesGivenUp = false;
    d->modemLines = currentModemLines();
    m_fileDescriptor = fd;
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

    const int fd = m_fileDescriptor.load();
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
    // Linux releases the descriptor even when close reports an error, so the
    // port is closed either way; retrying could close someone else's file.
    ::close(fd);
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
    d->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    try {
        d->thread = std::thread(&MLSerialPort::backgroundLoop, this, m_fileDescriptor.load(), d->wakeFd,
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
        if (d->wakeFd >= 0) {
            const std::uint64_t one = 1;
            retryOnEintr([&] { return ::write(d->wakeFd, &one, sizeof one); });
        }
        d->thread.join();
    }
    if (d->wakeFd >= 0) {
        ::close(d->wakeFd);
        d->wakeFd = -1;
    }
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
