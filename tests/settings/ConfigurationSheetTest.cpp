// The settings sheet on its own: validation, confirmations, the staged save
// through the real device manager to the simulated microphone, the factory
// reset, the information window, cancelling, keyboard and accessibility.

#include "MLBusyIndicator.h"
#include "MLConfigurationSheetController.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

using namespace mlsettingstest;
using mltest::LogCapture;
using mltest::processEventsFor;
using mltest::waitUntil;

namespace {

const QString kLegacy = QStringLiteral("Confirm legacy channels");
const QString kExtended = QStringLiteral("Confirm extended channels");
const QString kNotSaved = QStringLiteral("Configuration could not be saved");
const QString kNotSavedInfo = QStringLiteral(
    "An error occurred and the microphone configuration could not be saved.\n\nClose this message, "
    "disconnect the microphone and reconnect to try again. If the problem persists please contact "
    "Marlevo Customer Care.");
const QStringList kOk{QStringLiteral("OK")};

MLDeviceManager *manager()
{
    return MLDeviceManager::sharedInstance();
}

bool keyIsSet(QLatin1StringView key)
{
    return MLUserDefaults::hasStoredValue(QString(key));
}

class Sheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mltest::clearUserDefaults();
        QString error;
        ASSERT_TRUE(m_mic.attach(&error)) << error.toStdString();
        m_mainWindow.resize(560, 380);
        m_mainWindow.show();
        open(QStringLiteral("Room 4"), 0, 1, 3);
    }

    void TearDown() override
    {
        m_sheet.reset();
        m_mic.detach();
    }

    void open(const QString &name, qint32 channel1, qint32 channel2, qint32 coverage)
    {
        m_sheet.reset();
        m_endCodes.clear();
        m_sheet = std::make_unique<MLConfigurationSheetController>();
        ASSERT_TRUE(m_sheet->loadWindow(&m_mainWindow));
        set(name, channel1, channel2, coverage);
        m_sheet->beginSheet(&m_mainWindow, [this](QWidget *window, int returnCode) {
            EXPECT_EQ(window, m_sheet->window());
            if (m_onEnd)
                m_onEnd();
            m_endCodes.push_back(returnCode);
        });
        mltest::flushEvents();
    }

    void set(const QString &name, qint32 channel1, qint32 channel2, qint32 coverage)
    {
        m_sheet->setMicrophoneName(name);
        m_sheet->setChannel1(channel1);
        m_sheet->setChannel2(channel2);
        m_sheet->setVoiceChoice(coverage);
    }

    void suppressBothQuestions()
    {
        MLUserDefaults::setBool(true, QString(MLDefaultsKeys::SuppressLegacyWarning));
        MLUserDefaults::setBool(true, QString(MLDefaultsKeys::SuppressExtendedWarning));
    }

    bool waitForEnd() { return waitUntil([this] { return !m_endCodes.empty(); }, 4000); }

    QList<QByteArray> commands() const { return m_mic.sim.receivedCommands(); }

    void expectNothingSent()
    {
        processEventsFor(50);
        EXPECT_EQ(commands(), QList<QByteArray>{});
        EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandNone);
        EXPECT_FALSE(m_sheet->busy());
    }

    void expectStillEditing()
    {
        EXPECT_TRUE(m_sheet->isSheetOpen());
        EXPECT_TRUE(m_sheet->window()->isVisible());
        EXPECT_TRUE(m_endCodes.empty());
        EXPECT_FALSE(m_sheet->busy());
    }

    // The save failed at the stage with the reason: logged, alerted, and the sheet is still open.
    void expectFailedAt(int stage, const QString &reason, const LogCapture &log, const AlertDriver &alerts)
    {
        ASSERT_TRUE(waitUntil([&] { return !alerts.seen.empty(); }, 3000)) << "the sheet must not stay busy";
        EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: %1, %2").arg(stage).arg(reason)), 1)
            << log.records().join(u'\n').toStdString();
        EXPECT_EQ(alerts.seen[0].text, kNotSaved);
        EXPECT_EQ(alerts.seen[0].informativeText, kNotSavedInfo);
        EXPECT_EQ(alerts.seen[0].buttons, kOk);
        expectStillEditing();
        EXPECT_EQ(m_sheet->saveStage(), stage);
    }

    template<typename T> T *child(const char *name) const
    {
        return m_sheet->window()->findChild<T *>(QString::fromLatin1(name));
    }

    QWidget m_mainWindow;
    SimulatedMicrophone m_mic;
    std::unique_ptr<MLConfigurationSheetController> m_sheet;
    std::vector<int> m_endCodes;
    std::function<void()> m_onEnd;
};

