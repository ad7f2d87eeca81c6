// Microphones that arrive while another one's port cannot be opened: the wait
// for that port runs from the main loop, with all its attempts.

#include "DeviceTestSupport.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace mltest;

TEST(CartOfMicrophones, PortWaitsRunFromTheMainLoopWithAllTheirAttempts)
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/marlevo-test-bus");
    clearUserDefaults();
    Testbed testbed;
    auto listener = std::make_shared<RecordingListener>(QStringLiteral("L"), std::make_shared<QStringList>());
    const auto events = [&](const char *event) { return listener->count(QString::fromLatin1(event)); };
    MLDeviceManager manager(MLDeviceManagerTimings{1000, 3600000, 60.0, 41, 20});
    manager.addListener(listener);
    manager.start();

    testbed.addUsbSerial(1, QStringLiteral("2"), 0x1a85, 0x4721, QStringLiteral("ttyACM0"));
    ASSERT_TRUE(waitUntil([&] { return events("connected") == 1; }));

    // With two microphones the new one's port is never opened: every attempt runs.
    QElapsedTimer clock;
    clock.start();
    testbed.addUsbSerial(1, QStringLiteral("3"), 0x1a85, 0x4728, QStringLiteral("ttyACM1"));
    ASSERT_TRUE(waitUntil([&] { return manager.isWaitingForOpen(); }));
    EXPECT_EQ(events("connected"), 1) << "announced only once its wait is over";

    // Arrivals and removals are read during the wait; one removed before its
    // turn is never announced.
    const auto third = testbed.addUsbSerial(1, QStringLiteral("4"), 0x1a85, 0x4728, QStringLiteral("ttyACM2"));
    ASSERT_TRUE(waitUntil([&] { return manager.numConnectedDevices() == 3; }));
    EXPECT_TRUE(manager.isWaitingForOpen());
    testbed.remove(third);
    ASSERT_TRUE(waitUntil([&] { return events("disconnected") == 1; }));

    ASSERT_TRUE(waitUntil([&] { return !manager.isWaitingForOpen(); }));
    EXPECT_GE(clock.elapsed(), 40 * 20) << "41 attempts, 40 pauses";
    EXPECT_EQ(events("connected"), 2);
    EXPECT_EQ(manager.numConnectedDevices(), 2u);
    manager.stop();
}
