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

#include <functional>

using namespace mlsettingstest;
using mltest::LogCapture;
using mltest::processEventsFor;
using mltest::waitUntil;

namespace {

const QString kBlankName = QStringLiteral("Name cannot be blank");
const QString kBlankNameInfo =
    QStringLiteral("Please enter a name for the microphone, with a maximum of 12 characters.");
const QString kSameChannels = QStringLiteral("Channels assignments must be different");
const QString kSameChannelsInfo = QStringLiteral(
    "You cannot assign the same channel to both switch positions on your microphone. Please assign "
    "a unique channel to each microphone channel switch position.");
const QString kLegacy = QStringLiteral("Confirm legacy channels");
const QString kLegacyInfo = QStringLiteral(
    "A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik "
    "System. These channels are for use with other Marlevo Systems.\n\nDo you want to continue?");
const QString kExtended = QStringLiteral("Confirm extended channels");
const QString kExtendedInfo = QStringLiteral(
    "A channel you have selected (C, D or E) will not function without the optional Orvik Channel "
    "Expansion Module installed.\n\nDo you want to continue?");
const QString kNotSaved = QStringLiteral("Configuration could not be saved");
const QString kNotSavedInfo = QStringLiteral(
    "An error occurred and the microphone configuration could not be saved.\n\nClose this message, "
    "disconnect the microphone and reconnect to try again. If the problem persists please contact "
    "Marlevo Customer Care.");
const QString kReset =
    QStringLiteral("Are you sure you want to reset the Microphone settings back to their factory defaults?");
const QString kDoNotShow = QStringLiteral("Do not show this message again");

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

