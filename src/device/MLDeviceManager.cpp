// Creation, start and stop, sleep and wake, and the port of the microphone in use.

#include "MLDeviceManager.h"

#include "MLLog.h"
#include "MLSleepMonitor.h"
#include "MLUsbDiscovery.h"

MLDeviceManager *MLDeviceManager::sharedInstance()
{
    // Made once, on first use, and kept for the life of the process.
    static MLDeviceManager *const instance = new MLDeviceManager();
    return instance;
}

MLDeviceManager::MLDeviceManager(const MLDeviceManagerTimings &timings, QObject *parent)
    : QObject(parent), m_timings(timings)
{
    m_replyQuietTimer = new QTimer(this);
    m_replyQuietTimer->setSingleShot(true);
    connect(m_replyQuietTimer, &QTimer::timeout, this, [this] { examineReceivedData(true); });
    m_portWaitTimer = new QTimer(this);
    m_portWaitTimer->setSingleShot(true);
    connect(m_portWaitTimer, &QTimer::timeout, this, &MLDeviceManager::attemptOpen);
    schedulePeriodicListCleanup();
}

MLDeviceManager::~MLDeviceManager()
{
    m_discovery.reset();
    m_removalRegistrations.clear();
    m_sleepMonitor.reset();
    if (m_serialPort) {
        m_serialPort->setDelegate(nullptr);
        m_serialPort->close();
        m_serialPort.reset();
    }
}

void MLDeviceManager::start()
{
    // Discovery on the main loop: arrivals and removals come through the
    // udev monitor's socket.
    QString error;
    m_discovery = MLUsbDiscovery::create(&error);
    if (!m_discovery) {
        MLLog("IOServiceMatching returned NULL.");
        MLLog("%@", error);
    } else {
        connect(m_discovery.get(), &MLUsbDiscovery::serialPortsAdded, this, &MLDeviceManager::serialPortsAdded);
        connect(m_discovery.get(), &MLUsbDiscovery::usbDeviceTerminated, this,
                &MLDeviceManager::usbDeviceInterestNotification);
    }

    startSleepObservation();

    // Ports already present: a microphone plugged in before start is
    // announced during start itself. Only ports below a microphone maker's
    // USB device are looked at: no other can ever match.
    if (m_discovery)
        serialPortsAdded(m_discovery->serialPortsBelowUsbDevices(vendorIdsAsSysfsWritesThem()));
}

void MLDeviceManager::stop()
{
    dropPortWaits(true, std::nullopt);
    m_discovery.reset();
    m_removalRegistrations.clear();
    closeSerialPort();
    m_connectedDevices.clear();
    m_properties.clear();
    sendDeviceDisconnectedNotification();
}

void MLDeviceManager::startSleepObservation()
{
    // Observed once for the life of the manager: a second start does not
    // observe twice.
    if (m_sleepMonitor)
        return;
    m_sleepMonitor = std::make_unique<MLSleepMonitor>();
    connect(m_sleepMonitor.get(), &MLSleepMonitor::willSleep, this, &MLDeviceManager::systemWillSleepNotification);
    connect(m_sleepMonitor.get(), &MLSleepMonitor::didWake, this, &MLDeviceManager::systemDidWakeNotification);
    m_sleepMonitor->startObserving();
}

void MLDeviceManager::systemWillSleepNotification()
{
    MLDeviceDetailedLog("System sleeping.");
    stop();
}

void MLDeviceManager::systemDidWakeNotification()
{
    MLDeviceDetailedLog("System woke.");
    start();
}

void MLDeviceManager::closeSerialPort()
{
    if (m_serialPort) {
        m_serialPort->close();
        m_serialPort->setDelegate(nullptr);
        m_serialPort.reset();
    }
    endCommand();
}

bool MLDeviceManager::serialPortOK()
{
    if (m_connectedDevices.size() != 1)
        return false;
    if (m_serialPort) {
        if (!m_serialPort->isOpen())
            m_serialPort->open();
        return portOpened();
    }
    return serialPortReset();
}

bool MLDeviceManager::portOpened()
{
    const bool open = m_serialPort && m_serialPort->isOpen();
    // Cleared now, not when the port's own notice arrives: whoever asks why
    // the port failed right after this must not hear of an earlier failure.
    if (open && m_lastOpenFailure.cause != MLPortFailureCause::None)
        m_lastOpenFailure = MLPortDiagnosis();
    return open;
}

bool MLDeviceManager::serialPortReset()
{
    if (m_connectedDevices.size() != 1)
        return false;
    const MLSerialDeviceInfo device = getFirstDeviceInfo();
    closeSerialPort();
    m_serialPort = MLSerialPort::initWithPath(device.dialInDevice);
    if (!m_serialPort)
        return false;
    m_serialPort->setDelegate(this);
    if (!m_serialPort->isOpen())
        m_serialPort->open();
    return portOpened();
}
