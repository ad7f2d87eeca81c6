#pragma once

#include "DeviceManagerEventListener.h"
#include "MLDeviceRecords.h"
#include "MLPortDiagnosis.h"
#include "MLVersionNumber.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

#include "MLBusyIndicator.h"
#include "MLConfigurationSheetController.h"

class QTimer;

enum MLAppState : qint32 {
    MLAppStateConnectMic = 0,
    MLAppStateError = 1,
    MLAppStateMultipleMics = 2,
    MLAppStateRecovery = 3,
    MLAppStateConnected = 4,
};

// The application controller: owns the main window and its views, follows the
// device manager's events, keeps the connected microphone's information up to
// date and looks for newer firmware. Main thread only.
class MLAppDelegate : public QObject,
                      public DeviceManagerEventListener,
                      public std::enable_shared_from_this<MLAppDelegate>
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy WRITE setBusy NOTIFY busyChanged)
    Q_PROPERTY(bool firmwareUpdateAvailable READ firmwareUpdateAvailable WRITE setFirmwareUpdateAvailable NOTIFY
                   firmwareUpdateAvailableChanged)
    Q_PROPERTY(bool diagnosticsEnabled READ diagnosticsEnabled WRITE setDiagnosticsEnabled NOTIFY
                   diagnosticsEnabledChanged)
    Q_PROPERTY(QString microphoneName READ microphoneName WRITE setMicrophoneName NOTIFY microphoneNameChanged)
    Q_PROPERTY(QString microphoneType READ microphoneType WRITE setMicrophoneType NOTIFY microphoneTypeChanged)
    Q_PROPERTY(QString microphoneSerial READ microphoneSerial WRITE setMicrophoneSerial NOTIFY microphoneSerialChanged)
    Q_PROPERTY(QString microphoneVersionStr READ microphoneVersionStr NOTIFY microphoneVersionStrChanged)
    Q_PROPERTY(qint32 microphoneBatteryLevel READ microphoneBatteryLevel WRITE setMicrophoneBatteryLevel NOTIFY
                   microphoneBatteryLevelChanged)
    Q_PROPERTY(qint32 microphoneBatterySegment READ microphoneBatterySegment WRITE setMicrophoneBatterySegment NOTIFY
                   microphoneBatterySegmentChanged)

public:
    // Loads the main window's layout; the launch itself is applicationDidFinishLaunching().
    explicit MLAppDelegate(QObject *parent = nullptr);
    ~MLAppDelegate() override;

    // --- Launch, defaults, shutdown -------------------------------------------
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    void registerDefaults();
    void setViewTransitionAnimationSpeed();
    void setMenuDiagnosticsEnabled();
    void showHelp();
    void windowWillClose();

    static QString defaultServerURL();
    static QString helpPageURL();

    // --- Views (MLAppDelegateViews.cpp) -----------------------------------------
    void addViewToBaseView(QWidget *view);
    void showConnectMicMessage();
    void showDisconnectBecauseOfErrorMessage();
    void showDisconnectBecauseOfMultipleMicsMessage();
    void showMicInformationView();
    void showCriticalErrorView(const QString &message);
    // What the user can do about a failed open; empty when there is nothing to add.
    static QString portFailureAdvice(const MLPortDiagnosis &diagnosis);
    void showRestartingView();
    void unMinimiseWindowIfNecessary();
    void showOKAlert(const QString &message, const QString &informativeText);

    // --- Settings sheet ---------------------------------------------------------
    void settingsButtonPressed();
    void showConfigurationSheet();
    // Closes the settings sheet and whatever it has open, if it is open.
    void endConfigurationSheet();
    void configurationSheetDidEnd(QWidget *sheet, int returnCode);
    MLConfigurationSheetController *configurationSheetController() const { return m_configurationSheetController.get(); }

    // --- Device events ------------------------------------------------------------
    void deviceConnected() override;
    void deviceDisconnected() override;
    void deviceHadError() override;
    void deviceBricked() override;
    void devicePropertiesChanged() override;
    void startRecoveryProcess();

    // --- Queries and information ------------------------------------------------------
    void resetMicrophoneInfo();
    void initialDeviceQueryComplete(const MLDeviceOperationResult &result);
    void setupPeriodicQueryTimer();
    void periodicQueryDevice();
    void periodicDeviceQueryComplete(const MLDeviceOperationResult &result);
    // Asks the microphone once, as soon as the link is free, what it holds
    // after a save that was stopped or failed part-way.
    void refreshAfterIncompleteSave();
    static QString deviceTypeToString(qint32 type);
    static qint32 batterySegmentForLevel(qint32 level);
    static QString versionText(const MLVersionNumber &version);
    void displayMicTypeImage();

    // --- Firmware notice (MLAppDelegateFirmware.cpp; the list's address in MLAppDelegate.cpp)
    void setupPeriodicCheckForFirmwareVersions();
    void doPeriodicFirmwareVersionCheck();
    void getAvailableFirmwareVersions();
    void firmwareUpdateAvailable(const MLVersionNumber &version, const QString &fileName, qint64 fileSize);
    static QString firmwareListURL(const QVariant &serverURL);

    // --- Properties -------------------------------------------------------------------
    qint32 appState() const { return m_appState; }
    void setAppState(qint32 state);
    bool busy() const { return m_busy; }
    void setBusy(bool busy);
    bool firmwareUpdateAvailable() const { return m_firmwareUpdateAvailable; }
    void setFirmwareUpdateAvailable(bool available);
    bool diagnosticsEnabled() const { return m_diagnosticsEnabled; }
    void setDiagnosticsEnabled(bool enabled);
    std::optional<MLVersionNumber> serverUpdateVersion() const { return m_serverUpdateVersion; }
    void setServerUpdateVersion(const std::optional<MLVersionNumber> &version);
    QString microphoneName() const { return m_microphoneName; }
    void setMicrophoneName(const QString &name);
    QString microphoneType() const { return m_microphoneType; }
    void setMicrophoneType(const QString &type);
    QString microphoneSerial() const { return m_microphoneSerial; }
    void setMicrophoneSerial(const QString &serial);
    MLVersionNumber microphoneVersion() const { return m_microphoneVersion; }
    void setMicrophoneVersion(const MLVersionNumber &version);
    QString microphoneVersionStr() const { return m_microphoneVersionStr; }
    qint32 microphoneBatteryLevel() const { return m_microphoneBatteryLevel; }
    void setMicrophoneBatteryLevel(qint32 level);
    qint32 microphoneBatterySegment() const { return m_microphoneBatterySegment; }
    void setMicrophoneBatterySegment(qint32 segment);

    QMainWindow *window() const { return m_window.get(); }
    QWidget *baseWindowView() const { return m_baseWindowView; }
    QWidget *currentView() const;
    QWidget *connectMessageView() const { return m_connectMessageView; }
    QWidget *disconnectMessageView() const { return m_disconnectMessageView; }
    QWidget *disconnectMultiMessageView() const { return m_disconnectMultiMessageView; }
    QWidget *criticalErrorView() const { return m_criticalErrorView; }
    QWidget *micInfoView() const { return m_micInfoView; }
    QWidget *restartingView() const { return m_restartingView; }
    QAction *diagnosticsMenuItem() const { return m_diagnosticsMenuItem; }
    bool isPeriodicQueryArmed() const { return m_periodicQueryTimer != nullptr; }
    QTimer *periodicQueryTimer() const { return m_periodicQueryTimer; }
    // A newly connected microphone's first query has been written and not answered yet.
    bool isReadingMicrophone() const { return m_readingMicrophone; }

    // Intervals; the product uses the defaults, tests shorten them.
    void setPeriodicQueryIntervalMs(int ms) { m_periodicQueryIntervalMs = ms; }
    void setFirmwareCheckIntervalMs(int ms) { m_firmwareCheckIntervalMs = ms; }
    int viewTransitionMs() const { return m_viewTransitionMs; }

