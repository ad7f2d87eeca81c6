// One command at a time over a real pseudo-terminal, with the simulated
// microphone answering on the other end.

#include "DeviceTestSupport.h"
#include "MicSimulator.h"
#include "MLDefaultsKeys.h"
#include "MLUserDefaults.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace mltest;

namespace {

class Transaction : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        ASSERT_TRUE(sim.openPty(&path));
        ports.emplace(path);
        journal = std::make_shared<QStringList>();
        listener = std::make_shared<RecordingListener>(QStringLiteral("L"), journal);
        manager.addListener(listener);
        manager.setConnectedDevices(oneMicrophone(path));
    }

    void TearDown() override
    {
        manager.closeSerialPort();
        sim.stop();
        ports.reset();
    }

    bool query(const QString &userData = QStringLiteral("query"))
    {
        return manager.queryDeviceWithCompletionTarget(&target, target.selector(), userData);
    }
    bool waitForCompletions(size_t count, int timeoutMs = 3000)
    {
        return waitUntil([&] { return target.calls.size() >= count; }, timeoutMs);
    }

    MicSimulator sim;
    QString path;
    std::optional<PtyAsOnlySerialPort> ports;
    MLDeviceManager manager{MLDeviceManagerTimings{400, 3600000, 60.0, 41, 50}};
    CompletionRecorder target;
    std::shared_ptr<QStringList> journal;
    std::shared_ptr<RecordingListener> listener;
};

TEST_F(Transaction, SummaryQueryEndToEnd)
{
    sim.setName(QStringLiteral("Room 4"));
    sim.setBattery(96);
    sim.setChunkSize(7); // the reply arrives in many pieces
    ASSERT_TRUE(query(QStringLiteral("initialquery")));
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandSummary);
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_TRUE(target.calls[0].result);
    EXPECT_EQ(target.calls[0].userData, QVariant(QStringLiteral("initialquery")));
    EXPECT_EQ(sim.receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QStringLiteral("Room 4"));
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QStringLiteral("100"));
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceType), QStringLiteral("0"));
    EXPECT_EQ(listener->count(QStringLiteral("properties")), 1);
    EXPECT_FALSE(manager.isTimeoutTimerArmed());
}

TEST_F(Transaction, InitialQueryResetsThePortAndPeriodicOneKeepsIt)
{
    ASSERT_TRUE(query(QStringLiteral("query")));
    ASSERT_TRUE(waitForCompletions(1));
    const std::weak_ptr<MLSerialPort> first = manager.serialPort();
    ASSERT_TRUE(query(QStringLiteral("query")));
    ASSERT_TRUE(waitForCompletions(2));
    EXPECT_EQ(manager.serialPort(), first.lock()) << "a periodic query reuses the open port";
    ASSERT_TRUE(query(QStringLiteral("initialquery")));
    ASSERT_TRUE(waitForCompletions(3));
    EXPECT_TRUE(first.expired()) << "the initial query makes the port afresh";
    EXPECT_TRUE(manager.serialPort()->isOpen());
}

TEST_F(Transaction, SettingsSaveChainsFourCommands)
{
    sim.setEchoCommands(true);
    const std::pair<QString, QString> stages[] = {{MLDeviceKeys::DeviceName, QStringLiteral("Lab 2")},
                                                  {MLDeviceKeys::DeviceChannel1, QStringLiteral("2")},
                                                  {MLDeviceKeys::DeviceChannel2, QStringLiteral("5")},
                                                  {MLDeviceKeys::DeviceVoiceChoice, QStringLiteral("4")}};
    size_t next = 0;
    QObject owner;
    std::vector<bool> results;
    std::function<void()> writeNext = [&] {
        const auto &[key, value] = stages[next++];
        ASSERT_TRUE(manager.setPropertyStringValue(key, value, &owner, [&](QObject *, const MLDeviceOperationResult &r) {
            results.push_back(r.result());
            // Idle again before the completion runs.
            EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
            if (r.result() && next < std::size(stages))
                writeNext();
        }));
    };
    writeNext();
    ASSERT_TRUE(waitUntil([&] { return results.size() == 4; }));
    EXPECT_EQ(results, std::vector<bool>(4, true));
    EXPECT_EQ(sim.receivedCommands(),
              (QList<QByteArray>{"RENAME Lab 2", "channel1=2", "channel2=5", "coverage=4"}));
    EXPECT_EQ(sim.name(), QStringLiteral("Lab 2"));
    EXPECT_EQ(sim.coverage(), 4);
    for (const auto &[key, value] : stages)
        EXPECT_EQ(manager.stringValue(key), value);
}

