#pragma once

#include "MLDeviceRecords.h"
#include "MLSettingsRules.h"
#include "MLSwitchInfoWindowController.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class MLSettingsSave;
class QDialog;
class QWidget;

// The settings sheet: rename the microphone, choose the channels of its two
// switch positions and its coverage, or put all four back to factory values.
// Checks and confirms by MLSettingsRules, then writes the four values with
// MLSettingsSave. Main thread only.
class MLConfigurationSheetController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        QString microphoneName READ microphoneName WRITE setMicrophoneName NOTIFY microphoneNameChanged)
    Q_PROPERTY(qint32 channel1 READ channel1 WRITE setChannel1 NOTIFY channel1Changed)
    Q_PROPERTY(qint32 channel2 READ channel2 WRITE setChannel2 NOTIFY channel2Changed)
    Q_PROPERTY(qint32 voiceChoice READ voiceChoice WRITE setVoiceChoice NOTIFY voiceChoiceChanged)
    Q_PROPERTY(bool busy READ busy WRITE setBusy NOTIFY busyChanged)

public:
    // Ends the sheet: the sheet's window and the code, 1 saved, 0 cancelled.
    using DidEndHandler = std::function<void(QWidget *sheet, int returnCode)>;

    explicit MLConfigurationSheetController(QObject *parent = nullptr);
    // Cancels the outstanding device command only when this sheet issued it.
    ~MLConfigurationSheetController() override;

    // Loads the layout "ConfigurationSheet" into the sheet's window; false
    // when it cannot be loaded.
    bool loadWindow(QWidget *parentWindow);
    QDialog *window() const;
    // Shows the window as a sheet, window-modal over `modalForWindow`.
    void beginSheet(QWidget *modalForWindow, DidEndHandler didEnd);
    // Ends the sheet with the code; the did-end handler runs at once. Nothing
    // touches this controller after the handler, which may release it.
    // Escape and the window's close button end it with code 0.
    void endSheet(int returnCode);
    // From beginSheet until the sheet ends.
    bool isSheetOpen() const { return m_sheetOpen; }
    // The device manager dropped this sheet's command without completing it
    // (the microphone sent too much or reported itself bricked): the stage
    // being written failed. Does nothing unless a save is under way and the
    // manager no longer holds the sheet's command.
    void saveInterrupted(MLFailureReason reason);

    // Closes whatever is open: the reset confirmation, the information
    // window, then the sheet itself, each with code 0.
    void cancel();

    QString microphoneName() const { return m_microphoneName; }
    void setMicrophoneName(const QString &name);
    qint32 channel1() const { return m_channel1; }
    void setChannel1(qint32 channel);
    qint32 channel2() const { return m_channel2; }
    void setChannel2(qint32 channel);
    qint32 voiceChoice() const { return m_voiceChoice; }
    void setVoiceChoice(qint32 voiceChoice);
    bool busy() const { return m_busy; }
    void setBusy(bool busy);
    // The stage being written, or the one that failed.
    qint32 saveStage() const;

    // Actions of the sheet's controls.
    void okClicked();
    void cancelClicked();
    void defaultsClicked();
    void moreInformationClicked();

    bool confirmLegacyChannels();
    bool confirmExtendedChannels();
    void informMicrophoneNameInvalid();
    // A name with a character that a command line cannot carry.
    void informMicrophoneNameNotSendable();
    void informUserChannelsCannotBeTheSame();
    // Tells which values the microphone took before the failed stage.
    void informConfigurationNotSaved();
    void informMicrophoneNameTooLong();
    // A name with the text by which the microphone reports that it needs recovery.
    void informMicrophoneNameReserved();

    void resetAlertDidEnd(int returnCode);
    void switchInfoDidEnd(int returnCode);

    QMessageBox *resetConfirmAlert() const { return m_resetConfirmAlert; }
    MLSwitchInfoWindowController *switchInfoWindow() const { return m_switchInfoWindow; }

signals:
    void microphoneNameChanged(const QString &name);
    void channel1Changed(qint32 channel);
    void channel2Changed(qint32 channel);
    void voiceChoiceChanged(qint32 voiceChoice);
    void busyChanged(bool busy);
    // A save ended (failed or stopped) before all four values were acknowledged.
    void saveDidNotComplete();

private:
    struct Private;
    std::unique_ptr<Private> d;

    void connectControls();
    void showBusy();
    void sheetFinished(int returnCode);
    void saveFailed();
    void informProblem(MLSettingsRules::Problem problem);
    bool confirm(MLSettingsRules::Confirmation confirmation);
    void inform(const QString &message, const QString &informativeText);

    QString m_microphoneName;
    qint32 m_channel1 = 0;
    qint32 m_channel2 = 1;
    qint32 m_voiceChoice = 3;
    bool m_busy = false;
    bool m_sheetOpen = false;
    bool m_sheetEnded = false;
    QPointer<QMessageBox> m_resetConfirmAlert;
    QPointer<MLSwitchInfoWindowController> m_switchInfoWindow; // a child of this controller
};
