#include "MLSleepMonitor.h"

#include "MLLog.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

MLSleepMonitor::MLSleepMonitor(QObject *parent) : QObject(parent) {}

MLSleepMonitor::~MLSleepMonitor()
{
    if (m_observing)
        QDBusConnection::systemBus().disconnect(kService, kPath, kInterface, QStringLiteral("PrepareForSleep"), this,
                                                SLOT(prepareForSleep(bool)));
}

void MLSleepMonitor::startObserving()
{
    if (m_observing)
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        MLLog("No system bus (%@): sleep and wake are not followed.", bus.lastError().message());
        return;
    }
    m_observing = bus.connect(kService, kPath, kInterface, QStringLiteral("PrepareForSleep"), this,
                              SLOT(prepareForSleep(bool)));
    if (!m_observing) {
        MLLog("Cannot follow sleep and wake: %@", bus.lastError().message());
        return;
    }
    takeInhibitor();
}

void MLSleepMonitor::prepareForSleep(bool start)
{
    if (start) {
        emit willSleep();
        releaseInhibitor();
    } else {
        takeInhibitor();
        emit didWake();
    }
}

void MLSleepMonitor::takeInhibitor()
{
    if (m_inhibitor.isValid() || m_inhibitorRequested)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Marlevo Microphone Settings")
         << QStringLiteral("Closing the microphone's serial port") << QStringLiteral("delay");
    m_inhibitorRequested = true;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        m_inhibitorRequested = false;
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
        if (reply.isError()) {
            MLDeviceDetailedLog("No sleep inhibitor lock: %@", reply.error().message());
            return;
        }
        m_inhibitor = reply.value();
    });
}

void MLSleepMonitor::releaseInhibitor()
{
    // Dropping the last copy of the descriptor closes it, which releases the lock.
    m_inhibitor = QDBusUnixFileDescriptor();
}
