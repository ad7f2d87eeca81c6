#include "MicSimulator.h"

#include "MLFileDescriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The application reads at most 1024 bytes at a time too.
constexpr int ReadChunkSize = 1024;

// A descriptor that reported nobody on the other end (POLLHUP, EOF, EIO)
// stays readable; leave it alone this long instead of spinning on it. Short:
// a real microphone answers as soon as the port is opened again.
constexpr milliseconds PeerRetryInterval(5);

const QByteArray BrickedMessage("Error: cannot open keyset1.txt\r\n");

QString systemError(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Whole numbers print without a fraction (87), others as briefly as they
// round-trip to 15 digits (57.9).
QByteArray formatBattery(double percent)
{
    if (std::isfinite(percent) && std::trunc(percent) == percent && std::fabs(percent) < 1e15)
        return QByteArray::number(static_cast<qint64>(percent));
    return QByteArray::number(percent, 'g', 15);
}

// Plain decimal only, so that a malformed value from the application gets an
// error reply instead of being read leniently.
bool parseInt(const QByteArray &text, int *value)
{
    if (text.isEmpty() || text.size() > 11)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (!(c >= '0' && c <= '9') && !(c == '-' && i == 0))
            return false;
    }
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (ok)
        *value = parsed;
    return ok;
}

// Values cross threads as deep copies. Implicit sharing is thread-safe, but
// its reference checks inside the uninstrumented Qt library look like races to
// ThreadSanitizer, which some test builds run under.
QByteArray deepCopy(const QByteArray &bytes)
{
    return QByteArray(bytes.constData(), bytes.size());
}

QString deepCopy(const QString &text)
{
    return QString(text.constData(), text.size());
}

QList<QByteArray> deepCopy(const QList<QByteArray> &list)
{
    QList<QByteArray> copy;
    copy.reserve(list.size());
    for (const QByteArray &bytes : list)
        copy.append(deepCopy(bytes));
    return copy;
}

int millisecondsUntil(Clock::time_point when, Clock::time_point now)
{
    if (when <= now)
        return 0;
    const auto ms = std::chrono::ceil<milliseconds>(when - now).count();
    return static_cast<int>(std::min<std::int64_t>(ms, 60'000));
}

void shortenTimeout(int *timeoutMs, int ms)
{
    *timeoutMs = *timeoutMs < 0 ? ms : std::min(*timeoutMs, ms);
}

} // namespace

struct MicSimulator::Impl
{
    // Serialises openPty/attach/stop so the thread object is never raced.
    std::mutex lifecycle;

    mutable std::mutex mutex;
    // Signalled when a command is recorded and when a hang-up is done.
    mutable std::condition_variable changed;

    std::thread thread;
    bool running = false;
    bool quit = false;
    bool hangUpRequested = false;
    bool hungUp = false;

    int fd = -1;
    bool ownPty = false;
    int slaveFd = -1;
    MLFileDescriptor wakeFd;
    int attachedFlags = -1; // to restore on an attached descriptor

    QString name = QStringLiteral("Microphone");
    QString serial = QStringLiteral("N0012345");
    QString firmware = QStringLiteral("1.05");
    int channel1 = 0;
    int channel2 = 1;
    int coverage = 3;
    double battery = 87;

    int replyDelayMs = 0;
    int chunkSize = 0;
    int chunkPauseMs = 0;
    int splitAt = 0;
    QByteArray noise;
    bool echo = false;
    QList<QByteArray> strayLines;
    bool silent = false;
    double drainPerSummary = 0;
    ReplyOverride replyOverride;
    TrafficObserver observer;

    QByteArray line;
    bool discarding = false;
    bool afterCarriageReturn = false;
    int discardedLines = 0;
    qint64 bytesReceived = 0;
    QList<QByteArray> commands;

    struct Piece
    {
        Clock::time_point due;
        QByteArray bytes;
    };
    std::deque<QByteArray> urgent;
    std::deque<Piece> scheduled;

    bool start(int serveFd, bool ownsPty, int keepSlaveFd, int flagsToRestore, QString *error);
    void stop();
    void run();
    void wakeLocked() const;
    void drainWake() const;
    void hangUpLocked();
    void handleInput(const char *bytes, qsizetype size);
    void handleCommand(const QByteArray &command);
    QByteArray executeLocked(const QByteArray &command);
    QByteArray summaryLocked() const;
    void scheduleLocked(const QByteArray &block);
    bool sendNowLocked(QByteArray bytes);
};

bool MicSimulator::Impl::start(int serveFd, bool ownsPty, int keepSlaveFd, int flagsToRestore, QString *error)
{
    MLFileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.isValid()) {
        setError(error, systemError("eventfd", errno));
        return false;
    }
    std::lock_guard lock(mutex);
    fd = serveFd;
    ownPty = ownsPty;
    slaveFd = keepSlaveFd;
    attachedFlags = flagsToRestore;
    wakeFd = std::move(wake);
    running = true;
    quit = false;
    hangUpRequested = false;
    hungUp = false;
    line.clear();
    discarding = false;
    afterCarriageReturn = false;
    thread = std::thread([this] { run(); });
    return true;
}

