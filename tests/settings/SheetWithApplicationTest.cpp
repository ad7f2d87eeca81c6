// The sheet as the application opens and closes it: values from the
// microphone's summary, the new name in the main window, a removal during a
// save, and the periodic summary query running beside the sheet.

#include "MLAppDelegate.h"
#include "MLConfigurationSheetController.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mlsettingstest;
using mltest::LogCapture;
using mltest::processEventsFor;
using mltest::waitUntil;

namespace {

MLDeviceManager *manager()
{
    return MLDeviceManager::sharedInstance();
}

class SheetInApplication : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mltest::clearUserDefaults();
        QString error;
        ASSERT_TRUE(m_mic.attach(&error)) << error.toStdString();
        m_mic.sim.setName(QStringLiteral("Room 4"));
        m_app = std::make_shared<MLAppDelegate>();
        // Out of the way unless a test wants it.
        m_app->setPeriodicQueryIntervalMs(3600 * 1000);
        manager()->addListener(m_app);
        m_app->window()->show();
    }

    void TearDown() override
    {
        manager()->removeListener(m_app.get());
        m_mic.detach();
        m_app.reset();
        mltest::flushEvents();
    }

    // The microphone announced and its first summary shown, then the settings opened.
    void openSheet()
    {
        manager()->sendDeviceConnectedNotification();
        ASSERT_TRUE(waitUntil(
            [this] { return m_app->currentView() && m_app->currentView() == m_app->micInfoView() && !m_app->busy(); }));
        ASSERT_EQ(m_app->microphoneName(), m_mic.sim.name());
        m_app->showConfigurationSheet();
        m_sheet = m_app->configurationSheetController();
        ASSERT_NE(m_sheet, nullptr);
        mltest::flushEvents();
    }

    static void removeTheMicrophone()
    {
        manager()->setConnectedDevices({});
        manager()->closeSerialPort();
        manager()->sendDeviceDisconnectedNotification();
    }

    int summariesAfter(const QByteArray &command) const
    {
        const QList<QByteArray> received = m_mic.sim.receivedCommands();
        const qsizetype from = received.lastIndexOf(command);
        return from < 0 ? 0 : int(received.mid(from + 1).count("SUMMARY"));
    }

    SimulatedMicrophone m_mic;
    std::shared_ptr<MLAppDelegate> m_app;
    QPointer<MLConfigurationSheetController> m_sheet;
};

TEST_F(SheetInApplication, OpensWithTheMicrophonesValuesAndShowsTheSavedNameAtOnce)
{
    m_mic.sim.setChannel1(1);
    m_mic.sim.setChannel2(0);
    m_mic.sim.setCoverage(5);
    ASSERT_NO_FATAL_FAILURE(openSheet());
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral("Room 4"));
    EXPECT_EQ(m_sheet->channel1(), 1);
    EXPECT_EQ(m_sheet->channel2(), 0);
    EXPECT_EQ(m_sheet->voiceChoice(), 5);
    ASSERT_TRUE(m_sheet->window()->isVisible());
    EXPECT_EQ(m_sheet->window()->parentWidget(), m_app->window());
    EXPECT_TRUE(m_app->window()->isVisible());
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet-FromMicrophone"));

    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([&] { return m_app->configurationSheetController() == nullptr; }, 4000));
    EXPECT_EQ(m_app->microphoneName(), QStringLiteral("Lab 2"));
    EXPECT_EQ(summariesAfter("coverage=5"), 0) << "shown before the next summary";
    EXPECT_TRUE(waitUntil([&] { return m_sheet.isNull(); }, 1000)) << "the controller is released";
}

TEST_F(SheetInApplication, RemovalDuringASaveClosesTheSheetWithoutTakingTheName)
{
    // The save stops at channel 1: the microphone never answers it.
    m_mic.neverAnswer("channel1=");
    ASSERT_NO_FATAL_FAILURE(openSheet());
    const QPointer<QDialog> window = m_sheet->window();
    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([] { return manager()->currentDeviceCommand() == MLDeviceCommandChannel1; }, 3000));

    LogCapture log;
    AlertDriver alerts;
    removeTheMicrophone();
    ASSERT_TRUE(waitUntil([&] { return m_sheet.isNull(); }, 3000));
    EXPECT_EQ(m_app->configurationSheetController(), nullptr);
    EXPECT_TRUE(window.isNull() || !window->isVisible());
    EXPECT_EQ(m_app->microphoneName(), QStringLiteral("Room 4")) << "code 0: the name is not taken";
    EXPECT_EQ(m_app->appState(), MLAppStateConnectMic);

    // Nothing of the save comes back later.
    processEventsFor(SimulatedMicrophone::kCommandTimeoutMs + 200);
    EXPECT_EQ(log.countContaining(QStringLiteral("Error saving config")), 0);
    EXPECT_TRUE(alerts.seen.empty());
    EXPECT_EQ(m_mic.sim.receivedCommands().count("channel2=1"), 0);
}

