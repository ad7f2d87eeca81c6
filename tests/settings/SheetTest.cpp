// The settings sheet, driven through the real device manager with the
// simulated microphone on a pseudo-terminal: on its own, and where the
// application opens it, takes its result and keeps querying beside it.

#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLConfigurationSheetController.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLLengthFormatter.h"
#include "MLUserDefaults.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

using mltest::LogCapture;
using mltest::processEventsFor;
using mltest::waitUntil;

namespace {

constexpr int kCommandTimeoutMs = 500;
const QString kNotSaved = QStringLiteral("Configuration could not be saved");
const QString kLegacy = QStringLiteral("Confirm legacy channels");
const QString kExtended = QStringLiteral("Confirm extended channels");
const QString kOk = QStringLiteral("OK"), kYes = QStringLiteral("Yes"), kNo = QStringLiteral("No");

MLDeviceManager *manager()
{
    return MLDeviceManager::sharedInstance();
}

void saveScreenshot(QWidget *widget, const QString &name)
{
    const QString dir = mltest::outputDir() + QStringLiteral("/settings");
    QDir().mkpath(dir);
    widget->grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

// Answers each message box as it appears with the next scripted button,
// ticking its check box first if asked, or with its escape button when none is
// left; records its text and saves a picture of it.
class AlertDriver : public QObject
{
public:
    explicit AlertDriver(QString screenshot = {}, int answerDelayMs = 0)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, screenshot, answerDelayMs] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->property("answered").toBool())
                return;
            if (box != m_current) {
                m_current = box;
                m_since.start();
                seen << box->text();
                if (!screenshot.isEmpty())
                    saveScreenshot(box, screenshot + u'-' + QString::number(seen.size()));
                if (onAlert)
                    onAlert();
            }
            if (m_since.elapsed() < answerDelayMs)
                return;
            box->setProperty("answered", true);
            const auto [text, tick] =
                m_answers.isEmpty() ? std::pair(QString(), false) : m_answers.takeFirst();
            if (tick)
                box->checkBox()->setChecked(true);
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == text)
                    return button->click();
            }
            box->escapeButton() ? box->escapeButton()->click() : box->reject();
        });
        m_timer.start(5);
    }
    void answer(const QString &button, bool tick = false) { m_answers.append({button, tick}); }
    bool allAnswered() const { return m_answers.isEmpty(); }

    QStringList seen;
    std::function<void()> onAlert; // called as each alert appears

private:
    QTimer m_timer;
    QList<std::pair<QString, bool>> m_answers;
    QPointer<QMessageBox> m_current;
    QElapsedTimer m_since;
};

TEST(LengthFormatter, RefusesWhatTheFieldMayNotHold)
{
    using R = MLLengthFormatter::Refusal;
    const QString mic = QString::fromUtf8("\xF0\x9F\x8E\xA4"); // outside the BMP: two UTF-16 units
    const QString cafe = QString::fromUtf8("Caf\xC3\xA9 \xC3\xA9t\xC3\xA9");
    const struct
    {
        bool asciiOnly;
        QString previous, proposed;
        R refusal;
    } cases[] = {
        {false, QStringLiteral("Room 4 Lab "), QStringLiteral("Room 4 Lab ") + mic, R::TooLong},
        {false, QStringLiteral("Room 4 Lab"), QStringLiteral("Room 4 Lab") + mic, R::None},
        // Text set by code may be longer than the limit: it may shrink, never be replaced.
        {false, QStringLiteral("Classroom 4B West"), QStringLiteral("Classroom 4B Wesx"), R::TooLong},
        {true, QStringLiteral("Lab2"), QStringLiteral("Lab\r2"), R::CharacterNotAllowed},
        {true, QStringLiteral("~Lab 2!\""), QStringLiteral("~Lab 2!\"#"), R::None},
        // A name that already holds such characters stays editable; none may be added.
        {true, cafe, cafe + u's', R::None},
        {true, cafe, QString::fromUtf8("Caf\xC3\xA9\xC3\xA9 \xC3\xA9t\xC3\xA9"), R::CharacterNotAllowed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.proposed.toStdString());
        MLLengthFormatter formatter;
        formatter.setMaxLength(12);
        formatter.setPrintableAsciiOnly(c.asciiOnly);
        R refusal = R::None;
        EXPECT_EQ(formatter.isPartialStringValid(c.proposed, c.previous, nullptr, &refusal),
                  c.refusal == R::None);
        EXPECT_EQ(refusal, c.refusal);
    }
}

class Sheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mltest::clearUserDefaults();
        QString path, error;
        ASSERT_TRUE(m_sim.openPty(&path, &error)) << error.toStdString();
        m_port.emplace(path);
        m_timings = manager()->timings();
        MLDeviceManagerTimings timings = m_timings;
        timings.commandTimeoutMs = kCommandTimeoutMs;
        timings.waitForOpenSleepMs = 10;
        manager()->setTimings(timings);
        MLSerialDeviceInfo info;
        info.location = 0x01200000u;
        info.callOutDevice = info.dialInDevice = path;
        manager()->setConnectedDevices({{info.location, info}});
        m_mainWindow.show();
        open(QStringLiteral("Room 4"), 0, 1, 3);
    }

    void TearDown() override
    {
        m_own.reset();
        if (m_app)
            manager()->removeListener(m_app.get());
        manager()->cancelCommand();
        manager()->closeSerialPort();
        manager()->setConnectedDevices({});
        manager()->setPendingNewPropertyKey(QString());
        manager()->setPendingNewPropertyValue(QString());
        manager()->setTimings(m_timings);
        m_sim.stop();
        m_port.reset();
        m_app.reset();
        // Deferred notifications and deletions of this test end here, not in the next one.
        mltest::flushEvents();
    }

    void open(const QString &name, qint32 channel1, qint32 channel2, qint32 coverage)
    {
        m_endCodes.clear();
        m_own = std::make_unique<MLConfigurationSheetController>();
        m_sheet = m_own.get();
        ASSERT_TRUE(m_sheet->loadWindow(&m_mainWindow));
        m_sheet->setMicrophoneName(name);
        m_sheet->setChannel1(channel1);
        m_sheet->setChannel2(channel2);
        m_sheet->setVoiceChoice(coverage);
        m_sheet->beginSheet(&m_mainWindow, [this](QWidget *, int code) {
            if (m_onEnd)
                m_onEnd();
            m_endCodes.push_back(code);
        });
        mltest::flushEvents();
    }

    // The application with the microphone's first summary shown, then its settings opened.
    void openInApplication(int periodicQueryMs = 3600 * 1000)
    {
        m_own.reset();
        m_sim.setName(QStringLiteral("Room 4"));
        m_app = std::make_shared<MLAppDelegate>();
        m_app->setPeriodicQueryIntervalMs(periodicQueryMs);
        manager()->addListener(m_app);
        m_app->window()->show();
        manager()->sendDeviceConnectedNotification();
        ASSERT_TRUE(
            waitUntil([this] { return m_app->currentView() == m_app->micInfoView() && !m_app->busy(); }));
        m_app->showConfigurationSheet();
        m_sheet = m_app->configurationSheetController();
        m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    }

    bool waitForEnd()
    {
        return waitUntil([this] { return !m_endCodes.empty(); }, 4000);
    }
    bool waitForCommand(qint32 command)
    {
        return waitUntil([=] { return manager()->currentDeviceCommand() == command; }, 3000);
    }
    QList<QByteArray> commands() const { return m_sim.receivedCommands(); }
    void neverAnswer(const QByteArray &start)
    {
        m_sim.setReplyOverride([start](const QByteArray &command) -> std::optional<QByteArray> {
            return command.startsWith(start) ? std::optional(QByteArray()) : std::nullopt;
        });
    }

    void expectNothingSent()
    {
        processEventsFor(50);
        EXPECT_EQ(commands(), QList<QByteArray>{});
        EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandNone);
    }
    template<typename T = QWidget> T *child(const char *name) const
    {
        return m_sheet->window()->findChild<T *>(QString::fromLatin1(name));
    }

    MicSimulator m_sim;
    std::optional<PtyAsOnlySerialPort> m_port;
    MLDeviceManagerTimings m_timings;
    QWidget m_mainWindow;
    std::unique_ptr<MLConfigurationSheetController> m_own;
    QPointer<MLConfigurationSheetController> m_sheet;
    std::shared_ptr<MLAppDelegate> m_app;
    std::vector<int> m_endCodes;
    std::function<void()> m_onEnd;
};

// --- The sheet on its own -------------------------------------------------------------

