// The connected-devices table and the pending-suffix list with its sweep.

#include "MLDeviceManager.h"

#include "MLLog.h"

#include <algorithm>

void MLDeviceManager::usbDeviceConnected(const USBDeviceData *record)
{
    MLDeviceDetailedLog("Device Added: %@. Out: %@, In: %@", record->deviceName, record->callOutDevice,
                        record->dialInDevice);
    const quint32 key = record->locationID;
    if (!m_connectedDevices.contains(key)) {
        m_connectedDevices.insert(key, MLSerialDeviceInfo::initWithUSBDeviceData(*record));
        // Open the port once to see that it works, then announce the
        // microphone (portWaitEnded).
        waitForOpen(PortWaitPurpose::Arrival, key);
    } else {
        MLLog("Device already in connected devices list.");
    }
    m_deviceIsBricked = false;
}

void MLDeviceManager::usbDeviceRemoved(const USBDeviceData *record)
{
    MLDeviceDetailedLog("Device Removed: %@. Out: %@, In: %@", record->deviceName, record->callOutDevice,
                        record->dialInDevice);
    const quint32 key = record->locationID;
    if (m_connectedDevices.contains(key)) {
        // The port is closed whichever microphone it belonged to, which ends
        // a first query still waiting for it; a microphone not yet announced
        // never will be.
        dropPortWaits(false, key);
        closeSerialPort();
        m_connectedDevices.remove(key);
        m_properties.clear();
        sendDeviceDisconnectedNotification();
    } else {
        MLDeviceDetailedLog("Unknown device removed");
        if (m_connectedDevices.isEmpty())
            m_properties.clear();
    }
    m_deviceIsBricked = false;
}

MLSerialDeviceInfo MLDeviceManager::getFirstDeviceInfo() const
{
    return m_connectedDevices.isEmpty() ? MLSerialDeviceInfo() : m_connectedDevices.first();
}

void MLDeviceManager::serialDeviceSfxListAdd(const QString &suffix)
{
    QMutexLocker lock(&m_deviceMatchLock);
    m_serialDeviceSfxList.append(MLTimestampedString::nowWithString(suffix));
    ++m_deviceMatchCnt;
}

QList<MLTimestampedString> MLDeviceManager::serialDeviceSfxList() const
{
    QMutexLocker lock(&m_deviceMatchLock);
    return m_serialDeviceSfxList;
}

quint32 MLDeviceManager::deviceMatchCnt() const
{
    QMutexLocker lock(&m_deviceMatchLock);
    return m_deviceMatchCnt;
}

quint32 MLDeviceManager::deviceMatchCheck() const
{
    QMutexLocker lock(&m_deviceMatchLock);
    return m_deviceMatchCheck;
}

void MLDeviceManager::schedulePeriodicListCleanup()
{
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(m_timings.listCleanupIntervalMs);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        timer->deleteLater();
        cleanDeviceLists();
    });
    m_periodicListCleanupTimer = timer;
    timer->start();
}

void MLDeviceManager::cleanDeviceLists()
{
    {
        QMutexLocker lock(&m_deviceMatchLock);
        if (m_deviceMatchCnt != 0) {
            if (m_deviceMatchCheck != m_deviceMatchCnt) {
                // Suffixes arrived since the last tick: only note how many.
                if (m_serialDeviceSfxList.isEmpty())
                    m_deviceMatchCnt = m_deviceMatchCheck = 0;
                else
                    m_deviceMatchCheck = m_deviceMatchCnt;
            } else {
                m_deviceMatchCnt = m_deviceMatchCheck = 0;
                for (qsizetype i = m_serialDeviceSfxList.size() - 1; i >= 0; --i) {
                    if (m_serialDeviceSfxList.at(i).isOlderThan(m_timings.listEntryMaxAgeSeconds))
                        m_serialDeviceSfxList.removeAt(i);
                    else
                        ++m_deviceMatchCnt;
                }
                // Verdicts only for suffixes still pending.
                m_nonMicrophoneSuffixes.removeIf([this](const QString &suffix) {
                    return std::none_of(m_serialDeviceSfxList.cbegin(), m_serialDeviceSfxList.cend(),
                                        [&](const MLTimestampedString &entry) { return entry.string() == suffix; });
                });
            }
        }
    }
    schedulePeriodicListCleanup();
}
