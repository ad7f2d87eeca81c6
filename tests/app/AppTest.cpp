// The application controller through the real device manager, with
// microphones under umockdev and the simulator answering for them.

#include "AppTestSupport.h"

#include <QAction>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace mltest;

namespace {

using App = AppFixture;

TEST_F(App, LaunchShowsConnectViewThenTheMicrophone)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setSerial(QStringLiteral("N0012345"));
    sim(usb).setBattery(57.9);
    launch();
    // The microphone was announced during start; the connect view stays
    // until its first answer.
    EXPECT_EQ(app->appState(), MLAppStateConnected);
    EXPECT_TRUE(app->busy());
    EXPECT_EQ(currentViewName(), QStringLiteral("connectMessageView"));
    EXPECT_EQ(labelText("connectHeadlineLabel"), QString::fromUtf8("Reading the microphone\u2026"));
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    EXPECT_FALSE(app->busy());
    EXPECT_EQ(labelText("connectHeadlineLabel"), QStringLiteral("Connect a microphone"));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("connectMessageView"), QStringLiteral("micInfoView")}));
    EXPECT_EQ(labelText("microphoneNameLabel"), QStringLiteral("Room 2"));
    EXPECT_EQ(labelText("microphoneTypeLabel"), QStringLiteral("Teacher Microphone"));
    EXPECT_EQ(labelText("microphoneSerialLabel"), QStringLiteral("0012345"));
    EXPECT_EQ(labelText("microphoneVersionLabel"), QStringLiteral("1.05"));
    EXPECT_EQ(app->microphoneBatteryLevel(), 57);
    EXPECT_EQ(app->microphoneBatterySegment(), 3);
    EXPECT_EQ(labelText("batteryLevelLabel"), QStringLiteral("57 %"));
    EXPECT_TRUE(app->isPeriodicQueryArmed());
    EXPECT_TRUE(app->window()->findChild<QPushButton *>(QStringLiteral("settingButton"))->isEnabled());
    saveScreenshot(QStringLiteral("information-teacher"));
}

TEST_F(App, StudentMicrophoneAfterLaunch)
{
    launch();
    ASSERT_TRUE(waitForView(QStringLiteral("connectMessageView")));
    saveScreenshot(QStringLiteral("connect"));
    const auto usb = plug(QStringLiteral("3"), 0x4728);
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    EXPECT_EQ(labelText("microphoneTypeLabel"), QStringLiteral("Student Microphone"));
    saveScreenshot(QStringLiteral("information-student"));
    unplug(usb);
    ASSERT_TRUE(waitForView(QStringLiteral("connectMessageView")));
    EXPECT_EQ(app->appState(), MLAppStateConnectMic);
    EXPECT_FALSE(app->isPeriodicQueryArmed());
}

TEST_F(App, PeriodicQueryRefreshesAndReArms)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setBattery(95);
    sim(usb).setBatteryDrainPerSummary(10);
    launch(100);
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    EXPECT_EQ(app->microphoneBatteryLevel(), 100) << "95 reads as full";
    ASSERT_TRUE(waitUntil([&] { return sim(usb).receivedCommands().size() >= 4; }));
    ASSERT_TRUE(waitUntil([&] { return app->microphoneBatteryLevel() <= 65; }));
    EXPECT_TRUE(app->isPeriodicQueryArmed() || manager()->currentDeviceCommand() == MLDeviceCommandSummary);
    EXPECT_EQ(currentViewName(), QStringLiteral("micInfoView"));
}

TEST_F(App, SilentMicrophoneEndsInTheErrorView)
{
    const auto usb = plug(QStringLiteral("2"));
    launch(100);
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    sim(usb).setSilent(true);
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMessageView"), 5000));
    EXPECT_EQ(app->appState(), MLAppStateError);
    EXPECT_FALSE(app->isPeriodicQueryArmed());
    const qsizetype queries = sim(usb).receivedCommands().size();
    processEventsFor(500);
    EXPECT_EQ(sim(usb).receivedCommands().size(), queries) << "the chain ended with the failure";
    saveScreenshot(QStringLiteral("error"));
}

TEST_F(App, TwoMicrophonesThenOneUnplugged)
{
    const auto first = plug(QStringLiteral("2"));
    launch();
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    const auto second = plug(QStringLiteral("3"), 0x4728);
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMultiMessageView")));
    EXPECT_EQ(app->appState(), MLAppStateMultipleMics);
    saveScreenshot(QStringLiteral("multiple"));

    shown.clear();
    unplug(first);
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    // The one left was queried at once, with no connect view between.
    EXPECT_FALSE(shown.contains(QStringLiteral("connectMessageView")));
    EXPECT_EQ(app->appState(), MLAppStateConnected);
    EXPECT_EQ(sim(second).receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(labelText("microphoneTypeLabel"), QStringLiteral("Student Microphone"));
}

TEST_F(App, BrickedMicrophoneEntersRecoveryAndKeepsTheView)
{
    const auto usb = plug(QStringLiteral("2"));
    launch();
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    shown.clear();
    ASSERT_TRUE(sim(usb).sendBricked());
    ASSERT_TRUE(waitUntil([&] { return app->appState() == MLAppStateRecovery; }));
    EXPECT_FALSE(app->busy());
    EXPECT_EQ(currentViewName(), QStringLiteral("micInfoView"));
    EXPECT_FALSE(app->window()->findChild<QPushButton *>(QStringLiteral("settingButton"))->isEnabled())
        << "no settings for a microphone that needs recovery";
    ASSERT_TRUE(sim(usb).sendBricked());
    processEventsFor(200);
    EXPECT_EQ(app->appState(), MLAppStateRecovery);
    EXPECT_TRUE(shown.isEmpty()) << "no view of its own";
}

TEST_F(App, RefusedInitialQueryShowsTheCriticalError)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setSilent(true);
    launch();
    ASSERT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandSummary);
    // Announced again while the first query is outstanding: refused.
    manager()->sendDeviceConnectedNotification();
    ASSERT_TRUE(waitForView(QStringLiteral("criticalErrorView")));
    EXPECT_EQ(labelText("criticalErrorCaption"),
              QStringLiteral("Marlevo Microphone Settings cannot communicate with the device."));
    EXPECT_EQ(app->appState(), MLAppStateConnected);
    EXPECT_TRUE(app->busy());
    saveScreenshot(QStringLiteral("critical-error"));
}