TEST_F(Sheet, NameFieldTakesTheLayoutsRules)
{
    auto *field = child<QLineEdit>("microphoneNameField");
    m_sheet->setMicrophoneName(QString::fromUtf8("\xC3\x89tage 2 Wes")); // from the microphone, not ASCII
    field->setCursorPosition(11);
    QKeyEvent eacute(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
    QApplication::sendEvent(field, &eacute);
    QTest::keyClicks(field, QStringLiteral("tx"));
    EXPECT_EQ(m_sheet->microphoneName(), QString::fromUtf8("\xC3\x89tage 2 West"));
    EXPECT_TRUE(child<QLabel>("microphoneNameHint")->text().contains(QStringLiteral("12")));
}

TEST_F(Sheet, ValidationRefusesInOrderBeforeAnythingIsWritten)
{
    // Equal channels every time: the name is checked before them.
    const std::pair<const char *, QString> cases[] = {
        {"Name cannot be blank", QStringLiteral(" \n\t \r\n")},
        {"Name contains characters the microphone cannot store", QString::fromUtf8("Caf\xC3\xA9")},
        {"Channels assignments must be different", QStringLiteral("Lab 2")},
    };
    AlertDriver alerts(QStringLiteral("Alert-Invalid"));
    for (const auto &[text, name] : cases) {
        SCOPED_TRACE(name.toStdString());
        alerts.answer(kOk);
        open(name, 5, 5, 3);
        m_sheet->okClicked();
        ASSERT_TRUE(alerts.allAnswered());
        EXPECT_EQ(alerts.seen.back(), QString::fromLatin1(text));
    }
    EXPECT_EQ(alerts.seen.size(), std::size(cases));
    // Nor does an acknowledgement that no save asked for.
    m_sheet->propertySetComplete(MLDeviceOperationResult(true));
    expectNothingSent();
    EXPECT_TRUE(m_sheet->window()->isVisible() && m_endCodes.empty() && !m_sheet->busy()) << "still editing";
}

TEST_F(Sheet, LegacyThenExtendedQuestionsAndTheirKeys)
{
    // A key is set only by a ticked "Yes"; once set, its question is not asked again.
    const struct
    {
        qint32 channel1, channel2;
        QList<std::pair<QString, bool>> answers; // button, box ticked
        QStringList asked;
        bool saved, legacyKey, extendedKey;
    } rows[] = {
        {2, 6, {{kYes, false}, {kYes, false}}, {kLegacy, kExtended}, true, false, false}, // C and Legacy B
        {2, 6, {{kNo, true}}, {kLegacy}, false, false, false},
        {0, 5, {{kYes, true}}, {kLegacy}, true, true, false},
        {3, 6, {{kYes, true}}, {kExtended}, true, true, true},
        {4, 5, {}, {}, true, true, true},
    };
    AlertDriver alerts(QStringLiteral("Alert-Confirm"));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.asked.join(u'/').toStdString() + (row.saved ? " saved" : " not saved"));
        open(QStringLiteral("Lab 2"), row.channel1, row.channel2, 3);
        m_sim.clearReceivedCommands();
        alerts.seen.clear();
        for (const auto &[button, tick] : row.answers)
            alerts.answer(button, tick);
        m_sheet->okClicked();
        if (row.saved)
            EXPECT_TRUE(waitForEnd() && commands().size() == 4);
        else
            expectNothingSent();
        EXPECT_EQ(alerts.seen, row.asked);
        EXPECT_EQ(MLUserDefaults::hasStoredValue(QString(MLDefaultsKeys::SuppressLegacyWarning)),
                  row.legacyKey);
        EXPECT_EQ(MLUserDefaults::hasStoredValue(QString(MLDefaultsKeys::SuppressExtendedWarning)),
                  row.extendedKey);
    }
}

TEST_F(Sheet, SavesTheFourValuesOneAfterAnother)
{
    m_sim.setReplyDelayMs(200);
    open(QStringLiteral(" Lab 2 "), 1, 0, 4); // the name goes out as entered, spaces and all
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet"));
    m_sheet->okClicked();
    // The next value goes out only once the microphone acknowledged the one before.
    ASSERT_TRUE(m_sim.waitForCommands(1, 2000));
    processEventsFor(50);
    EXPECT_EQ(commands().size(), 1);
    // Editing stops during the save; Cancel still ends it.
    for (const char *name : {"microphoneNameField", "channel1Selector", "channel2Selector",
                             "coverageSelector", "okButton", "defaultsButton", "moreInformationButton"})
        EXPECT_FALSE(child(name)->isEnabled()) << name;
    EXPECT_TRUE(child("cancelButton")->isEnabled());
    EXPECT_TRUE(child("progressIndicator")->isVisible());
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet-Saving"));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(m_endCodes, std::vector<int>{1});
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME  Lab 2 ", "channel1=1", "channel2=0", "coverage=4"}));
}

