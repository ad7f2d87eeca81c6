#include "MLConfigurationSheetController.h"

#include "MLBusyIndicator.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLLayoutLoader.h"
#include "MLLengthFormatter.h"
#include "MLLog.h"
#include "MLProperty.h"
#include "MLSettingsSave.h"
#include "MLUserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <initializer_list>

namespace {

// Marks the one item of a selector that shows a value it does not offer.
constexpr int kUnknownValueRole = Qt::UserRole + 1;

// Dynamic properties of the name field in the layout.
const char kMaxLengthProperty[] = "mlMaxLength";
const char kPrintableAsciiProperty[] = "mlPrintableAsciiOnly";

void fillChannels(QComboBox *combo)
{
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (qint32 value = MLSettingsRules::kLowestChannel; value <= MLSettingsRules::kHighestChannel; ++value)
        combo->addItem(MLSettingsRules::channelName(value), value);
}

void fillCoverage(QComboBox *combo)
{
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (qint32 value = MLSettingsRules::kLowestCoverage; value <= MLSettingsRules::kHighestCoverage; ++value)
        combo->addItem(QLocale().toString(value), value);
}

// Shows the value; one that the selector does not offer gets an item of its
// own, so that it is shown as it is and saved back unchanged.
void selectValue(QComboBox *combo, qint32 value)
{
    if (!combo)
        return;
    const QSignalBlocker blocker(combo);
    int index = combo->findData(value);
    if (index < 0) {
        const QString text = MLSettingsRules::unknownValueName(value);
        index = combo->findData(true, kUnknownValueRole);
        if (index < 0) {
            combo->addItem(text, value);
            index = combo->count() - 1;
            combo->setItemData(index, true, kUnknownValueRole);
        } else {
            combo->setItemText(index, text);
            combo->setItemData(index, value);
        }
    }
    combo->setCurrentIndex(index);
}

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

struct MLConfigurationSheetController::Private
{
    QPointer<QDialog> dialog;
    QPointer<QLineEdit> nameField;
    QPointer<MLLengthFormatter> nameFormatter;
    QPointer<QLabel> nameHint;
    QString nameHintText;
    QPointer<QComboBox> channel1Selector;
    QPointer<QComboBox> channel2Selector;
    QPointer<QComboBox> coverageSelector;
    QPointer<QPushButton> okButton;
    QPointer<QPushButton> cancelButton;
    QPointer<QPushButton> defaultsButton;
    QPointer<QPushButton> moreInformationButton;
    QPointer<MLBusyIndicator> progressIndicator;
    QPointer<QLabel> savingLabel;
    QPointer<QLabel> coverageHint;
    // A child of the controller: destroyed with it, it cancels only its own command.
    MLSettingsSave *save = nullptr;
    QPointer<QWidget> focusBeforeBusy;
    // The application-modal alert while one runs.
    QPointer<QMessageBox> modalAlert;
    DidEndHandler didEnd;
    // Inside the did-end handler, which may release this controller.
    bool endingSheet = false;
};

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

// --- Window -------------------------------------------------------------------------

bool MLConfigurationSheetController::loadWindow(QWidget *parentWindow)
{
    if (d->dialog)
        return true;
    QWidget *root = MLLayoutLoader::loadLayout(QStringLiteral("ConfigurationSheet"), parentWindow);
    if (!root) {
        MLLog("Could not load configuration sheet.");
        return false;
    }
    auto *dialog = qobject_cast<QDialog *>(root);
    if (!dialog) {
        // A layout made as a plain view: give it the dialog a sheet needs.
        dialog = new QDialog(parentWindow);
        dialog->setWindowTitle(root->windowTitle());
        auto *layout = new QVBoxLayout(dialog);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        root->setParent(dialog);
        layout->addWidget(root);
    }
    d->dialog = dialog;
    d->nameField = dialog->findChild<QLineEdit *>(QStringLiteral("microphoneNameField"));
    d->nameHint = dialog->findChild<QLabel *>(QStringLiteral("microphoneNameHint"));
    d->channel1Selector = dialog->findChild<QComboBox *>(QStringLiteral("channel1Selector"));
    d->channel2Selector = dialog->findChild<QComboBox *>(QStringLiteral("channel2Selector"));
    d->coverageSelector = dialog->findChild<QComboBox *>(QStringLiteral("coverageSelector"));
    d->okButton = dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
    d->cancelButton = dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"));
    d->defaultsButton = dialog->findChild<QPushButton *>(QStringLiteral("defaultsButton"));
    d->moreInformationButton = dialog->findChild<QPushButton *>(QStringLiteral("moreInformationButton"));
    d->progressIndicator = dialog->findChild<MLBusyIndicator *>(QStringLiteral("progressIndicator"));
    d->savingLabel = dialog->findChild<QLabel *>(QStringLiteral("savingLabel"));
    d->coverageHint = dialog->findChild<QLabel *>(QStringLiteral("coverageHint"));
    connectControls();
    return true;
}

QDialog *MLConfigurationSheetController::window() const
{
    return d->dialog;
}

void MLConfigurationSheetController::connectControls()
{
    if (QLineEdit *field = d->nameField) {
        auto *formatter = new MLLengthFormatter(field);
        formatter->setMaxLength(field->property(kMaxLengthProperty).toInt());
        formatter->setPrintableAsciiOnly(field->property(kPrintableAsciiProperty).toBool());
        formatter->attachTo(field);
        d->nameFormatter = formatter;
        formatter->setFieldText(m_microphoneName);
        if (d->nameHint) {
            d->nameHintText = d->nameHint->text().arg(formatter->maxLength());
            d->nameHint->setText(d->nameHintText);
        }
        connect(field, &QLineEdit::textEdited, this, [this] {
            if (d->nameHint)
                d->nameHint->setText(d->nameHintText);
        });
        // Whatever changed the text (typing, a screen reader, code), the name follows it.
        connect(field, &QLineEdit::textChanged, this, &MLConfigurationSheetController::setMicrophoneName);
        connect(field, &QLineEdit::inputRejected, this, [this] {
            QApplication::beep();
            if (!d->nameHint || !d->nameFormatter)
                return;
            if (d->nameFormatter->lastRefusal() == MLLengthFormatter::Refusal::CharacterNotAllowed)
                d->nameHint->setText(
                    tr("The microphone cannot store that character. Use letters A to Z, digits, "
                       "spaces and punctuation."));
            else if (d->nameFormatter->lastRefusal() == MLLengthFormatter::Refusal::TooLong)
                d->nameHint->setText(tr("The name cannot be longer than %n characters.", nullptr,
                                        d->nameFormatter->maxLength()));
        });
        connect(this, &MLConfigurationSheetController::microphoneNameChanged, field,
                [this](const QString &name) {
                    if (d->nameFormatter && d->nameField && d->nameField->text() != name)
                        d->nameFormatter->setFieldText(name);
                });
    }

    const auto bindSelector = [this](QComboBox *combo, qint32 value,
                                     void (MLConfigurationSheetController::*set)(qint32),
                                     void (MLConfigurationSheetController::*changed)(qint32)) {
        if (!combo)
            return;
        selectValue(combo, value);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, set](int index) {
            if (index >= 0)
                (this->*set)(combo->itemData(index).toInt());
        });
        connect(this, changed, combo, [combo](qint32 newValue) { selectValue(combo, newValue); });
    };
    if (d->channel1Selector)
        fillChannels(d->channel1Selector);
    if (d->channel2Selector)
        fillChannels(d->channel2Selector);
    if (d->coverageSelector)
        fillCoverage(d->coverageSelector);
    bindSelector(d->channel1Selector, m_channel1, &MLConfigurationSheetController::setChannel1,
                 &MLConfigurationSheetController::channel1Changed);
    bindSelector(d->channel2Selector, m_channel2, &MLConfigurationSheetController::setChannel2,
                 &MLConfigurationSheetController::channel2Changed);
    bindSelector(d->coverageSelector, m_voiceChoice, &MLConfigurationSheetController::setVoiceChoice,
                 &MLConfigurationSheetController::voiceChoiceChanged);
    if (QLabel *hint = d->coverageHint) {
        // A bare number means little to a teacher: say what the chosen one does.
        hint->setText(MLSettingsRules::coverageMeaning(m_voiceChoice));
        connect(this, &MLConfigurationSheetController::voiceChoiceChanged, hint,
                [hint](qint32 value) { hint->setText(MLSettingsRules::coverageMeaning(value)); });
    }

    if (d->okButton)
        connect(d->okButton, &QPushButton::clicked, this, [this] { okClicked(); });
    if (d->cancelButton)
        connect(d->cancelButton, &QPushButton::clicked, this, [this] { cancelClicked(); });
    if (d->defaultsButton)
        connect(d->defaultsButton, &QPushButton::clicked, this, [this] { defaultsClicked(); });
    if (d->moreInformationButton)
        connect(d->moreInformationButton, &QPushButton::clicked, this, [this] { moreInformationClicked(); });
    // Every way the dialog closes (Escape, its close button, endSheet) ends the sheet here.
    connect(d->dialog, &QDialog::finished, this, &MLConfigurationSheetController::sheetFinished);

    // The busy row keeps its room while hidden, so the buttons never move.
    for (QWidget *widget :
         {static_cast<QWidget *>(d->progressIndicator), static_cast<QWidget *>(d->savingLabel)}) {
        if (!widget)
            continue;
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    showBusy();
}

