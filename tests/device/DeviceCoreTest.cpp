// The device link without udev: recognition of the microphone's replies (fed
// as the serial port would deliver them, and end to end from the simulated
// microphone on a pseudo-terminal), the delivery of device events, the
// pending-suffix list and USB locations.

#include "DeviceTestSupport.h"
#include "MicSimulator.h"
#include "MLDefaultsKeys.h"
#include "MLUsbDiscovery.h"
#include "MLUserDefaults.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

using namespace mltest;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kRoom4 = "Summary=\"Room 4\",A1,B2,C3,D4,E5,96\r\n";

class DeviceCore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        previousClock = MLTimestampedString::setClock([this] { return now; });
        manager.addListener(listener);
        MLSerialDeviceInfo student;
        student.deviceType = 1;
        manager.setConnectedDevices({{0x01200000, student}});
    }
    void TearDown() override { MLTimestampedString::setClock(previousClock); }

    // A command is outstanding, with its completion recorded and its timer
    // armed; a property command also has its key and the value it sent.
    void expect(qint32 command, const QString &key = {})
    {
        manager.cancelCommand();
        target.calls.clear();
        manager.setCurrentDeviceCommand(command);
        manager.setSerialResponseTarget(&target);
        manager.setSerialResponseSelector(target.selector(journal));
        manager.setSerialUserData(u"query"_s);
        manager.setPendingNewPropertyKey(key);
        manager.setPendingNewPropertyValue(u"sent value"_s);
        manager.startTimeoutTimer();
        // A coarse time-out could end a slow answer up to 5 % early.
        const auto timers = manager.findChildren<QTimer *>();
        EXPECT_TRUE(std::any_of(timers.begin(), timers.end(), [](const QTimer *t) {
            return t->isActive() && t->interval() == 20000 && t->timerType() == Qt::PreciseTimer;
        }));
    }

    void feed(const QByteArray &bytes) { manager.serialPortDidReceiveData(nullptr, bytes); }
    int events(const QString &event) const { return listener->count(event); }

    void expectIdle()
    {
        EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
        EXPECT_TRUE(manager.serialBuffer().isEmpty());
        EXPECT_FALSE(manager.isTimeoutTimerArmed());
    }

    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
    MLTimestampedString::Clock previousClock;
    // List ticks are driven by hand unless a test sets the interval.
    MLDeviceManager manager{MLDeviceManagerTimings{20000, 3600000, 60.0, 41, 50, 100, 300}};
    CompletionRecorder target;
    std::shared_ptr<QStringList> journal = std::make_shared<QStringList>();
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>(u"A"_s, journal);
};

TEST_F(DeviceCore, SummaryShapesAndBattery)
{
    const std::tuple<const char *, const char *, const char *, const char *> cases[] = {
        // reply, then name (empty: not recognised), serial and battery
        {"SUMMARY=\"Lab\",S9,1.05,0,1,3,95\r", "Lab", "S9", "100"},
        {"Summary=\"Lab\",S9,1.05,0,1,3,94.9\r", "Lab", "S9", "94.9"},
        {"Summary=\"Lab\",S9,1.05,0,1,3,87%\r", "Lab", "S9", "87"},
        // Surplus commas end up in the serial field; quotes may sit inside the name.
        {"Summary=\"a,b\",1,2,3,4,5,6,7,8\r", "a,b", "1,2,3", "8"},
        {"Summary=\"a\",b\",1,2,3,4,5,6\r", "a\",b", "1", "6"},
        // An echo and stray text before the reply do not matter; the first of two summaries is used.
        {"SUMMARY\r\nboot ok\r\nSummary=\"Old\",S1,1,0,1,3,50\r\nSummary=\"New\",S2,1,0,1,3,6\r\n", "Old",
         "S1", "50"},
        {"Summary=\"\",S9,1.05,0,1,3,50\r", "", "", ""},
        {"Summary=\"Lab\",S9,,0,1,3,50\r", "", "", ""},
        {"Summary=Lab,S9,1.05,0,1,3,50\r", "", "", ""},
        {"xSummary=\"Lab\",S9,1.05,0,1,3,50\r", "", "", ""},
    };
    for (const auto &[reply, name, serial, battery] : cases) {
        SCOPED_TRACE(reply);
        expect(MLDeviceCommandSummary);
        feed(reply);
        EXPECT_EQ(target.calls.size(), *name ? 1u : 0u);
        if (!*name) {
            EXPECT_EQ(manager.serialBuffer(), QByteArray(reply)) << "an unrecognised reply stays buffered";
            continue;
        }
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QString::fromUtf8(name));
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceSerial), QString::fromUtf8(serial));
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QString::fromUtf8(battery));
    }
}