// The failure alert waits until the device manager has finished with the
// failed command, whose clean-up would cancel a query started meanwhile.
TEST_F(Sheet, FailedStageKeepsTheSheetOpenAndARetryStartsOver)
{
    neverAnswer("channel2=");
    m_sim.setReplyDelayMs(300); // the query below is still outstanding when the alert closes
    LogCapture log;
    AlertDriver alerts(QStringLiteral("Alert-NotSaved"), 150);
    alerts.answer(kOk);
    QObject other;
    bool answered = false;
    alerts.onAlert = [&] {
        manager()->queryDeviceWithCompletionTarget(
            &other, [&](QObject *, auto &result) { answered = result.result(); }, QStringLiteral("query"));
    };
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([&] { return alerts.allAnswered() && answered; }, 3000));
    EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: 2, Timeout")), 1);
    EXPECT_EQ(alerts.seen[0], kNotSaved);
    EXPECT_TRUE(m_sheet->window()->isVisible() && m_endCodes.empty() && !m_sheet->busy()) << "still editing";

    m_sim.setReplyOverride({});
    m_sim.setReplyDelayMs(0);
    m_sim.clearReceivedCommands();
    m_sheet->okClicked();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME Room 4", "channel1=0", "channel2=1", "coverage=3"}));
}

// A stage the device manager refuses never completes: it must fail like any
// other, or the sheet stays busy for ever.
TEST_F(Sheet, AnotherCommandRefusesTheSaveAndOutlivesTheSheet)
{
    m_sim.setReplyDelayMs(300);
    QObject other; // the main window's periodic query
    bool answered = false;
    ASSERT_TRUE(manager()->queryDeviceWithCompletionTarget(
        &other, [&](QObject *, auto &result) { answered = result.result(); }, QStringLiteral("query")));
    LogCapture log;
    AlertDriver alerts;
    alerts.answer(kOk);
    m_sheet->okClicked();
    // A refused stage never completes: it must fail like any other, or the sheet stays busy for ever.
    ASSERT_TRUE(waitUntil([&] { return alerts.allAnswered(); }, 3000));
    EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: 0, Refused")), 1);
    EXPECT_TRUE(m_sheet->window()->isVisible() && m_endCodes.empty() && !m_sheet->busy()) << "still editing";
    m_own.reset();
    ASSERT_TRUE(waitUntil([&] { return answered; }, 3000)) << "the sheet cancels only its own command";
    EXPECT_EQ(commands(), QList<QByteArray>{"SUMMARY"});

    // No completion may reach a destroyed sheet.
    open(QStringLiteral("Lab 2"), 0, 1, 3);
    m_sim.setSilent(true);
    m_sheet->okClicked();
    ASSERT_TRUE(waitForCommand(MLDeviceCommandRename));
    m_own.reset();
    EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandNone);
    EXPECT_FALSE(manager()->isTimeoutTimerArmed());
}

TEST_F(Sheet, FactoryResetSavesTheFactoryValuesWithoutFurtherQuestions)
{
    AlertDriver alerts(QStringLiteral("Alert-FactoryReset"));
    alerts.answer(QStringLiteral("Do Not Reset"));
    alerts.answer(QStringLiteral("Reset Microphone"));
    open(QStringLiteral("Lab 2"), 5, 6, 4);
    m_sheet->defaultsClicked();
    ASSERT_TRUE(waitUntil([&] { return m_sheet->resetConfirmAlert() == nullptr; }, 2000));
    expectNothingSent();
    EXPECT_EQ(m_sheet->channel1(), 5);
    m_sheet->defaultsClicked();
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(alerts.seen.size(), 2u) << "no legacy or extended question";
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME Microphone", "channel1=0", "channel2=1", "coverage=3"}));
}

