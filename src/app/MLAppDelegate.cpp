// The controller's launch and shutdown, the settings sheet's life cycle, the
// device manager's events and the queries that keep the microphone's
// information up to date, and its properties. The window's views are loaded and
// bound in MLAppDelegateViews.cpp; the firmware notice is in
// MLAppDelegateFirmware.cpp.

#include "MLAppDelegate.h"

#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLFirmwareUpdateChecker.h"
#include "MLFormat.h"
#include "MLImages.h"
#include "MLProperty.h"
#include "MLUserDefaults.h"
#include "MLUtilities.h"
#include "MLWireNumber.h"
#include "NumericConversions.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cmath>

const QString MLAppDelegate::kFirmwareBasename = MLFirmwareBasename;

namespace {

const QString kFirmwareListPath = MLFirmwareListPath;

MLDeviceManager *deviceManager()
{
    return MLDeviceManager::sharedInstance();
}

// The microphone's values are read the same way in every locale.
qint32 wireInt(const QString &key)
{
    return ML_wireIntValue(deviceManager()->stringValue(key));
}

// A save that stopped part-way is followed by one query within this time.
constexpr int kRefreshWaitMs = 2000;
constexpr int kRefreshPollMs = 20;

} // namespace

// --- Launch, defaults, shutdown ---------------------------------------------------

QString MLAppDelegate::defaultServerURL()
{
    return MLFirmwareDefaultServerURL;
}

QString MLAppDelegate::helpPageURL()
{
    return QStringLiteral("http://www.marlevo.example/en/help");
}

void MLAppDelegate::applicationDidFinishLaunching()
{
    if (!MLUserDefaults::hasStoredValue(QString(MLDefaultsKeys::FirstLaunch))) {
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = m_window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
        MLUserDefaults::setBool(false, QString(MLDefaultsKeys::FirstLaunch));
    }
    setAppState(MLAppStateConnectMic);
    setBusy(false);
    setFirmwareUpdateAvailable(false);
    if (MLUtilities::logActive(MLDefaultsKeys::DiagnosticsEnabled) &&
        MLUtilities::logActive(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled)) {
        setDiagnosticsEnabled(true);
        if (m_diagnosticsMenuItem)
            m_diagnosticsMenuItem->setChecked(true);
    } else {
        setDiagnosticsEnabled(false);
    }
    registerDefaults();
    resetMicrophoneInfo();
    setupPeriodicCheckForFirmwareVersions();
    getAvailableFirmwareVersions();
    setViewTransitionAnimationSpeed();
    deviceManager()->addListener(shared_from_this());
    deviceManager()->start();
    showConnectMicMessage();
    m_window->show();
}

void MLAppDelegate::applicationWillTerminate()
{
    MLUserDefaults::synchronize();
}

void MLAppDelegate::registerDefaults()
{
    MLUserDefaults::registerDefaults({{QString(MLDefaultsKeys::MarlevoServerURL), defaultServerURL()}});
}

void MLAppDelegate::setViewTransitionAnimationSpeed()
{
    m_viewTransitionMs = 150;
}

void MLAppDelegate::setMenuDiagnosticsEnabled()
{
    const bool wasEnabled = m_diagnosticsEnabled;
    if (wasEnabled) {
        MLUserDefaults::removeObjectForKey(QString(MLDefaultsKeys::DiagnosticsEnabled));
        MLUserDefaults::removeObjectForKey(QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    } else {
        MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DiagnosticsEnabled));
        MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    }
    setDiagnosticsEnabled(!wasEnabled);
    if (m_diagnosticsMenuItem)
        m_diagnosticsMenuItem->setChecked(!wasEnabled);
}

void MLAppDelegate::showHelp()
{
    QDesktopServices::openUrl(QUrl(helpPageURL()));
}

void MLAppDelegate::windowWillClose()
{
    deviceManager()->removeListener(this);
    QCoreApplication::quit();
}

bool MLAppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_closing) {
        m_closing = true;
        windowWillClose();
    }
    return QObject::eventFilter(watched, event);
}

// --- Settings sheet --------------------------------------------------------------------

void MLAppDelegate::settingsButtonPressed()
{
    showConfigurationSheet();
}