// A microphone may be named after the bricked marker: it must stay usable.
TEST_F(DeviceCore, BrickedMarkerCountsOutsideANameOnly)
{
    const std::tuple<const char *, qint32, bool> cases[] = {
        // reply, command outstanding, bricked
        {"Summary=\"keyset1.txt\",A1,B2,C3,D4,E5,87\r\n", MLDeviceCommandSummary, false},
        {"Summary=\"Room\",keyset1.txt,B2,C3,D4,E5,87\r\n", MLDeviceCommandSummary, true},
        {"NAME = keyset1.txt\r\n", MLDeviceCommandRename, false},
        {"Summary=\"keyset1.txt\"\r\n", MLDeviceCommandSummary, true},
        {"Error: cannot open keyset1.txt\r\nSummary=\"keyset1.txt\",A,B,C,D,E,87\r\n", MLDeviceCommandSummary,
         true},
        {"Summary=\"Room 4\",A,B,C,D,E,87\r\nError: cannot open keyset1.txt", MLDeviceCommandSummary, true},
        {"name=keyset1.txt\r\nError: cannot open keyset1.txt\r\n", MLDeviceCommandRename, true},
        {"..keyset1.txt", MLDeviceCommandNone, true},
    };
    for (const auto &[reply, command, bricked] : cases) {
        SCOPED_TRACE(reply);
        expect(command, MLDeviceKeys::DeviceName);
        const int before = events(u"bricked"_s);
        feed(reply);
        EXPECT_EQ(target.calls.size(), bricked ? 0u : 1u);
        EXPECT_EQ(manager.deviceIsBricked(), bricked);
        expectIdle();
        flushEvents();
        EXPECT_EQ(events(u"bricked"_s) - before, bricked ? 1 : 0);
    }
}

TEST_F(DeviceCore, OverflowAbortsWithAnErrorLoggedOnceAnInterval)
{
    LogCapture log;
    expect(MLDeviceCommandSummary);
    feed(QByteArray(MLDeviceManager::kMaxBufferedBytes - kRoom4.size() - 1, '.') + "\r" + kRoom4);
    EXPECT_EQ(target.calls.size(), 1u) << "a full buffer is still examined";

    const QByteArray junk(MLDeviceManager::kMaxBufferedBytes + 1, 'x');
    for (int i = 0; i < 3; ++i) {
        expect(MLDeviceCommandSummary);
        feed(junk);
        EXPECT_TRUE(target.calls.empty());
        expectIdle();
    }
    flushEvents();
    EXPECT_EQ(events(u"error"_s), 3);
    EXPECT_EQ(log.countContaining(u"Too much data"_s), 1);
    processEventsFor(350);
    feed(junk);
    EXPECT_EQ(log.count(u"Too much data. Aborting (2 more left out)"_s), 1);
}

