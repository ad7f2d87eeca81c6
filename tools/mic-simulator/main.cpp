// marlevo-mic-sim: a stand-in microphone on a pty (or an inherited
// descriptor) for demos and end-to-end tests. Run with --help.

#include "MicSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

const char *const Description = R"(Stands in for a Marlevo wireless classroom microphone on a serial line.

By default it creates a pseudo-terminal and prints one line
  PTY: /dev/pts/N
on standard output; open that path (raw mode) to talk to the microphone.
With --fd N it serves descriptor N, inherited from the parent, instead.

The microphone answers single-line commands ended by a carriage return:
  SUMMARY          Summary="<name>",<serial>,<firmware>,<channel1>,<channel2>,<coverage>,<battery>
  RENAME <name>    name=<name>
  channel1=<n>     channel1=<n>   (also channel2=<n>, coverage=<n>)
  ULOAD <file>     ULOAD ready
  anything else    ERROR unknown command (or ERROR invalid value / ERROR invalid name)
Replies end with a carriage return and a line feed.

While it runs, it reads one command per line on standard input:
  b         send the bricked message (mentions keyset1.txt)
  s         toggle silence (commands are recorded but not answered)
  e         toggle the echo of received commands
  d         drain the battery by 10 percent
  o [N]     send N bytes (default 3000) of printable junk with no line end
  r TEXT    send TEXT followed by a carriage return and a line feed
  h         hang up (the other end sees the line drop)
  p         print the microphone's state on standard output
  ?         list these commands
  q         quit; SIGINT, SIGTERM and SIGHUP quit too. At the end of standard
            input it keeps serving until one of those signals arrives.
Every command received and every piece of bytes sent is logged on standard error.)";

const char *const InteractiveHelp = "commands: b bricked, s silence, e echo, d drain 10%, o [N] overlong, "
                                    "r TEXT raw line, h hang up, p print state, q quit\n";

// Control bytes shown as escapes so a log line stays one line.
QByteArray printable(const QByteArray &bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (u < 0x20 || u >= 0x7f)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

void printState(const MicSimulator &sim)
{
    const QByteArray battery = QByteArray::number(sim.battery(), 'g', 15);
    std::printf("name=\"%s\" serial=%s firmware=%s channel1=%d channel2=%d coverage=%d battery=%s "
                "silent=%s echo=%s serving=%s commands=%lld\n",
                sim.name().toLocal8Bit().constData(), sim.serial().toLocal8Bit().constData(),
                sim.firmware().toLocal8Bit().constData(), sim.channel1(), sim.channel2(), sim.coverage(),
                battery.constData(), sim.isSilent() ? "yes" : "no", sim.echoCommands() ? "yes" : "no",
                sim.isServing() ? "yes" : "no", static_cast<long long>(sim.receivedCommands().size()));
    std::fflush(stdout);
}

// Returns false when the program should quit.
bool runInteractive(MicSimulator &sim, const QByteArray &input)
{
    const QByteArray line = input.trimmed();
    if (line.isEmpty())
        return true;
    const char command = line.at(0);
    const QByteArray argument = line.mid(1).trimmed();
    switch (command) {
    case 'q':
        return false;
    case 'b':
        sim.sendBricked();
        break;
    case 's':
        sim.setSilent(!sim.isSilent());
        std::fprintf(stderr, "silent: %s\n", sim.isSilent() ? "on" : "off");
        break;
    case 'e':
        sim.setEchoCommands(!sim.echoCommands());
        std::fprintf(stderr, "echo: %s\n", sim.echoCommands() ? "on" : "off");
        break;
    case 'd':
        sim.setBattery(std::max(0.0, sim.battery() - 10));
        std::fprintf(stderr, "battery: %s\n", QByteArray::number(sim.battery(), 'g', 15).constData());
        break;
    case 'o': {
        bool ok = true;
        const int bytes = argument.isEmpty() ? 3000 : argument.toInt(&ok);
        if (!ok || bytes < 0)
            std::fprintf(stderr, "o wants a byte count\n");
        else
            sim.sendOverlong(bytes);
        break;
    }
    case 'r':
        sim.sendRaw(argument + "\r\n");
        break;
    case 'h':
        sim.hangUp();
        std::fprintf(stderr, "hung up\n");
        break;
    case 'p':
        printState(sim);
        break;
    default:
        std::fprintf(stderr, "%s", InteractiveHelp);
        break;
    }
    return true;
}

std::optional<int> intOption(const QCommandLineParser &parser, const QString &name)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok) {
        std::fprintf(stderr, "--%s wants an integer\n", name.toLocal8Bit().constData());
        return std::nullopt;
    }
    return value;
}

