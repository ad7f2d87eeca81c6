// The application controller through the real device manager, with
// microphones under umockdev, the simulator answering for them and a local
// update service offering firmware.

#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace mltest;

namespace {

const QByteArray kList = "/updates/firmware/lst/4721_A";
const QString kConnect = QStringLiteral("connectMessageView"), kInfo = QStringLiteral("micInfoView");

MLDeviceManager *manager()
{
    return MLDeviceManager::sharedInstance();
}

class App : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        server.route(kList, fwtest::HttpResponse::answer(404, "<html>no list</html>"));
        MLUserDefaults::setObject(server.url("/"), QString(MLDefaultsKeys::MarlevoServerURL));
        manager()->setTimings(MLDeviceManagerTimings{800, 3600000, 60.0, 8, 50});
    }

    void TearDown() override
    {
        manager()->removeListener(app.get());
        app.reset();
        manager()->stop();
        manager()->cancelCommand();
        for (auto &[node, sim] : sims)
            sim->stop();
        flushEvents();
    }

    // Periodic queries and update checks far apart unless a test wants them.
    void launch(int periodicQueryMs = 3600000, int firmwareCheckMs = 3600000)
    {
        app = std::make_shared<MLAppDelegate>();
        app->setPeriodicQueryIntervalMs(periodicQueryMs);
        app->setFirmwareCheckIntervalMs(firmwareCheckMs);
        QObject::connect(app.get(), &MLAppDelegate::viewShown, app.get(),
                         [this](QWidget *view) { shown.append(view->objectName()); });
        app->applicationDidFinishLaunching();
    }

    // Plugs a microphone in, with the simulator on its device end.
    Testbed::Usb plug(const QString &port, quint16 product = 0x4721,
                      const QString &firmware = QStringLiteral("1.05"))
    {
        Testbed::Usb usb =
            testbed.addUsbSerial(1, port, 0x1a85, product, QStringLiteral("ttyACM%1").arg(nextTty++));
        EXPECT_FALSE(usb.usbSyspath.isEmpty()) << testbed.lastError().toStdString();
        auto sim = std::make_unique<MicSimulator>();
        sim->setName(QStringLiteral("Room %1").arg(port));
        sim->setFirmware(firmware);
        EXPECT_TRUE(sim->attach(testbed.deviceFd(usb.devnode)));
        sims[usb.devnode] = std::move(sim);
        return usb;
    }

    void unplug(const Testbed::Usb &usb)
    {
        sims[usb.devnode]->stop();
        testbed.remove(usb);
    }

    MicSimulator &sim(const Testbed::Usb &usb) { return *sims.at(usb.devnode); }

    bool waitForView(const QString &name)
    {
        return waitUntil([&] { return app->currentView() && app->currentView()->objectName() == name; });
    }
    QString labelText(const char *name) const
    {
        return app->window()->findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    // A picture of the window for a reviewer, once the view's fade is over.
    void saveScreenshot(const QString &name)
    {
        processEventsFor(250);
        const QString dir = outputDir() + QStringLiteral("/app");
        QDir().mkpath(dir);
        app->window()->grab().save(dir + u'/' + name + QStringLiteral(".png"));
    }

    // The update service offers this file beside one for another product.
    void offer(const char *fileName)
    {
        server.route(kList, fwtest::HttpResponse::answer(
                                200, QByteArray("<updates><firmware><file><filename>"
                                                "4721_B_x_09_09.bin</filename></file><file>"
                                                "<filename>") +
                                         fileName + "</filename></file></firmware></updates>"));
    }
    // Asks the update service now and waits for its answer to be handled.
    bool check()
    {
        LogCapture log;
        app->getAvailableFirmwareVersions();
        return waitUntil([&] { return log.countContaining(QStringLiteral("Firmware update check")) > 0; });
    }

    Testbed testbed;
    std::map<QString, std::unique_ptr<MicSimulator>> sims;
    int nextTty = 0;
    fwtest::TestHttpServer server;
    std::shared_ptr<MLAppDelegate> app;
    QStringList shown;
};

