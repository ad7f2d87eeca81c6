#pragma once

#include "DeviceManagerEventListener.h"
#include "MLDeviceRecords.h"
#include "MLPortDiagnosis.h"
#include "MLSerialPort.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <QElapsedTimer>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class MLUsbDiscovery;
class MLSleepMonitor;
struct udev_device;

// Intervals of the device link. The product uses the defaults; tests shorten them.
struct MLDeviceManagerTimings
{
    int commandTimeoutMs = 20000;      // one outstanding command
    int listCleanupIntervalMs = 60000; // pending-suffix sweep
    double listEntryMaxAgeSeconds = 60.0;
    int waitForOpenAttempts = 41;
    int waitForOpenSleepMs = 50;
    // A reply line whose terminator has not arrived is taken once no byte has
    // come for this long. At 19200 baud a byte takes 0.52 ms and a microphone
    // writes its reply in one go, so a pause of about 100 byte times inside a
    // reply does not happen, and a user does not notice 50 ms.
    int replyQuietMs = 50;
    int overflowLogIntervalMs = 1000; // "Too much data. Aborting" at most this often
};

// The one device link of the process: finds microphones, keeps track of them,
// opens the port of the one in use, writes one command at a time and tells
// its listeners what happens. Main thread only.
class MLDeviceManager : public QObject, public MLSerialPortDelegate
{
    Q_OBJECT

public:
    // The process's manager, made on first use and never destroyed.
    static MLDeviceManager *sharedInstance();

    // A manager of its own (tests); the application uses sharedInstance().
    explicit MLDeviceManager(const MLDeviceManagerTimings &timings = {}, QObject *parent = nullptr);
    ~MLDeviceManager() override;

    MLDeviceManagerTimings timings() const { return m_timings; }
    void setTimings(const MLDeviceManagerTimings &timings) { m_timings = timings; }

    // --- Listeners -----------------------------------------------------------
    void addListener(const std::shared_ptr<DeviceManagerEventListener> &listener);
    void removeListener(const DeviceManagerEventListener *listener);
    qsizetype numListeners() const;

    void sendDeviceConnectedNotification();
    void sendDeviceDisconnectedNotification();
    void sendDeviceHadErrorNotification();
    void sendDeviceBrickedNotification();
    void sendDevicePropertiesChangedNotification();
    // Deferred delivery of "deviceDisconnected", "deviceHadError" or "deviceBricked".
    void sendNotification(const QString &name);

    // --- Commands --------------------------------------------------------------
    // Each returns true when its line was written; the completion follows later.
    bool queryDeviceWithCompletionTarget(QObject *target, MLCompletionSelector selector,
                                         const QVariant &userData);
    bool setPropertyStringValue(const QString &key, const QString &value, QObject *target,
                                MLCompletionSelector selector);
    bool setPropertyIntValue(const QString &key, qint32 value, QObject *target,
                             MLCompletionSelector selector);
    bool setPropertyBoolValue(const QString &key, bool value, QObject *target, MLCompletionSelector selector);
    bool sendUloadCommandWithFile(const QString &fileName);
    // Abandons the outstanding command; its completion is never called.
    void cancelCommand();

    bool boolValue(const QString &key) const;
    qint32 intValue(const QString &key) const;
    double doubleValue(const QString &key) const;
    QString stringValue(const QString &key) const;

    bool deviceIsBricked() const { return m_deviceIsBricked; }
    void setDeviceIsBricked(bool bricked) { m_deviceIsBricked = bricked; }

    qint32 currentDeviceCommand() const { return m_outstanding.command; }
    void setCurrentDeviceCommand(qint32 command) { m_outstanding.command = command; }
    QByteArray serialBuffer() const { return m_serialBuffer; }
    void setSerialBuffer(const QByteArray &bytes) { m_serialBuffer = bytes; }
    QMap<QString, QString> properties() const { return m_properties; }
    QString pendingNewPropertyKey() const { return m_lastWrite.key; }
    void setPendingNewPropertyKey(const QString &key) { m_lastWrite.key = key; }
    QString pendingNewPropertyValue() const { return m_lastWrite.value; }
    void setPendingNewPropertyValue(const QString &value) { m_lastWrite.value = value; }
    QObject *serialResponseTarget() const { return m_outstanding.completion.target.data(); }
    void setSerialResponseTarget(QObject *target) { m_outstanding.completion.target = target; }
    MLCompletionSelector serialResponseSelector() const { return m_outstanding.completion.selector; }
    void setSerialResponseSelector(MLCompletionSelector selector)
    {
        m_outstanding.completion.selector = std::move(selector);
    }
    QVariant serialUserData() const { return m_outstanding.completion.userData; }
    void setSerialUserData(const QVariant &userData) { m_outstanding.completion.userData = userData; }
    bool isTimeoutTimerArmed() const { return m_serialTimeoutTimer != nullptr; }

