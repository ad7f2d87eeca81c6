// The application controller and its window through the real device manager,
// with microphones under umockdev, the simulator answering for them and a
// local update service offering firmware.

#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLBatteryGauge.h"
#include "MLBusyIndicator.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLocale>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace mltest;

namespace {

const QByteArray kList = "/updates/firmware/lst/4721_A";
const QString kConnect = QStringLiteral("connectMessageView"), kInfo = QStringLiteral("micInfoView");

class App : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        server.route(kList, fwtest::HttpResponse::answer(404, "<html>no list</html>"));
        MLUserDefaults::setObject(server.url("/"), QString(MLDefaultsKeys::MarlevoServerURL));
        manager->setTimings(MLDeviceManagerTimings{800, 3600000, 60.0, 8, 50});
    }

    void TearDown() override
    {
        quit();
        manager->stop();
        manager->cancelCommand();
        for (auto &[node, sim] : sims)
            sim->stop();
        QLocale::setDefault(m_locale);
        QApplication::setFont(m_font);
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
    void quit()
    {
        if (app)
            manager->removeListener(app.get());
        app.reset();
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

    MLDeviceManager *const manager = MLDeviceManager::sharedInstance();
    Testbed testbed;
    std::map<QString, std::unique_ptr<MicSimulator>> sims;
    int nextTty = 0;
    fwtest::TestHttpServer server;
    std::shared_ptr<MLAppDelegate> app;
    QStringList shown;
    QLocale m_locale;
    QFont m_font = QApplication::font();
};

TEST(AppRules, VersionTextBatterySegmentTypeAndListAddress)
{
    EXPECT_EQ(MLAppDelegate::versionText(MLVersionNumber(1, 123, 4, 0)), QStringLiteral("1.123"));
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

TEST_F(App, LaunchShowsTheMicrophoneAlikeInEveryLocale)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setSerial(QStringLiteral("N0012345"));
    launch();
    // Announced during start: the connect view says so until the first answer.
    EXPECT_EQ(labelText("connectHeadlineLabel"), QString::fromUtf8("Reading the microphone\u2026"));
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_EQ(shown, (QStringList{kConnect, kInfo}));
    EXPECT_EQ(labelText("microphoneNameLabel"), QStringLiteral("Room 2"));
    EXPECT_EQ(labelText("microphoneTypeLabel"), QStringLiteral("Teacher Microphone"));
    EXPECT_EQ(labelText("microphoneSerialLabel"), QStringLiteral("0012345"));
    EXPECT_EQ(labelText("microphoneVersionLabel"), QStringLiteral("1.05"));
    EXPECT_EQ(app->periodicQueryTimer()->timerType(), Qt::PreciseTimer)
        << "a coarse one fires up to 5 % early";

    auto *gauge = app->window()->findChild<MLBatteryGauge *>(QStringLiteral("batteryGauge"));
    const std::pair<double, int> batteries[] = {{57.9, 57}, {87, 87}, {100, 100}}; // cut off, not rounded
    for (const char *locale : {"de_DE", "fr_FR", "en_US"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        for (const auto &[battery, level] : batteries) {
            SCOPED_TRACE(std::string(locale) + ' ' + std::to_string(battery));
            sim(usb).setBattery(battery);
            app->periodicQueryDevice();
            ASSERT_TRUE(waitUntil([&] { return !manager->currentDeviceCommand(); }));
            EXPECT_EQ(gauge->level(), level);
            EXPECT_EQ(labelText("batteryLevelLabel"), QString::number(level) + QStringLiteral(" %"));
        }
        saveScreenshot(QStringLiteral("information-") + QString::fromLatin1(locale));
    }
}

// Plugged in before the first, a second microphone is refused; the update
// service's answer, come while none was attached, is kept for the one in use.
TEST_F(App, OneMicrophoneAtATimeAndTheFirmwareAnswerKeptForIt)
{
    server.route(kList,
                 fwtest::HttpResponse::answer(200, "<updates><firmware><file><filename>4721_B_x_09_09.bin"
                                                   "</filename></file><file><filename>4721_A_x_01_07.bin"
                                                   "</filename></file></firmware></updates>"));
    launch();
    ASSERT_TRUE(waitForView(kConnect));
    auto *spinner = app->window()->findChild<MLBusyIndicator *>(QStringLiteral("busyIndicator"));
    ASSERT_TRUE(waitUntil([&] { return spinner->isTicking(); }));
    app->window()->showMinimized();
    EXPECT_TRUE(waitUntil([&] { return !spinner->isTicking(); })) << "nobody sees it";
    app->window()->showNormal();
    EXPECT_TRUE(waitUntil([&] { return spinner->isTicking(); }));
    ASSERT_TRUE(waitUntil([&] { return server.requestsFor(kList).size() == 1; }));
    processEventsFor(200);
    EXPECT_FALSE(app->serverUpdateVersion().has_value()) << "no microphone";

    const auto first = plug(QStringLiteral("2"));
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_EQ(labelText("firmwareUpdateNotice"),
              QStringLiteral("Firmware update available: 1.05 \u2192 1.07"));
    EXPECT_EQ(server.requestsFor(kList).size(), 1) << "no extra request";
    const auto second = plug(QStringLiteral("3"), 0x4728, QStringLiteral("1.09"));
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMultiMessageView")));

    // The one left is queried at once, with no connect view between.
    shown.clear();
    unplug(first);
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_FALSE(shown.contains(kConnect));
    EXPECT_EQ(sim(second).receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(labelText("microphoneTypeLabel"), QStringLiteral("Student Microphone"));
    EXPECT_FALSE(app->firmwareUpdateAvailable()) << "1.09 is newer than the offer";

    unplug(second);
    ASSERT_TRUE(waitForView(kConnect));
    EXPECT_FALSE(app->isPeriodicQueryArmed());
}

// A device error brings the window back and querying goes on; silence ends it.
TEST_F(App, PeriodicQueryRefreshesUntilTheMicrophoneFallsSilent)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setBattery(95);
    sim(usb).setBatteryDrainPerSummary(10);
    launch(100);
    ASSERT_TRUE(waitForView(kInfo));
    EXPECT_EQ(app->microphoneBatteryLevel(), 100) << "95 reads as full";
    ASSERT_TRUE(waitUntil([&] { return app->microphoneBatteryLevel() <= 65; }));

    app->window()->showMinimized();
    ASSERT_TRUE(sim(usb).sendOverlong(3000));
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMessageView")));
    EXPECT_FALSE(app->window()->isMinimized());
    ASSERT_TRUE(waitUntil([&] { return app->microphoneBatteryLevel() <= 45; })) << "querying goes on";

    sim(usb).setSilent(true);
    const qsizetype queries = sim(usb).receivedCommands().size() + 1;
    ASSERT_TRUE(waitUntil([&] { return sim(usb).receivedCommands().size() == queries; }));
    ASSERT_TRUE(waitUntil([&] { return !manager->currentDeviceCommand(); })) << "the time-out";
    processEventsFor(500);
    EXPECT_EQ(sim(usb).receivedCommands().size(), queries) << "the chain ended with the failure";
}

// Bricked while its first answer is awaited (the settings tests see it with its information shown).
TEST_F(App, MicrophoneInRecoveryIsNeverCalledMissing)
{
    const auto usb = plug(QStringLiteral("2"));
    sim(usb).setReplyOverride([](const QByteArray &) { return std::optional<QByteArray>(QByteArray()); });
    launch();
    ASSERT_TRUE(waitUntil([&] { return app->isReadingMicrophone(); }));
    ASSERT_TRUE(sim(usb).sendBricked());
    ASSERT_TRUE(waitForView(QStringLiteral("restartingView")));
    EXPECT_EQ(labelText("restartingHeadlineLabel"), QStringLiteral("The microphone is restarting"));
    saveScreenshot(QStringLiteral("restarting"));
}

TEST_F(App, WindowGrowsWithTheFont)
{
    // Every shown label at least as large as its text needs, and no two on top of each other.
    const auto expectLabelsFit = [this](const QString &where) {
        processEventsFor(250);
        QList<QRect> taken;
        for (QLabel *label : app->window()->findChildren<QLabel *>()) {
            if (!label->isVisibleTo(app->window()) || label->text().isEmpty())
                continue;
            const std::string name = (where + u' ' + label->objectName()).toStdString();
            if (label->wordWrap())
                EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name;
            else
                EXPECT_GE(label->width(), label->sizeHint().width()) << name;
            const QRect rect(label->mapTo(app->window(), QPoint(0, 0)), label->size());
            for (const QRect &other : taken)
                EXPECT_FALSE(rect.intersects(other)) << name;
            taken.append(rect);
        }
    };
    for (const int points : {10, 14, 18}) {
        QApplication::setFont(QFont(m_font.family(), points));
        const auto usb = plug(QStringLiteral("2"));
        sim(usb).setName(QStringLiteral("Classroom 12"));
        launch();
        ASSERT_TRUE(waitForView(kInfo));
        const QString size = QString::number(points) + QStringLiteral("pt");
        expectLabelsFit(QStringLiteral("information ") + size);
        saveScreenshot(QStringLiteral("information-") + size);
        unplug(usb);
        quit();
        manager->stop(); // the next font starts a new application
    }
}

} // namespace
