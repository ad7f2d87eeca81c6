// Listener registry and the delivery of device events.

#include "MLDeviceManager.h"

#include "MLLog.h"

#include <QMetaObject>

#include <algorithm>
#include <new>

namespace {

using Event = void (DeviceManagerEventListener::*)();

Event deferredEventNamed(const QString &name)
{
    if (name == u"deviceDisconnected")
        return &DeviceManagerEventListener::deviceDisconnected;
    if (name == u"deviceHadError")
        return &DeviceManagerEventListener::deviceHadError;
    if (name == u"deviceBricked")
        return &DeviceManagerEventListener::deviceBricked;
    if (name == u"deviceConnected")
        return &DeviceManagerEventListener::deviceConnected;
    if (name == u"devicePropertiesChanged")
        return &DeviceManagerEventListener::devicePropertiesChanged;
    return nullptr;
}

} // namespace

void MLDeviceManager::addListener(const std::shared_ptr<DeviceManagerEventListener> &listener)
{
    if (!listener)
        return;
    QMutexLocker lock(&m_listenersLock);
    const bool known = std::any_of(m_listeners.begin(), m_listeners.end(),
                                   [&](const auto &entry) { return entry.get() == listener.get(); });
    if (!known)
        m_listeners.push_back(listener);
}

void MLDeviceManager::removeListener(const DeviceManagerEventListener *listener)
{
    QMutexLocker lock(&m_listenersLock);
    std::erase_if(m_listeners, [&](const auto &entry) { return entry.get() == listener; });
}

qsizetype MLDeviceManager::numListeners() const
{
    QMutexLocker lock(&m_listenersLock);
    return qsizetype(m_listeners.size());
}

bool MLDeviceManager::copyListeners(std::vector<std::shared_ptr<DeviceManagerEventListener>> &snapshot)
{
    if (m_listenerSnapshotFailures > 0) {
        --m_listenerSnapshotFailures;
        return false;
    }
    try {
        snapshot = m_listeners;
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

// Immediate events run inside the sender. The walk goes over a copy of the
// list: a listener that registers or unregisters from inside one of these
// events must not break the walk for the others.
void MLDeviceManager::sendDeviceConnectedNotification()
{
    QMutexLocker lock(&m_listenersLock);
    const auto listeners = m_listeners;
    for (const auto &listener : listeners)
        listener->deviceConnected();
}

void MLDeviceManager::sendDevicePropertiesChangedNotification()
{
    QMutexLocker lock(&m_listenersLock);
    const auto listeners = m_listeners;
    for (const auto &listener : listeners)
        listener->devicePropertiesChanged();
}

void MLDeviceManager::sendDeviceDisconnectedNotification()
{
    QMutexLocker lock(&m_listenersLock);
    sendNotification(QStringLiteral("deviceDisconnected"));
}

void MLDeviceManager::sendDeviceHadErrorNotification()
{
    QMutexLocker lock(&m_listenersLock);
    sendNotification(QStringLiteral("deviceHadError"));
}

void MLDeviceManager::sendDeviceBrickedNotification()
{
    QMutexLocker lock(&m_listenersLock);
    sendNotification(QStringLiteral("deviceBricked"));
}

void MLDeviceManager::sendNotification(const QString &name)
{
    const Event event = deferredEventNamed(name);
    if (!event) {
        MLDiagnosticsLog("Error sending %@ notifications", name);
        return;
    }
    QMutexLocker lock(&m_listenersLock);
    std::vector<std::shared_ptr<DeviceManagerEventListener>> snapshot;
    for (int attempt = 1;; ++attempt) {
        if (copyListeners(snapshot))
            break;
        if (attempt == 1)
            MLDiagnosticsLog("Error accessing listener list for %@ notification", name);
        if (attempt >= 4) {
            MLDiagnosticsLog("Error sending %@ notifications", name);
            return;
        }
    }
    int number = 0;
    for (const auto &listener : snapshot) {
        ++number;
        // The queued call holds the listener until it has run, even if it is
        // unregistered in the meantime.
        const bool scheduled = QMetaObject::invokeMethod(
            this, [listener, event] { ((*listener).*event)(); }, Qt::QueuedConnection);
        if (!scheduled)
            MLDiagnosticsLog("Error sending %@ notification for listener %d", name, number);
    }
}