    bool sendSerialCommand(const QString &line);
    // What a wait for the port leads to once the port is open or the attempts
    // have run out: announcing a microphone that arrived, or writing the
    // first query.
    enum class PortWaitPurpose
    {
        Arrival,
        FirstQuery
    };
    // Resets the port until it is open, up to waitForOpenAttempts times with
    // waitForOpenSleepMs between attempts. The first attempt runs at once
    // (unless another wait is in progress); later ones from the main loop, so
    // that udev events are read and windows paint meanwhile.
    void waitForOpen(PortWaitPurpose purpose, quint32 location = 0);
    bool isWaitingForOpen() const { return !m_portWaits.empty(); }
    void startTimeoutTimer();
    void stopTimeoutTimer();
    void timeoutTimerFired();
    // Calls the outstanding command's completion, if its target still lives.
    void notifyOperationResult(bool result, const QString &text,
                               MLFailureReason reason = MLFailureReason::None);

    // --- Reply recognition -------------------------------------------------------
    void processReceivedData();
    static QString commandResponsePattern(const QString &key);
    static bool responseHasMatch(const QString &response, const QString &pattern);
    static bool isBrickedMessage(const QString &reply);
    // Whether the name, as a rename carries it, holds the bricked marker: every
    // reply would then hold it too.
    static bool nameHoldsBrickedMarker(const QString &name);
    static QString summaryPattern();
    // The summary pattern's whole match and seven groups in the reply, or
    // nothing: the first line that matches, as a search of the reply finds it.
    static QStringList matchSummary(const QString &reply);
    // The line as 7-bit ASCII bytes; nothing when it holds a character above 0x7F.
    static std::optional<QByteArray> asciiBytes(const QString &line);
    // "RENAME <name>\r": the name reduced to ISO 8859-1 and cut at its first NUL.
    static QString renameLine(const QString &name);
    // The battery text of a summary: its leading number, 95 or more read as 100.
    static QString batteryText(const QString &field);
    static constexpr qsizetype kMaxBufferedBytes = 2048;

    // --- Devices -----------------------------------------------------------------
    quint32 numConnectedDevices() const { return quint32(m_connectedDevices.size()); }
    QMap<quint32, MLSerialDeviceInfo> connectedDevices() const { return m_connectedDevices; }
    // Tests that run without discovery put microphones in the table themselves.
    void setConnectedDevices(const QMap<quint32, MLSerialDeviceInfo> &devices)
    {
        m_connectedDevices = devices;
    }
    MLSerialDeviceInfo getFirstDeviceInfo() const;
    void usbDeviceConnected(const USBDeviceData *record);
    void usbDeviceRemoved(const USBDeviceData *record);

    void serialDeviceSfxListAdd(const QString &suffix);
    void deviceListProcess();
    void deviceMatch(quint32 index);
    static bool validVendor(qint32 vendor);
    static bool validProduct(qint32 product);
    // The microphone makers' vendor ids as sysfs writes them ("1a85").
    static QStringList vendorIdsAsSysfsWritesThem();
    QList<MLTimestampedString> serialDeviceSfxList() const;
    quint32 deviceMatchCnt() const;
    quint32 deviceMatchCheck() const;
    void schedulePeriodicListCleanup();
    void cleanDeviceLists();

    // --- Life cycle ----------------------------------------------------------------
    void start();
    void stop();
    bool isStarted() const { return m_discovery != nullptr; }
    void systemWillSleepNotification();
    void systemDidWakeNotification();
    void closeSerialPort();
    bool serialPortOK();
    bool serialPortReset();
    std::shared_ptr<MLSerialPort> serialPort() const { return m_serialPort; }
    // Why the port last failed to open; cause None once an open succeeds.
    const MLPortDiagnosis &lastOpenFailure() const { return m_lastOpenFailure; }

