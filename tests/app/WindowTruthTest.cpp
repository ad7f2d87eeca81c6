// The main window as every user meets it: other locales, a microphone in
// recovery, large fonts and the keyboard, the precise query timer, a firmware
// answer that came before the microphone, and a spinner nobody sees.

#include "AppTestSupport.h"
#include "MLBatteryGauge.h"
#include "MLBusyIndicator.h"

#include <QApplication>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mltest;

namespace {

class WindowTruth : public AppFixture
{
protected:
    void TearDown() override
    {
        QLocale::setDefault(m_locale);
        QApplication::setFont(m_font);
        AppFixture::TearDown();
    }

    // Every shown label at least as large as its text needs, and no two on top of each other.
    void expectLabelsFit(const QString &where)
    {
        processEventsFor(250);
        QList<QRect> taken;
        for (QLabel *label : app->window()->findChildren<QLabel *>()) {
            if (!label->isVisibleTo(app->window()) || label->text().isEmpty())
                continue;
            const QString name = where + u' ' + label->objectName();
            if (label->wordWrap())
                EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name.toStdString();
            else
                EXPECT_GE(label->width(), label->sizeHint().width()) << name.toStdString();
            const QRect rect(label->mapTo(app->window(), QPoint(0, 0)), label->size());
            for (const QRect &other : taken)
                EXPECT_FALSE(rect.intersects(other)) << name.toStdString();
            taken.append(rect);
        }
    }

    QLocale m_locale;
    QFont m_font = QApplication::font();
};

TEST_F(WindowTruth, MicrophoneValuesReadAlikeInEveryLocale)
{
    const auto usb = plug(QStringLiteral("2"));
    launch();
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    ASSERT_TRUE(app->periodicQueryTimer());
    EXPECT_EQ(app->periodicQueryTimer()->timerType(), Qt::PreciseTimer) << "a coarse one fires up to 5 % early";
    auto *gauge = app->window()->findChild<MLBatteryGauge *>(QStringLiteral("batteryGauge"));
    const std::pair<double, int> batteries[] = {{57.9, 57}, {87, 87}, {100, 100}};
    for (const char *locale : {"de_DE", "fr_FR", "en_US"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        for (const auto &[battery, level] : batteries) {
            SCOPED_TRACE(std::string(locale) + ' ' + std::to_string(battery));
            sim(usb).setBattery(battery);
            app->periodicQueryDevice();
            ASSERT_TRUE(waitUntil([&] { return app->microphoneBatteryLevel() != 0 && !manager()->currentDeviceCommand(); }));
            EXPECT_EQ(gauge ? gauge->level() : -1, level);
            EXPECT_EQ(labelText("batteryLevelLabel"), QString::number(level) + QStringLiteral(" %"));
        }
        saveScreenshot(QStringLiteral("information-") + QString::fromLatin1(locale));
    }
}

TEST_F(WindowTruth, MicrophoneInRecoveryIsNeverCalledMissing)
{
    launch();
    // Once with its information shown, once while its first answer is awaited.
    for (const bool shown : {true, false}) {
        const auto usb = plug(QStringLiteral("2"));
        if (!shown)
            sim(usb).setReplyOverride([](const QByteArray &) { return std::optional<QByteArray>(QByteArray()); });
        ASSERT_TRUE(waitUntil([&] { return shown ? currentViewName() == u"micInfoView" : app->isReadingMicrophone(); }));
        ASSERT_TRUE(sim(usb).sendBricked());
        ASSERT_TRUE(waitForView(QStringLiteral("restartingView"))) << shown;
        EXPECT_EQ(labelText("restartingHeadlineLabel"), QStringLiteral("The microphone is restarting"));
        saveScreenshot(QStringLiteral("restarting"));
        unplug(usb);
        ASSERT_TRUE(waitForView(QStringLiteral("connectMessageView")));
    }
}

TEST_F(WindowTruth, WindowGrowsWithTheFontAndWorksFromTheKeyboard)
{
    for (const int points : {10, 14, 18}) {
        QApplication::setFont(QFont(m_font.family(), points));
        const auto usb = plug(QStringLiteral("2"));
        sim(usb).setName(QStringLiteral("Classroom 12"));
        launch();
        ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
        const QString size = QString::number(points) + QStringLiteral("pt");
        expectLabelsFit(QStringLiteral("information ") + size);
        saveScreenshot(QStringLiteral("information-") + size);
        // The one action of the view is where the keyboard starts.
        ASSERT_EQ(app->window()->focusWidget(), app->window()->findChild<QPushButton *>(QStringLiteral("settingButton")));
        QTest::keyClick(app->window()->focusWidget(), Qt::Key_Space);
        ASSERT_NE(app->configurationSheetController(), nullptr);
        app->configurationSheetController()->cancel();
        unplug(usb);
        ASSERT_TRUE(waitForView(QStringLiteral("connectMessageView")));
        expectLabelsFit(QStringLiteral("connect ") + size);
        saveScreenshot(QStringLiteral("connect-") + size);
        quit();
        manager()->stop(); // the next font starts a new application
    }
}

TEST_F(WindowTruth, WaitingForTheMicrophoneCostsLittleAndMissesNoFirmwareAnswer)
{
    server.route(kList, fwtest::HttpResponse::answer(
                            200, "<updates><firmware><file><filename>4721_A_x_01_07.bin</filename>"
                                 "<filesize>65536</filesize></file></firmware></updates>"));
    launch();
    ASSERT_TRUE(waitForView(QStringLiteral("connectMessageView")));
    auto *spinner = app->window()->findChild<MLBusyIndicator *>(QStringLiteral("busyIndicator"));
    ASSERT_TRUE(spinner && waitUntil([&] { return spinner->isTicking(); }));
    app->window()->showMinimized();
    EXPECT_TRUE(waitUntil([&] { return !spinner->isTicking(); })) << "nobody sees it";
    app->window()->showNormal();
    EXPECT_TRUE(waitUntil([&] { return spinner->isTicking(); }));

    // The launch check's answer came with no microphone attached.
    ASSERT_TRUE(waitUntil([&] { return server.requestsFor(kList).size() == 1; }));
    processEventsFor(200);
    plug(QStringLiteral("2"));
    ASSERT_TRUE(waitForView(QStringLiteral("micInfoView")));
    EXPECT_EQ(labelText("firmwareUpdateNotice"), QStringLiteral("Firmware update available: 1.05 \u2192 1.07"));
    EXPECT_EQ(server.requestsFor(kList).size(), 1) << "no extra request";
}

} // namespace