// --- Validation and confirmations ----------------------------------------------------

TEST_F(Sheet, ValidationRefusesInOrderBeforeAnythingIsWritten)
{
    // Equal legacy channels every time: the name is tested before them.
    const struct
    {
        const char *screenshot;
        QString name;
        QString text;
        QString informativeText;
    } cases[] = {
        {"Alert-NameBlank", QStringLiteral(" \n\t \r\n"), QStringLiteral("Name cannot be blank"),
         QStringLiteral("Please enter a name for the microphone, with a maximum of 12 characters.")},
        // A command line carries 7-bit ASCII only, and no line end.
        {"Alert-NameNotSendable", QString::fromUtf8("Caf\xC3\xA9"),
         QStringLiteral("Name contains characters the microphone cannot store"), {}},
        {"", QStringLiteral("Lab\r2"), QStringLiteral("Name contains characters the microphone cannot store"), {}},
        {"Alert-SameChannels", QStringLiteral("Lab 2"), QStringLiteral("Channels assignments must be different"),
         QStringLiteral("You cannot assign the same channel to both switch positions on your microphone. Please "
                        "assign a unique channel to each microphone channel switch position.")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        AlertDriver alerts(QString::fromLatin1(c.screenshot));
        alerts.answer(QStringLiteral("OK"));
        set(c.name, 5, 5, 3);
        m_sheet->okClicked();
        ASSERT_EQ(alerts.seen.size(), 1u);
        EXPECT_EQ(alerts.seen[0].text, c.text);
        if (c.informativeText.isEmpty())
            EXPECT_FALSE(alerts.seen[0].informativeText.isEmpty());
        else
            EXPECT_EQ(alerts.seen[0].informativeText, c.informativeText);
        EXPECT_EQ(alerts.seen[0].buttons, kOk);
        EXPECT_EQ(alerts.seen[0].modality, Qt::ApplicationModal);
        EXPECT_TRUE(alerts.seen[0].checkBoxText.isEmpty());
        expectNothingSent();
        expectStillEditing();
        EXPECT_EQ(m_sheet->microphoneName(), c.name);
        EXPECT_EQ(alerts.unexpected, 0);
    }
}

TEST_F(Sheet, LegacyThenExtendedQuestionAndTheirKeys)
{
    const QString yes = QStringLiteral("Yes"), no = QStringLiteral("No");
    const QString legacyInfo = QStringLiteral(
        "A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik System. These "
        "channels are for use with other Marlevo Systems.\n\nDo you want to continue?");
    const QString extendedInfo = QStringLiteral(
        "A channel you have selected (C, D or E) will not function without the optional Orvik Channel Expansion "
        "Module installed.\n\nDo you want to continue?");
    // A key is set only by a ticked "Yes"; once set, its question is not asked again.
    const auto key = [](QLatin1StringView name) {
        return keyIsSet(name) ? std::optional(MLUserDefaults::boolForKey(QString(name))) : std::nullopt;
    };
    const struct
    {
        qint32 channel1, channel2;
        std::vector<std::pair<QString, bool>> answers; // button, box ticked
        QStringList asked;
        bool saved;
        std::optional<bool> legacyKey, extendedKey;
    } rows[] = {
        {2, 6, {{yes, false}, {yes, false}}, {kLegacy, kExtended}, true, {}, {}}, // C and Legacy B
        {2, 6, {{no, true}}, {kLegacy}, false, {}, {}},
        {2, 6, {{yes, false}, {no, true}}, {kLegacy, kExtended}, false, {}, {}},
        {0, 5, {{yes, true}}, {kLegacy}, true, true, {}},
        {3, 6, {{yes, true}}, {kExtended}, true, true, true},
        {4, 5, {}, {}, true, true, true},
    };
    AlertDriver alerts(QStringLiteral("Alert-Confirm"));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.asked.join(u'/').toStdString() + (row.saved ? " saved" : " not saved"));
        open(QStringLiteral("Lab 2"), row.channel1, row.channel2, 3);
        m_mic.sim.clearReceivedCommands();
        const size_t seenBefore = alerts.seen.size();
        for (const auto &[button, tick] : row.answers)
            alerts.answer(button, tick);
        m_sheet->okClicked();
        if (row.saved) {
            ASSERT_TRUE(waitForEnd());
            EXPECT_EQ(m_endCodes, std::vector<int>{1});
            EXPECT_EQ(commands().size(), 4);
        } else {
            expectNothingSent();
            expectStillEditing();
            EXPECT_EQ(m_sheet->channel2(), row.channel2);
        }
        QStringList asked;
        for (const SeenAlert &alert : std::vector(alerts.seen.begin() + seenBefore, alerts.seen.end())) {
            asked << alert.text;
            EXPECT_EQ(alert.informativeText, alert.text == kLegacy ? legacyInfo : extendedInfo);
            EXPECT_EQ(alert.buttons, (QStringList{yes, no}));
            EXPECT_EQ(alert.checkBoxText, QStringLiteral("Do not show this message again"));
            EXPECT_EQ(alert.modality, Qt::ApplicationModal);
        }
        EXPECT_EQ(asked, row.asked);
        EXPECT_EQ(key(MLDefaultsKeys::SuppressLegacyWarning), row.legacyKey);
        EXPECT_EQ(key(MLDefaultsKeys::SuppressExtendedWarning), row.extendedKey);
    }
    EXPECT_EQ(alerts.unexpected, 0);
}

