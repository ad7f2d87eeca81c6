// The settings sheet's life cycle, its actions, the save and its alerts. The
// window is loaded and bound in MLConfigurationSheetWindow.cpp.

#include "MLConfigurationSheetController.h"
#include "MLConfigurationSheetPrivate.h"

#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLProperty.h"
#include "MLSettingsSave.h"
#include "MLUserDefaults.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

// An alert in the application's style: the message in bold above the
// informative text, as the platform's alerts read elsewhere.
QMessageBox *makeAlert(QWidget *parent, const QString &message, const QString &informativeText)
{
    auto *alert = new QMessageBox(parent);
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(MLConfigurationSheetController::tr("Marlevo Microphone Settings"));
    alert->setText(message);
    alert->setInformativeText(informativeText);
    if (auto *label = alert->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return alert;
}

} // namespace


MLConfigurationSheetController::MLConfigurationSheetController(QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->save = new MLSettingsSave(MLDeviceManager::sharedInstance(), this);
    connect(d->save, &MLSettingsSave::finished, this, [this] {
        setBusy(false);
        endSheet(1);
        // The did-end handler may have released this controller.
    });
    connect(d->save, &MLSettingsSave::failed, this, &MLConfigurationSheetController::saveFailed);
}

MLConfigurationSheetController::~MLConfigurationSheetController()
{
    delete d->save;

    if (d->modalAlert)
        d->modalAlert->done(QDialog::Rejected);
    if (QMessageBox *alert = m_resetConfirmAlert) {
        alert->disconnect(this);
        alert->hide();
        alert->deleteLater();
    }
    delete m_switchInfoWindow.data();
    if (QDialog *dialog = d->dialog) {
        dialog->disconnect(this);
        dialog->hide();
        // Released from inside the dialog's own finished signal: let it return first.
        if (d->endingSheet)
            dialog->deleteLater();
        else
            delete dialog;
    }
}

// --- Properties ---------------------------------------------------------------------

void MLConfigurationSheetController::setMicrophoneName(const QString &name)
{
    if (MLAssignIfChanged(m_microphoneName, name))
        emit microphoneNameChanged(name);
}

void MLConfigurationSheetController::setChannel1(qint32 channel)
{
    if (MLAssignIfChanged(m_channel1, channel))
        emit channel1Changed(channel);
}

void MLConfigurationSheetController::setChannel2(qint32 channel)
{
    if (MLAssignIfChanged(m_channel2, channel))
        emit channel2Changed(channel);
}

void MLConfigurationSheetController::setVoiceChoice(qint32 voiceChoice)
{
    if (MLAssignIfChanged(m_voiceChoice, voiceChoice))
        emit voiceChoiceChanged(voiceChoice);
}

void MLConfigurationSheetController::setBusy(bool busy)
{
    if (!MLAssignIfChanged(m_busy, busy))
        return;
    showBusy();
    emit busyChanged(busy);
}

// --- Actions ------------------------------------------------------------------------

void MLConfigurationSheetController::okClicked()
{
    // OK is disabled during a save; a sheet that has ended saves nothing.
    if (m_busy || m_sheetEnded)
        return;
    const bool suppressLegacy = MLUserDefaults::boolForKey(QString(MLDefaultsKeys::SuppressLegacyWarning));
    const bool suppressExtended =
        MLUserDefaults::boolForKey(QString(MLDefaultsKeys::SuppressExtendedWarning));

    const MLMicrophoneSettings settings{m_microphoneName, m_channel1, m_channel2, m_voiceChoice};
    if (const MLSettingsRules::Problem problem = MLSettingsRules::check(settings);
        problem != MLSettingsRules::Problem::None) {
        informProblem(problem);
        return;
    }
    const QPointer<MLConfigurationSheetController> self(this);
    for (const MLSettingsRules::Confirmation confirmation : MLSettingsRules::confirmationsNeeded(settings)) {
        const bool suppressed =
            confirmation == MLSettingsRules::Confirmation::Legacy ? suppressLegacy : suppressExtended;
        if (suppressed)
            continue;
        const bool confirmed = confirm(confirmation);
        // The sheet may have been cancelled while the question was open.
        if (!self || m_sheetEnded || !confirmed)
            return;
    }
    setBusy(true);
    d->save->start(settings);
}