void MLAppDelegate::showConfigurationSheet()
{
    // A new controller for every opening; a previous one goes first.
    m_configurationSheetController.reset();
    m_configurationSheetController = std::make_unique<MLConfigurationSheetController>();
    MLConfigurationSheetController *sheet = m_configurationSheetController.get();
    sheet->loadWindow(m_window.get());
    sheet->setMicrophoneName(m_microphoneName);
    sheet->setChannel1(wireInt(MLDeviceKeys::DeviceChannel1));
    sheet->setChannel2(wireInt(MLDeviceKeys::DeviceChannel2));
    sheet->setVoiceChoice(wireInt(MLDeviceKeys::DeviceVoiceChoice));
    // A save that did not complete may have left some new values on the microphone.
    connect(sheet, &MLConfigurationSheetController::saveDidNotComplete, this,
            &MLAppDelegate::refreshAfterIncompleteSave);
    sheet->beginSheet(m_window.get(), [this](QWidget *window, int returnCode) {
        configurationSheetDidEnd(window, returnCode);
    });
}

void MLAppDelegate::configurationSheetDidEnd(QWidget *sheet, int returnCode)
{
    if (!m_configurationSheetController)
        return;
    if (returnCode == 1)
        setMicrophoneName(m_configurationSheetController->microphoneName());
    if (sheet)
        sheet->hide();
    // The controller may be ending its own sheet from one of its handlers:
    // let go of it once that handler has returned.
    if (QObject *controller = m_configurationSheetController.release())
        controller->deleteLater();
}

void MLAppDelegate::endConfigurationSheet()
{
    if (!m_configurationSheetController)
        return;
    // Closes its alerts first (a question answers "No"); ends the sheet with
    // code 0, and configurationSheetDidEnd lets go of it.
    m_configurationSheetController->cancel();
    m_configurationSheetController.reset();
}

// --- Device events ------------------------------------------------------------------------

void MLAppDelegate::startRecoveryProcess()
{
    setAppState(MLAppStateRecovery);
    setBusy(false);
}

void MLAppDelegate::deviceConnected()
{
    MLDeviceManager *manager = deviceManager();
    if (manager->numConnectedDevices() >= 2) {
        setAppState(MLAppStateMultipleMics);
        showDisconnectBecauseOfMultipleMicsMessage();
        return;
    }
    setAppState(MLAppStateConnected);
    unMinimiseWindowIfNecessary();
    setBusy(true);
    const bool started = manager->queryDeviceWithCompletionTarget(
        this, MLSelector(&MLAppDelegate::initialDeviceQueryComplete), QStringLiteral("initialquery"));
    setReadingMicrophone(started);
    if (!started)
        showCriticalErrorView(tr("Marlevo Microphone Settings cannot communicate with the device."));
}

void MLAppDelegate::deviceDisconnected()
{
    if (m_periodicQueryTimer) {
        m_periodicQueryTimer->stop();
        m_periodicQueryTimer->deleteLater();
        m_periodicQueryTimer = nullptr;
    }
    MLDeviceManager *manager = deviceManager();
    const quint32 remaining = manager->numConnectedDevices();
    if (remaining >= 2)
        return;
    endConfigurationSheet();
    setBusy(false);
    setReadingMicrophone(false);
    setAppState(MLAppStateConnectMic);
    if (remaining == 1)
        manager->sendDeviceConnectedNotification(); // queries the one left at once
    else
        showConnectMicMessage();
}

void MLAppDelegate::deviceHadError()
{
    setAppState(MLAppStateError);
    setBusy(false);
    setReadingMicrophone(false);
    // A save whose command the manager dropped (too much data) has failed.
    if (m_configurationSheetController)
        m_configurationSheetController->saveInterrupted(MLFailureReason::DeviceError);
    // The window now asks for a re-plug: the sheet must write nothing more.
    endConfigurationSheet();
    unMinimiseWindowIfNecessary();
    showDisconnectBecauseOfErrorMessage();
}

void MLAppDelegate::deviceBricked()
{
    unMinimiseWindowIfNecessary();
    setReadingMicrophone(false);
    // The bricked message ends any command without an answer, a save's too.
    if (m_configurationSheetController)
        m_configurationSheetController->saveInterrupted(MLFailureReason::Bricked);
    endConfigurationSheet();
    if (m_appState == MLAppStateRecovery)
        return;
    startRecoveryProcess();
    // Say why: neither "connect a microphone" nor greyed settings without a word.
    showRestartingView();
}

void MLAppDelegate::devicePropertiesChanged()
{
    MLDeviceManager *manager = deviceManager();
    setMicrophoneName(manager->stringValue(MLDeviceKeys::DeviceName));
    setMicrophoneSerial(ML_stringByTrimmingFirstCharacter(manager->stringValue(MLDeviceKeys::DeviceSerial)));
    setMicrophoneVersion(MLVersionNumber::initWithString(manager->stringValue(MLDeviceKeys::DeviceVersion)));
    // The fraction is cut off, not rounded.
    const double battery = ML_wireDoubleValue(manager->stringValue(MLDeviceKeys::DeviceBattery));
    setMicrophoneBatteryLevel(std::isfinite(battery) && std::fabs(battery) < 2147483647.0 ? qint32(battery)
                                                                                          : 0);
    setMicrophoneBatterySegment(batterySegmentForLevel(m_microphoneBatteryLevel));
    setMicrophoneType(deviceTypeToString(wireInt(MLDeviceKeys::DeviceType)));
    setFirmwareUpdateAvailable(m_serverUpdateVersion &&
                               m_serverUpdateVersion->higherThan(m_microphoneVersion));
}