TEST_F(App, LaunchShowsConnectViewThenTheMicrophone)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setSerial(QStringLiteral("N0012345"));
    sim(usb).setBattery(57.9);
    launch();
    // Announced during start: the connect view says so until the first answer.
    EXPECT_EQ(shown, QStringList{kConnect});
    EXPECT_EQ(labelText("connectHeadlineLabel"), QString::fromUtf8("Reading the microphone\u2026"));
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_EQ(shown, (QStringList{kConnect, kInfo}));
    EXPECT_EQ(labelText("microphoneNameLabel"), QStringLiteral("Room 2"));
    EXPECT_EQ(labelText("microphoneTypeLabel"), QStringLiteral("Teacher Microphone"));
    EXPECT_EQ(labelText("microphoneSerialLabel"), QStringLiteral("0012345"));
    EXPECT_EQ(labelText("microphoneVersionLabel"), QStringLiteral("1.05"));
    EXPECT_EQ(labelText("batteryLevelLabel"), QStringLiteral("57 %")) << "cut off, not rounded";
    EXPECT_EQ(app->microphoneBatterySegment(), 3);
    EXPECT_TRUE(app->window()->findChild<QPushButton *>(QStringLiteral("settingButton"))->isEnabled());
    saveScreenshot(QStringLiteral("information-teacher"));
}

TEST_F(App, OneMicrophoneAtATime)
{
    launch();
    ASSERT_TRUE(waitForView(kConnect));
    saveScreenshot(QStringLiteral("connect"));
    const auto first = plug(QStringLiteral("2"));
    ASSERT_TRUE(waitForView(kInfo));
    const auto second = plug(QStringLiteral("3"), 0x4728);
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMultiMessageView")));
    EXPECT_EQ(app->appState(), MLAppStateMultipleMics);
    saveScreenshot(QStringLiteral("multiple"));

    // The one left is queried at once, with no connect view between.
    shown.clear();
    unplug(first);
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_FALSE(shown.contains(kConnect));
    EXPECT_EQ(sim(second).receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(labelText("microphoneTypeLabel"), QStringLiteral("Student Microphone"));
    saveScreenshot(QStringLiteral("information-student"));

    unplug(second);
    ASSERT_TRUE(waitForView(kConnect));
    EXPECT_EQ(app->appState(), MLAppStateConnectMic);
    EXPECT_FALSE(app->isPeriodicQueryArmed());
}

TEST_F(App, PeriodicQueryRefreshesUntilTheMicrophoneFallsSilent)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setBattery(95);
    sim(usb).setBatteryDrainPerSummary(10);
    launch(100);
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_EQ(app->microphoneBatteryLevel(), 100) << "95 reads as full";
    ASSERT_TRUE(waitUntil([&] { return app->microphoneBatteryLevel() <= 65; }));

    sim(usb).setSilent(true);
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMessageView")));
    EXPECT_EQ(app->appState(), MLAppStateError);
    const qsizetype queries = sim(usb).receivedCommands().size();
    processEventsFor(500);
    EXPECT_EQ(sim(usb).receivedCommands().size(), queries) << "the chain ended with the failure";
    saveScreenshot(QStringLiteral("error"));
}

TEST_F(App, DeviceErrorBringsTheWindowBackAndQueryingGoesOn)
{
    const auto usb = plug(QStringLiteral("2"));
    launch(100);
    ASSERT_TRUE(waitForView(kInfo));
    app->window()->showMinimized();
    ASSERT_TRUE(sim(usb).sendOverlong(3000));
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMessageView")));
    EXPECT_EQ(app->appState(), MLAppStateError);
    EXPECT_FALSE(app->window()->isMinimized());
    const qsizetype before = sim(usb).receivedCommands().size();
    EXPECT_TRUE(waitUntil([&] { return sim(usb).receivedCommands().size() > before + 1; }));
}