void MLConfigurationSheetController::beginSheet(QWidget *modalForWindow, DidEndHandler didEnd)
{
    QDialog *dialog = d->dialog;
    if (!dialog || m_sheetOpen || m_sheetEnded)
        return;
    d->didEnd = std::move(didEnd);
    if (modalForWindow && dialog->parentWidget() != modalForWindow)
        dialog->setParent(modalForWindow, dialog->windowFlags());
    dialog->setWindowModality(Qt::WindowModal);
    m_sheetOpen = true;
    dialog->open();
    if (d->nameField) {
        d->nameField->setFocus(Qt::OtherFocusReason);
        d->nameField->selectAll();
    }
}

void MLConfigurationSheetController::endSheet(int returnCode)
{
    if (m_sheetEnded)
        return;
    if (d->dialog)
        d->dialog->done(returnCode); // reaches sheetFinished
    else
        sheetFinished(returnCode);
}

void MLConfigurationSheetController::sheetFinished(int returnCode)
{
    if (m_sheetEnded)
        return;
    const bool saveStopped = m_busy && returnCode != 1;
    m_sheetEnded = true;
    m_sheetOpen = false;
    d->save->stop();
    if (saveStopped)
        emit saveDidNotComplete();
    if (d->dialog)
        d->dialog->hide();
    const DidEndHandler didEnd = std::move(d->didEnd);
    d->didEnd = nullptr;
    if (!didEnd)
        return;
    const QPointer<MLConfigurationSheetController> self(this);
    d->endingSheet = true;
    didEnd(d->dialog, returnCode);
    // The handler may have released this controller.
    if (self)
        d->endingSheet = false;
}