    bool waitForEnd(int timeoutMs = 4000)
    {
        return waitUntil([this] { return !m_endCodes.empty(); }, timeoutMs);
    }

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

TEST_F(Sheet, BlankNameIsRefusedFirst)
{
    AlertDriver alerts(QStringLiteral("Alert-NameBlank"));
    alerts.answer(QStringLiteral("OK"));
    // Equal legacy channels too: the name is tested before them.
    set(QStringLiteral(" \n\t \r\n"), 5, 5, 3);
    m_sheet->okClicked();
    ASSERT_EQ(alerts.seen.size(), 1u);
    EXPECT_EQ(alerts.seen[0].text, kBlankName);
    EXPECT_EQ(alerts.seen[0].informativeText, kBlankNameInfo);
    EXPECT_EQ(alerts.seen[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(alerts.seen[0].modality, Qt::ApplicationModal);
    EXPECT_TRUE(alerts.seen[0].checkBoxText.isEmpty());
    expectNothingSent();
    expectStillEditing();
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral(" \n\t \r\n"));
    EXPECT_EQ(alerts.unexpected, 0);
}

TEST_F(Sheet, EqualChannelsAreRefusedBeforeAnyQuestion)
{
    AlertDriver alerts(QStringLiteral("Alert-SameChannels"));
    alerts.answer(QStringLiteral("OK"));
    set(QStringLiteral("Lab 2"), 5, 5, 3);
    m_sheet->okClicked();
    ASSERT_EQ(alerts.seen.size(), 1u);
    EXPECT_EQ(alerts.seen[0].text, kSameChannels);
    EXPECT_EQ(alerts.seen[0].informativeText, kSameChannelsInfo);
    expectNothingSent();
    expectStillEditing();
    EXPECT_EQ(alerts.unexpected, 0);
}

TEST_F(Sheet, ANameTheMicrophoneCannotReceiveIsRefusedBeforeAnythingIsWritten)
{
    for (const QString &name : {QString::fromUtf8("Caf\xC3\xA9"), QStringLiteral("Lab\r2")}) {
        SCOPED_TRACE(name.toStdString());
        AlertDriver alerts(QStringLiteral("Alert-NameNotSendable"));
        alerts.answer(QStringLiteral("OK"));
        set(name, 5, 5, 3);
        m_sheet->okClicked();
        ASSERT_EQ(alerts.seen.size(), 1u) << "one alert, before the channel test";
        EXPECT_EQ(alerts.seen[0].text,
                  QStringLiteral("Name contains characters the microphone cannot store"));
        EXPECT_FALSE(alerts.seen[0].informativeText.isEmpty());
        expectNothingSent();
        expectStillEditing();
    }
}

TEST_F(Sheet, LegacyQuestionComesBeforeTheExtendedOne)
{
    AlertDriver alerts(QStringLiteral("Alert-Confirm"));
    alerts.answer(QStringLiteral("Yes"));
    alerts.answer(QStringLiteral("Yes"));
    set(QStringLiteral("Lab 2"), 2, 6, 3); // C and Legacy B
    m_sheet->okClicked();
    ASSERT_EQ(alerts.seen.size(), 2u);
    EXPECT_EQ(alerts.seen[0].text, kLegacy);
    EXPECT_EQ(alerts.seen[0].informativeText, kLegacyInfo);
    EXPECT_EQ(alerts.seen[1].text, kExtended);
    EXPECT_EQ(alerts.seen[1].informativeText, kExtendedInfo);
    for (const SeenAlert &alert : alerts.seen) {
        EXPECT_EQ(alert.buttons, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
        EXPECT_EQ(alert.checkBoxText, kDoNotShow);
        EXPECT_EQ(alert.modality, Qt::ApplicationModal);
    }
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(commands().size(), 4);
    EXPECT_FALSE(keyIsSet(MLDefaultsKeys::SuppressLegacyWarning)) << "Yes without the box sets nothing";
    EXPECT_FALSE(keyIsSet(MLDefaultsKeys::SuppressExtendedWarning));
}

TEST_F(Sheet, NoToEitherQuestionSendsNothingAndATickedNoSetsNoKey)
{
    AlertDriver alerts;
    set(QStringLiteral("Lab 2"), 2, 6, 3);

    alerts.answer(QStringLiteral("No"), true);
    m_sheet->okClicked();
    EXPECT_EQ(alerts.seen.size(), 1u) << "no extended question after a No";
    expectNothingSent();
    expectStillEditing();
    EXPECT_FALSE(keyIsSet(MLDefaultsKeys::SuppressLegacyWarning));

    alerts.answer(QStringLiteral("Yes"));
    alerts.answer(QStringLiteral("No"), true);
    m_sheet->okClicked();
    ASSERT_EQ(alerts.seen.size(), 3u);
    EXPECT_EQ(alerts.seen[1].text, kLegacy);
    EXPECT_EQ(alerts.seen[2].text, kExtended);
    expectNothingSent();
    expectStillEditing();
    EXPECT_FALSE(keyIsSet(MLDefaultsKeys::SuppressLegacyWarning));
    EXPECT_FALSE(keyIsSet(MLDefaultsKeys::SuppressExtendedWarning));
    EXPECT_EQ(m_sheet->channel1(), 2);
    EXPECT_EQ(m_sheet->channel2(), 6);
    EXPECT_EQ(alerts.unexpected, 0);
}

TEST_F(Sheet, ATickedYesSetsTheKeyAndTheQuestionNeverComesAgain)
{
    AlertDriver alerts;
    alerts.answer(QStringLiteral("Yes"), true);
    set(QStringLiteral("Lab 2"), 0, 5, 3);
    m_sheet->okClicked();
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(MLUserDefaults::boolForKey(QString(MLDefaultsKeys::SuppressLegacyWarning)));
    EXPECT_FALSE(keyIsSet(MLDefaultsKeys::SuppressExtendedWarning));

    // Legacy and extended: only the extended question is left.
    open(QStringLiteral("Lab 2"), 3, 6, 3);
    alerts.answer(QStringLiteral("Yes"), true);
    m_sheet->okClicked();
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(alerts.seen.size(), 2u);
    EXPECT_EQ(alerts.seen[1].text, kExtended);
    EXPECT_TRUE(MLUserDefaults::boolForKey(QString(MLDefaultsKeys::SuppressExtendedWarning)));

    open(QStringLiteral("Lab 2"), 4, 5, 3);
    m_sheet->okClicked();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(alerts.seen.size(), 2u) << "no question once both keys are set";
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
    EXPECT_EQ(m_sheet->saveStage(), 0);
    // The next value goes out only once the microphone acknowledged the one before.
    ASSERT_TRUE(m_mic.sim.waitForCommands(1, 2000));
    processEventsFor(50);
    EXPECT_EQ(commands().size(), 1);
    EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandRename);

    // Editing stops during the save; Cancel still ends it.
    for (const char *name : {"microphoneNameField", "channel1Selector", "channel2Selector",
                             "coverageSelector", "okButton", "defaultsButton", "moreInformationButton"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(child<QWidget>(name)->isEnabled());
    }
    EXPECT_TRUE(child<QPushButton>("cancelButton")->isEnabled());
    EXPECT_TRUE(child<MLBusyIndicator>("progressIndicator")->isVisible());
    EXPECT_TRUE(child<MLBusyIndicator>("progressIndicator")->isAnimating());
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet-Saving"));

    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME  Lab 2 ", "channel1=2", "channel2=5", "coverage=4"}));
    EXPECT_FALSE(m_sheet->busy());
    EXPECT_EQ(m_sheet->saveStage(), 4);
    EXPECT_FALSE(m_sheet->window()->isVisible());
    EXPECT_FALSE(child<MLBusyIndicator>("progressIndicator")->isAnimating());
    EXPECT_EQ(m_mic.sim.name(), QStringLiteral(" Lab 2 "));
    EXPECT_EQ(m_mic.sim.channel2(), 5);
    EXPECT_EQ(m_mic.sim.coverage(), 4);
    EXPECT_EQ(manager()->stringValue(MLDeviceKeys::DeviceChannel1), QStringLiteral("2"));
}

TEST_F(Sheet, FailureAtStageTwoKeepsTheSheetOpenAndARetryStartsOver)
{
    m_mic.sim.setChannel2(3);
    // The microphone never answers the channel-2 command.
    m_mic.sim.setReplyOverride([](const QByteArray &command) -> std::optional<QByteArray> {
        if (command.startsWith("channel2="))
            return QByteArray();
        return std::nullopt;
    });
    LogCapture log;
    AlertDriver alerts(QStringLiteral("Alert-NotSaved"));
    alerts.answer(QStringLiteral("OK"));
    set(QStringLiteral("Lab 2"), 1, 0, 4);
    m_sheet->okClicked();

    ASSERT_TRUE(waitUntil([&] { return !alerts.seen.empty(); }, 3000));
    EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: 2, Timeout")), 1)
        << log.records().join(u'\n').toStdString();
    EXPECT_EQ(alerts.seen[0].text, kNotSaved);
    EXPECT_EQ(alerts.seen[0].informativeText, kNotSavedInfo);
    EXPECT_EQ(alerts.seen[0].buttons, QStringList{QStringLiteral("OK")});
    expectStillEditing();
    EXPECT_TRUE(child<QPushButton>("okButton")->isEnabled());
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral("Lab 2"));
    EXPECT_EQ(m_sheet->channel1(), 1);
    EXPECT_EQ(m_sheet->channel2(), 0);
    EXPECT_EQ(m_sheet->voiceChoice(), 4);
    // What was acknowledged stays on the microphone.
    EXPECT_EQ(m_mic.sim.name(), QStringLiteral("Lab 2"));
    EXPECT_EQ(m_mic.sim.channel1(), 1);
    EXPECT_EQ(m_mic.sim.channel2(), 3);

    m_mic.sim.setReplyOverride({});
    m_mic.sim.clearReceivedCommands();
    m_sheet->okClicked();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME Lab 2", "channel1=1", "channel2=0", "coverage=4"}));
    EXPECT_EQ(alerts.seen.size(), 1u);
}

class RefusedStage : public Sheet
{
protected:
    // OK on a sheet whose save the device manager refuses at `stage`.
    void expectRefusedAt(int stage, LogCapture &log, AlertDriver &alerts)
    {
        ASSERT_TRUE(waitUntil([&] { return !alerts.seen.empty(); }, 3000)) << "the sheet must not stay busy";
        EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: %1, Refused").arg(stage)), 1)
            << log.records().join(u'\n').toStdString();
        EXPECT_EQ(alerts.seen[0].text, kNotSaved);
        EXPECT_EQ(alerts.seen[0].informativeText, kNotSavedInfo);
        expectStillEditing();
        EXPECT_EQ(m_sheet->saveStage(), stage);
    }
};

TEST_F(RefusedStage, AnotherCommandOutstanding)
{
    m_mic.sim.setReplyDelayMs(300);
    QObject other;
    bool answered = false;
    ASSERT_TRUE(manager()->queryDeviceWithCompletionTarget(
        &other, [&](QObject *, const MLDeviceOperationResult &result) { answered = result.result(); },
        QStringLiteral("query")));

    LogCapture log;
    AlertDriver alerts;
    alerts.answer(QStringLiteral("OK"));
    set(QStringLiteral("Lab 2"), 0, 1, 3);
    m_sheet->okClicked();
    expectRefusedAt(0, log, alerts);
    // The outstanding query is left to finish.
    ASSERT_TRUE(waitUntil([&] { return answered; }, 3000));
    EXPECT_EQ(commands(), QList<QByteArray>{"SUMMARY"});
}

TEST_F(RefusedStage, ASecondMicrophoneArrivesDuringTheSave)
{
    m_mic.sim.setReplyDelayMs(100);
    LogCapture log;
    AlertDriver alerts;
    alerts.answer(QStringLiteral("OK"));
    set(QStringLiteral("Lab 2"), 0, 1, 3);
    m_sheet->okClicked();
    ASSERT_TRUE(m_mic.sim.waitForCommands(1, 2000));
    manager()->setConnectedDevices(microphonesAt(m_mic.path, 2));
    expectRefusedAt(1, log, alerts);
    EXPECT_EQ(commands(), QList<QByteArray>{"RENAME Lab 2"});
}

TEST_F(RefusedStage, NoMicrophone)
{
    manager()->setConnectedDevices({});
    LogCapture log;
    AlertDriver alerts;
    alerts.answer(QStringLiteral("OK"));
    m_sheet->okClicked();
    expectRefusedAt(0, log, alerts);
}

TEST_F(Sheet, DestructionCancelsOnlyTheSheetsOwnCommand)
{
    // Someone else's command (the main window's periodic query) finishes.
    m_mic.sim.setReplyDelayMs(200);
    QObject other;
    bool answered = false;
    ASSERT_TRUE(manager()->queryDeviceWithCompletionTarget(
        &other, [&](QObject *, const MLDeviceOperationResult &result) { answered = result.result(); },
        QStringLiteral("query")));
    m_sheet.reset();
    EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandSummary);
    EXPECT_EQ(manager()->serialResponseTarget(), &other);
    ASSERT_TRUE(waitUntil([&] { return answered; }, 3000));

    // The sheet's own command is cancelled, so no completion reaches a destroyed sheet.
    open(QStringLiteral("Lab 2"), 0, 1, 3);
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
    EXPECT_EQ(alerts.seen[0].text, kReset);
    EXPECT_EQ(alerts.seen[0].informativeText, QString());
    EXPECT_EQ(alerts.seen[0].buttons,
              (QStringList{QStringLiteral("Reset Microphone"), QStringLiteral("Do Not Reset")}));
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
    EXPECT_EQ(m_sheet->resetConfirmAlert(), nullptr);
    EXPECT_EQ(alerts.unexpected, 0);
}

TEST_F(Sheet, SwitchInformationWindow)
{
    m_sheet->moreInformationClicked();
    MLSwitchInfoWindowController *info = m_sheet->switchInfoWindow();
    ASSERT_NE(info, nullptr);
    ASSERT_NE(info->window(), nullptr);
    const QPointer<QDialog> window = info->window();
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

    // Escape closes it the same way.
    m_sheet->moreInformationClicked();
    ASSERT_NE(m_sheet->switchInfoWindow(), nullptr);
    QTest::keyClick(m_sheet->switchInfoWindow()->window(), Qt::Key_Escape);
    EXPECT_EQ(m_sheet->switchInfoWindow(), nullptr);
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
        companionsClosedFirst =
            m_sheet->resetConfirmAlert() == nullptr && m_sheet->switchInfoWindow() == nullptr &&
            !(resetAlert && resetAlert->isVisible()) && !(infoWindow && infoWindow->isVisible());
    };
    m_sheet->cancel();
    EXPECT_EQ(m_endCodes, std::vector<int>{0});
    EXPECT_TRUE(companionsClosedFirst);
    EXPECT_FALSE(m_sheet->window()->isVisible());
    // The reset question was answered "no": nothing was reset or sent.
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral("Lab 2"));
    EXPECT_EQ(m_sheet->channel1(), 5);
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
    EXPECT_FALSE(ended);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(ended);
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, 1000));
}

