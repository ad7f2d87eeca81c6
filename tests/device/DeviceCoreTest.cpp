// The device link without hardware: recognition of the microphone's replies
// (fed as the serial port would deliver them), the delivery of device events,
// the pending-suffix list and its sweep, and USB locations.

#include "DeviceTestSupport.h"
#include "MLUsbDiscovery.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace mltest;

namespace {

const QByteArray kRoom4 = "Summary=\"Room 4\",A1,B2,C3,D4,E5,96\r\n";

class DeviceCore : public ::testing::Test
{
protected:
    void SetUp() override
    {
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
        manager.setSerialUserData(QStringLiteral("query"));
        manager.setPendingNewPropertyKey(key);
        manager.setPendingNewPropertyValue(QStringLiteral("sent value"));
        manager.startTimeoutTimer();
    }

    void feed(const QByteArray &bytes) { manager.serialPortDidReceiveData(nullptr, bytes); }

    void expectIdle()
    {
        EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
        EXPECT_TRUE(manager.serialBuffer().isEmpty());
        EXPECT_FALSE(manager.isTimeoutTimerArmed());
    }

    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
    MLTimestampedString::Clock previousClock;
    // List ticks are driven by hand unless a test sets the interval.
    MLDeviceManager manager{MLDeviceManagerTimings{20000, 3600000, 60.0, 41, 50}};
    CompletionRecorder target;
    std::shared_ptr<QStringList> journal = std::make_shared<QStringList>();
    std::shared_ptr<RecordingListener> listener =
        std::make_shared<RecordingListener>(QStringLiteral("A"), journal);
};

TEST_F(DeviceCore, CompleteSummaryFillsTheTable)
{
    expect(MLDeviceCommandSummary);
    manager.setDeviceIsBricked(true);
    feed(kRoom4);

    const QMap<QString, QString> expected = {
        {MLDeviceKeys::DeviceType, QStringLiteral("1")},
        {MLDeviceKeys::DeviceName, QStringLiteral("Room 4")},
        {MLDeviceKeys::DeviceSerial, QStringLiteral("A1")},
        {MLDeviceKeys::DeviceVersion, QStringLiteral("B2")},
        {MLDeviceKeys::DeviceChannel1, QStringLiteral("C3")},
        {MLDeviceKeys::DeviceChannel2, QStringLiteral("D4")},
        {MLDeviceKeys::DeviceVoiceChoice, QStringLiteral("E5")},
        {MLDeviceKeys::DeviceBattery, QStringLiteral("100")},
    };
    EXPECT_EQ(manager.properties(), expected);
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_TRUE(target.calls[0].result());
    EXPECT_EQ(target.calls[0].resultString(), QString::fromUtf8(kRoom4));
    EXPECT_EQ(target.calls[0].userData(), QVariant(QStringLiteral("query")));
    EXPECT_FALSE(manager.deviceIsBricked());
    expectIdle();
    // Listeners have seen the new table before the completion runs.
    EXPECT_EQ(*journal, (QStringList{QStringLiteral("A:properties"), QStringLiteral("completion")}));
}

TEST_F(DeviceCore, SummaryShapesAndBattery)
{
    const std::tuple<const char *, const char *, const char *, const char *> cases[] = {
        // reply, then name (empty: not recognised), serial and battery
        {"SUMMARY=\"Lab\",S9,1.05,0,1,3,95\r", "Lab", "S9", "100"},
        {"Summary=\"Lab\",S9,1.05,0,1,3,94.9\r", "Lab", "S9", "94.9"},
        {"Summary=\"Lab\",S9,1.05,0,1,3,87%\r", "Lab", "S9", "87"},
        {"Summary=\"Lab\",S9,1.05,0,1,3,full\r", "Lab", "S9", "0"},
        // Surplus commas end up in the serial field; quotes may sit inside the name.
        {"Summary=\"a,b\",1,2,3,4,5,6,7,8\r", "a,b", "1,2,3", "8"},
        {"Summary=\"a\",b\",1,2,3,4,5,6\r", "a\",b", "1", "6"},
        // An echo and stray text before the reply do not matter; the first of two summaries is used.
        {"SUMMARY\r\nboot ok\r\nSummary=\"Old\",S1,1,0,1,3,50\r\nSummary=\"New\",S2,1,0,1,3,60\r\n", "Old",
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
            EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandSummary);
            continue;
        }
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QString::fromUtf8(name));
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceSerial), QString::fromUtf8(serial));
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QString::fromUtf8(battery));
        expectIdle();
    }
}