TEST_F(SheetInApplication, BrickedMessageDuringASaveFailsTheStage)
{
    // Channel 1 is never acknowledged: the microphone reports itself bricked instead.
    m_mic.neverAnswer("channel1=");
    ASSERT_NO_FATAL_FAILURE(openSheet());
    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([] { return manager()->currentDeviceCommand() == MLDeviceCommandChannel1; }, 3000));

    LogCapture log;
    AlertDriver alerts;
    alerts.answer(QStringLiteral("OK"));
    ASSERT_TRUE(m_mic.sim.sendBricked());
    ASSERT_TRUE(waitUntil([&] { return !m_sheet->busy(); }, 3000)) << "a sheet busy for ever";
    EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: 1, Bricked")), 1);
    ASSERT_TRUE(waitUntil([&] { return alerts.allAnswered(); }, 3000));
    ASSERT_EQ(alerts.seen.size(), 1u);
    EXPECT_EQ(alerts.seen.front().text, QStringLiteral("Configuration could not be saved"));
    EXPECT_TRUE(m_sheet->isSheetOpen()) << "the sheet stays open with the user's values";
    EXPECT_EQ(m_sheet->microphoneName(), QStringLiteral("Lab 2"));
    EXPECT_EQ(m_app->appState(), MLAppStateRecovery);
}

TEST_F(SheetInApplication, PeriodicQueryFallingDueDuringASaveCarriesOnAfterwards)
{
    m_app->setPeriodicQueryIntervalMs(40);
    m_mic.sim.setReplyDelayMs(90);
    ASSERT_NO_FATAL_FAILURE(openSheet());
    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    // OK while the link is free; the query then falls due while the save writes.
    ASSERT_TRUE(waitUntil([] { return manager()->currentDeviceCommand() == MLDeviceCommandNone; }, 3000));
    m_sheet->okClicked();
    ASSERT_TRUE(m_sheet->busy());
    ASSERT_TRUE(waitUntil([&] { return m_app->configurationSheetController() == nullptr; }, 5000));

    ASSERT_TRUE(waitUntil([&] { return summariesAfter("coverage=3") >= 2; }, 3000))
        << "the periodic query chain ended";
    const QList<QByteArray> received = m_mic.sim.receivedCommands();
    const qsizetype rename = received.indexOf("RENAME Lab 2");
    ASSERT_GE(rename, 0);
    EXPECT_EQ(received.mid(rename, 4),
              (QList<QByteArray>{"RENAME Lab 2", "channel1=0", "channel2=1", "coverage=3"}));
    EXPECT_EQ(m_app->appState(), MLAppStateConnected);
}

TEST_F(SheetInApplication, PeriodicQueryStartedWhileTheFailureAlertIsOpenCarriesOn)
{
    m_app->setPeriodicQueryIntervalMs(40);
    m_mic.sim.setReplyDelayMs(250);
    m_mic.neverAnswer("channel2=");
    ASSERT_NO_FATAL_FAILURE(openSheet());
    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    AlertDriver alerts;
    alerts.setAnswerDelayMs(150); // long enough for the next periodic query to start
    alerts.answer(QStringLiteral("OK"));
    ASSERT_TRUE(waitUntil([] { return manager()->currentDeviceCommand() == MLDeviceCommandNone; }, 3000));
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([&] { return alerts.seen.size() == 1 && alerts.allAnswered(); }, 5000));
    EXPECT_EQ(alerts.seen[0].text, QStringLiteral("Configuration could not be saved"));
    const qsizetype before = m_mic.sim.receivedCommands().count("SUMMARY");
    EXPECT_TRUE(waitUntil([&] { return m_mic.sim.receivedCommands().count("SUMMARY") >= before + 2; }, 3000))
        << "the periodic query chain ended";
    EXPECT_EQ(m_app->appState(), MLAppStateConnected);
    EXPECT_EQ(m_app->configurationSheetController(), m_sheet) << "the sheet stays open";
}