// --- Queries and information -----------------------------------------------------------------

void MLAppDelegate::resetMicrophoneInfo()
{
    setMicrophoneName(tr("Microphone"));
    setMicrophoneSerial(QString());
    setMicrophoneVersion(MLVersionNumber());
    setMicrophoneBatteryLevel(0);
    setMicrophoneBatterySegment(0);
    setMicrophoneType(QString());
}

void MLAppDelegate::initialDeviceQueryComplete(const MLDeviceOperationResult &result)
{
    setBusy(false);
    setReadingMicrophone(false);
    if (result.result()) {
        if (deviceManager()->numConnectedDevices() <= 1) {
            showMicInformationView();
            setupPeriodicQueryTimer();
            if (m_heldFirmwareAnswer && deviceManager()->numConnectedDevices() == 1) {
                const MLVersionNumber held = *m_heldFirmwareAnswer;
                m_heldFirmwareAnswer.reset();
                firmwareUpdateAvailable(held, QString(), 0);
            }
        } else {
            showDisconnectBecauseOfMultipleMicsMessage();
        }
    } else {
        setAppState(MLAppStateError);
        // A port we may not open, or one another program holds, is named
        // with what to do; other failures keep the plain message.
        if (portFailureAdvice(deviceManager()->lastOpenFailure()).isEmpty())
            showDisconnectBecauseOfErrorMessage();
        else
            showCriticalErrorView(tr("Marlevo Microphone Settings cannot communicate with the device."));
    }
}

void MLAppDelegate::setupPeriodicQueryTimer()
{
    if (m_periodicQueryTimer) {
        m_periodicQueryTimer->stop();
        m_periodicQueryTimer->deleteLater();
    }
    m_periodicQueryTimer = new QTimer(this);
    // A coarse timer may fire up to 5 % early.
    m_periodicQueryTimer->setTimerType(Qt::PreciseTimer);
    m_periodicQueryTimer->setSingleShot(true);
    m_periodicQueryTimer->setInterval(m_periodicQueryIntervalMs);
    QTimer *timer = m_periodicQueryTimer;
    connect(timer, &QTimer::timeout, this, [this, timer] {
        if (m_periodicQueryTimer == timer)
            periodicQueryDevice();
    });
    m_periodicQueryTimer->start();
}

void MLAppDelegate::periodicQueryDevice()
{
    if (m_periodicQueryTimer) {
        m_periodicQueryTimer->deleteLater();
        m_periodicQueryTimer = nullptr;
    }
    MLDeviceManager *manager = deviceManager();
    const bool started = manager->queryDeviceWithCompletionTarget(
        this, MLSelector(&MLAppDelegate::periodicDeviceQueryComplete), QStringLiteral("query"));
    // Refused only because another command (a settings save) is outstanding
    // on the one microphone: try again later rather than stop refreshing.
    if (!started && manager->numConnectedDevices() == 1 &&
        manager->currentDeviceCommand() != MLDeviceCommandNone)
        setupPeriodicQueryTimer();
}

void MLAppDelegate::refreshAfterIncompleteSave()
{
    if (!m_refreshTimer) {
        m_refreshTimer = new QTimer(this);
        m_refreshTimer->setSingleShot(true);
        m_refreshTimer->setTimerType(Qt::PreciseTimer);
        m_refreshTimer->setInterval(kRefreshPollMs);
        connect(m_refreshTimer, &QTimer::timeout, this, &MLAppDelegate::tryRefreshQuery);
    }
    m_refreshDeadline = QDeadlineTimer(kRefreshWaitMs, Qt::PreciseTimer);
    // Not from inside the sheet's handlers: the manager may still be ending the sheet's command.
    m_refreshTimer->start();
}

void MLAppDelegate::tryRefreshQuery()
{
    MLDeviceManager *manager = deviceManager();
    if (m_appState != MLAppStateConnected || manager->numConnectedDevices() != 1)
        return;
    const qint32 command = manager->currentDeviceCommand();
    if (command == MLDeviceCommandSummary)
        return; // started after the save ended: its answer shows what the microphone holds
    if (command == MLDeviceCommandNone)
        periodicQueryDevice(); // re-arms the periodic chain when answered
    else if (!m_refreshDeadline.hasExpired())
        m_refreshTimer->start();
}