void MLConfigurationSheetController::cancel()
{
    if (m_sheetEnded)
        return;
    // An alert that blocks the application (a confirmation, an error) goes
    // first: it answers "No", so nothing is saved.
    if (d->modalAlert)
        d->modalAlert->done(QDialog::Rejected);
    if (m_resetConfirmAlert)
        resetAlertDidEnd(0);
    if (m_switchInfoWindow)
        m_switchInfoWindow->endSheet(0);
    endSheet(0);
    // The did-end handler may have released this controller.
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

void MLConfigurationSheetController::showBusy()
{
    if (m_busy && d->dialog) {
        QWidget *focus = QApplication::focusWidget();
        d->focusBeforeBusy = focus && d->dialog->isAncestorOf(focus) ? focus : nullptr;
    }
    // Cancel stays usable: it ends a save that the microphone does not answer.
    for (QWidget *control :
         {static_cast<QWidget *>(d->nameField), static_cast<QWidget *>(d->channel1Selector),
          static_cast<QWidget *>(d->channel2Selector), static_cast<QWidget *>(d->coverageSelector),
          static_cast<QWidget *>(d->defaultsButton), static_cast<QWidget *>(d->moreInformationButton),
          static_cast<QWidget *>(d->okButton)}) {
        if (control)
            control->setEnabled(!m_busy);
    }
    if (MLBusyIndicator *indicator = d->progressIndicator) {
        indicator->setVisible(m_busy);
        if (m_busy)
            indicator->startAnimation();
        else
            indicator->stopAnimation();
    }
    if (d->savingLabel)
        d->savingLabel->setVisible(m_busy);
    if (!m_busy && d->focusBeforeBusy && d->focusBeforeBusy->isEnabled()) {
        d->focusBeforeBusy->setFocus(Qt::OtherFocusReason);
        d->focusBeforeBusy = nullptr;
    }
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
