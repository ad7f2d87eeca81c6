#include "MLAppDelegate.h"

#include "MLBatteryGauge.h"
#include "MLBusyIndicator.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLFirmwareUpdateChecker.h"
#include "MLImages.h"
#include "MLLayoutLoader.h"
#include "MLLog.h"
#include "MLProperty.h"
#include "MLUserDefaults.h"
#include "MLUtilities.h"
#include "MLViewContainer.h"
#include "MLWireNumber.h"
#include "NumericConversions.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kFirmwareBasename = QStringLiteral("4721_A");
const QString kFirmwareListPath = QStringLiteral("updates/firmware/lst");

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

MLAppDelegate::MLAppDelegate(QObject *parent) : QObject(parent)
{
    QWidget *root = MLLayoutLoader::loadLayout(QStringLiteral("MainWindow"));
    if (auto *mainWindow = qobject_cast<QMainWindow *>(root)) {
        m_window.reset(mainWindow);
    } else {
        // Without its layout the window still works: a plain frame around the views.
        delete root;
        MLLog("Could not load main window.");
        m_window = std::make_unique<QMainWindow>();
        m_window->setWindowTitle(tr("Marlevo Microphone Settings"));
        auto *base = new QWidget(m_window.get());
        base->setObjectName(QStringLiteral("baseWindowView"));
        new QVBoxLayout(base);
        m_window->setCentralWidget(base);
        m_window->resize(560, 380);
    }
    m_baseWindowView = m_window->findChild<QWidget *>(QStringLiteral("baseWindowView"));
    m_diagnosticsMenuItem = m_window->findChild<QAction *>(QStringLiteral("diagnosticsMenuItem"));
    if (m_diagnosticsMenuItem) {
        m_diagnosticsMenuItem->setCheckable(true);
        connect(m_diagnosticsMenuItem, &QAction::triggered, this, [this] { setMenuDiagnosticsEnabled(); });
    }
    if (auto *help = m_window->findChild<QAction *>(QStringLiteral("helpMenuItem")))
        connect(help, &QAction::triggered, this, [this] { showHelp(); });
    if (auto *quit = m_window->findChild<QAction *>(QStringLiteral("quitMenuItem")))
        connect(quit, &QAction::triggered, m_window.get(), &QWidget::close);
    m_window->installEventFilter(this);
}

MLAppDelegate::~MLAppDelegate()
{
    m_configurationSheetController.reset();
    if (m_window)
        m_window->removeEventFilter(this);
}

// --- Launch, defaults, shutdown ---------------------------------------------------