void MLConfigurationSheetController::cancelClicked()
{
    endSheet(0);
}

void MLConfigurationSheetController::defaultsClicked()
{
    if (m_busy || m_sheetEnded)
        return;
    if (QMessageBox *earlier = m_resetConfirmAlert) {
        m_resetConfirmAlert = nullptr;
        earlier->disconnect(this);
        earlier->hide();
        earlier->deleteLater();
    }
    QMessageBox *alert = makeAlert(
        d->dialog,
        tr("Are you sure you want to reset the Microphone settings back to their factory defaults?"),
        QString());
    QPushButton *reset = alert->addButton(tr("Reset Microphone"), QMessageBox::AcceptRole);
    QPushButton *keep = alert->addButton(tr("Do Not Reset"), QMessageBox::RejectRole);
    alert->setDefaultButton(reset);
    alert->setEscapeButton(keep);
    alert->setWindowModality(Qt::WindowModal);
    m_resetConfirmAlert = alert;
    connect(alert, &QMessageBox::finished, this, [this, alert, reset] {
        if (m_resetConfirmAlert == alert)
            resetAlertDidEnd(alert->clickedButton() == reset ? 1 : 0);
    });
    alert->open();
}

void MLConfigurationSheetController::resetAlertDidEnd(int returnCode)
{
    if (QMessageBox *alert = m_resetConfirmAlert) {
        m_resetConfirmAlert = nullptr;
        alert->disconnect(this);
        alert->hide();
        alert->deleteLater();
    }
    if (returnCode != 1)
        return;
    const MLMicrophoneSettings factory = MLSettingsRules::factorySettings();
    setMicrophoneName(factory.name);
    setChannel1(factory.channel1);
    setChannel2(factory.channel2);
    setVoiceChoice(factory.coverage);
    okClicked();
}

void MLConfigurationSheetController::moreInformationClicked()
{
    if (m_busy || m_sheetEnded)
        return;
    if (MLSwitchInfoWindowController *earlier = m_switchInfoWindow) {
        m_switchInfoWindow = nullptr;
        if (earlier->window())
            earlier->window()->hide();
        earlier->deleteLater();
    }
    auto *info = new MLSwitchInfoWindowController(this);
    m_switchInfoWindow = info;
    info->loadWindow(d->dialog);
    info->beginSheet(d->dialog, [this](QWidget *, int returnCode) { switchInfoDidEnd(returnCode); });
}

void MLConfigurationSheetController::switchInfoDidEnd(int returnCode)
{
    Q_UNUSED(returnCode);
    if (MLSwitchInfoWindowController *info = m_switchInfoWindow) {
        m_switchInfoWindow = nullptr;
        if (info->window())
            info->window()->hide();
        // Its window is still delivering the signal that ended it.
        info->deleteLater();
    }
}

// --- Saving -------------------------------------------------------------------------

qint32 MLConfigurationSheetController::saveStage() const
{
    return d->save->stage();
}

void MLConfigurationSheetController::saveInterrupted(MLFailureReason reason)
{
    if (m_busy && !m_sheetEnded)
        d->save->interrupt(reason);
}

void MLConfigurationSheetController::saveFailed()
{
    setBusy(false);
    emit saveDidNotComplete();
    // The alert waits for the device manager to finish with the command: after
    // a time-out it cleans up only once this completion has returned, and that
    // clean-up would cancel any command started while the alert was open.
    QTimer::singleShot(0, this, [this] {
        if (!m_sheetEnded)
            informConfigurationNotSaved();
    });
}

// --- Alerts -------------------------------------------------------------------------

