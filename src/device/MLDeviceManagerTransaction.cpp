// One command at a time: writing it, its time-out, its completion.

#include "MLDeviceManager.h"

#include "MLLog.h"
#include "NumericConversions.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>

bool MLDeviceManager::queryDeviceWithCompletionTarget(QObject *target, MLCompletionSelector selector,
                                                      const QVariant &userData)
{
    if (m_connectedDevices.size() != 1 || m_outstanding.command != MLDeviceCommandNone ||
        m_firstQueryAwaitingPort)
        return false;
    if (!serialPortOK())
        return false;
    Completion completion{target, std::move(selector), userData};
    // The first query after a microphone arrives waits for its port. It is
    // written at once when the port opens at the first attempt; otherwise
    // later from the main loop, and the call says only that it is under way.
    if (userData.metaType().id() == QMetaType::QString &&
        ML_startsWith(userData.toString(), QStringLiteral("initial"))) {
        m_firstQueryAwaitingPort = true;
        m_firstQueryCallRunning = true;
        startPortWait({PortWaitPurpose::FirstQuery, 0, 0, std::move(completion)});
        m_firstQueryCallRunning = false;
        return m_firstQueryAwaitingPort || m_outstanding.command == MLDeviceCommandSummary;
    }
    beginCommand(MLDeviceCommandSummary, std::move(completion));
    return sendSerialCommand(QStringLiteral("SUMMARY\r"));
}

void MLDeviceManager::beginCommand(qint32 command, Completion completion)
{
    m_outstanding.command = command;
    m_outstanding.completion = std::move(completion);
}

void MLDeviceManager::endCommand()
{
    stopTimeoutTimer();
    m_serialBuffer.clear();
    m_outstanding.command = MLDeviceCommandNone;
}

bool MLDeviceManager::sendSerialCommand(const QString &line)
{
    if (m_outstanding.command == MLDeviceCommandNone)
        return false;
    if (m_serialPort && !m_serialPort->isOpen())
        m_serialPort->open();
    // A line that has no ASCII form writes nothing; the command then ends by its time-out.
    const QByteArray bytes = asciiBytes(line).value_or(QByteArray());
    if (m_serialPort && m_serialPort->sendData(bytes)) {
        MLDeviceDetailedLog("Sent Command: %@", line);
        startTimeoutTimer();
        return true;
    }
    MLLog("Error Sending Command: %@", line);
    endCommand();
    return false;
}

bool MLDeviceManager::setPropertyStringValue(const QString &key, const QString &value, QObject *target,
                                             MLCompletionSelector selector)
{
    // The first query owns the link while it waits for its port.
    if (m_firstQueryAwaitingPort)
        return false;
    if (numConnectedDevices() != 1 || m_outstanding.command != MLDeviceCommandNone || !serialPortOK())
        return false;

    qint32 command = MLDeviceCommandNone;
    QString line;
    if (key == MLDeviceKeys::DeviceName) {
        command = MLDeviceCommandRename;
        line = renameLine(value);
    } else if (key == MLDeviceKeys::DeviceChannel1) {
        command = MLDeviceCommandChannel1;
        line = QStringLiteral("channel1=") + value + u'\r';
    } else if (key == MLDeviceKeys::DeviceChannel2) {
        command = MLDeviceCommandChannel2;
        line = QStringLiteral("channel2=") + value + u'\r';
    } else if (key == MLDeviceKeys::DeviceVoiceChoice) {
        command = MLDeviceCommandCoverage;
        line = QStringLiteral("coverage=") + value + u'\r';
    } else {
        return false;
    }
    beginCommand(command, {target, std::move(selector), QVariant()});

    const QByteArray bytes = asciiBytes(line).value_or(QByteArray());
    m_lastWrite = {key, value};
    if (m_serialPort && m_serialPort->sendData(bytes)) {
        MLLog("Sent Command: %@", line);
        startTimeoutTimer();
        return true;
    }
    MLLog("Error Sending Command: %@", line);
    endCommand();
    sendDeviceHadErrorNotification();
    return false;
}

bool MLDeviceManager::setPropertyIntValue(const QString &key, qint32 value, QObject *target,
                                          MLCompletionSelector selector)
{
    return setPropertyStringValue(key, QString::number(value), target, std::move(selector));
}