// A byte that is not UTF-8 spoils at most its line, and the receive dump shows it.
TEST_F(DeviceCore, CompleteSummaryAfterLineNoiseFillsTheTable)
{
    MLUserDefaults::setObject(1, QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled));
    LogCapture log;
    expect(MLDeviceCommandSummary);
    feed("\xff\xc3\r\nSummary=\"Salle \xc3\xa9\",A1,B2,C3,D4,E5,87\r\n");

    const QMap<QString, QString> expected = {
        {MLDeviceKeys::DeviceType, u"1"_s},         {MLDeviceKeys::DeviceName, u"Salle \u00e9"_s},
        {MLDeviceKeys::DeviceSerial, u"A1"_s},      {MLDeviceKeys::DeviceVersion, u"B2"_s},
        {MLDeviceKeys::DeviceChannel1, u"C3"_s},    {MLDeviceKeys::DeviceChannel2, u"D4"_s},
        {MLDeviceKeys::DeviceVoiceChoice, u"E5"_s}, {MLDeviceKeys::DeviceBattery, u"87"_s},
    };
    EXPECT_EQ(manager.properties(), expected);
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_TRUE(target.calls[0].result());
    EXPECT_EQ(target.calls[0].userData(), QVariant(u"query"_s));
    expectIdle();
    // Listeners have seen the new table before the completion runs.
    EXPECT_EQ(*journal, (QStringList{u"A:properties"_s, u"completion"_s}));
    EXPECT_EQ(log.countContaining(u"Receive Buffer: 0xff0xc30x0d0x0aSummary=\"Salle0x200xe9\",A1,"_s), 1)
        << log.records().join(u'\n').toStdString();
}

TEST_F(DeviceCore, Acknowledgements)
{
    const std::tuple<QString, const char *, bool> cases[] = {
        // key, reply, recognised
        {MLDeviceKeys::DeviceName, "NAME = x\r\n", true},
        {MLDeviceKeys::DeviceName, "junk\r\nname=Lab\r\n", true},
        {MLDeviceKeys::DeviceName, "name=\r\n", false},
        {MLDeviceKeys::DeviceName, "RENAME Lab\r", false},
        {MLDeviceKeys::DeviceChannel1, "channel1=3\r", true},
        {MLDeviceKeys::DeviceChannel1, "channel2=3\r", false},
        {MLDeviceKeys::DeviceChannel2, "Channel2 =  4 ok\r", true},
        {MLDeviceKeys::DeviceVoiceChoice, "coverage=3\r\n", true},
    };
    for (const auto &[key, reply, recognised] : cases) {
        SCOPED_TRACE(reply);
        expect(MLDeviceCommandChannel1, key);
        feed(reply);
        EXPECT_EQ(target.calls.size(), recognised ? 1u : 0u);
        // The table keeps the value that was sent, not text from the reply.
        if (recognised) {
            EXPECT_EQ(manager.stringValue(key), u"sent value"_s);
        }
    }
}

TEST(RenameLine, TheNameAsTheMicrophoneCanTakeIt)
{
    const std::pair<QString, std::optional<QByteArray>> cases[] = {
        {u"Room"_s + QChar(0) + u"4"_s, "RENAME Room\r"}, // sent up to the NUL
        {u"\u65e5\u672c"_s, "RENAME ??\r"},               // no ISO 8859-1 form
    };
    for (const auto &[name, line] : cases)
        EXPECT_EQ(MLDeviceManager::asciiBytes(MLDeviceManager::renameLine(name)), line) << name.toStdString();
}

TEST_F(DeviceCore, ConnectedAndPropertiesAreImmediateTheRestDeferredInOrder)
{
    auto b = std::make_shared<RecordingListener>(u"B"_s, journal);
    manager.addListener(b);
    manager.addListener(listener); // registered once only
    manager.sendDeviceDisconnectedNotification();
    manager.sendDeviceHadErrorNotification();
    manager.sendDeviceBrickedNotification();
    journal->append(u"sender returned"_s);
    // A listener may send from inside an immediate event, and remove itself
    // during the walk without B being skipped.
    listener->onEvent = [&](const QString &event) {
        if (event != u"connected")
            return;
        manager.sendDevicePropertiesChangedNotification();
        manager.removeListener(listener.get());
    };
    manager.sendDeviceConnectedNotification();
    manager.sendDevicePropertiesChangedNotification();
    manager.removeListener(b.get());
    b.reset(); // only the scheduled calls hold B now
    EXPECT_EQ(manager.numListeners(), 0);
    flushEvents();
    EXPECT_EQ(journal->join(u' '),
              u"sender returned A:connected A:properties B:properties B:connected B:properties "
              "A:disconnected B:disconnected A:error B:error A:bricked B:bricked B:destroyed"_s);
}