// --- Saving -------------------------------------------------------------------------

TEST_F(Sheet, SavesTheFourValuesOneAfterAnother)
{
    suppressBothQuestions();
    m_mic.sim.setReplyDelayMs(200);
    set(QStringLiteral(" Lab 2 "), 2, 5, 4); // the name goes out as entered, spaces and all
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet"));

    m_sheet->okClicked();
    EXPECT_TRUE(m_sheet->busy());
    // The next value goes out only once the microphone acknowledged the one before.
    ASSERT_TRUE(m_mic.sim.waitForCommands(1, 2000));
    processEventsFor(50);
    EXPECT_EQ(commands().size(), 1);

    // Editing stops during the save; Cancel still ends it.
    for (const char *name : {"microphoneNameField", "channel1Selector", "channel2Selector", "coverageSelector",
                             "okButton", "defaultsButton", "moreInformationButton"})
        EXPECT_FALSE(child<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(child<QPushButton>("cancelButton")->isEnabled());
    EXPECT_TRUE(child<MLBusyIndicator>("progressIndicator")->isVisible());
    EXPECT_TRUE(child<MLBusyIndicator>("progressIndicator")->isAnimating());
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet-Saving"));

    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME  Lab 2 ", "channel1=2", "channel2=5", "coverage=4"}));
    EXPECT_FALSE(m_sheet->busy());
    EXPECT_FALSE(m_sheet->window()->isVisible());
    EXPECT_FALSE(child<MLBusyIndicator>("progressIndicator")->isAnimating());
}

TEST_F(Sheet, FailureAtStageTwoKeepsTheSheetOpenAndARetryStartsOver)
{
    m_mic.neverAnswer("channel2=");
    LogCapture log;
    AlertDriver alerts(QStringLiteral("Alert-NotSaved"));
    alerts.answer(QStringLiteral("OK"));
    set(QStringLiteral("Lab 2"), 1, 0, 4);
    m_sheet->okClicked();
    expectFailedAt(2, QStringLiteral("Timeout"), log, alerts);
    EXPECT_TRUE(child<QPushButton>("okButton")->isEnabled());
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral("Lab 2"));
    EXPECT_EQ(m_sheet->channel1(), 1);
    EXPECT_EQ(m_sheet->channel2(), 0);
    EXPECT_EQ(m_sheet->voiceChoice(), 4);

    m_mic.sim.setReplyOverride({});
    m_mic.sim.clearReceivedCommands();
    m_sheet->okClicked();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME Lab 2", "channel1=1", "channel2=0", "coverage=4"}));
    EXPECT_EQ(alerts.seen.size(), 1u);
}