// --- Controls, keyboard, accessibility -----------------------------------------------

TEST_F(Sheet, ControlsAndPropertiesFollowEachOther)
{
    auto *channel1 = child<QComboBox>("channel1Selector");
    auto *channel2 = child<QComboBox>("channel2Selector");
    auto *coverage = child<QComboBox>("coverageSelector");
    ASSERT_TRUE(channel1 && channel2 && coverage);

    const QStringList names = {QStringLiteral("A"),       QStringLiteral("B"), QStringLiteral("C"),
                               QStringLiteral("D"),       QStringLiteral("E"), QStringLiteral("Legacy A"),
                               QStringLiteral("Legacy B")};
    for (QComboBox *selector : {channel1, channel2}) {
        ASSERT_EQ(selector->count(), names.size());
        for (int value = 0; value < names.size(); ++value) {
            selector->setCurrentIndex(value);
            EXPECT_EQ(selector->currentText(), names[value]);
            EXPECT_EQ(selector == channel1 ? m_sheet->channel1() : m_sheet->channel2(), value);
        }
    }
    for (int value = 1; value <= 5; ++value) {
        m_sheet->setVoiceChoice(value);
        EXPECT_EQ(coverage->currentText(), QString::number(value));
    }

    m_sheet->setChannel1(4);
    m_sheet->setChannel2(5);
    EXPECT_EQ(channel1->currentText(), QStringLiteral("E"));
    EXPECT_EQ(channel2->currentText(), QStringLiteral("Legacy A"));
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
    const auto isControl = [](QWidget *widget) {
        const QString name = widget->objectName();
        return (widget->focusPolicy() & Qt::TabFocus) &&
               (name.endsWith(QLatin1StringView("Field")) || name.endsWith(QLatin1StringView("Selector")) ||
                name.endsWith(QLatin1StringView("Button")));
    };
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (!isControl(control))
            continue;
        SCOPED_TRACE(control->objectName().toStdString());
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            EXPECT_FALSE(button->text().isEmpty());
            continue;
        }
        EXPECT_FALSE(control->accessibleName().isEmpty());
        bool labelled = false;
        for (QLabel *label : window->findChildren<QLabel *>())
            labelled = labelled || label->buddy() == control;
        EXPECT_TRUE(labelled);
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
