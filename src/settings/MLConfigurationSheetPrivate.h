#pragma once

// What the settings sheet's files share: the window's parts and the sheet's state.

#include "MLConfigurationSheetController.h"

#include <QPointer>

class MLBusyIndicator;
class MLLengthFormatter;
class MLSettingsSave;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

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