    // --- Serial port delegate -------------------------------------------------------
    void serialPortDidReceiveData(MLSerialPort *port, const QByteArray &data) override;
    void serialPortWasRemovedFromSystem(MLSerialPort *port) override;
    void serialPortDidEncounterError(MLSerialPort *port, const MLPosixError &error) override;
    void serialPortWasOpened(MLSerialPort *port) override;
    void serialPortWasClosed(MLSerialPort *port) override;

    // Tests: make the next `failures` snapshot copies of the listener list fail.
    void failNextListenerSnapshotsForTesting(int failures) { m_listenerSnapshotFailures = failures; }

private:
    // Discovery callbacks and helpers (libudev behind MLUsbDiscovery).
    void serialPortsAdded(const QStringList &suffixes);
    bool addUSBDevice(udev_device *usbDevice);
    void usbDeviceInterestNotification(const QString &syspath);
    void startSleepObservation();
    // Whether the port is open; an open one has no open failure to report.
    bool portOpened();
    bool copyListeners(std::vector<std::shared_ptr<DeviceManagerEventListener>> &snapshot);

    // Reply processing; a settled tail is a last line that has gone quiet.
    void examineReceivedData(bool tailSettled);
    void awaitQuietLine();
    void logOverflow();

    // Who hears how a command ends.
    struct Completion
    {
        QPointer<QObject> target;
        MLCompletionSelector selector;
        QVariant userData;
    };
    struct PortWait
    {
        PortWaitPurpose purpose;
        quint32 location;
        int attempts;
        Completion firstQuery; // the caller of the first query, which is written once the port opens
    };
    // The one command on the wire. beginCommand() starts it; endCommand() ends
    // it (answered, timed out, not written, port closed) and keeps its
    // completion, so that an acknowledgement repeated after the answer still
    // reaches the caller; cancelCommand() forgets the completion too.
    struct OutstandingCommand
    {
        qint32 command = MLDeviceCommandNone;
        Completion completion;
    };
    // The last property written and the value sent. It outlives its command
    // on purpose: an acknowledgement that comes after the time-out, or with
    // no command outstanding, still puts the value in the property table.
    struct LastWrite
    {
        QString key;
        QString value;
    };
    void beginCommand(qint32 command, Completion completion);
    void endCommand();
    void startPortWait(PortWait wait);
    void attemptOpen();
    void portWaitEnded(const PortWait &wait, bool open);
    void dropPortWaits(bool arrivals, std::optional<quint32> location);

    MLDeviceManagerTimings m_timings;

    // Pending suffixes, guarded by m_deviceMatchLock.
    QList<MLTimestampedString> m_serialDeviceSfxList;
    mutable QMutex m_deviceMatchLock;
    quint32 m_deviceMatchCnt = 0;
    quint32 m_deviceMatchCheck = 0;
    // Pending suffixes already found to be no microphone. A port keeps its
    // USB device until it goes, and a port that comes anew is announced
    // again, so they are not looked up again at every event.
    QSet<QString> m_nonMicrophoneSuffixes;
    QPointer<QTimer> m_periodicListCleanupTimer;

    mutable QRecursiveMutex m_listenersLock;
    std::vector<std::shared_ptr<DeviceManagerEventListener>> m_listeners;
    int m_listenerSnapshotFailures = 0;

    QMap<QString, QString> m_properties;
    QMap<quint32, MLSerialDeviceInfo> m_connectedDevices;
    std::shared_ptr<MLSerialPort> m_serialPort;
    MLPortDiagnosis m_lastOpenFailure;
    OutstandingCommand m_outstanding;
    LastWrite m_lastWrite;
    QByteArray m_serialBuffer;
    QTimer *m_serialTimeoutTimer = nullptr;
    QTimer *m_replyQuietTimer = nullptr;
    QElapsedTimer m_overflowLogClock;
    int m_overflowLinesLeftOut = 0;

    // Waits for the port, oldest first; the front one is in progress.
    std::deque<PortWait> m_portWaits;
    QTimer *m_portWaitTimer = nullptr;
    bool m_firstQueryAwaitingPort = false;
    bool m_firstQueryCallRunning = false;
    bool m_deviceIsBricked = false;

    // Between start() and stop(): the udev monitor and the records of the
    // microphones whose removal it reports (keyed by the USB device's syspath).
    std::unique_ptr<MLUsbDiscovery> m_discovery;
    std::multimap<QString, std::unique_ptr<USBDeviceData>> m_removalRegistrations;
    quint32 m_nextNotification = 1;
    std::unique_ptr<MLSleepMonitor> m_sleepMonitor;
};