TEST_F(Sheet, CancelClosesWhatIsOpenOnTheSheetFirstAndAnswersNo)
{
    open(QStringLiteral("Lab 2"), 0, 6, 3);
    AlertDriver alerts({}, 3000);
    alerts.answer(kYes, true);
    QTimer::singleShot(100, m_sheet.data(), [this] { m_sheet->cancel(); });
    m_sheet->okClicked(); // the legacy question
    EXPECT_FALSE(alerts.allAnswered()) << "the question closed with the sheet";
    EXPECT_EQ(m_endCodes, std::vector<int>{0});
    expectNothingSent();
    EXPECT_FALSE(MLUserDefaults::hasStoredValue(QString(MLDefaultsKeys::SuppressLegacyWarning)));

    // The reset question and the information window; the did-end handler
    // deletes the controller while its dialog still delivers the signal (the
    // sanitizers watch).
    open(QStringLiteral("Lab 2"), 5, 6, 4);
    m_sheet->defaultsClicked();
    m_sheet->moreInformationClicked();
    const QPointer<QMessageBox> resetAlert = m_sheet->resetConfirmAlert();
    const QPointer<QDialog> info = m_sheet->switchInfoWindow()->window(), window = m_sheet->window();
    mltest::flushEvents();
    EXPECT_EQ(info->windowModality(), Qt::WindowModal) << "a sheet on the sheet";
    saveScreenshot(info, QStringLiteral("SwitchInfoWindow"));
    bool closedFirst = false;
    m_onEnd = [&] {
        closedFirst = !resetAlert->isVisible() && !info->isVisible();
        m_own.reset();
    };
    m_sheet->cancel();
    EXPECT_TRUE(closedFirst);
    expectNothingSent(); // the reset question was answered no
    EXPECT_TRUE(waitUntil([&] { return window.isNull() && info.isNull(); }, 1000));
}

// --- The sheet in the application ------------------------------------------------------

TEST_F(Sheet, ApplicationTakesTheNameOfASaveOnly)
{
    m_sim.setChannel1(1);
    m_sim.setChannel2(0);
    m_sim.setCoverage(5);
    m_sim.setReplyDelayMs(90);
    ASSERT_NO_FATAL_FAILURE(openInApplication(40));
    EXPECT_EQ((QList{m_sheet->channel1(), m_sheet->channel2(), m_sheet->voiceChoice()}), (QList{1, 0, 5}));
    // A periodic query falls due during the save; it waits, then carries on.
    ASSERT_TRUE(waitForCommand(MLDeviceCommandNone));
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([&] { return m_sheet.isNull(); }, 4000)) << "the controller is released";
    EXPECT_EQ(m_app->microphoneName(), QStringLiteral("Lab 2")) << "before the next summary could tell";
    const qsizetype summaries = commands().count("SUMMARY");
    EXPECT_TRUE(waitUntil([&] { return commands().count("SUMMARY") >= summaries + 2; }, 3000));

    // Removed during a save: the sheet closes and its name is not taken.
    m_app->showConfigurationSheet();
    m_sheet = m_app->configurationSheetController();
    m_sheet->setMicrophoneName(QStringLiteral("Lab 3"));
    neverAnswer("channel1=");
    ASSERT_TRUE(waitForCommand(MLDeviceCommandNone));
    m_sheet->okClicked();
    ASSERT_TRUE(waitForCommand(MLDeviceCommandChannel1));
    LogCapture log;
    manager()->setConnectedDevices({});
    manager()->closeSerialPort();
    manager()->sendDeviceDisconnectedNotification();
    ASSERT_TRUE(waitUntil([&] { return m_sheet.isNull(); }, 3000));
    EXPECT_EQ(m_app->microphoneName(), QStringLiteral("Lab 2"));
    processEventsFor(kCommandTimeoutMs + 200);
    EXPECT_EQ(log.countContaining(QStringLiteral("Error saving config")), 0) << "nothing comes back later";
}

TEST_F(Sheet, BrickedMessageDuringASaveFailsTheStage)
{
    neverAnswer("channel1=");
    ASSERT_NO_FATAL_FAILURE(openInApplication());
    m_sheet->okClicked();
    ASSERT_TRUE(waitForCommand(MLDeviceCommandChannel1));
    LogCapture log;
    AlertDriver alerts;
    alerts.answer(kOk);
    ASSERT_TRUE(m_sim.sendBricked());
    ASSERT_TRUE(waitUntil([&] { return alerts.allAnswered(); }, 3000)) << "a sheet busy for ever";
    EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: 1, Bricked")), 1);
    EXPECT_TRUE(m_sheet->isSheetOpen());
    EXPECT_EQ(m_app->appState(), MLAppStateRecovery);
    EXPECT_FALSE(m_app->window()->findChild<QWidget *>(QStringLiteral("settingButton"))->isEnabled())
        << "no settings for a microphone that needs recovery";
    EXPECT_EQ(m_app->currentView(), m_app->micInfoView()) << "no view of its own";
}

} // namespace
