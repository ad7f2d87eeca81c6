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

namespace {

TEST(SleepAndWake, MicrophoneIsForgottenAtSleepAndFoundAtWake)
{
    // A private bus standing in for the system bus, with logind mocked on it.
    // The helpers are not ours to run under umockdev or the sanitizers.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LD_PRELOAD"));
    environment.remove(QStringLiteral("UMOCKDEV_DIR"));
    QProcess daemon, logind;
    daemon.setProcessEnvironment(environment);
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1")});
    ASSERT_TRUE(waitUntil([&] { return daemon.canReadLine(); })) << daemon.errorString().toStdString();
    // Before the first use of the system bus in this process.
    const QByteArray address = daemon.readLine().trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QString::fromUtf8(address));
    logind.setProcessEnvironment(environment);
    logind.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                  QStringLiteral("-t"), QStringLiteral("logind")});
    const QString login1 = QStringLiteral("org.freedesktop.login1");
    auto *bus = QDBusConnection::systemBus().interface();
    ASSERT_TRUE(bus);
    ASSERT_TRUE(waitUntil([&] { return bus->isServiceRegistered(login1).value(); }, 10000));
    const auto prepareForSleep = [&](bool start) {
        QDBusMessage call = QDBusMessage::createMethodCall(login1, QStringLiteral("/org/freedesktop/login1"),
                                                           QStringLiteral("org.freedesktop.DBus.Mock"),
                                                           QStringLiteral("EmitSignal"));
        call << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PrepareForSleep")
             << QStringLiteral("b") << QVariantList{QVariant::fromValue(QDBusVariant(start))};
        QDBusConnection::systemBus().call(call);
    };

    Testbed testbed;
    const auto usb = testbed.addUsbSerial(1, QStringLiteral("2"), 0x1a85, 0x4721, QStringLiteral("ttyACM0"));
    MicSimulator sim;
    ASSERT_TRUE(sim.attach(testbed.deviceFd(usb.devnode)));
    auto listener = std::make_shared<RecordingListener>(QStringLiteral("L"), std::make_shared<QStringList>());
    MLDeviceManager manager;
    manager.addListener(listener);
    manager.start();
    ASSERT_EQ(manager.numConnectedDevices(), 1u);
    ASSERT_TRUE(manager.serialPort());

    prepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("disconnected")) == 1; }));
    EXPECT_EQ(manager.numConnectedDevices(), 0u);
    EXPECT_EQ(manager.serialPort(), nullptr);
    prepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("connected")) == 2; }));
    EXPECT_EQ(manager.numConnectedDevices(), 1u);
    sim.stop();
}

} // namespace
