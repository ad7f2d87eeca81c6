// The firmware notice: the update service's answer, taken only with one
// microphone in use, and re-evaluated by every summary.

#include "AppTestSupport.h"

#include <gtest/gtest.h>

using namespace mltest;

namespace {

QByteArray listOffering(const QStringList &fileNames)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<updates>\n  <firmware>\n";
    for (const QString &name : fileNames)
        xml += "    <file><filename>" + name.toUtf8() + "</filename><filesize>65536</filesize></file>\n";
    return xml + "  </firmware>\n</updates>\n";
}

class FirmwareNotice : public AppFixture
{
protected:
    void offer(const QString &fileName)
    {
        server.route(kList, fwtest::HttpResponse::answer(
                                200, listOffering({QStringLiteral("4721_B_x_09_09.bin"), fileName})));
    }
    int checks() const { return int(server.requestsFor(kList).size()); }
    bool waitForChecks(int count) { return waitUntil([&] { return checks() >= count; }); }
    // Checks every 200 ms, queries only once an hour: each change below has one cause.
    void launchChecking() { launch(3600000, 200); }
};

TEST(FirmwareListAddress, BuiltFromTheServerAddress)
{
    for (const char *base : {"https://updates.marlevo.example", "https://updates.marlevo.example/"})
        EXPECT_EQ(MLAppDelegate::firmwareListURL(QString::fromLatin1(base)),
                  QStringLiteral("https://updates.marlevo.example/updates/firmware/lst/4721_A"));
    EXPECT_TRUE(MLAppDelegate::firmwareListURL(QVariant()).isEmpty()) << "no string, no address";
    EXPECT_TRUE(MLAppDelegate::firmwareListURL(QVariant(42)).isEmpty());
}

TEST_F(FirmwareNotice, LaunchCheckWithNoMicrophoneIsDropped)
{
    LogCapture log;
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    offer(QStringLiteral("4721_A_x_01_07.bin"));
    launch();
    ASSERT_TRUE(waitUntil([&] {
        return log.contains(QStringLiteral("Firmware update check succeeded. Highest version: 01.07.00.00"));
    }));
    EXPECT_FALSE(app->serverUpdateVersion().has_value());
    plug(QStringLiteral("2"));
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    EXPECT_FALSE(app->firmwareUpdateAvailable());
}

TEST_F(FirmwareNotice, NewerOfferSetsTheNoticeAtOnce)
{
    offer(QStringLiteral("4721_A_x_01_04.bin"));
    plug(QStringLiteral("2"), 0x4721, QStringLiteral("1.04"));
    launchChecking();
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    const int before = checks();
    ASSERT_TRUE(waitForChecks(before + 1));
    processEventsFor(100);
    EXPECT_FALSE(app->firmwareUpdateAvailable()) << "1.4 is not newer than 1.04";

    offer(QStringLiteral("4721_A_x_01_05.bin"));
    ASSERT_TRUE(waitUntil([&] { return app->firmwareUpdateAvailable(); }));
    ASSERT_TRUE(app->serverUpdateVersion().has_value());
    EXPECT_EQ(app->serverUpdateVersion()->description(), QStringLiteral("01.05.00.00"));
    EXPECT_EQ(labelText("firmwareUpdateNotice"), QString::fromUtf8("Firmware update available: 1.04 \u2192 1.05"));
    saveScreenshot(QStringLiteral("information-firmware-notice"));
}

TEST_F(FirmwareNotice, AnswerInTheErrorStateIsStoredNotShown)
{
    offer(QStringLiteral("4721_A_x_01_04.bin"));
    const auto usb = plug(QStringLiteral("2"), 0x4721, QStringLiteral("1.04"));
    launchChecking();
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    sim(usb).setSilent(true);
    manager()->queryDeviceWithCompletionTarget(app.get(), MLSelector(&MLAppDelegate::periodicDeviceQueryComplete),
                                               QStringLiteral("query"));
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMessageView")));
    ASSERT_EQ(app->appState(), MLAppStateError);

    offer(QStringLiteral("4721_A_x_01_07.bin"));
    ASSERT_TRUE(waitUntil([&] {
        return app->serverUpdateVersion() && app->serverUpdateVersion()->description() == u"01.07.00.00";
    }));
    EXPECT_FALSE(app->firmwareUpdateAvailable());

    // The next summary of a working microphone shows it.
    sim(usb).setSilent(false);
    manager()->sendDeviceConnectedNotification();
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    EXPECT_TRUE(app->firmwareUpdateAvailable());
}

TEST_F(FirmwareNotice, NewerMicrophoneClearsIt)
{
    offer(QStringLiteral("4721_A_x_01_07.bin"));
    const auto old = plug(QStringLiteral("2"), 0x4721, QStringLiteral("1.05"));
    launchChecking();
    ASSERT_TRUE(waitUntil([&] { return app->firmwareUpdateAvailable(); }));
    unplug(old);
    ASSERT_TRUE(waitForView(QStringLiteral("connectMessageView")));
    EXPECT_TRUE(app->firmwareUpdateAvailable()) << "unchanged while no microphone is attached";
    plug(QStringLiteral("3"), 0x4721, QStringLiteral("1.09"));
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    EXPECT_FALSE(app->firmwareUpdateAvailable());
    processEventsFor(500); // more checks arrive: still older than the microphone
    EXPECT_FALSE(app->firmwareUpdateAvailable());
}

TEST_F(FirmwareNotice, TwoMicrophonesStoreNothing)
{
    plug(QStringLiteral("2"));
    plug(QStringLiteral("3"));
    offer(QStringLiteral("4721_A_x_01_07.bin"));
    launchChecking();
    ASSERT_TRUE(waitForView(QStringLiteral("disconnectMultiMessageView")));
    const int before = checks();
    ASSERT_TRUE(waitForChecks(before + 2));
    processEventsFor(100);
    EXPECT_FALSE(app->serverUpdateVersion().has_value());
    EXPECT_FALSE(app->firmwareUpdateAvailable());
}

TEST_F(FirmwareNotice, FailedCheckChangesNothing)
{
    LogCapture log;
    server.route(kList, fwtest::HttpResponse::answer(200, "this is no list"));
    plug(QStringLiteral("2"));
    launchChecking();
    ASSERT_TRUE(waitUntil([&] { return log.count(QStringLiteral("Firmware update check failed.")) >= 1; }));
    EXPECT_FALSE(app->serverUpdateVersion().has_value());
    EXPECT_FALSE(app->firmwareUpdateAvailable());
}

} // namespace