QString MLAppDelegate::defaultServerURL()
{
    return QStringLiteral("https://updates.marlevo.example/");
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

// --- Views ---------------------------------------------------------------------------

QWidget *MLAppDelegate::currentView() const
{
    return m_baseWindowView ? MLCurrentView(m_baseWindowView) : nullptr;
}

QWidget *MLAppDelegate::loadView(QPointer<QWidget> &outlet, const QString &layoutName,
                                 const char *failureLine)
{
    if (!outlet) {
        outlet = MLLayoutLoader::loadLayout(layoutName, m_baseWindowView);
        if (!outlet) {
            MLLog("%@", failureLine);
            return nullptr;
        }
        outlet->hide();
    }
    return outlet;
}

void MLAppDelegate::addViewToBaseView(QWidget *view)
{
    if (!view || !m_baseWindowView)
        return;
    MLSwapView(m_baseWindowView, view, m_viewTransitionMs);
    emit viewShown(view);
}

void MLAppDelegate::showConnectMicMessage()
{
    const bool firstTime = !m_connectMessageView;
    if (!loadView(m_connectMessageView, QStringLiteral("ConnectMessageView"),
                  "Could not load connect message view."))
        return;
    if (firstTime)
        bindConnectMessageView();
    m_busyIndicator = m_connectMessageView->findChild<MLBusyIndicator *>(QStringLiteral("busyIndicator"));
    addViewToBaseView(m_connectMessageView);
    if (m_busyIndicator)
        m_busyIndicator->startAnimation();
}

void MLAppDelegate::showDisconnectBecauseOfErrorMessage()
{
    if (loadView(m_disconnectMessageView, QStringLiteral("DisconnectMessageView"),
                 "Could not load disconnect message view."))
        addViewToBaseView(m_disconnectMessageView);
}

void MLAppDelegate::showDisconnectBecauseOfMultipleMicsMessage()
{
    if (loadView(m_disconnectMultiMessageView, QStringLiteral("DisconnectMultiMessageView"),
                 "Could not load disconnect multi message view."))
        addViewToBaseView(m_disconnectMultiMessageView);
}

void MLAppDelegate::showMicInformationView()
{
    const bool firstTime = !m_micInfoView;
    if (!loadView(m_micInfoView, QStringLiteral("MicInfoView"), "Could not load mic info view."))
        return;
    if (firstTime)
        bindMicInfoView();
    displayMicTypeImage();
    addViewToBaseView(m_micInfoView);
    // Keyboard users start on the one action of the view.
    QWidget *focus = m_window->focusWidget();
    if (m_settingButton && (!focus || !focus->isVisible()))
        m_settingButton->setFocus(Qt::OtherFocusReason);
}

void MLAppDelegate::showCriticalErrorView(const QString &message)
{
    if (!loadView(m_criticalErrorView, QStringLiteral("CriticalErrorView"),
                  "Could not load critical error view."))
        return;
    m_criticalErrorCaption = m_criticalErrorView->findChild<QLabel *>(QStringLiteral("criticalErrorCaption"));
    if (m_criticalErrorCaption)
        m_criticalErrorCaption->setText(message);
    if (auto *cause = m_criticalErrorView->findChild<QLabel *>(QStringLiteral("criticalErrorCauseLabel"))) {
        const QString text = portFailureAdvice(deviceManager()->lastOpenFailure());
        cause->setText(text);
        cause->setVisible(!text.isEmpty());
    }
    addViewToBaseView(m_criticalErrorView);
}

void MLAppDelegate::showRestartingView()
{
    if (loadView(m_restartingView, QStringLiteral("RestartingView"), "Could not load restarting view."))
        addViewToBaseView(m_restartingView);
}

// While a microphone that is plugged in answers its first query, the connect
// view says so instead of asking for a microphone. (Not "busy": that stays on
// after a refused query, when nothing is being read.)
void MLAppDelegate::bindConnectMessageView()
{
    auto *headline = m_connectMessageView->findChild<QLabel *>(QStringLiteral("connectHeadlineLabel"));
    auto *detail = m_connectMessageView->findChild<QLabel *>(QStringLiteral("connectMessageDetailLabel"));
    if (!headline || !detail)
        return;
    const QString idleHeadline = headline->text();
    const QString idleDetail = detail->text();
    auto show = [=](bool busy) {
        headline->setText(busy ? tr("Reading the microphone\u2026") : idleHeadline);
        detail->setText(
            busy ? tr("Marlevo Microphone Settings is asking the microphone for its name and settings.")
                 : idleDetail);
    };
    show(m_readingMicrophone);
    connect(this, &MLAppDelegate::readingMicrophoneChanged, headline, show);
}

// The information view shows the controller's properties and follows them.
void MLAppDelegate::bindMicInfoView()
{
    QWidget *view = m_micInfoView;
    auto bindLabel = [&](const char *name, const QString &value,
                         void (MLAppDelegate::*changed)(const QString &)) {
        if (auto *label = view->findChild<QLabel *>(QString::fromLatin1(name))) {
            label->setText(value);
            connect(this, changed, label, &QLabel::setText);
        }
    };
    bindLabel("microphoneNameLabel", m_microphoneName, &MLAppDelegate::microphoneNameChanged);
    bindLabel("microphoneTypeLabel", m_microphoneType, &MLAppDelegate::microphoneTypeChanged);
    bindLabel("microphoneSerialLabel", m_microphoneSerial, &MLAppDelegate::microphoneSerialChanged);
    bindLabel("microphoneVersionLabel", m_microphoneVersionStr, &MLAppDelegate::microphoneVersionStrChanged);

    if (auto *gauge = view->findChild<MLBatteryGauge *>(QStringLiteral("batteryGauge"))) {
        gauge->setSegment(m_microphoneBatterySegment);
        gauge->setLevel(m_microphoneBatteryLevel);
        connect(this, &MLAppDelegate::microphoneBatterySegmentChanged, gauge, &MLBatteryGauge::setSegment);
        connect(this, &MLAppDelegate::microphoneBatteryLevelChanged, gauge, &MLBatteryGauge::setLevel);
    }
    if (auto *level = view->findChild<QLabel *>(QStringLiteral("batteryLevelLabel"))) {
        auto show = [level](qint32 percent) { level->setText(tr("%1 %").arg(QLocale().toString(percent))); };
        show(m_microphoneBatteryLevel);
        connect(this, &MLAppDelegate::microphoneBatteryLevelChanged, level, show);
    }
    m_micImage = view->findChild<QLabel *>(QStringLiteral("micImage"));
    m_settingButton = view->findChild<QPushButton *>(QStringLiteral("settingButton"));
    if (m_settingButton) {
        // Settings are for a microphone in use that is not busy answering its
        // first query (not one that reported itself in need of recovery).
        auto update = [this] {
            if (m_settingButton)
                m_settingButton->setEnabled(!m_busy && m_appState == MLAppStateConnected);
        };
        update();
        connect(m_settingButton, &QPushButton::clicked, this, [this] { settingsButtonPressed(); });
        connect(this, &MLAppDelegate::busyChanged, m_settingButton, update);
        connect(this, &MLAppDelegate::appStateChanged, m_settingButton, update);
    }
    connect(this, &MLAppDelegate::firmwareUpdateAvailableChanged, this,
            &MLAppDelegate::refreshFirmwareNotice);
    connect(this, &MLAppDelegate::serverUpdateVersionChanged, this, &MLAppDelegate::refreshFirmwareNotice);
    connect(this, &MLAppDelegate::microphoneVersionStrChanged, this, &MLAppDelegate::refreshFirmwareNotice);
    refreshFirmwareNotice();
}

void MLAppDelegate::refreshFirmwareNotice()
{
    auto *notice =
        m_micInfoView ? m_micInfoView->findChild<QLabel *>(QStringLiteral("firmwareUpdateNotice")) : nullptr;
    if (!notice)
        return;
    const bool show = m_firmwareUpdateAvailable && m_serverUpdateVersion.has_value();
    if (show) {
        QString installed = m_microphoneVersionStr;
        QString offered = versionText(*m_serverUpdateVersion);
        // Newer only in the parts the short form leaves out: show all four.
        if (installed == offered) {
            installed = m_microphoneVersion.description();
            offered = m_serverUpdateVersion->description();
        }
        notice->setText(tr("Firmware update available: %1 \u2192 %2").arg(installed, offered));
    }
    notice->setVisible(show);
}

void MLAppDelegate::startRecoveryProcess()
{
    setAppState(MLAppStateRecovery);
    setBusy(false);
}

void MLAppDelegate::unMinimiseWindowIfNecessary()
{
    if (m_window && m_window->isMinimized()) {
        // Back as it was before, maximised or not.
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->show();
    }
}

void MLAppDelegate::showOKAlert(const QString &message, const QString &informativeText)
{
    QMessageBox alert(QMessageBox::NoIcon, message, message, QMessageBox::Ok, m_window.get());
    alert.setInformativeText(informativeText);
    alert.exec();
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

QString MLAppDelegate::portFailureAdvice(const MLPortDiagnosis &diagnosis)
{
    switch (diagnosis.cause) {
    case MLPortFailureCause::PermissionDenied:
        if (!diagnosis.ruleInstalled)
            return tr(
                "You may not open the microphone's port because its device rule is missing. "
                "Install the marlevo-mic-settings package, then unplug the microphone and plug it in again.");
        return tr("The device rule is installed, but your session has not been given the microphone yet. "
                  "Unplug the microphone and plug it in again.");
    case MLPortFailureCause::Busy:
        if (diagnosis.holderIsModemManager())
            return tr("ModemManager (process %1) is holding the microphone's port. The device rule of the "
                      "marlevo-mic-settings package keeps it away: install the package, then unplug the "
                      "microphone and plug it in again.")
                .arg(diagnosis.holderPid);
        if (diagnosis.holderPid != 0)
            return tr("The program %1 (process %2) is using the microphone's port. Close it, then unplug the "
                      "microphone and plug it in again.")
                .arg(diagnosis.holderName)
                .arg(diagnosis.holderPid);
        return tr("Another program is using the microphone's port. Close it, then unplug the microphone and "
                  "plug it in again.");
    default:
        return QString();
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
    return MLFormat("%d.%02d", {version.major(), version.minor()});
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

// --- Firmware notice ------------------------------------------------------------------------

void MLAppDelegate::setupPeriodicCheckForFirmwareVersions()
{
    if (m_firmwareCheckTimer)
        return;
    m_firmwareCheckTimer = new QTimer(this);
    m_firmwareCheckTimer->setInterval(m_firmwareCheckIntervalMs);
    connect(m_firmwareCheckTimer, &QTimer::timeout, this, [this] { doPeriodicFirmwareVersionCheck(); });
    m_firmwareCheckTimer->start();
}

void MLAppDelegate::doPeriodicFirmwareVersionCheck()
{
    getAvailableFirmwareVersions();
}

QString MLAppDelegate::firmwareListURL(const QVariant &serverURL)
{
    // Without a string under the key there is no address, and no check.
    if (serverURL.metaType().id() != QMetaType::QString)
        return {};
    return ML_includeTrailingSlash(serverURL.toString()) +
           MLFormat("%@/%@", {kFirmwareListPath, kFirmwareBasename});
}

void MLAppDelegate::getAvailableFirmwareVersions()
{
    const QString url =
        firmwareListURL(MLUserDefaults::objectForKey(QString(MLDefaultsKeys::MarlevoServerURL)));
    QPointer<MLAppDelegate> self(this);
    MLFirmwareUpdateChecker::sharedInstance()->checkForAvailableUpdateAtUrl(
        url, kFirmwareBasename,
        [self](bool success, const MLVersionNumber &version, const QString &fileName, qint64 fileSize) {
            if (!self)
                return;
            if (!success) {
                MLLog("Firmware update check failed.");
                return;
            }
            MLDeviceDetailedLog("Firmware update check succeeded. Highest version: %@", version);
            if (deviceManager()->numConnectedDevices() == 1) {
                self->m_heldFirmwareAnswer.reset();
                self->firmwareUpdateAvailable(version, fileName, fileSize);
            } else {
                // Taken up once one microphone is in use: no notice waits for the next check.
                self->m_heldFirmwareAnswer = version;
            }
        });
}

void MLAppDelegate::firmwareUpdateAvailable(const MLVersionNumber &version, const QString &fileName,
                                            qint64 fileSize)
{
    Q_UNUSED(fileName);
    Q_UNUSED(fileSize);
    setServerUpdateVersion(version);
    if (m_appState == MLAppStateConnected && version.higherThan(m_microphoneVersion))
        setFirmwareUpdateAvailable(true);
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
