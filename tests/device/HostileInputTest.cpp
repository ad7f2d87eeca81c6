// Line noise, names that hold the bricked marker, replies cut anywhere and a
// chattering device: through the received-data entry point, and end to end
// with the simulated microphone on a pseudo-terminal.

#include "DeviceTestSupport.h"
#include "MLDefaultsKeys.h"
#include "MLUserDefaults.h"
#include "MicSimulator.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace mltest;

namespace {

// One microphone in the connected-devices table, as discovery would record it.
QMap<quint32, MLSerialDeviceInfo> oneMicrophone(const QString &path = QStringLiteral("/dev/ttyACM0"))
{
    MLSerialDeviceInfo info;
    info.location = 0x01200000;
    info.callOutDevice = path;
    info.dialInDevice = path;
    return {{info.location, info}};
}

class Replies : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        manager.setConnectedDevices(oneMicrophone());
        manager.addListener(listener);
    }
    // A command outstanding as if its line had been written.
    void expect(qint32 command, const QString &pendingKey = QString())
    {
        manager.cancelCommand();
        manager.setCurrentDeviceCommand(command);
        manager.setSerialResponseTarget(&target);
        manager.setSerialResponseSelector(target.selector());
        manager.setPendingNewPropertyKey(pendingKey);
        manager.setPendingNewPropertyValue(QStringLiteral("sent"));
    }
    void receive(const QByteArray &bytes)
    {
        manager.serialPortDidReceiveData(nullptr, bytes);
        flushEvents(); // notifications are deferred
    }
    int events(const char *event) const { return listener->count(QString::fromLatin1(event)); }

    MLDeviceManager manager{MLDeviceManagerTimings{400, 3600000, 60.0, 41, 50, 100, 300}};
    std::shared_ptr<QStringList> journal = std::make_shared<QStringList>();
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>(QStringLiteral("L"), journal);
    CompletionRecorder target;
};

TEST(BrickedMarkerName, AsTheRenameLineCarriesIt)
{
    const std::pair<QString, bool> cases[] = {
        {QStringLiteral("keyset1.txt"), true},
        {QStringLiteral("Room keyset1.txt2"), true},
        {QStringLiteral("Keyset1.TXT"), false},
        {QStringLiteral("keyset1.tx"), false},
        {QStringLiteral("Room") + QChar(0) + QStringLiteral("keyset1.txt"), false}, // sent up to the NUL
        {QStringLiteral("keyset1\u2024txt"), false},                           // no ISO 8859-1 form: '?'
        {QStringLiteral("Salle \u00e9 keyset1.txt"), true},
    };
    for (const auto &[name, holds] : cases)
        EXPECT_EQ(MLDeviceManager::nameHoldsBrickedMarker(name), holds) << name.toStdString();
}