void MLAppDelegate::periodicDeviceQueryComplete(const MLDeviceOperationResult &result)
{
    setBusy(false);
    if (result.result()) {
        setupPeriodicQueryTimer();
    } else {
        setAppState(MLAppStateError);
        endConfigurationSheet();
        showDisconnectBecauseOfErrorMessage();
    }
}

QString MLAppDelegate::deviceTypeToString(qint32 type)
{
    return type == 0 ? tr("Teacher Microphone") : tr("Student Microphone");
}

qint32 MLAppDelegate::batterySegmentForLevel(qint32 level)
{
    // Through single precision, then halves away from zero.
    const float asFloat = float(level);
    return qint32(std::lround(double(asFloat) / 20.0));
}

QString MLAppDelegate::versionText(const MLVersionNumber &version)
{
    return version.shortText();
}

void MLAppDelegate::displayMicTypeImage()
{
    if (!m_micImage)
        return;
    const bool teacher = wireInt(MLDeviceKeys::DeviceType) == 0;
    const QSize size = m_micImage->minimumSize().isEmpty() ? QSize(96, 96) : m_micImage->minimumSize();
    m_micImage->setPixmap(
        MLImages::pixmapNamed(teacher ? QStringLiteral("TeacherMic") : QStringLiteral("StudentMic"), size,
                              m_micImage->devicePixelRatioF()));
    m_micImage->setAccessibleName(teacher ? tr("Teacher Microphone") : tr("Student Microphone"));
}

// --- Firmware list address (the check and its notice: MLAppDelegateFirmware.cpp) ---------------

QString MLAppDelegate::firmwareListURL(const QVariant &serverURL)
{
    // Without a string under the key there is no address, and no check.
    if (serverURL.metaType().id() != QMetaType::QString)
        return {};
    return ML_includeTrailingSlash(serverURL.toString()) +
           MLFormat("%@/%@", {kFirmwareListPath, kFirmwareBasename});
}

// --- Properties ----------------------------------------------------------------------------------

void MLAppDelegate::setAppState(qint32 state)
{
    if (MLAssignIfChanged(m_appState, state))
        emit appStateChanged(state);
}

void MLAppDelegate::setReadingMicrophone(bool reading)
{
    if (MLAssignIfChanged(m_readingMicrophone, reading))
        emit readingMicrophoneChanged(reading);
}

void MLAppDelegate::setBusy(bool busy)
{
    if (MLAssignIfChanged(m_busy, busy))
        emit busyChanged(busy);
}

void MLAppDelegate::setFirmwareUpdateAvailable(bool available)
{
    if (MLAssignIfChanged(m_firmwareUpdateAvailable, available))
        emit firmwareUpdateAvailableChanged(available);
}

void MLAppDelegate::setDiagnosticsEnabled(bool enabled)
{
    if (MLAssignIfChanged(m_diagnosticsEnabled, enabled))
        emit diagnosticsEnabledChanged(enabled);
}

void MLAppDelegate::setServerUpdateVersion(const std::optional<MLVersionNumber> &version)
{
    m_serverUpdateVersion = version;
    emit serverUpdateVersionChanged();
}

void MLAppDelegate::setMicrophoneName(const QString &name)
{
    if (MLAssignIfChanged(m_microphoneName, name))
        emit microphoneNameChanged(name);
}

void MLAppDelegate::setMicrophoneType(const QString &type)
{
    if (MLAssignIfChanged(m_microphoneType, type))
        emit microphoneTypeChanged(type);
}

void MLAppDelegate::setMicrophoneSerial(const QString &serial)
{
    if (MLAssignIfChanged(m_microphoneSerial, serial))
        emit microphoneSerialChanged(serial);
}

void MLAppDelegate::setMicrophoneVersion(const MLVersionNumber &version)
{
    m_microphoneVersion = version;
    const QString text = versionText(version);
    if (m_microphoneVersionStr != text) {
        m_microphoneVersionStr = text;
        emit microphoneVersionStrChanged(text);
    }
}

void MLAppDelegate::setMicrophoneBatteryLevel(qint32 level)
{
    if (MLAssignIfChanged(m_microphoneBatteryLevel, level))
        emit microphoneBatteryLevelChanged(level);
}

void MLAppDelegate::setMicrophoneBatterySegment(qint32 segment)
{
    if (MLAssignIfChanged(m_microphoneBatterySegment, segment))
        emit microphoneBatterySegmentChanged(segment);
}
