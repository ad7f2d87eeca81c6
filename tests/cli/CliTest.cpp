// The command line under umockdev, with simulated microphones: output, JSON
// documents and exit codes, in-process and once as its own program.

#include "MicSimulator.h"
#include "MLCommandLine.h"
#include "MLDeviceManager.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mltest;
using namespace Qt::StringLiterals;

namespace {

// The documents as printed: compact, keys in order, so a field renamed, added,
// dropped or of another type shows as a difference.
const QString kAttachment = uR"("location":"0x01200000","port":"/dev/ttyACM2","type":"teacher")"_s;
const QString kShown =
    uR"({"battery":87,"channel1":5,"channel1Name":"Legacy A","channel2":1,"channel2Name":"B",)"
    uR"("coverage":3,"firmware":"1.05","location":"0x01200000","name":"Room 12",)"
    uR"("port":"/dev/ttyACM2","serial":"0012345","type":"teacher"})"_s;

struct Outcome
{
    int code = -1;
    QString out, err;
    QJsonObject json(int line = 0) const
    {
        return QJsonDocument::fromJson(out.split(u'\n').value(line).toUtf8()).object();
    }
    // The error document's kind, once its code is the exit code and its message the one on stderr.
    QString kind() const
    {
        QJsonObject error = json()[u"error"_s].toObject();
        EXPECT_EQ(error.take(u"code"_s).toInt(-1), code);
        EXPECT_EQ(error.take(u"message"_s).toString() + u'\n', err);
        return error.size() == 1 ? error[u"kind"_s].toString()
                                 : u"(fields: %1)"_s.arg(error.keys().join(u' '));
    }
};

class CommandLine : public ::testing::Test
{
protected:
    // This program runs without a system bus, whatever the machine has.
    CommandLine() { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/marlevo-test-bus"); }
    // Each microphone plugged in is "Room 12" on Legacy A, its battery at 87 %.
    Testbed::Usb plug(const QString &port)
    {
        const Testbed::Usb usb = testbed.addUsbSerial(1, port, 0x1a85, 0x4721, u"ttyACM"_s + port);
        EXPECT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
        auto &sim = sims[usb.devnode];
        sim = std::make_unique<MicSimulator>();
        sim->setBattery(87);
        sim->setName(u"Room 12"_s);
        sim->setChannel1(5);
        EXPECT_TRUE(sim->attach(testbed.deviceFd(usb.devnode)));
        return usb;
    }
    void unplug(const Testbed::Usb &usb)
    {
        sims.at(usb.devnode)->stop();
        testbed.remove(usb);
    }
    MicSimulator &sim(const Testbed::Usb &usb) { return *sims.at(usb.devnode); }

    // What a run has printed so far stays readable while it runs.
    Outcome run(const QStringList &args)
    {
        last = {};
        QTextStream out(&last.out), err(&last.err);
        last.code = cli.run(args, out, err);
        return last;
    }

    Outcome last;
    Testbed testbed;
    std::map<QString, std::unique_ptr<MicSimulator>> sims;
    std::unique_ptr<MLDeviceManager> manager =
        std::make_unique<MLDeviceManager>(MLDeviceManagerTimings{400, 3600000, 60.0, 8, 50});
    MLCommandLine cli{manager.get()};
    LogCapture log; // the link's log kept out of the test output
};

// Everything refused before a value is written, by the number of microphones attached.
TEST_F(CommandLine, RefusalsAndTheirExitCodes)
{
    // Microphones attached, arguments, exit code, kind of the JSON error (empty: none), and a part
    // of the message (of the output on success).
    const std::tuple<int, QStringList, int, const char *, const char *> cases[] = {
        {0, {u"bogus"_s, u"--json"_s}, 2, "usage", "unknown command"},
        {0, {u"show"_s, u"--json"_s, u"--name"_s, u"x"_s}, 2, "usage", "name"},
        {0, {u"set"_s, u"--channel1"_s, u"F"_s}, 2, "", "no channel"},
        {0, {u"set"_s, u"--coverage"_s, u"6"_s}, 2, "", "no coverage"},
        {0, {u"apply"_s, u"profile.json"_s}, 2, "", "--each"},
        {0, {u"list"_s, u"--help"_s}, 0, "", "usage: marlevo-mic list"},
        {0, {u"show"_s, u"--json"_s}, 3, "no-microphone", "no microphone"},
        {0, {u"reset"_s, u"--json"_s}, 5, "refused", "add --yes"},
        {0, {u"reset"_s, u"--yes"_s, u"--json"_s}, 3, "no-microphone", "no microphone"},
        {1, {u"set"_s, u"--json"_s, u"--name"_s, u"   "_s}, 5, "refused", "blank"},
        {1, {u"set"_s, u"--json"_s, u"--channel1"_s, u"b"_s}, 5, "refused", "same"}, // as switch position 2
        {1, {u"set"_s, u"--json"_s, u"--channel1"_s, u"Legacy B"_s}, 5, "refused", "--yes"},
        {2, {u"show"_s, u"--json"_s}, 4, "several-microphones", "2 microphones"},
    };
    int port = 1;
    for (const auto &[microphones, args, code, kind, says] : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        while (port <= microphones)
            plug(QString::number(port++));
        const Outcome r = run(args);
        EXPECT_EQ(r.code, code) << r.err.toStdString();
        EXPECT_EQ(r.err.isEmpty(), code == 0);
        EXPECT_TRUE((code ? r.err : r.out).contains(QLatin1StringView(says), Qt::CaseInsensitive))
            << (r.out + r.err).toStdString();
        if (*kind) {
            EXPECT_EQ(r.kind(), QLatin1StringView(kind));
        }
    }
}

TEST_F(CommandLine, ListAndShowTheMicrophone)
{
    plug(u"2"_s);
    EXPECT_EQ(run({u"list"_s, u"--json"_s}).out, u"{\"microphones\":[{%1}]}\n"_s.arg(kAttachment));
    EXPECT_EQ(run({u"show"_s, u"--json"_s}).out, kShown + u'\n')
        << "the serial trimmed as the window shows it";
    const Outcome r = run({u"show"_s});
    EXPECT_TRUE(r.out.contains(u"Channel 1: Legacy A (5)\n"_s)) << r.out.toStdString();
}

// Each stage reported once the microphone acknowledged it; values not given keep the microphone's.
TEST_F(CommandLine, SetSavesStageByStage)
{
    const auto usb = plug(u"2"_s);
    ASSERT_EQ(run({u"set"_s, u"--channel1"_s, u"Legacy B"_s, u"--coverage"_s, u"5"_s, u"--yes"_s}).code, 0);
    EXPECT_EQ(run({u"set"_s, u"--json"_s, u"--name"_s, u"Room 7"_s, u"--channel2"_s, u"2"_s, u"--yes"_s}).out,
              uR"({"result":"saved","stages":[{"result":"ok","stage":"name","value":"Room 7"},)"
              uR"({"result":"ok","stage":"channel1","value":6},{"result":"ok","stage":"channel2","value":2},)"
              uR"({"result":"ok","stage":"coverage","value":5}]})"
              u"\n"_s);

    // A stage the microphone does not acknowledge fails the save with its reason.
    sim(usb).setReplyOverride([](const QByteArray &command) -> std::optional<QByteArray> {
        return command.startsWith("channel2=") ? std::optional(QByteArray()) : std::nullopt;
    });
    const Outcome failed = run({u"reset"_s, u"--yes"_s, u"--json"_s});
    EXPECT_EQ(failed.code, 6);
    EXPECT_EQ(
        failed.out,
        uR"({"failedStage":"channel2","reason":"Timeout","result":"failed","stages":[)"
        uR"({"result":"ok","stage":"name","value":"Microphone"},{"result":"ok","stage":"channel1","value":0},)"
        uR"({"result":"failed","stage":"channel2","value":1}]})"
        u"\n"_s);
}

// Another program holds the port's lock: it is named at once.
TEST_F(CommandLine, APortHeldByAnotherProgramIsNamed)
{
    const auto usb = plug(u"2"_s);
    const int fd = ::open(usb.devnode.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::prctl(PR_SET_NAME, "minicom") + ::pause());
    ::close(fd);
    const Outcome r = run({u"show"_s, u"--json"_s});
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(r.code, 7);
    EXPECT_TRUE(r.err.contains(u"in use by minicom (process %1)"_s.arg(child))) << r.err.toStdString();
    EXPECT_EQ(r.kind(), u"port-busy"_s);
    // Once it lets go, the failure before is no reason to refuse.
    EXPECT_EQ(run({u"show"_s}).code, 0);
}

// A cart: three microphones one after another, numbered in the order they come;
// one that already holds the profile is not written again.
TEST_F(CommandLine, ApplyEachNumbersTheMicrophonesInOrder)
{
    QTemporaryFile profile;
    ASSERT_TRUE(profile.open());
    for (const char *bad :
         {R"({"name": "Room {n}", "colour": 1})", R"({"coverage": "3"})", R"({"channel1": 7})",
          R"({"name": "Science lab {n}"})", R"({"channel1": 1, "channel2": "b"})", "[1]",
          R"({"name": "Room {n}", "start": 4, "channel1": "C", "channel2": 3})"}) {
        profile.resize(0);
        profile.write(bad);
        profile.flush();
        // A profile taken by mistake would wait for microphones: interrupted, it exits 0.
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, [] { ::raise(SIGINT); });
        guard.start(3000);
        EXPECT_EQ(run({u"apply"_s, profile.fileName(), u"--each"_s}).code, 5) << bad; // the last: no --yes
    }
    // The next microphone is plugged in once the one before is done and unplugged.
    int plugged = 0;
    std::optional<Testbed::Usb> current;
    QTimer cart;
    QObject::connect(&cart, &QTimer::timeout, [&] {
        if (!current && plugged < 3 && manager->numConnectedDevices() == 0) {
            current = plug(QString::number(2 + plugged++));
            if (plugged == 2) {
                sim(*current).setName(u"Room 5"_s);
                sim(*current).setChannel1(2);
                sim(*current).setChannel2(3);
            }
        } else if (current && last.out.count(u'\n') == plugged) {
            unplug(*current);
            current.reset();
        }
    });
    cart.start(20);
    const Outcome r =
        run({u"apply"_s, profile.fileName(), u"--each"_s, u"--count"_s, u"3"_s, u"--json"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, uR"({"n":4,"name":"Room 4","result":"saved","serial":"0012345"}
{"n":5,"name":"Room 5","result":"unchanged","serial":"0012345"}
{"n":6,"name":"Room 6","result":"saved","serial":"0012345"}
{"done":3}
)"_s);
    EXPECT_EQ(r.err.count(u"plug in the next one"_s), 2);
}

TEST_F(CommandLine, WatchPrintsEventsUntilInterrupted)
{
    std::optional<Testbed::Usb> usb;
    QTimer::singleShot(100, [&] { usb = plug(u"2"_s); });
    QTimer::singleShot(700, [&] { unplug(*usb); });
    QTimer::singleShot(1000, [] { std::raise(SIGINT); });
    const Outcome r = run({u"watch"_s, u"--json"_s});
    EXPECT_EQ(r.code, 0);
    // The properties line carries what show prints; the others where the microphone is.
    QJsonObject properties = r.json(1);
    EXPECT_EQ(properties.take(u"event"_s), u"properties"_s);
    EXPECT_EQ(QJsonDocument(properties).toJson(QJsonDocument::Compact), kShown.toUtf8());
    EXPECT_EQ(r.out.section(u'\n', 2), u"{\"event\":\"removed\",%1}\n"_s.arg(kAttachment));
    EXPECT_EQ(r.out.section(u'\n', 0, 0), u"{\"event\":\"attached\",%1}"_s.arg(kAttachment));
}

TEST_F(CommandLine, FirmwareComparesWithTheUpdateList)
{
    plug(u"2"_s);
    fwtest::TestHttpServer server;
    server.route("/updates/firmware/lst/4721_A",
                 fwtest::HttpResponse::answer(200, "<updates><firmware><file><filename>4721_A_x_01_07.bin"
                                                   "</filename></file></firmware></updates>"));
    Outcome r = run({u"firmware"_s, u"--json"_s, u"--url"_s, server.url("")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, uR"({"current":"1.05","latest":"1.07","newer":true,"type":"teacher"})"
                     u"\n"_s);

    cli.setUpdateDeadlineMs(1000);
    r = run({u"firmware"_s, u"--json"_s, u"--url"_s, u"http://[::1]:9/"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.kind(), u"update-service"_s);
}

// The program itself, under the same testbed: exit codes and output.
TEST_F(CommandLine, TheProgram)
{
    plug(u"2"_s);
    for (const auto &[args, code] : std::vector<std::pair<QStringList, int>>{
             {{u"list"_s, u"--json"_s}, 0}, {{u"bogus"_s}, 2}, {{}, 2}, {{u"show"_s, u"--verbose"_s}, 0}}) {
        QProcess program;
        program.start(QStringLiteral(ML_CLI_EXECUTABLE), args);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitCode(), code) << program.readAllStandardError().toStdString();
        if (args.contains(u"list"_s)) {
            EXPECT_TRUE(program.readAllStandardOutput().contains("\"port\":\"/dev/ttyACM2\""));
        }
    }
}

} // namespace