TEST_F(Replies, BrickedMarkerCountsOutsideANameOnly)
{
    struct Case
    {
        const char *bytes;
        qint32 command;
        bool bricked;
    };
    const Case cases[] = {
        {"Summary=\"keyset1.txt\",A1,B2,C3,D4,E5,87\r\n", MLDeviceCommandSummary, false},
        {"SUMMARY=\"my keyset1.txt2\",A1,B2,C3,D4,E5,87\r\n", MLDeviceCommandSummary, false},
        {"Summary=\"Room\",keyset1.txt,B2,C3,D4,E5,87\r\n", MLDeviceCommandSummary, true},
        {"Summary=\"keyset1.txt\"\r\n", MLDeviceCommandSummary, true},
        {"Error: cannot open keyset1.txt\r\nSummary=\"keyset1.txt\",A1,B2,C3,D4,E5,87\r\n", MLDeviceCommandSummary, true},
        {"Summary=\"keyset1.txt\",A1,B2,C3,D4,E5,87\r\nError: cannot open keyset1.txt", MLDeviceCommandSummary, true},
        {"NAME = keyset1.txt\r\n", MLDeviceCommandRename, false},
        {"name=keyset1.txt\r\nError: cannot open keyset1.txt\r\n", MLDeviceCommandRename, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        expect(c.command, MLDeviceKeys::DeviceName);
        const size_t completions = target.calls.size();
        const int bricked = events("bricked");
        receive(c.bytes);
        EXPECT_EQ(events("bricked") - bricked, c.bricked ? 1 : 0);
        EXPECT_EQ(target.calls.size() - completions, c.bricked ? 0u : 1u);
        EXPECT_EQ(manager.deviceIsBricked(), c.bricked);
    }
}

TEST_F(Replies, ALineIsTakenWhenItEndsOrOnceItIsQuiet)
{
    struct Case
    {
        qint32 command;
        QString key;
        QByteArray head, rest;
    };
    const Case cases[] = {
        {MLDeviceCommandSummary, QString(), "Summary=\"Room 4\",A1,B2,C3,D4,E5,8", "7\r\n"},
        {MLDeviceCommandChannel1, MLDeviceKeys::DeviceChannel1, "channel1=1", "2\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.head.toStdString());
        expect(c.command, c.key);
        receive(c.head);
        EXPECT_TRUE(target.calls.empty()) << "taken from half a field";
        receive(c.rest);
        ASSERT_EQ(target.calls.size(), 1u) << "the line ended";
        EXPECT_TRUE(manager.serialBuffer().isEmpty());

        // A microphone that never ends its line.
        expect(c.command, c.key);
        receive(c.head + c.rest.chopped(2));
        EXPECT_EQ(target.calls.size(), 1u);
        ASSERT_TRUE(waitUntil([&] { return target.calls.size() == 2; }));
        EXPECT_TRUE(target.calls.back().result());
        target.calls.clear();
    }
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QStringLiteral("87"));
}

TEST_F(Replies, BytesThatAreNotUtf8SpoilNoReplyAndDumpAsTheyArrived)
{
    MLUserDefaults::setObject(1, QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled));
    LogCapture log;
    expect(MLDeviceCommandSummary);
    receive("\xff\xc3\r\nSummary=\"Salle \xc3\xa9\",A1,B2,C3,D4,E5,87\r\n");
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QStringLiteral("Salle \u00e9"));
    EXPECT_EQ(log.countContaining(QStringLiteral("Receive Buffer: 0xff0xc30x0d0x0aSummary=\"Salle0x200xe9\",A1,")), 1)
        << log.records().join(u'\n').toStdString();
}

TEST_F(Replies, OverflowIsLoggedOnceAnIntervalWithTheCountLeftOut)
{
    LogCapture log;
    const QByteArray junk(MLDeviceManager::kMaxBufferedBytes + 1, 'x');
    for (int i = 0; i < 3; ++i)
        receive(junk);
    EXPECT_EQ(log.countContaining(QStringLiteral("Too much data")), 1);
    EXPECT_EQ(events("error"), 3);
    processEventsFor(350);
    receive(junk);
    EXPECT_EQ(log.count(QStringLiteral("Too much data. Aborting (2 more left out)")), 1);
}

class Wire : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        ASSERT_TRUE(sim.openPty(&path));
        ports.emplace(path);
        manager.addListener(listener);
        manager.setConnectedDevices(oneMicrophone(path));
    }
    void TearDown() override
    {
        manager.closeSerialPort();
        sim.stop();
        ports.reset();
    }
    bool queryAndWait()
    {
        const size_t before = target.calls.size();
        return manager.queryDeviceWithCompletionTarget(&target, target.selector(), QStringLiteral("query"))
            && waitUntil([&] { return target.calls.size() > before; }) && target.calls.back().result();
    }

    MicSimulator sim;
    QString path;
    std::optional<PtyAsOnlySerialPort> ports;
    // The quiet interval is far above the pause between the pieces.
    MLDeviceManager manager{MLDeviceManagerTimings{3000, 3600000, 60.0, 41, 50, 300, 1000}};
    CompletionRecorder target;
    std::shared_ptr<RecordingListener> listener =
        std::make_shared<RecordingListener>(QStringLiteral("L"), std::make_shared<QStringList>());
};

TEST_F(Wire, ANoisySummaryCutAnywhereGivesTheWholeReply)
{
    sim.setName(QStringLiteral("keyset1.txt"));
    sim.setBattery(87);
    sim.setNoise("\xff");
    sim.setChunkPauseMs(2);
    const qsizetype length = QByteArray("\xff" "Summary=\"keyset1.txt\",N0012345,1.05,0,1,3,87\r\n").size();
    for (int offset = 1; offset < length; ++offset) {
        SCOPED_TRACE(offset);
        sim.setSplitAt(offset);
        ASSERT_TRUE(queryAndWait());
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QStringLiteral("87"));
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QStringLiteral("keyset1.txt"));
        EXPECT_TRUE(manager.serialBuffer().isEmpty());
    }
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 0);

    // A microphone that never ends its line still answers.
    sim.setReplyOverride([](const QByteArray &) { return std::optional<QByteArray>("Summary=\"R\",A,B,C,D,E,64"); });
    ASSERT_TRUE(queryAndWait());
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QStringLiteral("64"));
}

} // namespace
