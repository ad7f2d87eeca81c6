// Microphones coming and going under umockdev, and one command at a time to
// them, with the simulator answering on each microphone's device end.

#include "DeviceTestSupport.h"
#include "MicSimulator.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <gtest/gtest.h>

#include <map>

using namespace mltest;

namespace {

// This program runs without a system bus, whatever the machine has.
class NoSystemBus : public ::testing::Environment
{
public:
    void SetUp() override { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/marlevo-test-bus"); }
};
const auto *const noSystemBus = ::testing::AddGlobalTestEnvironment(new NoSystemBus);

class DeviceLink : public ::testing::Test
{
protected:
    void SetUp() override { manager->addListener(listener); }
    void TearDown() override
    {
        for (auto &[node, sim] : sims)
            sim->stop();
    }

    // Plugs in a microphone with a simulator answering on its device end.
    Testbed::Usb plug(const QString &port, quint16 vendor = 0x1a85, quint16 product = 0x4721)
    {
        const Testbed::Usb usb =
            testbed.addUsbSerial(1, port, vendor, product, QStringLiteral("ttyACM") + port);
        EXPECT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
        auto &sim = sims[usb.devnode];
        sim = std::make_unique<MicSimulator>();
        EXPECT_TRUE(sim->attach(testbed.deviceFd(usb.devnode)));
        return usb;
    }

    // One microphone, found at start.
    MicSimulator &started()
    {
        const auto usb = plug(QStringLiteral("2"));
        manager->start();
        EXPECT_EQ(manager->numConnectedDevices(), 1u);
        return *sims.at(usb.devnode);
    }

    void unplug(const Testbed::Usb &usb)
    {
        sims.at(usb.devnode)->stop();
        testbed.remove(usb);
    }

    int events(const QString &event) const { return listener->count(event); }
    bool query(const QString &userData = QStringLiteral("query"))
    {
        return manager->queryDeviceWithCompletionTarget(&target, target.selector(), userData);
    }
    bool waitForCompletions(size_t count)
    {
        return waitUntil([&] { return target.calls.size() >= count; });
    }

    Testbed testbed;
    std::map<QString, std::unique_ptr<MicSimulator>> sims;
    CompletionRecorder target;
    std::shared_ptr<RecordingListener> listener =
        std::make_shared<RecordingListener>(QStringLiteral("L"), std::make_shared<QStringList>());
    // The second add of two microphones retries the port 8 times.
    std::unique_ptr<MLDeviceManager> manager =
        std::make_unique<MLDeviceManager>(MLDeviceManagerTimings{400, 3600000, 60.0, 8, 50});
};

TEST_F(DeviceLink, StartFindsWhatIsPresentAndStopForgetsIt)
{
    started();
    EXPECT_EQ(events(QStringLiteral("connected")), 1) << "announced before start returned";
    EXPECT_EQ(manager->getFirstDeviceInfo().location, 0x01200000u);
    EXPECT_TRUE(manager->serialDeviceSfxList().isEmpty()) << "a matched suffix leaves the pending list";
    EXPECT_FALSE(manager->serialPort()->isOpen()) << "opened once to check, then closed";
    ASSERT_TRUE(query());
    ASSERT_TRUE(waitForCompletions(1));

    manager->stop();
    EXPECT_EQ(manager->numConnectedDevices(), 0u);
    EXPECT_TRUE(manager->properties().isEmpty());
    EXPECT_EQ(manager->serialPort(), nullptr);
    // Nothing is reported while stopped.
    plug(QStringLiteral("4"));
    processEventsFor(100);
    EXPECT_EQ(events(QStringLiteral("connected")), 1);
    EXPECT_EQ(events(QStringLiteral("disconnected")), 1);

    manager->start();
    EXPECT_EQ(manager->numConnectedDevices(), 2u);
}

TEST_F(DeviceLink, PluggedInMicrophonesAreRecognisedByTheirIdentifiers)
{
    const std::tuple<quint16, quint16, const char *> cases[] = {
        // vendor, product, type (none: not accepted)
        {0x1a85, 0x4721, "0"}, {0x1a85, 0x4728, "1"}, {0x6789, 0x4721, "0"},
        {0x6789, 0x4728, "1"}, {0x1234, 0x4721, ""},  {0x1a85, 0x4722, ""},
    };
    // A query from inside the event, as the application does.
    listener->onEvent = [&](const QString &event) {
        if (event == u"connected") {
            EXPECT_TRUE(query(QStringLiteral("initialquery")));
        }
    };
    manager->start();
    int port = 1;
    for (const auto &[vendor, product, type] : cases) {
        SCOPED_TRACE(QStringLiteral("%1:%2").arg(vendor, 0, 16).arg(product, 0, 16).toStdString());
        target.calls.clear();
        // A testbed hands out each device node name once.
        const auto usb = plug(QString::number(port++), vendor, product);
        flushEvents();
        EXPECT_EQ(manager->numConnectedDevices(), *type ? 1u : 0u);
        if (*type) {
            ASSERT_TRUE(waitForCompletions(1));
            EXPECT_TRUE(target.calls[0].result());
            EXPECT_EQ(manager->stringValue(MLDeviceKeys::DeviceType), QString::fromLatin1(type))
                << "from the device";
        }
        unplug(usb);
        flushEvents();
        EXPECT_EQ(manager->numConnectedDevices(), 0u);
    }
    EXPECT_EQ(events(QStringLiteral("disconnected")), 4);
}

TEST_F(DeviceLink, TwoMicrophones)
{
    manager->start();
    const auto first = plug(QStringLiteral("2"));
    ASSERT_TRUE(waitUntil([&] { return manager->numConnectedDevices() == 1; }));
    plug(QStringLiteral("3"), 0x1a85, 0x4728);
    // The second is announced too, once the wait for its port has ended.
    ASSERT_TRUE(waitUntil([&] { return events(QStringLiteral("connected")) == 2; }));
    EXPECT_EQ(manager->numConnectedDevices(), 2);
    EXPECT_FALSE(query());
    EXPECT_FALSE(manager->setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 1, &target, target.selector()));

