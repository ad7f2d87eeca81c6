// Opens a serial port on a pseudo-terminal, leaves it idle and prints the
// CPU time the process used, as a percentage of one core. The goal is at
// most 0.5 %.
//
//   serial_idle_cpu [seconds] [--poll-lines]
//
// A pty has no modem lines, so the port stops polling them after the first
// failure. --poll-lines stands in lines that answer, each poll costing one
// real ioctl on the descriptor, to measure the 10 ms line poll as well.

#include "MLSerialPort.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

class IoctlCostingModemLines final : public MLModemLines
{
public:
    bool get(int fd, int &bits) override
    {
        int queued = 0;
        if (::ioctl(fd, TIOCINQ, &queued) != 0)
            return false;
        bits = 0;
        return true;
    }
    bool set(int, int, bool) override { return true; }
};

class QuietDelegate final : public MLSerialPortDelegate
{
public:
    void serialPortDidReceiveData(MLSerialPort *, const QByteArray &) override {}
    void serialPortWasRemovedFromSystem(MLSerialPort *) override {}
    void serialPortDidEncounterError(MLSerialPort *, const MLPosixError &error) override
    {
        lastError = error;
    }
    MLPosixError lastError;
};

double seconds(std::chrono::nanoseconds duration)
{
    return std::chrono::duration<double>(duration).count();
}

std::chrono::nanoseconds clockNow(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int idleSeconds = 10;
    bool pollLines = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--poll-lines") == 0)
            pollLines = true;
        else if (std::atoi(argv[i]) > 0)
            idleSeconds = std::atoi(argv[i]);
        else {
            std::fprintf(stderr, "usage: %s [seconds] [--poll-lines]\n", argv[0]);
            return 2;
        }
    }

    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    const QString path = QString::fromLocal8Bit(name);
    MLSerialPort::setDeviceRegistry(std::make_shared<MLFixedSerialDeviceRegistry>(
        std::vector<MLSerialDeviceEntry>{{path, path, QStringLiteral("pts"), QStringLiteral("pts"), QString(),
                                          QStringLiteral("IOSerialStream")}}));
    if (pollLines)
        MLSerialPort::setModemLines(std::make_shared<IoctlCostingModemLines>());

    QuietDelegate delegate;
    const auto port = MLSerialPort::initWithPath(path);
    port->setDelegate(&delegate);
    port->open();
    if (!port->isOpen()) {
        std::fprintf(stderr, "could not open %s\n", name);
        return 1;
    }

    // Let the open's hand-offs run, then measure only the idle time.
    std::chrono::nanoseconds cpuStart{};
    std::chrono::nanoseconds wallStart{};
    QTimer::singleShot(100, [&] {
        cpuStart = clockNow(CLOCK_PROCESS_CPUTIME_ID);
        wallStart = clockNow(CLOCK_MONOTONIC);
        QTimer::singleShot(idleSeconds * 1000, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    });
    app.exec();
    const double cpu = seconds(clockNow(CLOCK_PROCESS_CPUTIME_ID) - cpuStart);
    const double wall = seconds(clockNow(CLOCK_MONOTONIC) - wallStart);

    port->close();
    ::close(master);
    ::close(slave);
    std::printf("idle %.1f s, line poll %s: CPU %.4f s = %.3f %% of one core (goal <= 0.5 %%)\n", wall,
                pollLines ? "every 10 ms" : "off (pty has no modem lines)", cpu, 100.0 * cpu / wall);
    if (delegate.lastError.code != 0 && pollLines)
        std::printf("unexpected error: %s\n", qPrintable(delegate.lastError.description()));
    return 0;
}