signals:
    void appStateChanged(qint32 state);
    void busyChanged(bool busy);
    void firmwareUpdateAvailableChanged(bool available);
    void diagnosticsEnabledChanged(bool enabled);
    void serverUpdateVersionChanged();
    void microphoneNameChanged(const QString &name);
    void microphoneTypeChanged(const QString &type);
    void microphoneSerialChanged(const QString &serial);
    void microphoneVersionStrChanged(const QString &version);
    void microphoneBatteryLevelChanged(qint32 level);
    void microphoneBatterySegmentChanged(qint32 segment);
    // A view was put into the window (after its swap started).
    void viewShown(QWidget *view);
    void readingMicrophoneChanged(bool reading);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Views
    QWidget *loadView(QPointer<QWidget> &outlet, const QString &layoutName, const char *failureLine);
    void bindConnectMessageView();
    void bindMicInfoView();
    // Firmware notice
    void refreshFirmwareNotice();
    // The firmware files' base name, in the list's address and in the check.
    static const QString kFirmwareBasename;
    // Device events and queries
    void setReadingMicrophone(bool reading);
    void tryRefreshQuery();

    std::unique_ptr<QMainWindow> m_window;
    QPointer<QAction> m_diagnosticsMenuItem;
    QPointer<QWidget> m_baseWindowView;
    QPointer<QWidget> m_connectMessageView;
    QPointer<QWidget> m_disconnectMessageView;
    QPointer<QWidget> m_disconnectMultiMessageView;
    QPointer<QWidget> m_criticalErrorView;
    QPointer<QWidget> m_brickedMessageView;
    QPointer<QWidget> m_micInfoView;
    QPointer<QWidget> m_restartingView;
    QPointer<QLabel> m_criticalErrorCaption;
    QPointer<QPushButton> m_settingButton;
    QPointer<QLabel> m_micImage;
    QPointer<MLBusyIndicator> m_busyIndicator;
    std::unique_ptr<MLConfigurationSheetController> m_configurationSheetController;

    qint32 m_appState = MLAppStateConnectMic;
    QTimer *m_periodicQueryTimer = nullptr;
    QTimer *m_firmwareCheckTimer = nullptr;
    QTimer *m_refreshTimer = nullptr;
    QDeadlineTimer m_refreshDeadline;
    // The latest list answer that came with no or several microphones attached.
    std::optional<MLVersionNumber> m_heldFirmwareAnswer;
    int m_periodicQueryIntervalMs = 10000;
    int m_firmwareCheckIntervalMs = 1800 * 1000;
    int m_viewTransitionMs = 0;
    bool m_closing = false;
    bool m_readingMicrophone = false;

    bool m_busy = false;
    bool m_firmwareUpdateAvailable = false;
    bool m_diagnosticsEnabled = false;
    std::optional<MLVersionNumber> m_serverUpdateVersion;
    QString m_microphoneName;
    QString m_microphoneType;
    QString m_microphoneSerial;
    MLVersionNumber m_microphoneVersion;
    QString m_microphoneVersionStr;
    qint32 m_microphoneBatteryLevel = 0;
    qint32 m_microphoneBatterySegment = 0;
};
