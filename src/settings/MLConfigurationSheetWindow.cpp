// The settings sheet's window: loading its layout, filling its selectors and
// binding its controls to the controller's properties, and the busy state it
// shows while saving.

#include "MLConfigurationSheetController.h"
#include "MLConfigurationSheetPrivate.h"

#include "MLBusyIndicator.h"
#include "MLLayoutLoader.h"
#include "MLLengthFormatter.h"
#include "MLLog.h"
#include "MLSettingsRules.h"
#include "MLSettingsSave.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
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

} // namespace

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