// A stage the device manager refuses never completes: it must fail like any
// other, or the sheet stays busy for ever.
TEST_F(Sheet, RefusedStageFailsTheSave)
{
    // Refused at once: another command is outstanding, and is left to finish.
    m_mic.sim.setReplyDelayMs(300);
    QObject other;
    bool answered = false;
    ASSERT_TRUE(manager()->queryDeviceWithCompletionTarget(
        &other, [&](QObject *, const MLDeviceOperationResult &result) { answered = result.result(); },
        QStringLiteral("query")));
    {
        LogCapture log;
        AlertDriver alerts;
        alerts.answer(QStringLiteral("OK"));
        set(QStringLiteral("Lab 2"), 0, 1, 3);
        m_sheet->okClicked();
        expectFailedAt(0, QStringLiteral("Refused"), log, alerts);
    }
    ASSERT_TRUE(waitUntil([&] { return answered; }, 3000));
    EXPECT_EQ(commands(), QList<QByteArray>{"SUMMARY"});

    // Refused from a completion: a second microphone arrived during the save.
    m_mic.sim.clearReceivedCommands();
    m_mic.sim.setReplyDelayMs(100);
    LogCapture log;
    AlertDriver alerts;
    alerts.answer(QStringLiteral("OK"));
    m_sheet->okClicked();
    ASSERT_TRUE(m_mic.sim.waitForCommands(1, 2000));
    manager()->setConnectedDevices(microphonesAt(m_mic.path, 2));
    expectFailedAt(1, QStringLiteral("Refused"), log, alerts);
    EXPECT_EQ(commands(), QList<QByteArray>{"RENAME Lab 2"});
}

TEST_F(Sheet, DestructionCancelsTheSheetsOwnCommand)
{
    // No completion may reach a destroyed sheet. (That the main window's
    // query survives the sheet is tested with the application.)
    m_mic.sim.setSilent(true);
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([] { return manager()->currentDeviceCommand() == MLDeviceCommandRename; }, 2000));
    LogCapture log;
    m_sheet.reset();
    EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandNone);
    EXPECT_FALSE(manager()->isTimeoutTimerArmed());
    processEventsFor(SimulatedMicrophone::kCommandTimeoutMs + 150);
    EXPECT_EQ(log.count(QStringLiteral("Serial Timeout")), 0);
}

TEST_F(Sheet, ALateAcknowledgementStartsNothing)
{
    AlertDriver alerts;
    MLDeviceOperationResult ack(true);
    ack.setResultString(QStringLiteral("name=Lab 2\r\n"));
    m_sheet->propertySetComplete(ack);
    expectNothingSent();
    expectStillEditing();
    EXPECT_TRUE(alerts.seen.empty());
}

// --- Factory reset, information window, cancel ---------------------------------------

TEST_F(Sheet, FactoryResetSavesTheFactoryValuesWithoutFurtherQuestions)
{
    AlertDriver alerts(QStringLiteral("Alert-FactoryReset"));
    alerts.answer(QStringLiteral("Do Not Reset"));
    set(QStringLiteral("Lab 2"), 5, 6, 4);
    m_sheet->defaultsClicked();
    ASSERT_NE(m_sheet->resetConfirmAlert(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return m_sheet->resetConfirmAlert() == nullptr; }, 2000));
    ASSERT_EQ(alerts.seen.size(), 1u);
    EXPECT_EQ(alerts.seen[0].text,
              QStringLiteral("Are you sure you want to reset the Microphone settings back to their factory defaults?"));
    EXPECT_EQ(alerts.seen[0].informativeText, QString());
    EXPECT_EQ(alerts.seen[0].buttons, (QStringList{QStringLiteral("Reset Microphone"), QStringLiteral("Do Not Reset")}));
    EXPECT_EQ(alerts.seen[0].modality, Qt::WindowModal) << "a sheet on the sheet";
    expectNothingSent();
    expectStillEditing();
    EXPECT_EQ(m_sheet->channel1(), 5);

    alerts.answer(QStringLiteral("Reset Microphone"));
    m_sheet->defaultsClicked();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(alerts.seen.size(), 2u) << "no legacy or extended question";
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME Microphone", "channel1=0", "channel2=1", "coverage=3"}));
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral("Microphone"));
    EXPECT_EQ(alerts.unexpected, 0);
}