void MicSimulator::Impl::stop()
{
    {
        std::lock_guard lock(mutex);
        if (!running)
            return;
        running = false;
        quit = true;
        wakeLocked();
        changed.notify_all();
    }
    thread.join();

    std::lock_guard lock(mutex);
    if (ownPty) {
        if (fd >= 0)
            ::close(fd);
        if (slaveFd >= 0)
            ::close(slaveFd);
    } else if (fd >= 0 && attachedFlags >= 0) {
        ::fcntl(fd, F_SETFL, attachedFlags);
    }
    fd = -1;
    slaveFd = -1;
    ownPty = false;
    attachedFlags = -1;
    wakeFd.reset();
    urgent.clear();
    scheduled.clear();
}

void MicSimulator::Impl::wakeLocked() const
{
    const std::uint64_t one = 1;
    // A full counter (EAGAIN) already means "wake up".
    while (::write(wakeFd.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void MicSimulator::Impl::drainWake() const
{
    std::uint64_t count = 0;
    while (::read(wakeFd.get(), &count, sizeof count) < 0 && errno == EINTR) {
    }
}

void MicSimulator::Impl::hangUpLocked()
{
    if (ownPty) {
        ::close(fd);
        fd = -1;
        if (slaveFd >= 0)
            ::close(slaveFd);
        slaveFd = -1;
    } else {
        // The owner may share this description; give it back as it came.
        if (attachedFlags >= 0)
            ::fcntl(fd, F_SETFL, attachedFlags);
        attachedFlags = -1;
        const int fdFlags = ::fcntl(fd, F_GETFD);
        const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (devNull >= 0) {
            const int cloexec = (fdFlags >= 0 && (fdFlags & FD_CLOEXEC)) ? O_CLOEXEC : 0;
            while (::dup3(devNull, fd, cloexec) < 0 && errno == EINTR) {
            }
            ::close(devNull);
        }
    }
    urgent.clear();
    scheduled.clear();
    hungUp = true;
}

void MicSimulator::Impl::run()
{
    std::array<char, ReadChunkSize> buffer{};
    QByteArray writing; // the piece being written; only this thread touches it
    Clock::time_point peerRetryAt{};

    for (;;) {
        int timeoutMs = -1;
        int serveFd = -1;
        {
            std::lock_guard lock(mutex);
            if (quit)
                return;
            if (hangUpRequested) {
                hangUpRequested = false;
                hangUpLocked();
                writing.clear();
                changed.notify_all();
            }
            const auto now = Clock::now();
            if (writing.isEmpty()) {
                if (!urgent.empty()) {
                    writing = urgent.front();
                    urgent.pop_front();
                } else if (!scheduled.empty() && scheduled.front().due <= now) {
                    writing = scheduled.front().bytes;
                    scheduled.pop_front();
                }
            }
            if (fd >= 0 && !hungUp) {
                if (now < peerRetryAt)
                    shortenTimeout(&timeoutMs, millisecondsUntil(peerRetryAt, now));
                else
                    serveFd = fd;
                if (writing.isEmpty() && !scheduled.empty())
                    shortenTimeout(&timeoutMs, millisecondsUntil(scheduled.front().due, now));
            }
        }

        std::array<pollfd, 2> fds{};
        fds[0] = {wakeFd.get(), POLLIN, 0};
        fds[1] = {serveFd, static_cast<short>(POLLIN | (writing.isEmpty() ? 0 : POLLOUT)), 0};
        const int ready = ::poll(fds.data(), serveFd >= 0 ? 2 : 1, timeoutMs);
        if (ready < 0) {
            if (errno != EINTR)
                std::this_thread::sleep_for(PeerRetryInterval);
            continue;
        }
        if (fds[0].revents & POLLIN)
            drainWake();
        if (serveFd < 0)
            continue;

        const short events = fds[1].revents;
        if (events & POLLNVAL) {
            // Closed under us by its owner: nothing left to serve.
            std::lock_guard lock(mutex);
            hungUp = true;
            attachedFlags = -1; // the number may already belong to another file
            changed.notify_all();
            continue;
        }
        if (events & POLLIN) {
            const ssize_t got = ::read(serveFd, buffer.data(), buffer.size());
            if (got > 0)
                handleInput(buffer.data(), got);
            else if (got == 0 || (errno != EAGAIN && errno != EINTR))
                peerRetryAt = Clock::now() + PeerRetryInterval;
        } else if (events & (POLLHUP | POLLERR)) {
            peerRetryAt = Clock::now() + PeerRetryInterval;
        }
        if ((events & POLLOUT) && !writing.isEmpty()) {
            const ssize_t put = ::write(serveFd, writing.constData(), static_cast<size_t>(writing.size()));
            if (put > 0) {
                const QByteArray sent = writing.left(put);
                writing.remove(0, put);
                TrafficObserver watch;
                {
                    std::lock_guard lock(mutex);
                    watch = observer;
                }
                if (watch)
                    watch(Direction::Sent, sent);
            } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
                // Nobody to hear it, as with a real microphone.
                writing.clear();
                peerRetryAt = Clock::now() + PeerRetryInterval;
            }
        }
    }
}

void MicSimulator::Impl::handleInput(const char *bytes, qsizetype size)
{
    QList<QByteArray> complete;
    {
        std::lock_guard lock(mutex);
        bytesReceived += size;
        for (qsizetype i = 0; i < size; ++i) {
            const char c = bytes[i];
            if (afterCarriageReturn) {
                afterCarriageReturn = false;
                if (c == '\n')
                    continue;
            }
            if (c == '\r') {
                afterCarriageReturn = true;
                if (!discarding && !line.isEmpty())
                    complete.append(line);
                discarding = false;
                line.clear();
                continue;
            }
            if (discarding)
                continue;
            if (line.size() >= MaxLineLength) {
                discarding = true;
                ++discardedLines;
                line.clear();
                continue;
            }
            line.append(c);
        }
    }
    for (const QByteArray &command : std::as_const(complete))
        handleCommand(command);
}

void MicSimulator::Impl::handleCommand(const QByteArray &command)
{
    ReplyOverride hook;
    TrafficObserver watch;
    {
        std::lock_guard lock(mutex);
        commands.append(deepCopy(command));
        changed.notify_all();
        hook = replyOverride;
        watch = observer;
    }
    if (watch)
        watch(Direction::Received, command);
    std::optional<QByteArray> replacement;
    if (hook)
        replacement = hook(command);

    std::lock_guard lock(mutex);
    if (silent || hungUp)
        return;
    const QByteArray reply = replacement ? *replacement : executeLocked(command);
    QByteArray block = noise;
    if (echo)
        block += command + "\r\n";
    for (const QByteArray &stray : std::as_const(strayLines))
        block += stray + "\r\n";
    block += reply;
    scheduleLocked(block);
}

QByteArray MicSimulator::Impl::summaryLocked() const
{
    return "Summary=\"" + name.toLatin1() + "\"," + serial.toLatin1() + ',' + firmware.toLatin1() + ',' +
           QByteArray::number(channel1) + ',' + QByteArray::number(channel2) + ',' +
           QByteArray::number(coverage) + ',' + formatBattery(battery) + "\r\n";
}

QByteArray MicSimulator::Impl::executeLocked(const QByteArray &command)
{
    if (command == "SUMMARY") {
        const QByteArray reply = summaryLocked();
        battery = std::max(0.0, battery - drainPerSummary);
        return reply;
    }
    if (command.startsWith("RENAME ")) {
        const QByteArray newName = command.mid(7);
        if (newName.isEmpty())
            return "ERROR invalid name\r\n";
        name = QString::fromLatin1(newName);
        return "name=" + newName + "\r\n";
    }
    const std::array<std::pair<QByteArray, int *>, 3> settings{{
        {QByteArrayLiteral("channel1="), &channel1},
        {QByteArrayLiteral("channel2="), &channel2},
        {QByteArrayLiteral("coverage="), &coverage},
    }};
    for (const auto &[prefix, field] : settings) {
        if (!command.startsWith(prefix))
            continue;
        int value = 0;
        if (!parseInt(command.mid(prefix.size()), &value))
            return "ERROR invalid value\r\n";
        *field = value;
        return prefix + QByteArray::number(value) + "\r\n";
    }
    if (command.startsWith("ULOAD "))
        return "ULOAD ready\r\n";
    return "ERROR unknown command\r\n";
}

void MicSimulator::Impl::scheduleLocked(const QByteArray &block)
{
    if (block.isEmpty())
        return;
    auto due = Clock::now() + milliseconds(replyDelayMs);
    // Replies keep their order even when a later one has a shorter delay.
    if (!scheduled.empty())
        due = std::max(due, scheduled.back().due);
    if (splitAt > 0 && splitAt < block.size()) {
        scheduled.push_back({due, block.left(splitAt)});
        scheduled.push_back({due + milliseconds(chunkPauseMs), block.mid(splitAt)});
        return;
    }
    const qsizetype step = chunkSize > 0 ? chunkSize : block.size();
    for (qsizetype pos = 0; pos < block.size(); pos += step) {
        scheduled.push_back({due, block.mid(pos, step)});
        due += milliseconds(chunkPauseMs);
    }
}

bool MicSimulator::Impl::sendNowLocked(QByteArray bytes)
{
    if (!running || hungUp)
        return false;
    if (!bytes.isEmpty()) {
        urgent.push_back(std::move(bytes));
        wakeLocked();
    }
    return true;
}

MicSimulator::MicSimulator() : d(std::make_unique<Impl>()) {}

MicSimulator::~MicSimulator()
{
    stop();
}

bool MicSimulator::openPty(QString *otherEndPath, QString *error)
{
    std::lock_guard life(d->lifecycle);
    if (isServing()) {
        setError(error, QStringLiteral("the simulator is already serving a descriptor"));
        return false;
    }
    d->stop(); // a hung-up session still has its thread

    MLFileDescriptor master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (master.get() < 0) {
        setError(error, systemError("posix_openpt", errno));
        return false;
    }
    if (::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0) {
        setError(error, systemError("unlockpt", errno));
        return false;
    }
    std::array<char, 128> path{};
    if (const int rc = ::ptsname_r(master.get(), path.data(), path.size()); rc != 0) {
        setError(error, systemError("ptsname_r", rc));
        return false;
    }
    MLFileDescriptor slave(::open(path.data(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (slave.get() < 0) {
        setError(error, systemError("open pty slave", errno));
        return false;
    }
    // Raw, so that the line discipline passes every byte unchanged both ways.
    termios settings{};
    if (::tcgetattr(slave.get(), &settings) != 0) {
        setError(error, systemError("tcgetattr", errno));
        return false;
    }
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B19200);
    settings.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(slave.get(), TCSANOW, &settings) != 0) {
        setError(error, systemError("tcsetattr", errno));
        return false;
    }
    const int flags = ::fcntl(master.get(), F_GETFL);
    if (flags < 0 || ::fcntl(master.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        setError(error, systemError("fcntl O_NONBLOCK", errno));
        return false;
    }
    if (!d->start(master.get(), true, slave.get(), -1, error))
        return false;
    master.release();
    slave.release();
    if (otherEndPath)
        *otherEndPath = QString::fromLocal8Bit(path.data());
    return true;
}

bool MicSimulator::attach(int fd, QString *error)
{
    std::lock_guard life(d->lifecycle);
    if (isServing()) {
        setError(error, QStringLiteral("the simulator is already serving a descriptor"));
        return false;
    }
    d->stop();
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) {
        setError(error, systemError("fcntl F_GETFL", errno));
        return false;
    }
    // Served non-blocking so a stalled reader can never block the thread,
    // which must stay free for stop().
    if (::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        setError(error, systemError("fcntl O_NONBLOCK", errno));
        return false;
    }
    if (!d->start(fd, false, -1, flags, error)) {
        ::fcntl(fd, F_SETFL, flags);
        return false;
    }
    return true;
}

void MicSimulator::stop()
{
    std::lock_guard life(d->lifecycle);
    d->stop();
}

bool MicSimulator::isServing() const
{
    std::lock_guard lock(d->mutex);
    return d->running && !d->hungUp;
}

void MicSimulator::hangUp()
{
    std::unique_lock lock(d->mutex);
    if (!d->running || d->hungUp)
        return;
    d->hangUpRequested = true;
    d->wakeLocked();
    d->changed.wait(lock, [this] { return d->hungUp || !d->running; });
}

QString MicSimulator::name() const
{
    std::lock_guard lock(d->mutex);
    return deepCopy(d->name);
}

void MicSimulator::setName(const QString &name)
{
    std::lock_guard lock(d->mutex);
    d->name = deepCopy(name);
}

QString MicSimulator::serial() const
{
    std::lock_guard lock(d->mutex);
    return deepCopy(d->serial);
}

void MicSimulator::setSerial(const QString &serial)
{
    std::lock_guard lock(d->mutex);
    d->serial = deepCopy(serial);
}

QString MicSimulator::firmware() const
{
    std::lock_guard lock(d->mutex);
    return deepCopy(d->firmware);
}

void MicSimulator::setFirmware(const QString &firmware)
{
    std::lock_guard lock(d->mutex);
    d->firmware = deepCopy(firmware);
}

int MicSimulator::channel1() const
{
    std::lock_guard lock(d->mutex);
    return d->channel1;
}

void MicSimulator::setChannel1(int value)
{
    std::lock_guard lock(d->mutex);
    d->channel1 = value;
}

int MicSimulator::channel2() const
{
    std::lock_guard lock(d->mutex);
    return d->channel2;
}

void MicSimulator::setChannel2(int value)
{
    std::lock_guard lock(d->mutex);
    d->channel2 = value;
}

int MicSimulator::coverage() const
{
    std::lock_guard lock(d->mutex);
    return d->coverage;
}

void MicSimulator::setCoverage(int value)
{
    std::lock_guard lock(d->mutex);
    d->coverage = value;
}

double MicSimulator::battery() const
{
    std::lock_guard lock(d->mutex);
    return d->battery;
}

void MicSimulator::setBattery(double percent)
{
    std::lock_guard lock(d->mutex);
    d->battery = percent;
}

void MicSimulator::setReplyDelayMs(int ms)
{
    std::lock_guard lock(d->mutex);
    d->replyDelayMs = std::max(0, ms);
}

void MicSimulator::setChunkSize(int bytes)
{
    std::lock_guard lock(d->mutex);
    d->chunkSize = std::max(0, bytes);
}

void MicSimulator::setChunkPauseMs(int ms)
{
    std::lock_guard lock(d->mutex);
    d->chunkPauseMs = std::max(0, ms);
}

void MicSimulator::setSplitAt(int offset)
{
    std::lock_guard lock(d->mutex);
    d->splitAt = std::max(0, offset);
}

void MicSimulator::setNoise(const QByteArray &bytes)
{
    std::lock_guard lock(d->mutex);
    d->noise = bytes;
}

void MicSimulator::setEchoCommands(bool echo)
{
    std::lock_guard lock(d->mutex);
    d->echo = echo;
}

bool MicSimulator::echoCommands() const
{
    std::lock_guard lock(d->mutex);
    return d->echo;
}

void MicSimulator::setStrayLines(const QList<QByteArray> &lines)
{
    std::lock_guard lock(d->mutex);
    d->strayLines = deepCopy(lines);
}

void MicSimulator::setSilent(bool silent)
{
    std::lock_guard lock(d->mutex);
    d->silent = silent;
}

bool MicSimulator::isSilent() const
{
    std::lock_guard lock(d->mutex);
    return d->silent;
}

void MicSimulator::setBatteryDrainPerSummary(double percent)
{
    std::lock_guard lock(d->mutex);
    d->drainPerSummary = percent;
}

void MicSimulator::setReplyOverride(ReplyOverride hook)
{
    std::lock_guard lock(d->mutex);
    d->replyOverride = std::move(hook);
}

void MicSimulator::setTrafficObserver(TrafficObserver observer)
{
    std::lock_guard lock(d->mutex);
    d->observer = std::move(observer);
}

bool MicSimulator::sendBricked()
{
    std::lock_guard lock(d->mutex);
    return d->sendNowLocked(deepCopy(BrickedMessage));
}

bool MicSimulator::sendRaw(const QByteArray &bytes)
{
    std::lock_guard lock(d->mutex);
    return d->sendNowLocked(deepCopy(bytes));
}

bool MicSimulator::sendOverlong(int bytes)
{
    // No '=', quote, comma or line end, so no reply pattern can match it.
    static const QByteArray pattern("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-+.:;/ ");
    if (bytes < 0)
        return false;
    QByteArray junk;
    junk.reserve(bytes);
    while (junk.size() < bytes)
        junk += pattern.left(bytes - junk.size());
    std::lock_guard lock(d->mutex);
    return d->sendNowLocked(std::move(junk));
}

QList<QByteArray> MicSimulator::receivedCommands() const
{
    std::lock_guard lock(d->mutex);
    return deepCopy(d->commands);
}

void MicSimulator::clearReceivedCommands()
{
    std::lock_guard lock(d->mutex);
    d->commands.clear();
}

bool MicSimulator::waitForCommands(int count, int timeoutMs) const
{
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, milliseconds(std::max(0, timeoutMs)),
                               [&] { return d->commands.size() >= count; });
}

qint64 MicSimulator::receivedByteCount() const
{
    std::lock_guard lock(d->mutex);
    return d->bytesReceived;
}

qsizetype MicSimulator::bufferedInputBytes() const
{
    std::lock_guard lock(d->mutex);
    return d->line.size();
}

int MicSimulator::discardedLineCount() const
{
    std::lock_guard lock(d->mutex);
    return d->discardedLines;
}
