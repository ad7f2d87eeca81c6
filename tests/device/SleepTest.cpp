// Sleep and wake through logind's PrepareForSleep on a private system bus
// (dbus-daemon with python-dbusmock's logind), with a microphone attached.

#include "DeviceTestSupport.h"
#include "MLSleepMonitor.h"
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

// A private bus standing in for the system bus, with logind mocked on it.
class SystemBusWithLogind
{
public:
    bool start(QString *error)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The helpers are not ours to run under umockdev or the sanitizers.
        environment.remove(QStringLiteral("LD_PRELOAD"));
        environment.remove(QStringLiteral("UMOCKDEV_DIR"));
        m_daemon.setProcessEnvironment(environment);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=/usr/share/dbus-1/session.conf"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:tmpdir=/tmp")});
        if (!m_daemon.waitForStarted(5000) || !waitUntil([&] { return m_daemon.canReadLine(); }, 5000)) {
            *error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
            return false;
        }
        const QByteArray address = m_daemon.readLine().trimmed();
        // Before the first use of the system bus in this process.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QString::fromUtf8(address));
        m_mock.setProcessEnvironment(environment);
        m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_mock.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"), QStringLiteral("-t"),
                      QStringLiteral("logind")});
        const bool up = waitUntil(
            [] {
                auto *bus = QDBusConnection::systemBus().interface();
                return bus && bus->isServiceRegistered(QStringLiteral("org.freedesktop.login1")).value();
            },
            10000);
        if (!up)
            *error = QStringLiteral("python3-dbusmock's logind did not come up");
        return up;
    }

    ~SystemBusWithLogind()
    {
        for (QProcess *process : {&m_mock, &m_daemon}) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished(1000);
        }
    }

    void emitPrepareForSleep(bool start)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                           QStringLiteral("/org/freedesktop/login1"),
                                                           QStringLiteral("org.freedesktop.DBus.Mock"),
                                                           QStringLiteral("EmitSignal"));
        call << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PrepareForSleep")
             << QStringLiteral("b") << QVariantList{QVariant::fromValue(QDBusVariant(start))};
        QDBusConnection::systemBus().call(call);
    }

private:
    QProcess m_daemon;
    QProcess m_mock;
};

TEST(SleepAndWake, MicrophoneIsForgottenAtSleepAndFoundAtWake)
{
    SystemBusWithLogind bus;
    QString error;
    ASSERT_TRUE(bus.start(&error)) << error.toStdString();

    // The inhibitor lock is held while awake and let go once sleep is handled.
    {
        MLSleepMonitor monitor;
        QStringList seen;
        QObject::connect(&monitor, &MLSleepMonitor::willSleep, [&] {
            seen.append(monitor.holdsInhibitor() ? QStringLiteral("sleep, locked") : QStringLiteral("sleep, free"));
        });
        QObject::connect(&monitor, &MLSleepMonitor::didWake, [&] { seen.append(QStringLiteral("wake")); });
        monitor.startObserving();
        ASSERT_TRUE(monitor.isObserving());
        ASSERT_TRUE(waitUntil([&] { return monitor.holdsInhibitor(); }));
        bus.emitPrepareForSleep(true);
        ASSERT_TRUE(waitUntil([&] { return seen.size() == 1; }));
        EXPECT_FALSE(monitor.holdsInhibitor());
        bus.emitPrepareForSleep(false);
        ASSERT_TRUE(waitUntil([&] { return seen.size() == 2; }));
        EXPECT_TRUE(waitUntil([&] { return monitor.holdsInhibitor(); }));
        EXPECT_EQ(seen, (QStringList{QStringLiteral("sleep, locked"), QStringLiteral("wake")}));
    }

    Testbed testbed;
    const auto usb = testbed.addUsbSerial(1, QStringLiteral("2"), 0x1a85, 0x4721, QStringLiteral("ttyACM0"));
    ASSERT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
    MicSimulator sim;
    ASSERT_TRUE(sim.attach(testbed.deviceFd(usb.devnode)));

    auto journal = std::make_shared<QStringList>();
    auto listener = std::make_shared<RecordingListener>(QStringLiteral("L"), journal);
    MLDeviceManager manager(MLDeviceManagerTimings{1000, 3600000, 60.0, 41, 50});
    manager.addListener(listener);
    manager.start();
    ASSERT_EQ(manager.numConnectedDevices(), 1u);
    CompletionRecorder target;
    ASSERT_TRUE(manager.queryDeviceWithCompletionTarget(&target, target.selector(), QStringLiteral("query")));
    ASSERT_TRUE(waitUntil([&] { return !target.calls.empty(); }));
    ASSERT_TRUE(manager.serialPort() && manager.serialPort()->isOpen());
    processEventsFor(100); // let the monitor take its lock

    bus.emitPrepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("disconnected")) == 1; }));
    EXPECT_EQ(manager.numConnectedDevices(), 0u);
    EXPECT_EQ(manager.serialPort(), nullptr);

    bus.emitPrepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("connected")) == 2; }));
    EXPECT_EQ(manager.numConnectedDevices(), 1u);

    // Asleep with no microphone: the disconnect event still goes out.
    testbed.remove(usb);
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("disconnected")) == 2; }));
    bus.emitPrepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return listener->count(QStringLiteral("disconnected")) == 3; }));
    bus.emitPrepareForSleep(false);
    processEventsFor(200);
    EXPECT_EQ(listener->count(QStringLiteral("connected")), 2);
    sim.stop();
}

} // namespace