TEST_F(Sheet, SwitchInformationWindow)
{
    m_sheet->moreInformationClicked();
    ASSERT_NE(m_sheet->switchInfoWindow(), nullptr);
    const QPointer<QDialog> window = m_sheet->switchInfoWindow()->window();
    ASSERT_NE(window, nullptr);
    mltest::flushEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowModality(), Qt::WindowModal);
    EXPECT_EQ(window->parentWidget(), m_sheet->window()) << "a sheet on the settings sheet";
    saveScreenshot(window, QStringLiteral("SwitchInfoWindow"));

    auto *ok = window->findChild<QPushButton *>(QStringLiteral("okButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(m_sheet->switchInfoWindow(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, 1000)) << "released with its controller";
    expectStillEditing();
}

TEST_F(Sheet, CancelClosesTheResetQuestionAndTheInformationWindowFirst)
{
    set(QStringLiteral("Lab 2"), 5, 6, 4);
    m_sheet->defaultsClicked();
    m_sheet->moreInformationClicked();
    const QPointer<QMessageBox> resetAlert = m_sheet->resetConfirmAlert();
    const QPointer<QDialog> infoWindow = m_sheet->switchInfoWindow()->window();
    mltest::flushEvents();
    ASSERT_TRUE(resetAlert && resetAlert->isVisible());
    ASSERT_TRUE(infoWindow && infoWindow->isVisible());

    bool companionsClosedFirst = false;
    m_onEnd = [&] {
        companionsClosedFirst = m_sheet->resetConfirmAlert() == nullptr && m_sheet->switchInfoWindow() == nullptr &&
                                !(resetAlert && resetAlert->isVisible()) && !(infoWindow && infoWindow->isVisible());
    };
    m_sheet->cancel();
    EXPECT_EQ(m_endCodes, std::vector<int>{0});
    EXPECT_TRUE(companionsClosedFirst);
    EXPECT_FALSE(m_sheet->window()->isVisible());
    // The reset question was answered "no": nothing was reset or sent.
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral("Lab 2"));
    expectNothingSent();

    m_sheet->cancel();
    m_sheet->okClicked();
    EXPECT_EQ(m_endCodes, std::vector<int>{0}) << "an ended sheet ends once and saves nothing";
    expectNothingSent();
}

TEST_F(Sheet, CancelAlsoAnswersAnOpenQuestionWithNo)
{
    AlertDriver alerts;
    alerts.setAnswerDelayMs(3000);
    alerts.answer(QStringLiteral("Yes"));
    set(QStringLiteral("Lab 2"), 0, 6, 3);
    QTimer::singleShot(100, m_sheet.get(), [this] { m_sheet->cancel(); });
    m_sheet->okClicked();
    EXPECT_EQ(alerts.seen.size(), 1u);
    EXPECT_FALSE(alerts.allAnswered()) << "the question closed with the sheet";
    EXPECT_EQ(m_endCodes, std::vector<int>{0});
    expectNothingSent();
    EXPECT_FALSE(keyIsSet(MLDefaultsKeys::SuppressLegacyWarning));
}