std::optional<double> doubleOption(const QCommandLineParser &parser, const QString &name)
{
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok) {
        std::fprintf(stderr, "--%s wants a number\n", name.toLocal8Bit().constData());
        return std::nullopt;
    }
    return value;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marlevo-mic-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    parser.addHelpOption();
    const auto option = [](const char *name, const char *help, const char *valueName = nullptr,
                           const char *defaultValue = nullptr) {
        QString text = QString::fromLatin1(help);
        if (defaultValue)
            text += QStringLiteral(" Default: %1.").arg(QString::fromLatin1(defaultValue));
        return QCommandLineOption(QString::fromLatin1(name), text,
                                  QString::fromLatin1(valueName ? valueName : ""),
                                  QString::fromLatin1(defaultValue ? defaultValue : ""));
    };
    parser.addOptions({
        option("fd", "Serve inherited descriptor N instead of a new pty.", "N"),
        option("name", "Microphone name.", "TEXT", "Microphone"),
        option("serial", "Serial number text; the application drops its first character.", "TEXT",
               "N0012345"),
        option("firmware", "Firmware version text.", "TEXT", "1.05"),
        option("channel1", "Channel of switch position 1 (0-4 A-E, 5-6 legacy).", "N", "0"),
        option("channel2", "Channel of switch position 2.", "N", "1"),
        option("coverage", "Coverage (voice choice) setting.", "N", "3"),
        option("battery", "Battery level in percent.", "PERCENT", "87"),
        option("delay", "Wait this long before each reply.", "MS", "0"),
        option("chunk", "Send replies in pieces of N bytes (0: whole).", "N", "0"),
        option("chunk-pause", "Pause between pieces of a reply.", "MS", "20"),
        option("split-at", "Send replies in two pieces, split after N bytes (0: as --chunk says).", "N", "0"),
        option("noise", "Send these bytes, given in hexadecimal, ahead of each reply (line noise).", "HEX"),
        option("echo", "Echo each command line before its reply."),
        option("stray", "Send this line before each reply; repeat for more lines.", "TEXT"),
        option("silent", "Record commands but never answer (for time-outs)."),
        option("drain", "Lower the battery by this much after each SUMMARY.", "PERCENT", "0"),
    });
    parser.process(app);

    MicSimulator sim;
    sim.setName(parser.value(QStringLiteral("name")));
    sim.setSerial(parser.value(QStringLiteral("serial")));
    sim.setFirmware(parser.value(QStringLiteral("firmware")));
    const auto channel1 = intOption(parser, QStringLiteral("channel1"));
    const auto channel2 = intOption(parser, QStringLiteral("channel2"));
    const auto coverage = intOption(parser, QStringLiteral("coverage"));
    const auto battery = doubleOption(parser, QStringLiteral("battery"));
    const auto delay = intOption(parser, QStringLiteral("delay"));
    const auto chunk = intOption(parser, QStringLiteral("chunk"));
    const auto chunkPause = intOption(parser, QStringLiteral("chunk-pause"));
    const auto drain = doubleOption(parser, QStringLiteral("drain"));
    const auto splitAt = intOption(parser, QStringLiteral("split-at"));
    if (!channel1 || !channel2 || !coverage || !battery || !delay || !chunk || !chunkPause || !drain || !splitAt)
        return 2;
    sim.setSplitAt(*splitAt);
    sim.setNoise(QByteArray::fromHex(parser.value(QStringLiteral("noise")).toLatin1()));
    sim.setChannel1(*channel1);
    sim.setChannel2(*channel2);
    sim.setCoverage(*coverage);
    sim.setBattery(*battery);
    sim.setReplyDelayMs(*delay);
    sim.setChunkSize(*chunk);
    sim.setChunkPauseMs(*chunkPause);
    sim.setBatteryDrainPerSummary(*drain);
    sim.setEchoCommands(parser.isSet(QStringLiteral("echo")));
    sim.setSilent(parser.isSet(QStringLiteral("silent")));
    QList<QByteArray> stray;
    for (const QString &text : parser.values(QStringLiteral("stray")))
        stray.append(text.toLatin1());
    sim.setStrayLines(stray);

    sim.setTrafficObserver([](MicSimulator::Direction direction, const QByteArray &bytes) {
        std::fprintf(stderr, "%s %s\n", direction == MicSimulator::Direction::Received ? "recv" : "sent",
                     printable(bytes).constData());
    });

    // Signals become readable events of the input loop; blocked before the
    // simulator's thread exists so that it inherits the mask.
    sigset_t quitSignals;
    sigemptyset(&quitSignals);
    sigaddset(&quitSignals, SIGINT);
    sigaddset(&quitSignals, SIGTERM);
    sigaddset(&quitSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &quitSignals, nullptr);
    const int signalFd = signalfd(-1, &quitSignals, SFD_CLOEXEC);
    std::signal(SIGPIPE, SIG_IGN);

    QString error;
    if (parser.isSet(QStringLiteral("fd"))) {
        const auto fd = intOption(parser, QStringLiteral("fd"));
        if (!fd)
            return 2;
        if (!sim.attach(*fd, &error)) {
            std::fprintf(stderr, "cannot serve descriptor %d: %s\n", *fd, error.toLocal8Bit().constData());
            return 1;
        }
        std::fprintf(stderr, "serving descriptor %d\n", *fd);
    } else {
        QString path;
        if (!sim.openPty(&path, &error)) {
            std::fprintf(stderr, "cannot create a pty: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        std::printf("PTY: %s\n", path.toLocal8Bit().constData());
        std::fflush(stdout);
    }

    bool stdinOpen = true;
    QByteArray pending;
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = ::poll(fds, stdinOpen ? 2 : 1, -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::perror("poll");
            break;
        }
        if (fds[0].revents & POLLIN)
            break;
        if (!stdinOpen || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            // Keep serving without a console, e.g. when started in the background.
            stdinOpen = false;
            continue;
        }
        pending.append(buffer, got);
        qsizetype end;
        bool keepGoing = true;
        while (keepGoing && (end = pending.indexOf('\n')) >= 0) {
            keepGoing = runInteractive(sim, pending.left(end));
            pending.remove(0, end + 1);
        }
        if (!keepGoing)
            break;
    }
    sim.stop();
    if (signalFd >= 0)
        ::close(signalFd);
    return 0;
}