bool MLDeviceManager::setPropertyBoolValue(const QString &key, bool value, QObject *target,
                                           MLCompletionSelector selector)
{
    return setPropertyStringValue(key, value ? QStringLiteral("1") : QStringLiteral("0"), target,
                                  std::move(selector));
}

bool MLDeviceManager::sendUloadCommandWithFile(const QString &fileName)
{
    if (m_connectedDevices.size() != 1 || m_outstanding.command != MLDeviceCommandNone ||
        m_firstQueryAwaitingPort || !serialPortOK())
        return false;
    // The upload has no command of its own: nothing earlier completes after it.
    cancelCommand();

    const QString line = QStringLiteral("ULOAD ") + fileName + u'\r';
    const bool written = m_serialPort && m_serialPort->sendData(asciiBytes(line).value_or(QByteArray()));
    if (written)
        MLDeviceDetailedLog("Sent Command: %@", line);
    else
        MLLog("Error Sending Command: %@", line);
    return written;
}

void MLDeviceManager::waitForOpen(PortWaitPurpose purpose, quint32 location)
{
    startPortWait({purpose, location, 0, {}});
}

void MLDeviceManager::startPortWait(PortWait wait)
{
    m_portWaits.push_back(std::move(wait));
    if (m_portWaits.size() == 1 && !m_portWaitTimer->isActive())
        attemptOpen();
}

void MLDeviceManager::attemptOpen()
{
    // The pause between attempts is a timer, not a sleep: a cart of
    // microphones whose ports cannot all be opened would otherwise freeze the
    // window for seconds and leave udev events unread.
    while (!m_portWaits.empty()) {
        PortWait &wait = m_portWaits.front();
        ++wait.attempts;
        const bool open = serialPortReset() && m_serialPort && m_serialPort->isOpen();
        if (!open && wait.attempts < m_timings.waitForOpenAttempts) {
            m_portWaitTimer->start(m_timings.waitForOpenSleepMs);
            return;
        }
        const PortWait ended = std::move(wait);
        m_portWaits.pop_front();
        portWaitEnded(ended, open);
        // A wait begun by the listeners just now has run on its own.
        if (m_portWaitTimer->isActive() || (!m_portWaits.empty() && m_portWaits.front().attempts > 0))
            return;
    }
}

void MLDeviceManager::portWaitEnded(const PortWait &wait, bool open)
{
    if (wait.purpose == PortWaitPurpose::Arrival) {
        // The port is reopened by the next command.
        if (open)
            m_serialPort->close();
        sendDeviceConnectedNotification();
        return;
    }
    m_firstQueryAwaitingPort = false;
    beginCommand(MLDeviceCommandSummary, wait.firstQuery);
    if (sendSerialCommand(QStringLiteral("SUMMARY\r")) || m_firstQueryCallRunning)
        return;
    // The caller was told the query is under way: it learns of the failed
    // write the way it learns of a reply that never came.
    notifyOperationResult(false, QCoreApplication::translate("MLDeviceManager", "Timeout"),
                          MLFailureReason::Timeout);
    cancelCommand();
}

void MLDeviceManager::dropPortWaits(bool arrivals, std::optional<quint32> location)
{
    const bool frontInProgress = !m_portWaits.empty() && m_portWaits.front().attempts > 0;
    const auto dropped = [&](const PortWait &wait) {
        if (wait.purpose == PortWaitPurpose::FirstQuery)
            return true;
        return arrivals || (location && wait.location == *location);
    };
    const bool frontDropped = !m_portWaits.empty() && dropped(m_portWaits.front());
    std::erase_if(m_portWaits, dropped);
    m_firstQueryAwaitingPort = false;
    if (frontInProgress && frontDropped) {
        m_portWaitTimer->stop();
        // The next wait starts from the main loop, not inside the caller.
        if (!m_portWaits.empty())
            m_portWaitTimer->start(0);
    }
}

void MLDeviceManager::startTimeoutTimer()
{
    stopTimeoutTimer();
    m_serialTimeoutTimer = new QTimer(this);
    m_serialTimeoutTimer->setSingleShot(true);
    // A coarse timer may fire up to 5 % early: a slow answer would then count as none.
    m_serialTimeoutTimer->setTimerType(Qt::PreciseTimer);
    m_serialTimeoutTimer->setInterval(m_timings.commandTimeoutMs);
    QTimer *timer = m_serialTimeoutTimer;
    connect(timer, &QTimer::timeout, this, [this, timer] {
        if (m_serialTimeoutTimer == timer)
            timeoutTimerFired();
    });
    m_serialTimeoutTimer->start();
}

