// Microphones coming and going under umockdev, and one command at a time to
// them, with the simulator answering on each microphone's device end.

#include "DeviceTestSupport.h"
#include "MicSimulator.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>

#include <map>

using namespace mltest;
using namespace Qt::StringLiterals;

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

    // Plugs in a microphone with a simulator answering on its device end.
    Testbed::Usb plug(const QString &port, quint16 vendor = 0x1a85, quint16 product = 0x4721)
    {
        const Testbed::Usb usb = testbed.addUsbSerial(1, port, vendor, product, u"ttyACM"_s + port);
        EXPECT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
        auto &sim = sims[usb.devnode];
        sim = std::make_unique<MicSimulator>();
        EXPECT_TRUE(sim->attach(testbed.deviceFd(usb.devnode)));
        return usb;
    }

    void unplug(const Testbed::Usb &usb)
    {
        sims.at(usb.devnode)->stop();
        testbed.remove(usb);
    }

    int events(const QString &event) const { return listener->count(event); }
    bool query(const QString &userData = u"query"_s)
    {
        return manager->queryDeviceWithCompletionTarget(&target, target.selector(), userData);
    }
    Testbed testbed;
    std::map<QString, std::unique_ptr<MicSimulator>> sims;
    CompletionRecorder target;
    std::shared_ptr<RecordingListener> listener = std::make_shared<RecordingListener>(u"L"_s);
    std::unique_ptr<MLDeviceManager> manager =
        std::make_unique<MLDeviceManager>(MLDeviceManagerTimings{400, 3600000, 60.0, 8, 50});
};

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
            EXPECT_TRUE(query(u"initialquery"_s));
        }
    };
    manager->start();
    int port = 1;
    for (const auto &[vendor, product, type] : cases) {
        SCOPED_TRACE(u"%1:%2"_s.arg(vendor, 0, 16).arg(product, 0, 16).toStdString());
        target.calls.clear();
        // A testbed hands out each device node name once.
        const auto usb = plug(QString::number(port++), vendor, product);
        flushEvents();
        EXPECT_EQ(manager->numConnectedDevices(), *type ? 1u : 0u);
        if (*type) {
            ASSERT_TRUE(waitUntil([&] { return !target.calls.empty(); }));
            EXPECT_TRUE(target.calls[0].result());
            EXPECT_EQ(manager->stringValue(MLDeviceKeys::DeviceType), QString::fromLatin1(type))
                << "from the device";
        }
        unplug(usb);
        flushEvents();
        EXPECT_EQ(manager->numConnectedDevices(), 0u);
    }
    EXPECT_EQ(events(u"disconnected"_s), 4);
}

// Microphones that arrive while another one's port cannot be opened: the wait
// for that port runs from the main loop, with all its attempts.
TEST_F(DeviceLink, ACartOfMicrophones)
{
    manager->setTimings({1000, 3600000, 60.0, 41, 20});
    const auto first = plug(u"2"_s);
    manager->start();
    EXPECT_EQ(events(u"connected"_s), 1) << "announced before start returned";
    EXPECT_EQ(manager->getFirstDeviceInfo().location, 0x01200000u);
    EXPECT_TRUE(manager->serialDeviceSfxList().isEmpty()) << "a matched suffix leaves the pending list";
    EXPECT_FALSE(manager->serialPort()->isOpen()) << "opened once to check, then closed";

    // With two microphones the new one's port is never opened: every attempt runs.
    QElapsedTimer clock;
    clock.start();
    plug(u"3"_s, 0x1a85, 0x4728);
    ASSERT_TRUE(waitUntil([&] { return manager->isWaitingForOpen(); }));
    EXPECT_EQ(events(u"connected"_s), 1) << "announced only once its wait is over";
    // Arrivals and removals are read during the wait; one removed before its
    // turn is never announced.
    const auto third = plug(u"4"_s, 0x1a85, 0x4728);
    ASSERT_TRUE(waitUntil([&] { return manager->numConnectedDevices() == 3; }));
    EXPECT_TRUE(manager->isWaitingForOpen());
    unplug(third);
    ASSERT_TRUE(waitUntil([&] { return events(u"disconnected"_s) == 1; }));
    ASSERT_TRUE(waitUntil([&] { return !manager->isWaitingForOpen(); }));
    EXPECT_GE(clock.elapsed(), 40 * 20) << "41 attempts, 40 pauses";
    EXPECT_EQ(events(u"connected"_s), 2);
    EXPECT_EQ(manager->numConnectedDevices(), 2u);
    EXPECT_FALSE(query());
    EXPECT_FALSE(manager->setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 1, &target, target.selector()));

    unplug(first);
    ASSERT_TRUE(waitUntil([&] { return events(u"disconnected"_s) == 2; }));
    // The one left answers on its own port.
    EXPECT_TRUE(query(u"initialquery"_s));
    ASSERT_TRUE(waitUntil([&] { return !target.calls.empty(); }));
    EXPECT_EQ(manager->stringValue(MLDeviceKeys::DeviceType), u"1"_s);
}

TEST_F(DeviceLink, OneCommandAtATime)
{
    LogCapture log;
    MicSimulator &sim = *sims.at(plug(u"2"_s).devnode);
    manager->start();
    sim.setReplyDelayMs(150);
    ASSERT_TRUE(
        manager->setPropertyStringValue(MLDeviceKeys::DeviceName, u"A"_s, &target, target.selector()));
    // Anything else while a command is outstanding is refused and changes nothing.
    CompletionRecorder other;
    EXPECT_FALSE(manager->queryDeviceWithCompletionTarget(&other, other.selector(), u"query"_s));
    EXPECT_FALSE(manager->setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 1, &other, other.selector()));
    EXPECT_EQ(manager->serialResponseTarget(), &target);

    // Cancelled, it never completes: neither its reply nor its time-out reaches the completion.
    manager->cancelCommand();
    processEventsFor(600);
    EXPECT_TRUE(target.calls.empty());

    // A name with no ASCII form writes nothing; the command ends by its time-out,
    // once, and a command written from that completion goes with it, timer and all.
    bool rewritten = false;
    const MLCompletionSelector rewrite = [&](QObject *, const MLDeviceOperationResult &r) {
        target.calls.push_back(r);
        rewritten = query();
    };
    ASSERT_TRUE(manager->setPropertyStringValue(MLDeviceKeys::DeviceName, u"S\u00e4al"_s, &target, rewrite));
    ASSERT_TRUE(waitUntil([&] { return rewritten; }));
    EXPECT_EQ(target.calls[0].resultString(), u"Timeout"_s);
    EXPECT_EQ(target.calls[0].failureReason(), MLFailureReason::Timeout);
    EXPECT_EQ(manager->currentDeviceCommand(), MLDeviceCommandNone);
    processEventsFor(500);
    EXPECT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(log.count(u"Serial Timeout"_s), 1);
    EXPECT_EQ(sim.receivedCommands(), (QList<QByteArray>{"RENAME A", "SUMMARY"}));
}

} // namespace