    unplug(first);
    ASSERT_TRUE(waitUntil([&] { return events(QStringLiteral("disconnected")) == 1; }));
    // The one left answers on its own port.
    EXPECT_TRUE(query(QStringLiteral("initialquery")));
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_EQ(manager->stringValue(MLDeviceKeys::DeviceType), QStringLiteral("1"));
}

TEST_F(DeviceLink, QueryThenSaveEachCommandFromTheLastOnesCompletion)
{
    MicSimulator &sim = started();
    sim.setChunkSize(7); // replies arrive in many pieces
    const std::pair<QString, QString> stages[] = {{MLDeviceKeys::DeviceName, QStringLiteral("Lab 2")},
                                                  {MLDeviceKeys::DeviceChannel1, QStringLiteral("2")},
                                                  {MLDeviceKeys::DeviceChannel2, QStringLiteral("5")},
                                                  {MLDeviceKeys::DeviceVoiceChoice, QStringLiteral("4")}};
    size_t next = 0;
    std::vector<bool> results;
    MLCompletionSelector writeNext = [&](QObject *, const MLDeviceOperationResult &r) {
        results.push_back(r.result());
        // Idle again before the completion runs, so it may write the next command.
        if (r.result() && next < std::size(stages)) {
            const auto &[key, value] = stages[next++];
            EXPECT_TRUE(manager->setPropertyStringValue(key, value, &target, writeNext));
        }
    };
    ASSERT_TRUE(manager->queryDeviceWithCompletionTarget(&target, writeNext, QStringLiteral("initialquery")));
    ASSERT_TRUE(waitUntil([&] { return results.size() == 5; }));
    EXPECT_EQ(results, std::vector<bool>(5, true));
    EXPECT_EQ(sim.receivedCommands(),
              (QList<QByteArray>{"SUMMARY", "RENAME Lab 2", "channel1=2", "channel2=5", "coverage=4"}));
    for (const auto &[key, value] : stages)
        EXPECT_EQ(manager->stringValue(key), value);
}

TEST_F(DeviceLink, TimeoutCompletesWithFailureOnce)
{
    MicSimulator &sim = started();
    // A name with no ASCII form writes nothing; the command ends by its time-out.
    const QString name = QString::fromUtf8("S\u00e4al");
    ASSERT_TRUE(manager->setPropertyStringValue(MLDeviceKeys::DeviceName, name, &target, target.selector()));
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_FALSE(target.calls[0].result());
    EXPECT_EQ(target.calls[0].resultString(), QStringLiteral("Timeout"));
    EXPECT_TRUE(sim.receivedCommands().isEmpty());

    // An acknowledgement that comes late is taken, but completes nothing.
    ASSERT_TRUE(sim.sendRaw("name=late\r\n"));
    ASSERT_TRUE(waitUntil([&] { return manager->stringValue(MLDeviceKeys::DeviceName) == name; }));
    EXPECT_EQ(target.calls.size(), 1u);
}

TEST_F(DeviceLink, CommandWrittenFromATimeoutCompletionIsCancelled)
{
    LogCapture log;
    started().setSilent(true);
    bool rewritten = false;
    ASSERT_TRUE(manager->queryDeviceWithCompletionTarget(
        &target, [&](QObject *, const MLDeviceOperationResult &) { rewritten = query(); },
        QStringLiteral("query")));
    ASSERT_TRUE(waitUntil([&] { return rewritten; }));
    EXPECT_EQ(manager->currentDeviceCommand(), MLDeviceCommandNone);
    // No stray timer of the cancelled command fires later.
    processEventsFor(600);
    EXPECT_EQ(log.count(QStringLiteral("Serial Timeout")), 1);
}

TEST_F(DeviceLink, OneCommandAtATime)
{
    MicSimulator &sim = started();
    sim.setReplyDelayMs(150);
    ASSERT_TRUE(manager->setPropertyStringValue(MLDeviceKeys::DeviceName, QStringLiteral("A"), &target,
                                                target.selector()));
    // Anything else while a command is outstanding is refused and changes nothing.
    CompletionRecorder other;
    EXPECT_FALSE(manager->queryDeviceWithCompletionTarget(&other, other.selector(), QStringLiteral("query")));
    EXPECT_FALSE(manager->setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 1, &other, other.selector()));
    EXPECT_FALSE(manager->sendUloadCommandWithFile(QStringLiteral("fw.bin")));
    EXPECT_EQ(manager->currentDeviceCommand(), MLDeviceCommandRename);
    EXPECT_EQ(manager->serialResponseTarget(), &target);

    // Cancelled, it never completes: neither its reply nor its time-out reaches the completion.
    manager->cancelCommand();
    // The upload line awaits nothing.
    EXPECT_TRUE(manager->sendUloadCommandWithFile(QStringLiteral("fw.bin")));
    EXPECT_EQ(manager->currentDeviceCommand(), MLDeviceCommandNone);
    processEventsFor(600);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(other.calls.empty());
    EXPECT_EQ(sim.receivedCommands(), (QList<QByteArray>{"RENAME A", "ULOAD fw.bin"}));
}

} // namespace
