// The window and its views: loading the layouts, finding their named objects
// and binding them to the controller's properties, and showing one view or
// message at a time. The firmware notice is in MLAppDelegateFirmware.cpp.

#include "MLAppDelegate.h"

#include "MLBatteryGauge.h"
#include "MLBusyIndicator.h"
#include "MLDeviceManager.h"
#include "MLLayoutLoader.h"
#include "MLLog.h"
#include "MLViewContainer.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

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
        const QString text = portFailureAdvice(MLDeviceManager::sharedInstance()->lastOpenFailure());
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