TEST_F(Transaction, NumberAndBooleanForms)
{
    ASSERT_TRUE(manager.setPropertyIntValue(MLDeviceKeys::DeviceChannel1, -1, &target, target.selector()));
    ASSERT_TRUE(sim.waitForCommands(1, 2000));
    manager.cancelCommand();
    ASSERT_TRUE(manager.setPropertyBoolValue(MLDeviceKeys::DeviceChannel2, true, &target, target.selector()));
    ASSERT_TRUE(sim.waitForCommands(2, 2000));
    EXPECT_EQ(sim.receivedCommands(), (QList<QByteArray>{"channel1=-1", "channel2=1"}));
}

TEST_F(Transaction, TimeoutCompletesWithFailureOnce)
{
    LogCapture log;
    sim.setSilent(true);
    ASSERT_TRUE(query());
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_FALSE(target.calls[0].result);
    EXPECT_EQ(target.calls[0].text, QStringLiteral("Timeout"));
    EXPECT_EQ(log.count(QStringLiteral("Serial Timeout")), 1);
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
    EXPECT_EQ(manager.serialResponseTarget(), nullptr) << "the completion is cleared after a time-out";

    // A reply that comes late is data with nothing outstanding.
    sim.setSilent(false);
    ASSERT_TRUE(sim.sendRaw("Summary=\"Late\",S1,1.05,0,1,3,50\r\n"));
    processEventsFor(200);
    EXPECT_EQ(target.calls.size(), 1u);
    EXPECT_FALSE(manager.properties().contains(MLDeviceKeys::DeviceName));
}

TEST_F(Transaction, CommandWrittenFromATimeoutCompletionIsCancelled)
{
    LogCapture log;
    sim.setSilent(true);
    bool rewritten = false;
    ASSERT_TRUE(manager.queryDeviceWithCompletionTarget(&target, [&](QObject *, const MLDeviceOperationResult &) {
        rewritten = query();
    }, QStringLiteral("query")));
    ASSERT_TRUE(waitUntil([&] { return rewritten; }));
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
    EXPECT_FALSE(manager.isTimeoutTimerArmed());
    // No stray timer of the cancelled command fires later.
    processEventsFor(900);
    EXPECT_EQ(log.count(QStringLiteral("Serial Timeout")), 1);
}

TEST_F(Transaction, Refusals)
{
    sim.setSilent(true);
    ASSERT_TRUE(manager.setPropertyStringValue(MLDeviceKeys::DeviceName, QStringLiteral("A"), &target,
                                               target.selector()));
    // Anything else while a command is outstanding is refused and changes nothing.
    CompletionRecorder other;
    EXPECT_FALSE(manager.queryDeviceWithCompletionTarget(&other, other.selector(), QStringLiteral("query")));
    EXPECT_FALSE(manager.setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 1, &other, other.selector()));
    EXPECT_FALSE(manager.sendUloadCommandWithFile(QStringLiteral("fw.bin")));
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandRename);
    EXPECT_EQ(manager.serialResponseTarget(), &target);
    EXPECT_TRUE(manager.isTimeoutTimerArmed());
    manager.cancelCommand();

    // An unknown key: refused, nothing written, the completion stays recorded.
    EXPECT_FALSE(manager.setPropertyStringValue(QStringLiteral("DeviceColour"), QStringLiteral("red"), &other,
                                                other.selector()));
    EXPECT_EQ(manager.serialResponseTarget(), &other);
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);

    // Not exactly one microphone.
    manager.setConnectedDevices({});
    EXPECT_FALSE(query());
    auto two = oneMicrophone(path);
    two.insert(0x02100000, MLSerialDeviceInfo{});
    manager.setConnectedDevices(two);
    EXPECT_FALSE(query());
    EXPECT_FALSE(manager.serialPortOK());
    EXPECT_FALSE(manager.serialPortReset());

    // A microphone whose port the system does not know.
    manager.closeSerialPort();
    manager.setConnectedDevices(oneMicrophone(QStringLiteral("/dev/ttyACM99")));
    EXPECT_FALSE(query());
    processEventsFor(300);
    EXPECT_EQ(sim.receivedCommands(), QList<QByteArray>{"RENAME A"});
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(other.calls.empty());
}

TEST_F(Transaction, CancelledCommandNeverCompletes)
{
    sim.setReplyDelayMs(150);
    ASSERT_TRUE(query());
    manager.cancelCommand();
    EXPECT_FALSE(manager.isTimeoutTimerArmed());
    processEventsFor(700);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_FALSE(manager.properties().contains(MLDeviceKeys::DeviceName));
}

TEST_F(Transaction, BrickedAndOverflowEndTheCommandSilently)
{
    LogCapture log;
    sim.setSilent(true);
    ASSERT_TRUE(query());
    ASSERT_TRUE(sim.waitForCommands(1, 2000));
    ASSERT_TRUE(sim.sendBricked());
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("bricked")) == 1; }));
    EXPECT_TRUE(manager.deviceIsBricked());
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);

    ASSERT_TRUE(query());
    ASSERT_TRUE(sim.sendOverlong(3000));
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("error")) == 1; }));
    EXPECT_EQ(log.count(QStringLiteral("Too much data. Aborting")), 1);
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
    processEventsFor(600); // past the time-out: it was stopped
    EXPECT_TRUE(target.calls.empty());
    EXPECT_LE(manager.serialBuffer().size(), MLDeviceManager::kMaxBufferedBytes);
}

