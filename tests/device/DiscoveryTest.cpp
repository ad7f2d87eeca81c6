// Microphones coming and going under umockdev, with the simulator answering
// on each microphone's device end.

#include "DeviceTestSupport.h"
#include "MLDefaultsKeys.h"
#include "MLUserDefaults.h"
#include "MicSimulator.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <gtest/gtest.h>

#include <map>

using namespace mltest;

namespace {

constexpr quint16 kVendor = 0x1a85;
constexpr quint16 kSecondVendor = 0x6789;
constexpr quint16 kTeacher = 0x4721;
constexpr quint16 kStudent = 0x4728;

// A listener that asks for the summary the moment a microphone is announced,
// as the application does.
class QueryingListener : public RecordingListener
{
public:
    QueryingListener(const std::unique_ptr<MLDeviceManager> &manager, std::shared_ptr<QStringList> journal)
        : RecordingListener(QStringLiteral("L"), std::move(journal)), m_manager(manager)
    {}
    void deviceConnected() override
    {
        RecordingListener::deviceConnected();
        if (m_manager->numConnectedDevices() == 1)
            queries.push_back(
                m_manager->queryDeviceWithCompletionTarget(&target, target.selector(), QStringLiteral("initialquery")));
    }

    std::vector<bool> queries;
    CompletionRecorder target;

private:
    const std::unique_ptr<MLDeviceManager> &m_manager;
};

// This program runs without a system bus, whatever the machine has.
class NoSystemBus : public ::testing::Environment
{
public:
    void SetUp() override { qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/marlevo-test-bus"); }
};
const auto *const noSystemBus = ::testing::AddGlobalTestEnvironment(new NoSystemBus);

class Discovery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        journal = std::make_shared<QStringList>();
        listener = std::make_shared<RecordingListener>(QStringLiteral("L"), journal);
    }
    void TearDown() override
    {
        for (auto &[node, sim] : sims)
            sim->stop();
        manager.reset();
    }

    // A manager with the recording listener (unless another is given), started.
    void start(int waitForOpenAttempts = 41, std::shared_ptr<DeviceManagerEventListener> first = nullptr)
    {
        manager = std::make_unique<MLDeviceManager>(MLDeviceManagerTimings{1000, 3600000, 60.0, waitForOpenAttempts, 50});
        manager->addListener(first ? first : listener);
        manager->start();
    }

    // Plugs in a microphone with a simulator answering on its device end.
    Testbed::Usb plug(int bus, const QString &port, quint16 vendor, quint16 product, const QString &tty)
    {
        Testbed::Usb usb = testbed.addUsbSerial(bus, port, vendor, product, tty);
        EXPECT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
        if (!usb.devnode.isEmpty()) {
            auto sim = std::make_unique<MicSimulator>();
            QString error;
            EXPECT_TRUE(sim->attach(testbed.deviceFd(usb.devnode), &error)) << error.toStdString();
            sims[usb.devnode] = std::move(sim);
        }
        return usb;
    }

    void unplug(const Testbed::Usb &usb)
    {
        if (auto it = sims.find(usb.devnode); it != sims.end())
            it->second->stop();
        testbed.remove(usb);
    }

    int events(const QString &event) const { return listener->count(event); }

    Testbed testbed;
    std::map<QString, std::unique_ptr<MicSimulator>> sims;
    std::unique_ptr<MLDeviceManager> manager;
    std::shared_ptr<QStringList> journal;
    std::shared_ptr<RecordingListener> listener;
};