TEST_F(App, PortThatCannotBeOpenedAtLaunch)
{
    // Another program holds the microphone's port.
    const auto usb = plug(QStringLiteral("2"));
    const int holder = ::open(usb.devnode.toUtf8().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    launch();
    EXPECT_EQ(app->appState(), MLAppStateConnected);
    EXPECT_FALSE(app->isReadingMicrophone()) << "the first query was refused";
    EXPECT_EQ(labelText("connectHeadlineLabel"), QStringLiteral("Connect a microphone"))
        << "nothing is being read, whatever busy says";
    ::close(holder);
}

TEST_F(App, DeviceErrorBringsTheWindowBack)
{
    const auto usb = plug(QStringLiteral("2"));
    launch(100);
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    app->window()->showMinimized();
    ASSERT_TRUE(sim(usb).sendOverlong(3000)); // too much data: a device error
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMessageView")));
    EXPECT_EQ(app->appState(), MLAppStateError);
    EXPECT_FALSE(app->window()->isMinimized());
    // Errors do not end the periodic chain: a working microphone keeps answering.
    const qsizetype before = sim(usb).receivedCommands().size();
    EXPECT_TRUE(waitUntil([&] { return sim(usb).receivedCommands().size() > before + 1; }));
}

TEST(AppTables, VersionTextBatteryAndType)
{
    const std::pair<MLVersionNumber, const char *> versions[] = {
        {{1, 5}, "1.05"}, {{3, 0}, "3.00"}, {{1, 123}, "1.123"}, {{1, 2, 3, 4}, "1.02"}, {{}, "0.00"}};
    for (const auto &[version, text] : versions)
        EXPECT_EQ(MLAppDelegate::versionText(version), QString::fromLatin1(text)) << text;

    const std::pair<qint32, qint32> segments[] = {{0, 0},  {9, 0},  {10, 1}, {29, 1},  {30, 2},   {49, 2},  {50, 3},
                                                  {69, 3}, {70, 4}, {89, 4}, {90, 5}, {100, 5}, {-10, -1}, {130, 7}};
    for (const auto &[level, segment] : segments)
        EXPECT_EQ(MLAppDelegate::batterySegmentForLevel(level), segment) << level;

    // Any type other than 0 is a student microphone.
    EXPECT_EQ(MLAppDelegate::deviceTypeToString(7), QStringLiteral("Student Microphone"));
}

TEST_F(App, DiagnosticsCommandTogglesBothKeys)
{
    const QString general = QString(MLDefaultsKeys::DiagnosticsEnabled);
    const QString detailed = QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled);
    const QString dataIO = QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled);
    MLUserDefaults::setBool(true, general);
    MLUserDefaults::setBool(true, dataIO);
    launch();
    QAction *item = app->diagnosticsMenuItem();
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(app->diagnosticsEnabled()) << "one key alone does not tick the command";
    EXPECT_FALSE(item->isChecked());

    item->trigger();
    EXPECT_TRUE(app->diagnosticsEnabled());
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(MLUserDefaults::boolForKey(general));
    EXPECT_TRUE(MLUserDefaults::boolForKey(detailed));

    item->trigger();
    EXPECT_FALSE(app->diagnosticsEnabled());
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(MLUserDefaults::hasStoredValue(general)) << "removed, not set to false";
    EXPECT_FALSE(MLUserDefaults::hasStoredValue(detailed));
    EXPECT_TRUE(MLUserDefaults::boolForKey(dataIO)) << "never touched by the command";

    // Both keys on at launch tick it.
    quit();
    MLUserDefaults::setObject(QStringLiteral("YES"), general);
    MLUserDefaults::setObject(1, detailed);
    launch();
    EXPECT_TRUE(app->diagnosticsEnabled());
    EXPECT_TRUE(app->diagnosticsMenuItem()->isChecked());
}

TEST_F(App, FirstLaunchCentresTheWindowOnce)
{
    const QString key = QString(MLDefaultsKeys::FirstLaunch);
    ASSERT_FALSE(MLUserDefaults::hasStoredValue(key));
    launch();
    EXPECT_TRUE(MLUserDefaults::hasStoredValue(key));
    EXPECT_FALSE(MLUserDefaults::boolForKey(key));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Within what a window frame adds around the contents.
    EXPECT_LE((app->window()->frameGeometry().center() - screen.center()).manhattanLength(), 40);

    quit();
    launch();
    EXPECT_GT((app->window()->frameGeometry().center() - screen.center()).manhattanLength(), 40)
        << "later launches leave the window where it is placed";
}

TEST_F(App, ClosingTheWindowLeavesTheListeners)
{
    launch();
    const qsizetype listeners = manager()->numListeners();
    app->window()->close();
    EXPECT_EQ(manager()->numListeners(), listeners - 1);
}

} // namespace