TEST_F(Transaction, PortErrorInTheMiddleOfASummary)
{
    LogCapture log;
    sim.setChunkSize(12);
    sim.setChunkPauseMs(150);
    ASSERT_TRUE(query());
    ASSERT_TRUE(waitUntil([&] { return !manager.serialBuffer().isEmpty(); }));
    MLPosixError error = MLPosixError::fromErrno(EIO, path);
    manager.serialPortDidEncounterError(manager.serialPort().get(), error);
    EXPECT_TRUE(manager.serialBuffer().isEmpty());
    EXPECT_EQ(log.count(QStringLiteral("Serial Port Error: %1").arg(error.description())), 1);
    // The rest of the reply alone is not a summary: the query ends by time-out.
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_FALSE(target.calls[0].result);
}

TEST_F(Transaction, UnplugDuringACommand)
{
    sim.setSilent(true);
    ASSERT_TRUE(query());
    ASSERT_TRUE(sim.waitForCommands(1, 2000));
    sim.hangUp();
    processEventsFor(100);
    const double before = processCpuSeconds();
    processEventsFor(1000);
    const double cpu = processCpuSeconds() - before;
    // Hung up, the port must not spin: a busy loop would burn most of a second.
    EXPECT_LT(cpu, 0.3) << "CPU seconds in one second after the hang-up";
    ASSERT_TRUE(waitForCompletions(1)) << "without discovery, the command ends by time-out";
    EXPECT_FALSE(target.calls[0].result);

    // Writing to the hung-up port fails: a property command reports a device
    // error, a query does not.
    EXPECT_FALSE(manager.setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 1, &target, target.selector()));
    EXPECT_FALSE(query());
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("error")), 1);
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
}

TEST_F(Transaction, UploadLineAwaitsNothing)
{
    ASSERT_TRUE(query());
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_TRUE(manager.sendUloadCommandWithFile(QStringLiteral("4721_A_x_01_07.bin")));
    EXPECT_EQ(manager.serialResponseTarget(), nullptr);
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
    EXPECT_FALSE(manager.isTimeoutTimerArmed());
    ASSERT_TRUE(sim.waitForCommands(2, 2000));
    EXPECT_EQ(sim.receivedCommands().last(), QByteArray("ULOAD 4721_A_x_01_07.bin"));
    processEventsFor(200);
    EXPECT_EQ(target.calls.size(), 1u);
}

TEST_F(Transaction, NonAsciiNameWritesNothingAndTimesOut)
{
    ASSERT_TRUE(manager.setPropertyStringValue(MLDeviceKeys::DeviceName, QString::fromUtf8("S\u00e4al"), &target,
                                               target.selector()));
    EXPECT_EQ(manager.pendingNewPropertyValue(), QString::fromUtf8("S\u00e4al"));
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_FALSE(target.calls[0].result);
    EXPECT_TRUE(sim.receivedCommands().isEmpty());
}

TEST_F(Transaction, ConnectedMicrophoneIsOpenedOnceAndAnnounced)
{
    LogCapture log;
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    manager.setConnectedDevices({});
    USBDeviceData record;
    record.deviceName = QStringLiteral("Marlevo Mic");
    record.locationID = 0x01200000;
    record.callOutDevice = record.dialInDevice = path;
    manager.setDeviceIsBricked(true);
    manager.usbDeviceConnected(&record);
    EXPECT_EQ(manager.numConnectedDevices(), 1u);
    EXPECT_FALSE(manager.deviceIsBricked());
    EXPECT_EQ(listener->count(QStringLiteral("connected")), 1);
    ASSERT_TRUE(manager.serialPort());
    EXPECT_FALSE(manager.serialPort()->isOpen());
    flushEvents();
    EXPECT_EQ(log.count(QStringLiteral("Serial port opened.")), 1);
    EXPECT_EQ(log.count(QStringLiteral("Serial port closed.")), 1);

    // The same location again is refused.
    manager.usbDeviceConnected(&record);
    EXPECT_EQ(log.count(QStringLiteral("Device already in connected devices list.")), 1);
    EXPECT_EQ(listener->count(QStringLiteral("connected")), 1);

    // Removal of an unknown location changes nothing but is noted.
    USBDeviceData stranger = record;
    stranger.locationID = 0x02300000;
    manager.usbDeviceRemoved(&stranger);
    EXPECT_EQ(log.count(QStringLiteral("Unknown device removed")), 1);
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("disconnected")), 0);

    manager.usbDeviceRemoved(&record);
    EXPECT_EQ(manager.numConnectedDevices(), 0u);
    EXPECT_EQ(manager.serialPort(), nullptr);
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("disconnected")), 1);
}

} // namespace
