// Sleep and wake through logind's PrepareForSleep on a private system bus
// (dbus-daemon with python-dbusmock's logind), with a microphone attached.
// The bus helpers are killed when their QProcess objects go.

#include "DeviceTestSupport.h"
#include "MicSimulator.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>

#include <gtest/gtest.h>

using namespace mltest;
using namespace Qt::StringLiterals;

namespace {

TEST(SleepAndWake, MicrophoneIsForgottenAtSleepAndFoundAtWake)
{
    // A private bus standing in for the system bus, with logind mocked on it.
    // The helpers are not ours to run under umockdev or the sanitizers.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"LD_PRELOAD"_s);
    environment.remove(u"UMOCKDEV_DIR"_s);
    QProcess daemon, logind;
    daemon.setProcessEnvironment(environment);
    daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    ASSERT_TRUE(waitUntil([&] { return daemon.canReadLine(); })) << daemon.errorString().toStdString();
    // Before the first use of the system bus in this process.
    const QByteArray address = daemon.readLine().trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, QString::fromUtf8(address));
    logind.setProcessEnvironment(environment);
    logind.start(u"/usr/bin/python3"_s, {u"-m"_s, u"dbusmock"_s, u"--system"_s, u"-t"_s, u"logind"_s});
    const QString login1 = u"org.freedesktop.login1"_s;
    auto *bus = QDBusConnection::systemBus().interface();
    ASSERT_TRUE(bus);
    ASSERT_TRUE(waitUntil([&] { return bus->isServiceRegistered(login1).value(); }, 10000));
    const auto prepareForSleep = [&](bool start) {
        QDBusMessage call = QDBusMessage::createMethodCall(login1, u"/org/freedesktop/login1"_s,
                                                           u"org.freedesktop.DBus.Mock"_s, u"EmitSignal"_s);
        call << u"org.freedesktop.login1.Manager"_s << u"PrepareForSleep"_s << u"b"_s
             << QVariantList{QVariant::fromValue(QDBusVariant(start))};
        QDBusConnection::systemBus().call(call);
    };

    Testbed testbed;
    const auto usb = testbed.addUsbSerial(1, u"2"_s, 0x1a85, 0x4721, u"ttyACM0"_s);
    MicSimulator sim;
    ASSERT_TRUE(sim.attach(testbed.deviceFd(usb.devnode)));
    auto listener = std::make_shared<RecordingListener>(u"L"_s);
    MLDeviceManager manager;
    manager.addListener(listener);
    manager.start();
    ASSERT_TRUE(manager.serialPort());

    prepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return listener->count(u"disconnected"_s) == 1; }));
    EXPECT_EQ(manager.numConnectedDevices(), 0u);
    EXPECT_EQ(manager.serialPort(), nullptr);
    prepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] { return listener->count(u"connected"_s) == 2; }));
    EXPECT_EQ(manager.numConnectedDevices(), 1u);
    sim.stop();
}

} // namespace