bool MLConfigurationSheetController::confirm(MLSettingsRules::Confirmation confirmation)
{
    const QPointer<MLConfigurationSheetController> self(this);
    const QPointer<QMessageBox> alert = makeAlert(d->dialog, MLSettingsRules::confirmationTitle(confirmation),
                                                  MLSettingsRules::confirmationText(confirmation));
    QPushButton *yes = alert->addButton(tr("Yes"), QMessageBox::YesRole);
    QPushButton *no = alert->addButton(tr("No"), QMessageBox::NoRole);
    alert->setDefaultButton(yes);
    alert->setEscapeButton(no);
    alert->setCheckBox(new QCheckBox(tr("Do not show this message again")));
    d->modalAlert = alert;
    alert->exec();
    // Cancelling the sheet may have closed the alert, and may have deleted it with this controller.
    const bool confirmed = alert && alert->clickedButton() == yes;
    const bool suppress = alert && alert->checkBox() && alert->checkBox()->isChecked();
    delete alert.data();
    if (!self)
        return false;
    d->modalAlert = nullptr;
    if (confirmed && suppress)
        MLUserDefaults::setBool(true, QString(confirmation == MLSettingsRules::Confirmation::Legacy
                                                  ? MLDefaultsKeys::SuppressLegacyWarning
                                                  : MLDefaultsKeys::SuppressExtendedWarning));
    return confirmed;
}

void MLConfigurationSheetController::inform(const QString &message, const QString &informativeText)
{
    const QPointer<MLConfigurationSheetController> self(this);
    const QPointer<QMessageBox> alert = makeAlert(d->dialog, message, informativeText);
    alert->setDefaultButton(alert->addButton(tr("OK"), QMessageBox::AcceptRole));
    d->modalAlert = alert;
    alert->exec();
    delete alert.data();
    if (self)
        d->modalAlert = nullptr;
}

bool MLConfigurationSheetController::confirmLegacyChannels()
{
    return confirm(MLSettingsRules::Confirmation::Legacy);
}

bool MLConfigurationSheetController::confirmExtendedChannels()
{
    return confirm(MLSettingsRules::Confirmation::Extended);
}

void MLConfigurationSheetController::informProblem(MLSettingsRules::Problem problem)
{
    inform(MLSettingsRules::problemTitle(problem), MLSettingsRules::problemText(problem));
}

void MLConfigurationSheetController::informMicrophoneNameInvalid()
{
    informProblem(MLSettingsRules::Problem::NameBlank);
}

void MLConfigurationSheetController::informMicrophoneNameNotSendable()
{
    informProblem(MLSettingsRules::Problem::NameNotSendable);
}

void MLConfigurationSheetController::informUserChannelsCannotBeTheSame()
{
    informProblem(MLSettingsRules::Problem::ChannelsEqual);
}

void MLConfigurationSheetController::informMicrophoneNameTooLong()
{
    informProblem(MLSettingsRules::Problem::NameTooLong);
}

void MLConfigurationSheetController::informMicrophoneNameReserved()
{
    informProblem(MLSettingsRules::Problem::NameReserved);
}

void MLConfigurationSheetController::informConfigurationNotSaved()
{
    // The stages before the failed one were acknowledged: the microphone holds those values now.
    QStringList written;
    for (int stage = 0; stage < d->save->stage() && stage < MLSettingsSave::StageCount; ++stage)
        written.append(MLSettingsSave::stageName(stage));
    const QString outcome = written.isEmpty()
                                ? tr("No new value was written to the microphone.")
                                : tr("The microphone took these new values before the failure: %1.")
                                      .arg(written.join(QStringLiteral(", ")));
    inform(tr("Configuration could not be saved"),
           tr("An error occurred and the microphone configuration could not be saved.\n\nClose this message, "
              "disconnect the microphone and reconnect to try again. If the problem persists please contact "
              "Marlevo Customer Care.") +
               QStringLiteral("\n\n") + outcome);
}