TEST_F(App, RefusedQueryShowsTheCriticalError)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setSilent(true);
    launch();
    // Announced again while the first query is outstanding: refused.
    manager()->sendDeviceConnectedNotification();
    ASSERT_TRUE(waitForView(QStringLiteral("criticalErrorView")));
    EXPECT_EQ(labelText("criticalErrorCaption"),
              QStringLiteral("Marlevo Microphone Settings cannot communicate with the device."));
    EXPECT_EQ(labelText("connectHeadlineLabel"), QStringLiteral("Connect a microphone"))
        << "nothing is being read";
    saveScreenshot(QStringLiteral("critical-error"));
}

TEST(AppRules, VersionTextBatterySegmentAndType)
{
    const std::pair<MLVersionNumber, const char *> versions[] = {
        {{1, 5}, "1.05"}, {{1, 123}, "1.123"}, {{1, 2, 3, 4}, "1.02"}, {{}, "0.00"}};
    for (const auto &[version, text] : versions)
        EXPECT_EQ(MLAppDelegate::versionText(version), QString::fromLatin1(text)) << text;
    const std::pair<qint32, qint32> segments[] = {{0, 0},  {9, 0},  {10, 1},  {29, 1},   {30, 2},
                                                  {89, 4}, {90, 5}, {100, 5}, {-10, -1}, {130, 7}};
    for (const auto &[level, segment] : segments)
        EXPECT_EQ(MLAppDelegate::batterySegmentForLevel(level), segment) << level;
    EXPECT_EQ(MLAppDelegate::deviceTypeToString(7), QStringLiteral("Student Microphone")) << "any type but 0";
    for (const char *base : {"https://updates.marlevo.example", "https://updates.marlevo.example/"})
        EXPECT_EQ(MLAppDelegate::firmwareListURL(QString::fromLatin1(base)),
                  QStringLiteral("https://updates.marlevo.example/updates/firmware/lst/4721_A"));
    EXPECT_TRUE(MLAppDelegate::firmwareListURL(QVariant(42)).isEmpty()) << "no string, no address";
}

// --- The firmware notice ---------------------------------------------------------------

TEST_F(App, UpdateAnswerIsTakenOnlyWithOneMicrophone)
{
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    offer("4721_A_x_01_07.bin");
    launch();
    ASSERT_TRUE(check());
    EXPECT_FALSE(app->serverUpdateVersion().has_value()) << "no microphone";
    const auto first = plug(QStringLiteral("2"));
    plug(QStringLiteral("3"));
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMultiMessageView")));
    ASSERT_TRUE(check());
    EXPECT_FALSE(app->serverUpdateVersion().has_value()) << "two microphones";
    unplug(first);
    ASSERT_TRUE(waitForView(kInfo));
    ASSERT_TRUE(check());
    EXPECT_TRUE(app->firmwareUpdateAvailable());
}

TEST_F(App, FirmwareNoticeFollowsTheOfferAndTheMicrophone)
{
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    offer("4721_A_x_01_04.bin");
    const auto old = plug(QStringLiteral("2"), 0x4721, QStringLiteral("1.04"));
    launch(3600000, 200);
    ASSERT_TRUE(waitForView(kInfo));
    ASSERT_TRUE(check());
    EXPECT_FALSE(app->firmwareUpdateAvailable()) << "1.4 is not newer than 1.04";
    offer("4721_A_x_01_05.bin");
    ASSERT_TRUE(waitUntil([&] { return app->firmwareUpdateAvailable(); })) << "the periodic check";
    EXPECT_EQ(labelText("firmwareUpdateNotice"),
              QString::fromUtf8("Firmware update available: 1.04 \u2192 1.05"));
    saveScreenshot(QStringLiteral("information-firmware-notice"));

    unplug(old);
    ASSERT_TRUE(waitForView(kConnect));
    EXPECT_TRUE(app->firmwareUpdateAvailable()) << "unchanged while no microphone is attached";
    plug(QStringLiteral("3"), 0x4721, QStringLiteral("1.09"));
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_FALSE(app->firmwareUpdateAvailable());
}

} // namespace