// A tick after new arrivals only notes them; the next one drops what is
// older than a minute.
TEST_F(DeviceCore, SweepDropsOnlyOldEntriesAndOnlyAfterAQuietTick)
{
    manager.serialDeviceSfxListAdd(u"old"_s);
    manager.cleanDeviceLists();
    now = now.addSecs(61);
    manager.serialDeviceSfxListAdd(u"young"_s);
    manager.cleanDeviceLists();
    EXPECT_EQ(manager.serialDeviceSfxList().size(), 2);
    manager.cleanDeviceLists();
    ASSERT_EQ(manager.serialDeviceSfxList().size(), 1);
    EXPECT_EQ(manager.serialDeviceSfxList().at(0).string(), u"young"_s);

    // The sweep also runs by itself, at the interval set.
    manager.setTimings({20000, 40, 60.0, 41, 50});
    manager.cleanDeviceLists();
    manager.serialDeviceSfxListAdd(u"ttyUSB0"_s); // a first tick notes it, a second drops it
    now = now.addSecs(61);
    EXPECT_TRUE(waitUntil([&] { return manager.serialDeviceSfxList().isEmpty(); }));
}

TEST(UsbLocation, BusAndPortChain)
{
    const std::tuple<const char *, const char *, std::optional<quint32>> cases[] = {
        {"1", "2", 0x01200000u},     {"3", "1.4.2", 0x03142000u}, {"1", "15.15.15.15.15.15", 0x01ffffffu},
        {"0", "1", 0x00100000u},     {"x", "1", std::nullopt},    {"1", "", std::nullopt},
        {"1", "1..2", std::nullopt}, {"1", "0", std::nullopt},    {"256", "1", std::nullopt},
    };
    for (const auto &[bus, devpath, location] : cases)
        EXPECT_EQ(
            MLUsbDiscovery::locationFromBusAndDevpath(QString::fromLatin1(bus), QString::fromLatin1(devpath)),
            location)
            << bus << " " << devpath;
}

// End to end: a summary cut at every offset, with line noise ahead of it and
// the bricked marker as the name, is taken whole; never from half a field.
TEST_F(DeviceCore, ANoisySummaryCutAnywhereGivesTheWholeReply)
{
    MicSimulator sim;
    QString path;
    ASSERT_TRUE(sim.openPty(&path));
    PtyAsOnlySerialPort ports(path);
    MLSerialDeviceInfo info;
    info.callOutDevice = info.dialInDevice = path;
    manager.setConnectedDevices({{0x01200000, info}});
    // The quiet interval is far above the pause between the pieces.
    manager.setTimings({3000, 3600000, 60.0, 41, 50, 300, 1000});
    const auto queryAndWait = [&] {
        target.calls.clear();
        return manager.queryDeviceWithCompletionTarget(&target, target.selector(), u"query"_s) &&
               waitUntil([&] { return !target.calls.empty(); }) && target.calls.back().result();
    };
    sim.setBattery(87);
    sim.setNoise("\xff");
    sim.setChunkPauseMs(2);
    // A name that holds the marker keeps the line undecided until it ends; a
    // plain one of the same length shows a summary never taken from half a field.
    for (const QString &name : {u"keyset1.txt"_s, u"Room 4 east"_s}) {
        sim.setName(name);
        // The reply with its noise ahead is 47 bytes.
        for (int offset = 1; offset < 47; ++offset) {
            SCOPED_TRACE(offset);
            sim.setSplitAt(offset);
            ASSERT_TRUE(queryAndWait());
            EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), u"87"_s);
            EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), name);
            // Nothing of the reply is left behind; only a line feed that follows
            // the taken line may still be on its way.
            EXPECT_TRUE(manager.serialBuffer().trimmed().isEmpty()) << manager.serialBuffer().toStdString();
        }
    }
    EXPECT_EQ(events(u"bricked"_s), 0);

    // A microphone that never ends its line still answers, once it is quiet.
    sim.setReplyOverride(
        [](const QByteArray &) { return std::optional<QByteArray>("Summary=\"R\",A,B,C,D,E,64"); });
    ASSERT_TRUE(queryAndWait());
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), u"64"_s);
    manager.closeSerialPort();
}

} // namespace