TEST_F(SheetInApplication, RemovalWhileAQuestionIsOpenClosesBothAndSavesNothing)
{
    ASSERT_NO_FATAL_FAILURE(openSheet());
    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    m_sheet->setChannel2(5);
    AlertDriver alerts;
    alerts.setAnswerDelayMs(3000); // the microphone goes before the user answers
    alerts.answer(QStringLiteral("Yes"));
    QTimer::singleShot(100, &removeTheMicrophone);
    m_sheet->okClicked(); // returns once the question is gone; the sheet may be too
    ASSERT_TRUE(waitUntil([&] { return m_sheet.isNull(); }, 3000));
    EXPECT_EQ(alerts.seen.size(), 1u);
    EXPECT_FALSE(alerts.allAnswered()) << "closed by the removal, not by the user";
    EXPECT_EQ(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()), nullptr);
    EXPECT_EQ(m_mic.sim.receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(m_app->microphoneName(), QStringLiteral("Room 4"));
}

TEST_F(SheetInApplication, ClosingTheSheetLeavesThePeriodicQueryAlone)
{
    m_app->setPeriodicQueryIntervalMs(30);
    m_mic.sim.setReplyDelayMs(250);
    ASSERT_NO_FATAL_FAILURE(openSheet());
    ASSERT_TRUE(waitUntil([] { return manager()->currentDeviceCommand() == MLDeviceCommandSummary; }, 3000));
    const int summaries = int(m_mic.sim.receivedCommands().count("SUMMARY"));

    m_sheet->cancelClicked(); // the application releases it at once
    ASSERT_TRUE(waitUntil([&] { return m_sheet.isNull(); }, 1000));
    EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandSummary);
    EXPECT_EQ(manager()->serialResponseTarget(), m_app.get());
    // The query completes and the chain goes on.
    EXPECT_TRUE(
        waitUntil([&] { return m_mic.sim.receivedCommands().count("SUMMARY") >= summaries + 1; }, 3000));
    EXPECT_EQ(m_app->appState(), MLAppStateConnected);
}

TEST_F(SheetInApplication, UnknownChannelFromTheMicrophoneIsPreserved)
{
    m_mic.sim.setChannel1(9);
    m_mic.sim.setCoverage(7);
    ASSERT_NO_FATAL_FAILURE(openSheet());
    auto *channel1 = m_sheet->window()->findChild<QComboBox *>(QStringLiteral("channel1Selector"));
    auto *coverage = m_sheet->window()->findChild<QComboBox *>(QStringLiteral("coverageSelector"));
    ASSERT_TRUE(channel1 && coverage);
    EXPECT_EQ(channel1->currentText(), QStringLiteral("Unknown (9)"));
    EXPECT_EQ(coverage->currentText(), QStringLiteral("Unknown (7)"));
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet-UnknownValues"));

    // The reported value stays on offer after choosing a listed one.
    channel1->setCurrentIndex(channel1->findText(QStringLiteral("B")));
    EXPECT_EQ(m_sheet->channel1(), 1);
    channel1->setCurrentIndex(channel1->findText(QStringLiteral("Unknown (9)")));
    EXPECT_EQ(m_sheet->channel1(), 9);
    // Another unknown value set by code takes over the one extra item.
    m_sheet->setChannel1(12);
    EXPECT_EQ(channel1->currentText(), QStringLiteral("Unknown (12)"));
    EXPECT_EQ(channel1->count(), 8);
    m_sheet->setChannel1(9);

    // 9 counts as a legacy channel; the user has turned that question off.
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::SuppressLegacyWarning));
    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    m_mic.sim.clearReceivedCommands();
    m_sheet->okClicked();
    ASSERT_TRUE(waitUntil([&] { return m_app->configurationSheetController() == nullptr; }, 4000));
    EXPECT_EQ(m_mic.sim.receivedCommands().mid(0, 4),
              (QList<QByteArray>{"RENAME Lab 2", "channel1=9", "channel2=1", "coverage=7"}));
    EXPECT_EQ(m_mic.sim.channel1(), 9);
    EXPECT_EQ(m_mic.sim.coverage(), 7);
}

} // namespace