TEST_F(Sheet, AControllerReleasedByItsOwnDidEndHandlerIsSafe)
{
    // The application releases the controller in its handler; a handler that
    // deletes it outright must not crash either (the sanitizers watch).
    auto *sheet = new MLConfigurationSheetController();
    ASSERT_TRUE(sheet->loadWindow(&m_mainWindow));
    const QPointer<QDialog> window = sheet->window();
    bool ended = false;
    sheet->beginSheet(&m_mainWindow, [&](QWidget *, int) {
        ended = true;
        delete sheet;
    });
    sheet->moreInformationClicked();
    ASSERT_NE(sheet->switchInfoWindow(), nullptr);
    QTest::keyClick(sheet->switchInfoWindow()->window(), Qt::Key_Escape); // the information window only
    EXPECT_EQ(sheet->switchInfoWindow(), nullptr);
    EXPECT_FALSE(ended);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(ended);
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, 1000));
}

// --- Controls, keyboard, accessibility -----------------------------------------------

TEST_F(Sheet, ControlsShowTheValuesAndSetThem)
{
    auto *channel1 = child<QComboBox>("channel1Selector");
    auto *channel2 = child<QComboBox>("channel2Selector");
    auto *coverage = child<QComboBox>("coverageSelector");
    ASSERT_TRUE(channel1 && channel2 && coverage);
    const char *names[] = {"A", "B", "C", "D", "E", "Legacy A", "Legacy B"};
    ASSERT_EQ(channel1->count(), 7);
    ASSERT_EQ(channel2->count(), 7);
    for (int value = 0; value < 7; ++value) {
        m_sheet->setChannel1(value);
        m_sheet->setChannel2(6 - value);
        EXPECT_EQ(channel1->currentText(), QLatin1StringView(names[value]));
        EXPECT_EQ(channel2->currentText(), QLatin1StringView(names[6 - value]));
        channel1->setCurrentIndex((value + 1) % 7);
        channel2->setCurrentIndex(value);
        EXPECT_EQ(m_sheet->channel1(), (value + 1) % 7);
        EXPECT_EQ(m_sheet->channel2(), value);
    }
    for (int value = 1; value <= 5; ++value) {
        m_sheet->setVoiceChoice(value);
        EXPECT_EQ(coverage->currentText(), QString::number(value));
    }
    m_sheet->setMicrophoneName(QStringLiteral("Room 7"));
    EXPECT_EQ(child<QLineEdit>("microphoneNameField")->text(), QStringLiteral("Room 7"));
}

TEST_F(Sheet, KeyboardAlone)
{
    QDialog *window = m_sheet->window();
    auto *field = child<QLineEdit>("microphoneNameField");
    EXPECT_TRUE(child<QPushButton>("okButton")->isDefault());

    // Tab order through every control.
    QStringList order;
    QWidget *widget = field;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled())
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget && widget != field);
    EXPECT_EQ(order, (QStringList{QStringLiteral("microphoneNameField"), QStringLiteral("channel1Selector"),
                                  QStringLiteral("channel2Selector"), QStringLiteral("moreInformationButton"),
                                  QStringLiteral("coverageSelector"), QStringLiteral("defaultsButton"),
                                  QStringLiteral("cancelButton"), QStringLiteral("okButton")}));

    // Every input is named and labelled; every button says what it does.
    for (QWidget *control : window->findChildren<QWidget *>()) {
        const QString name = control->objectName();
        if (!(control->focusPolicy() & Qt::TabFocus) ||
            !(name.endsWith(QLatin1StringView("Field")) || name.endsWith(QLatin1StringView("Selector")) ||
              name.endsWith(QLatin1StringView("Button"))))
            continue;
        SCOPED_TRACE(name.toStdString());
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            EXPECT_FALSE(button->text().isEmpty());
            continue;
        }
        EXPECT_FALSE(control->accessibleName().isEmpty());
        const QList<QLabel *> labels = window->findChildren<QLabel *>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == control; }));
    }

    // Enter presses OK.
    suppressBothQuestions();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(m_sheet->busy());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});

    // Escape cancels, also during a save.
    open(QStringLiteral("Lab 2"), 0, 1, 3);
    m_mic.sim.setSilent(true);
    m_sheet->okClicked();
    EXPECT_TRUE(m_sheet->busy());
    QTest::keyClick(m_sheet->window(), Qt::Key_Escape);
    EXPECT_EQ(m_endCodes, std::vector<int>{0});
}

} // namespace