void MLDeviceManager::stopTimeoutTimer()
{
    if (!m_serialTimeoutTimer)
        return;
    m_serialTimeoutTimer->stop();
    m_serialTimeoutTimer->deleteLater();
    m_serialTimeoutTimer = nullptr;
}

void MLDeviceManager::timeoutTimerFired()
{
    // Let go of the timer that fired before the completion runs: a command
    // the completion writes arms a timer of its own, which the clean-up below
    // then stops with that command, instead of leaving it to fire later
    // against whatever command is outstanding by then.
    if (m_serialTimeoutTimer) {
        m_serialTimeoutTimer->deleteLater();
        m_serialTimeoutTimer = nullptr;
    }
    MLLog("Serial Timeout");
    endCommand();
    notifyOperationResult(false, QCoreApplication::translate("MLDeviceManager", "Timeout"),
                          MLFailureReason::Timeout);
    cancelCommand();
}

void MLDeviceManager::cancelCommand()
{
    if (m_firstQueryAwaitingPort)
        dropPortWaits(false, std::nullopt);
    endCommand();
    m_outstanding.completion = {};
}

void MLDeviceManager::notifyOperationResult(bool result, const QString &text, MLFailureReason reason)
{
    const Completion &completion = m_outstanding.completion;
    QObject *target = completion.target.data();
    if (!target || !completion.selector)
        return;
    MLDeviceOperationResult record(result);
    record.setResultString(text);
    record.setFailureReason(reason);
    record.setUserData(completion.userData);
    // A copy: the completion may record the next command's selector.
    const MLCompletionSelector selector = completion.selector;
    selector(target, record);
}

bool MLDeviceManager::boolValue(const QString &key) const
{
    const auto it = m_properties.constFind(key);
    return it != m_properties.constEnd() && ML_boolValueWithDefault(*it, false) != 0;
}

qint32 MLDeviceManager::intValue(const QString &key) const
{
    const auto it = m_properties.constFind(key);
    return it != m_properties.constEnd() ? ML_intValueWithDefault(*it, 0) : 0;
}

double MLDeviceManager::doubleValue(const QString &key) const
{
    const auto it = m_properties.constFind(key);
    return it != m_properties.constEnd() ? ML_doubleValueWithDefault(*it, 0.0) : 0.0;
}

QString MLDeviceManager::stringValue(const QString &key) const
{
    return m_properties.value(key);
}

void MLDeviceManager::serialPortWasOpened(MLSerialPort *port)
{
    Q_UNUSED(port);
    MLDeviceDetailedLog("Serial port opened.");
    m_lastOpenFailure = MLPortDiagnosis();
    m_serialBuffer.clear();
}

void MLDeviceManager::serialPortWasClosed(MLSerialPort *port)
{
    Q_UNUSED(port);
    MLDeviceDetailedLog("Serial port closed.");
    m_serialBuffer.clear();
}

void MLDeviceManager::serialPortDidEncounterError(MLSerialPort *port, const MLPosixError &error)
{
    // A port that is not open failed to open: find out why while the
    // holder, if any, still holds it.
    QString cause;
    if (port && !port->isOpen()) {
        // A port wait retries every 50 ms: while the same program still holds
        // the port, the last scan of /proc stands.
        const bool sameHolder =
            m_lastOpenFailure.cause == MLPortFailureCause::Busy && m_lastOpenFailure.path == error.path &&
            m_lastOpenFailure.holderPid > 0 && (error.code == EBUSY || error.code == EWOULDBLOCK) &&
            QFileInfo::exists(QStringLiteral("/proc/%1").arg(m_lastOpenFailure.holderPid));
        if (!sameHolder)
            m_lastOpenFailure = MLDiagnosePortOpenFailure(error.code, error.path);
        cause = m_lastOpenFailure.logSuffix();
    }
    MLLog("Serial Port Error: %@%@", error, cause);
    m_serialBuffer.clear();
}

void MLDeviceManager::serialPortWasRemovedFromSystem(MLSerialPort *port)
{
    Q_UNUSED(port);
    closeSerialPort();
}