TEST_F(DeviceCore, BrickedMessageWinsOverACompleteReply)
{
    expect(MLDeviceCommandSummary);
    feed(kRoom4 + "Error: keyset1.txt not found\r\n");
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(manager.deviceIsBricked());
    expectIdle();
    EXPECT_FALSE(manager.properties().contains(MLDeviceKeys::DeviceName));
    // The event is deferred: it runs on the next pass of the loop.
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 0);
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 1);
    // Also with nothing outstanding.
    feed("..keyset1.txt");
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 2);
}

TEST_F(DeviceCore, OverflowAbortsAt2049Bytes)
{
    expect(MLDeviceCommandSummary);
    feed(QByteArray(2048, 'x'));
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandSummary) << "2048 bytes are still examined";
    feed("z");
    EXPECT_TRUE(target.calls.empty());
    expectIdle();
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("error")), 1);

    // A complete reply at the end of a buffer of 2048 bytes is still recognised.
    expect(MLDeviceCommandSummary);
    feed(QByteArray(2048 - kRoom4.size() - 1, '.') + "\r" + kRoom4);
    EXPECT_EQ(target.calls.size(), 1u);
}

TEST_F(DeviceCore, Acknowledgements)
{
    const std::tuple<QString, const char *, bool> cases[] = {
        // key, reply, recognised
        {MLDeviceKeys::DeviceName, "NAME = x\r\n", true},
        {MLDeviceKeys::DeviceName, "junk\r\nname=Lab\r\n", true},
        {MLDeviceKeys::DeviceName, "name=\r\n", false},
        {MLDeviceKeys::DeviceName, "RENAME Lab\r", false},
        {MLDeviceKeys::DeviceName, "Summary=\"a\",1,2,3,4,5,6", false},
        {MLDeviceKeys::DeviceChannel1, "channel1=3\r", true},
        {MLDeviceKeys::DeviceChannel1, "channel2=3\r", false},
        {MLDeviceKeys::DeviceChannel2, "Channel2 =  4 ok\r", true},
        {MLDeviceKeys::DeviceVoiceChoice, "coverage=3\r\n", true},
        {MLDeviceKeys::DeviceVoiceChoice, "voice=3\r\n", false},
    };
    for (const auto &[key, reply, recognised] : cases) {
        SCOPED_TRACE(reply);
        expect(MLDeviceCommandChannel1, key);
        feed(reply);
        EXPECT_EQ(target.calls.size(), recognised ? 1u : 0u);
        EXPECT_EQ(manager.currentDeviceCommand(), recognised ? MLDeviceCommandNone : MLDeviceCommandChannel1);
        // The table keeps the value that was sent, not text from the reply.
        if (recognised) {
            EXPECT_EQ(manager.stringValue(key), QStringLiteral("sent value"));
        }
    }
}

TEST_F(DeviceCore, DestroyedTargetIsNeverCalled)
{
    expect(MLDeviceCommandSummary);
    auto transient = std::make_unique<QObject>();
    manager.setSerialResponseTarget(transient.get());
    transient.reset();
    feed(kRoom4);
    EXPECT_TRUE(target.calls.empty());
}

TEST(CommandLines, RenameAndAsciiForms)
{
    const std::pair<QString, std::optional<QByteArray>> cases[] = {
        {QStringLiteral("Room 4 east"), QByteArray("RENAME Room 4 east\r")},
        {QString::fromUtf8("A\0B", 3), QByteArray("RENAME A\r")},
        {QString::fromUtf8("M\u00fcller"), std::nullopt},               // ISO 8859-1, but not ASCII
        {QString::fromUtf8("\u65e5\u672c"), QByteArray("RENAME ??\r")}, // no ISO 8859-1 form: substituted
    };
    for (const auto &[name, bytes] : cases)
        EXPECT_EQ(MLDeviceManager::asciiBytes(MLDeviceManager::renameLine(name)), bytes)
            << name.toStdString();
}