TEST_F(Discovery, MicrophonePresentBeforeStartIsAnnouncedDuringStart)
{
    LogCapture log;
    plug(1, QStringLiteral("2"), kVendor, kTeacher, QStringLiteral("ttyACM0"));
    start();
    EXPECT_EQ(events(QStringLiteral("connected")), 1) << "announced before start returned";
    EXPECT_EQ(manager->numConnectedDevices(), 1u);
    const MLSerialDeviceInfo info = manager->getFirstDeviceInfo();
    EXPECT_EQ(info.location, 0x01200000u);
    EXPECT_EQ(info.deviceType, 0);
    EXPECT_EQ(info.callOutDevice, QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(info.dialInDevice, QStringLiteral("/dev/ttyACM0"));
    EXPECT_TRUE(manager->serialDeviceSfxList().isEmpty()) << "a matched suffix leaves the pending list";
    ASSERT_TRUE(manager->serialPort());
    EXPECT_FALSE(manager->serialPort()->isOpen()) << "opened once to check, then closed";
}

TEST_F(Discovery, TheWholeRoadOfOnePlugIn)
{
    auto querying = std::make_shared<QueryingListener>(manager, journal);
    start(41, querying);
    EXPECT_EQ(manager->numConnectedDevices(), 0u);

    plug(3, QStringLiteral("1.4"), kVendor, kStudent, QStringLiteral("ttyACM0"));
    sims[QStringLiteral("/dev/ttyACM0")]->setName(QStringLiteral("Row 3"));
    ASSERT_TRUE(waitUntil([&] { return !querying->target.calls.empty(); }, 8000));
    EXPECT_EQ(querying->queries, std::vector<bool>{true});
    EXPECT_TRUE(querying->target.calls[0].result);
    EXPECT_EQ(sims[QStringLiteral("/dev/ttyACM0")]->receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(manager->stringValue(MLDeviceKeys::DeviceType), QStringLiteral("1")) << "from the device, not the reply";
    EXPECT_EQ(manager->stringValue(MLDeviceKeys::DeviceName), QStringLiteral("Row 3"));
    EXPECT_EQ(manager->getFirstDeviceInfo().location, 0x03140000u);
}

TEST_F(Discovery, IdentifiersThatAreAccepted)
{
    const std::tuple<quint16, quint16, bool, qint32> cases[] = { // vendor, product, accepted, type
        {kVendor, kTeacher, true, 0},       {kVendor, kStudent, true, 1}, {kSecondVendor, kTeacher, true, 0},
        {kSecondVendor, kStudent, true, 1}, {0x1234, kTeacher, false, 0}, {kVendor, 0x4722, false, 0},
    };
    start();
    int port = 1;
    for (const auto &[vendor, product, accepted, type] : cases) {
        // A testbed hands out each device node name once.
        const auto usb = plug(1, QString::number(port), vendor, product, QStringLiteral("ttyACM%1").arg(port));
        ++port;
        flushEvents();
        EXPECT_EQ(manager->numConnectedDevices(), accepted ? 1u : 0u) << std::hex << vendor << ":" << product;
        if (accepted) {
            EXPECT_EQ(manager->getFirstDeviceInfo().deviceType, type);
        }
        unplug(usb);
        flushEvents();
        EXPECT_EQ(manager->numConnectedDevices(), 0u);
    }
    EXPECT_EQ(events(QStringLiteral("connected")), 4);
    EXPECT_EQ(events(QStringLiteral("disconnected")), 4);
}

TEST_F(Discovery, SerialPortThatIsNoMicrophoneIsSweptOut)
{
    QDateTime now = QDateTime::currentDateTimeUtc();
    const auto previous = MLTimestampedString::setClock([&] { return now; });
    manager = std::make_unique<MLDeviceManager>(MLDeviceManagerTimings{1000, 40, 60.0, 41, 50});
    manager->start();
    plug(2, QStringLiteral("3"), 0x0403, 0x6001, QStringLiteral("ttyUSB0"));
    ASSERT_TRUE(waitUntil([&] { return manager->serialDeviceSfxList().size() == 1; }));
    EXPECT_EQ(manager->serialDeviceSfxList().first().string(), QStringLiteral("ttyUSB0"));
    // Pending while it is young, whatever the ticks.
    processEventsFor(200);
    EXPECT_EQ(manager->serialDeviceSfxList().size(), 1);
    // Gone only if the 40 ms tick keeps re-arming itself: one to record, one to sweep.
    now = now.addSecs(61);
    EXPECT_TRUE(waitUntil([&] { return manager->serialDeviceSfxList().isEmpty(); }));
    EXPECT_EQ(manager->numConnectedDevices(), 0u);
    MLTimestampedString::setClock(previous);
}

TEST_F(Discovery, TwoMicrophones)
{
    start(8); // the second add retries the port this many times
    const auto first = plug(1, QStringLiteral("2"), kVendor, kTeacher, QStringLiteral("ttyACM0"));
    ASSERT_TRUE(waitUntil([&] { return manager->numConnectedDevices() == 1; }));
    const auto second = plug(1, QStringLiteral("3"), kVendor, kStudent, QStringLiteral("ttyACM1"));
    ASSERT_TRUE(waitUntil([&] { return manager->numConnectedDevices() == 2; }));
    EXPECT_EQ(events(QStringLiteral("connected")), 2) << "the second is announced too";

    CompletionRecorder target;
    EXPECT_FALSE(manager->queryDeviceWithCompletionTarget(&target, target.selector(), QStringLiteral("query")));
    EXPECT_FALSE(manager->setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 1, &target, target.selector()));

    unplug(first);
    ASSERT_TRUE(waitUntil([&] { return events(QStringLiteral("disconnected")) == 1; }));
    EXPECT_EQ(manager->numConnectedDevices(), 1u);
    EXPECT_EQ(manager->getFirstDeviceInfo().dialInDevice, QStringLiteral("/dev/ttyACM1"));
    // The one left answers on its own port.
    EXPECT_TRUE(manager->queryDeviceWithCompletionTarget(&target, target.selector(), QStringLiteral("initialquery")));
    ASSERT_TRUE(waitUntil([&] { return !target.calls.empty(); }));
    EXPECT_TRUE(target.calls[0].result);
    EXPECT_EQ(manager->stringValue(MLDeviceKeys::DeviceType), QStringLiteral("1"));
    unplug(second);
}

TEST_F(Discovery, MicrophoneWithoutDeviceNodeIsSkipped)
{
    LogCapture log;
    start();
    const auto usb = testbed.addUsbSerial(1, QStringLiteral("5"), kVendor, kTeacher, QStringLiteral("ttyACM0"), false);
    ASSERT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
    ASSERT_TRUE(waitUntil([&] { return events(QStringLiteral("error")) == 1; }));
    processEventsFor(50);
    EXPECT_EQ(log.count(QStringLiteral("Cannot determine Call Out or Dial In devices for USb device "
                                       "'Marlevo Microphone'. Skipping device.")),
              1);
    EXPECT_EQ(events(QStringLiteral("error")), 1);
    EXPECT_EQ(events(QStringLiteral("connected")), 0);
    EXPECT_TRUE(manager->serialDeviceSfxList().isEmpty()) << "the suffix leaves the list";
}

TEST_F(Discovery, SameSuffixPendingTwice)
{
    LogCapture log;
    start();
    const auto usb = plug(1, QStringLiteral("2"), kVendor, kTeacher, QStringLiteral("ttyACM0"));
    ASSERT_TRUE(waitUntil([&] { return manager->numConnectedDevices() == 1; }));
    manager->serialDeviceSfxListAdd(QStringLiteral("ttyACM0"));
    manager->serialDeviceSfxListAdd(QStringLiteral("ttyACM0"));
    manager->deviceListProcess();
    EXPECT_TRUE(manager->serialDeviceSfxList().isEmpty()) << "both entries matched in one walk";
    EXPECT_EQ(log.count(QStringLiteral("Device already in connected devices list.")), 2);
    EXPECT_EQ(events(QStringLiteral("connected")), 1);

    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    unplug(usb);
    ASSERT_TRUE(waitUntil([&] { return events(QStringLiteral("disconnected")) == 1; }));
    // The later registrations of the same device find nothing left to remove.
    EXPECT_EQ(log.count(QStringLiteral("Unknown device removed")), 2);
    EXPECT_EQ(manager->numConnectedDevices(), 0u);
}

TEST_F(Discovery, StopForgetsEverythingAndStartFindsItAgain)
{
    start(8);
    plug(1, QStringLiteral("2"), kVendor, kTeacher, QStringLiteral("ttyACM0"));
    ASSERT_TRUE(waitUntil([&] { return manager->numConnectedDevices() == 1; }));
    CompletionRecorder target;
    ASSERT_TRUE(manager->queryDeviceWithCompletionTarget(&target, target.selector(), QStringLiteral("query")));
    ASSERT_TRUE(waitUntil([&] { return !target.calls.empty(); }));
    EXPECT_TRUE(manager->serialPort()->isOpen());

    manager->stop();
    EXPECT_EQ(manager->numConnectedDevices(), 0u);
    EXPECT_TRUE(manager->properties().isEmpty());
    EXPECT_EQ(manager->serialPort(), nullptr);
    flushEvents();
    EXPECT_EQ(events(QStringLiteral("disconnected")), 1);

    // Nothing is reported while stopped.
    const auto later = plug(1, QStringLiteral("4"), kVendor, kTeacher, QStringLiteral("ttyACM1"));
    processEventsFor(100);
    EXPECT_EQ(events(QStringLiteral("connected")), 1);

    manager->stop(); // with nothing connected the event still goes out
    flushEvents();
    EXPECT_EQ(events(QStringLiteral("disconnected")), 2);

    manager->start();
    EXPECT_EQ(manager->numConnectedDevices(), 2u);
    unplug(later);
}

TEST_F(Discovery, WithoutASystemBusSleepIsNotFollowed)
{
    LogCapture log;
    start();
    manager->stop();
    manager->start();
    EXPECT_EQ(log.countContaining(QStringLiteral("sleep and wake are not followed")), 1);
}

} // namespace
