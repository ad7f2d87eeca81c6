// Device events that fall due while an alert of the main window or of the
// settings sheet runs its own loop, and names the microphone must not take.

#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLConfigurationSheetController.h"
#include "MLDeviceManager.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

using mltest::processEventsFor;
using mltest::waitUntil;

namespace {

MLDeviceManager *manager() { return MLDeviceManager::sharedInstance(); }

QMessageBox *openAlert() { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); }

enum class Alert { None, MainWindow, Question, NameAlert, ResetQuestion };
enum class Event { Removal, Junk, Bricked, Timeout };

class Hostile : public ::testing::Test
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
        timings.commandTimeoutMs = 300;
        timings.waitForOpenSleepMs = 10;
        manager()->setTimings(timings);
        MLSerialDeviceInfo info;
        info.location = 0x01200000u;
        info.callOutDevice = info.dialInDevice = path;
        manager()->setConnectedDevices({{info.location, info}});
        m_app = std::make_shared<MLAppDelegate>();
        m_app->setPeriodicQueryIntervalMs(100);
        manager()->addListener(m_app);
        m_app->window()->show();
        manager()->sendDeviceConnectedNotification();
        ASSERT_TRUE(waitUntil([this] { return m_app->currentView() == m_app->micInfoView() && !m_app->busy(); }));
    }
    void TearDown() override
    {
        manager()->removeListener(m_app.get());
        manager()->cancelCommand();
        manager()->closeSerialPort();
        manager()->setConnectedDevices({});
        manager()->setTimings(m_timings);
        m_sim.stop();
        m_sim.setReplyOverride(nullptr);
        m_port.reset();
        m_app.reset();
        mltest::flushEvents();
    }
    // The microphone's next summary (or, for a removal, the system) brings the event.
    void bring(Event event)
    {
        if (event == Event::Removal) {
            manager()->setConnectedDevices({});
            manager()->closeSerialPort();
            manager()->sendDeviceDisconnectedNotification();
            return;
        }
        const QByteArray reply = event == Event::Junk      ? QByteArray(3000, 'x')
                                 : event == Event::Bricked ? QByteArray("Error: cannot open keyset1.txt\r\n")
                                                           : QByteArray();
        m_sim.setReplyOverride([reply](const QByteArray &command) -> std::optional<QByteArray> {
            return command == "SUMMARY" ? std::optional(reply) : std::nullopt;
        });
    }
    MLConfigurationSheetController *openSheet(const QString &name, qint32 channel1, qint32 channel2)
    {
        m_app->showConfigurationSheet();
        MLConfigurationSheetController *sheet = m_app->configurationSheetController();
        sheet->setMicrophoneName(name);
        sheet->setChannel1(channel1);
        sheet->setChannel2(channel2);
        return sheet;
    }

    MicSimulator m_sim;
    std::optional<PtyAsOnlySerialPort> m_port;
    MLDeviceManagerTimings m_timings;
    std::shared_ptr<MLAppDelegate> m_app;
};

// Qt's nested loops deliver device events and the time-out while an alert is
// open: each must leave the window right and nothing may reach the
// microphone once the alert is answered with its accepting button.
TEST_F(Hostile, EventsWhileAnAlertIsOpen)
{
    for (Alert alert : {Alert::None, Alert::MainWindow, Alert::Question, Alert::NameAlert, Alert::ResetQuestion}) {
        for (Event event : {Event::Removal, Event::Junk, Event::Bricked, Event::Timeout}) {
            SCOPED_TRACE(testing::Message() << "alert " << int(alert) << ", event " << int(event));
            TearDown();
            SetUp();
            QPointer<MLConfigurationSheetController> sheet;
            QTimer driver;
            QElapsedTimer since;
            bool answered = false;
            QObject::connect(&driver, &QTimer::timeout, [&] {
                QMessageBox *box = openAlert();
                if (!box || !box->isVisible())
                    return;
                if (!since.isValid()) {
                    since.start();
                    bring(event);
                } else if (since.elapsed() > 800) {
                    answered = true;
                    m_sim.clearReceivedCommands(); // the event is through; from here nothing may go out
                    box->defaultButton() ? box->defaultButton()->click() : box->buttons().first()->click();
                }
            });
            driver.start(5);
            if (alert == Alert::None)
                bring(event);
            else if (alert == Alert::MainWindow)
                m_app->showOKAlert(QStringLiteral("Alert"), QString());
            else if (alert == Alert::ResetQuestion)
                (sheet = openSheet(QStringLiteral("Lab 2"), 0, 1))->defaultsClicked();
            else // exec() returns only once the alert is answered
                (sheet = openSheet(alert == Alert::Question ? QStringLiteral("Lab 2") : QString(), 0, 5))->okClicked();
            ASSERT_TRUE(waitUntil([&] { return !openAlert() && (alert == Alert::None || since.isValid()); }, 4000));
            const qint32 state = event == Event::Removal ? MLAppStateConnectMic
                                 : event == Event::Bricked ? MLAppStateRecovery : MLAppStateError;
            ASSERT_TRUE(waitUntil([&] { return m_app->appState() == state; }, 3000)) << m_app->appState();
            if (!answered) // closed by the event itself
                m_sim.clearReceivedCommands();
            processEventsFor(500);
            EXPECT_EQ(m_sim.receivedCommands(), QList<QByteArray>{});
            EXPECT_EQ(m_app->currentView(), event == Event::Removal   ? m_app->connectMessageView()
                                            : event == Event::Bricked ? m_app->restartingView()
                                                                      : m_app->disconnectMessageView());
            EXPECT_FALSE(sheet && sheet->busy());
            EXPECT_FALSE(m_app->busy());
        }
    }
}

// A name holding the text by which the microphone reports that it needs recovery.
TEST_F(Hostile, NameWithTheRecoveryMarkerIsRefused)
{
    for (const char *name : {"keyset1.txt", "keyset1.txt2", "Akeyset1.txt"}) {
        SCOPED_TRACE(name);
        MLConfigurationSheetController *sheet = openSheet(QString::fromLatin1(name), 0, 1);
        m_sim.clearReceivedCommands();
        QString seen;
        QTimer::singleShot(50, [&] {
            if (QMessageBox *box = openAlert()) {
                seen = box->text();
                box->defaultButton()->click();
            }
        });
        sheet->okClicked();
        EXPECT_EQ(seen, QString::fromUtf8("Name cannot contain \u201Ckeyset1.txt\u201D"));
        processEventsFor(300);
        EXPECT_FALSE(m_sim.receivedCommands().contains(QByteArray("RENAME ") + name));
        EXPECT_FALSE(MLConfigurationSheetController::microphoneCanStoreName(QString::fromLatin1(name)));
    }
}

} // namespace