TEST_F(DeviceCore, ConnectedAndPropertiesAreImmediateTheRestDeferredInOrder)
{
    auto b = std::make_shared<RecordingListener>(QStringLiteral("B"), journal);
    manager.addListener(b);
    manager.addListener(listener); // registered once only
    manager.sendDeviceDisconnectedNotification();
    manager.sendDeviceHadErrorNotification();
    manager.sendDeviceBrickedNotification();
    journal->append(QStringLiteral("sender returned"));
    manager.sendDeviceConnectedNotification();
    manager.sendDevicePropertiesChangedNotification();
    journal->append(QStringLiteral("immediate done"));
    flushEvents();
    EXPECT_EQ(journal->join(u' '),
              QStringLiteral("sender returned A:connected B:connected A:properties B:properties "
                             "immediate done A:disconnected B:disconnected A:error B:error "
                             "A:bricked B:bricked"));
}

TEST_F(DeviceCore, DeferredEventKeepsItsListenerAlive)
{
    manager.sendDeviceBrickedNotification();
    manager.removeListener(listener.get());
    listener.reset(); // only the scheduled call holds it now
    EXPECT_TRUE(journal->isEmpty());
    flushEvents();
    EXPECT_EQ(*journal, (QStringList{QStringLiteral("A:bricked"), QStringLiteral("A:destroyed")}));
}

TEST_F(DeviceCore, ListenersMayCallBackIntoTheManager)
{
    auto b = std::make_shared<RecordingListener>(QStringLiteral("B"), journal);
    manager.addListener(b);
    // Sending from inside an immediate event takes the lock again.
    listener->onEvent = [&](const QString &event) {
        if (event != u"connected")
            return;
        manager.sendDevicePropertiesChangedNotification();
        manager.removeListener(listener.get());
    };
    manager.sendDeviceConnectedNotification();
    // A removed itself during the walk; B is still called.
    EXPECT_EQ(b->count(QStringLiteral("connected")), 1);
    EXPECT_EQ(b->count(QStringLiteral("properties")), 1);
    EXPECT_EQ(manager.numListeners(), 1);
}

// A tick after new arrivals only notes them; the next one drops what is
// older than a minute.
TEST_F(DeviceCore, SweepDropsOnlyOldEntriesAndOnlyAfterAQuietTick)
{
    manager.serialDeviceSfxListAdd(QStringLiteral("old"));
    now = now.addSecs(30);
    manager.cleanDeviceLists();
    now = now.addSecs(31);
    manager.serialDeviceSfxListAdd(QStringLiteral("young"));
    manager.cleanDeviceLists(); // new arrivals: noted only
    EXPECT_EQ(manager.serialDeviceSfxList().size(), 2);
    now = now.addSecs(30);
    manager.cleanDeviceLists(); // "old" is 91 s old, "young" 30 s
    EXPECT_EQ(manager.serialDeviceSfxList().value(0, MLTimestampedString({}, {})).string(),
              QStringLiteral("young"));
    now = now.addSecs(30);
    manager.cleanDeviceLists(); // the survivor counts as an arrival: noted only
    manager.cleanDeviceLists(); // exactly a minute old is not older
    EXPECT_EQ(manager.serialDeviceSfxList().size(), 1);
    now = now.addMSecs(1);
    manager.cleanDeviceLists();
    manager.cleanDeviceLists();
    EXPECT_TRUE(manager.serialDeviceSfxList().isEmpty());
}

TEST_F(DeviceCore, TheSweepTimerKeepsRunning)
{
    manager.setTimings({20000, 40, 60.0, 41, 50});
    manager.cleanDeviceLists(); // starts ticking at the new interval
    manager.serialDeviceSfxListAdd(QStringLiteral("ttyUSB0"));
    ASSERT_TRUE(waitUntil([&] { return manager.deviceMatchCheck() == 1; })) << "a tick has noted the arrival";
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

} // namespace
