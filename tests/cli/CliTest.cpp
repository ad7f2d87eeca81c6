// The command line under umockdev, with simulated microphones: output, JSON
// documents and exit codes, in-process and once as its own program.

#include "MicSimulator.h"
#include "MLCommandLine.h"
#include "MLDeviceManager.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mltest;
using namespace Qt::StringLiterals;

namespace {

// Field names and JSON types, the letters of the types a field may have (s string, n number,
// b bool, a array, o object, 0 null); a field outside the schema fails too.
void expectSchema(const QJsonObject &object, const std::map<QString, const char *> &schema)
{
    for (const auto &[key, types] : schema) {
        const int type = object.value(key).type();
        EXPECT_TRUE(type < 6 && std::strchr(types, "0bnsao"[type]))
            << key.toStdString() << " in " << QJsonDocument(object).toJson().toStdString();
    }
    for (const QString &key : object.keys())
        EXPECT_TRUE(schema.contains(key)) << "unexpected " << key.toStdString();
}

const std::map<QString, const char *> kAttachment = {
    {u"port"_s, "s"}, {u"type"_s, "s"}, {u"location"_s, "s"}};
const std::map<QString, const char *> kShow = {
    {u"port"_s, "s"},         {u"type"_s, "s"},     {u"location"_s, "s"},     {u"name"_s, "s"},
    {u"serial"_s, "s"},       {u"firmware"_s, "s"}, {u"battery"_s, "n0"},     {u"channel1"_s, "n"},
    {u"channel1Name"_s, "s"}, {u"channel2"_s, "n"}, {u"channel2Name"_s, "s"}, {u"coverage"_s, "n"}};
const std::map<QString, const char *> kError = {{u"code"_s, "n"}, {u"kind"_s, "s"}, {u"message"_s, "s"}};

struct Outcome
{
    int code = -1;
    QString out, err;
    QJsonObject json(int line = 0) const
    {
        return QJsonDocument::fromJson(out.split(u'\n').value(line).toUtf8()).object();
    }
};

class CommandLine : public ::testing::Test
{
protected:
    // This program runs without a system bus, whatever the machine has.
    CommandLine() { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/marlevo-test-bus"); }
    Testbed::Usb plug(const QString &port)
    {
        const Testbed::Usb usb = testbed.addUsbSerial(1, port, 0x1a85, 0x4721, u"ttyACM"_s + port);
        EXPECT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
        auto &sim = sims[usb.devnode];
        sim = std::make_unique<MicSimulator>();
        sim->setBattery(87);
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

TEST_F(CommandLine, UsageErrorsAndCountsOfMicrophones)
{
    const struct
    {
        int microphones;
        QStringList args;
        int code;
        const char *kind; // of the JSON error; empty: none
    } cases[] = {
        {0, {u"bogus"_s, u"--json"_s}, 2, "usage"},
        {0, {u"show"_s, u"--json"_s, u"--name"_s, u"x"_s}, 2, "usage"},
        {0, {u"set"_s, u"--channel1"_s, u"F"_s}, 2, ""},
        {0, {u"set"_s, u"--coverage"_s, u"6"_s}, 2, ""},
        {0, {u"apply"_s, u"profile.json"_s}, 2, ""},
        {0, {u"list"_s, u"--help"_s}, 0, ""},
        {0, {u"show"_s, u"--json"_s}, 3, "no-microphone"},
        {0, {u"reset"_s, u"--json"_s}, 3, "no-microphone"},
        {2, {u"show"_s, u"--json"_s}, 4, "several-microphones"},
    };
    int port = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        while (port <= c.microphones)
            plug(QString::number(port++));
        const Outcome r = run(c.args);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_EQ(r.err.isEmpty(), c.code == 0);
        if (*c.kind) {
            const QJsonObject error = r.json()[u"error"_s].toObject();
            expectSchema(error, kError);
            EXPECT_EQ(error[u"kind"_s].toString(), QString::fromLatin1(c.kind));
            EXPECT_EQ(error[u"code"_s].toInt(), c.code);
        }
    }
}

TEST_F(CommandLine, ListAndShowTheMicrophone)
{
    const auto usb = plug(u"2"_s);
    sim(usb).setName(u"Room 12"_s);
    sim(usb).setChannel1(5);
    QJsonObject shown{{u"port"_s, usb.devnode}, {u"type"_s, u"teacher"_s}, {u"location"_s, u"0x01200000"_s}};
    Outcome r = run({u"list"_s, u"--json"_s});
    EXPECT_EQ(r.json(), QJsonObject({{u"microphones"_s, QJsonArray{shown}}}));

    r = run({u"show"_s, u"--json"_s});
    for (const auto &[key, value] :
         std::initializer_list<std::pair<QString, QJsonValue>>{{u"name"_s, u"Room 12"_s},
                                                               {u"serial"_s, u"0012345"_s},
                                                               {u"firmware"_s, u"1.05"_s},
                                                               {u"battery"_s, 87},
                                                               {u"channel1"_s, 5},
                                                               {u"channel1Name"_s, u"Legacy A"_s},
                                                               {u"channel2"_s, 1},
                                                               {u"channel2Name"_s, u"B"_s},
                                                               {u"coverage"_s, 3}})
        shown.insert(key, value);
    EXPECT_EQ(r.json(), shown) << "the serial trimmed as the window shows it";

    r = run({u"show"_s});
    EXPECT_TRUE(r.out.contains(u"Channel 1: Legacy A (5)\n"_s)) << r.out.toStdString();
}

TEST_F(CommandLine, SetChecksTheRulesThenSavesStageByStage)
{
    const auto usb = plug(u"2"_s);
    const struct
    {
        QStringList args;
        const char *refusal; // a part of the message; empty: saved
    } cases[] = {
        {{u"--name"_s, u"   "_s}, "blank"},
        {{u"--name"_s, u"Saal \u00e4"_s}, "character"},
        {{u"--channel1"_s, u"b"_s}, "same"},
        {{u"--channel1"_s, u"Legacy B"_s}, "--yes"},
        {{u"--channel1"_s, u"Legacy B"_s, u"--coverage"_s, u"5"_s, u"--yes"_s}, ""},
        {{u"--name"_s, u"Room 7"_s, u"--channel2"_s, u"2"_s, u"--yes"_s}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome r = run(QStringList{u"set"_s, u"--json"_s} + c.args);
        if (*c.refusal) {
            EXPECT_EQ(r.code, 5);
            EXPECT_TRUE(r.err.contains(QLatin1StringView(c.refusal), Qt::CaseInsensitive))
                << r.err.toStdString();
            EXPECT_EQ(r.json()[u"error"_s][u"kind"_s].toString(), u"refused"_s);
            continue;
        }
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        expectSchema(r.json(), {{u"result"_s, "s"}, {u"stages"_s, "a"}});
        const QJsonArray stages = r.json()[u"stages"_s].toArray();
        ASSERT_EQ(stages.size(), 4);
        for (const QJsonValue stage : stages) {
            expectSchema(stage.toObject(), {{u"stage"_s, "s"},
                                            {u"value"_s, stage[u"stage"_s] == u"name"_s ? "s" : "n"},
                                            {u"result"_s, "s"}});
            EXPECT_EQ(stage[u"result"_s].toString(), u"ok"_s);
        }
    }
    // Values not given kept the microphone's.
    EXPECT_EQ(std::tuple(sim(usb).name(), sim(usb).channel1(), sim(usb).channel2(), sim(usb).coverage()),
              std::tuple(u"Room 7"_s, 6, 2, 5));

    // A stage the microphone does not acknowledge fails the save with its reason.
    sim(usb).setReplyOverride([](const QByteArray &command) -> std::optional<QByteArray> {
        return command.startsWith("channel2=") ? std::optional(QByteArray()) : std::nullopt;
    });
    const Outcome failed = run({u"reset"_s, u"--json"_s});
    EXPECT_EQ(failed.code, 6);
    QJsonObject failure = failed.json();
    EXPECT_EQ(failure.take(u"stages"_s).toArray().size(), 3);
    EXPECT_EQ(failure, QJsonObject({{u"result"_s, u"failed"_s},
                                    {u"failedStage"_s, u"channel2"_s},
                                    {u"reason"_s, u"Timeout"_s}}));
    EXPECT_EQ(sim(usb).channel1(), 0) << "written before the failed stage";
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
    EXPECT_EQ(r.json()[u"error"_s][u"kind"_s].toString(), u"port-busy"_s);
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
    ASSERT_EQ(r.out.count(u'\n'), 4) << r.out.toStdString();
    const char *const results[] = {"saved", "unchanged", "saved"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject line = r.json(i);
        expectSchema(line, {{u"n"_s, "n"}, {u"serial"_s, "s"}, {u"name"_s, "s"}, {u"result"_s, "s"}});
        EXPECT_EQ(line[u"n"_s].toInt(), 4 + i);
        EXPECT_EQ(line[u"name"_s].toString(), u"Room %1"_s.arg(4 + i));
        EXPECT_EQ(line[u"result"_s].toString(), QLatin1StringView(results[i]));
    }
    EXPECT_EQ(r.json(3), QJsonObject({{u"done"_s, 3}}));
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
    ASSERT_EQ(r.out.count(u'\n'), 3) << r.out.toStdString();
    // The properties line carries what show prints; the others where the microphone is.
    const QJsonObject attachment{
        {u"port"_s, u"/dev/ttyACM2"_s}, {u"type"_s, u"teacher"_s}, {u"location"_s, u"0x01200000"_s}};
    const char *const events[] = {"attached", "properties", "removed"};
    for (int i = 0; i < 3; ++i) {
        QJsonObject line = r.json(i);
        EXPECT_EQ(line.take(u"event"_s).toString(), QLatin1StringView(events[i]));
        EXPECT_EQ(line.size(), i == 1 ? 12 : 3);
        for (const QString &key : attachment.keys())
            EXPECT_EQ(line[key], attachment[key]);
    }
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
    expectSchema(r.json(), {{u"type"_s, "s"}, {u"current"_s, "s"}, {u"latest"_s, "s"}, {u"newer"_s, "b"}});
    EXPECT_EQ(r.json()[u"latest"_s].toString(), u"1.07"_s);
    EXPECT_TRUE(r.json()[u"newer"_s].toBool());

    cli.setUpdateDeadlineMs(1000);
    r = run({u"firmware"_s, u"--json"_s, u"--url"_s, u"http://[::1]:9/"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.json()[u"error"_s][u"kind"_s].toString(), u"update-service"_s);
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
