// Device events that fall due while an alert of the main window or of the
// settings sheet runs its own loop; names the microphone must not take.

#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLConfigurationSheetController.h"
#include "MLDeviceManager.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScopeGuard>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// The alert open when the event falls due, and the events.
constexpr int NoAlert = 0, MainWindowAlert = 1, LegacyQuestion = 2, NameAlert = 3, ResetQuestion = 4;
constexpr int Removal = 0, Junk = 1, Bricked = 2, Timeout = 3;

// Qt's nested loops deliver device events and the time-out while an alert is
// open: the window must be right and nothing may reach the microphone once the
// alert is answered with its accepting button. The application shows one
// simulated microphone, queried every 100 ms.
TEST(Hostile, EventsWhileAnAlertIsOpen)
{
    MLDeviceManager *const manager = MLDeviceManager::sharedInstance();
    const auto openAlert = [] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); };
    const MLDeviceManagerTimings saved = manager->timings();
    MLDeviceManagerTimings timings = saved;
    timings.commandTimeoutMs = 300;
    timings.waitForOpenSleepMs = 10;
    const QString markerNames[] = {u"keyset1.txt"_s, u"keyset1.txt2"_s, u"Akeyset1.txt"_s, u"xkeyset1.txt"_s};
    for (int alert = NoAlert; alert <= ResetQuestion; ++alert) {
        for (int event = Removal; event <= Timeout; ++event) {
            SCOPED_TRACE(testing::Message() << "alert " << alert << ", event " << event);
            MicSimulator sim;
            QString path;
            ASSERT_TRUE(sim.openPty(&path));
            PtyAsOnlySerialPort port(path);
            MLSerialDeviceInfo info;
            info.location = 1u;
            info.callOutDevice = info.dialInDevice = path;
            manager->setTimings(timings);
            manager->setConnectedDevices({{info.location, info}});
            const auto app = std::make_shared<MLAppDelegate>();
            const auto cleanUp = qScopeGuard([&] {
                manager->removeListener(app.get());
                manager->cancelCommand();
                manager->closeSerialPort();
                manager->setConnectedDevices({});
                manager->setTimings(saved);
                sim.stop();
                mltest::flushEvents();
            });
            app->setPeriodicQueryIntervalMs(100);
            manager->addListener(app);
            manager->sendDeviceConnectedNotification();
            ASSERT_TRUE(
                mltest::waitUntil([&] { return app->currentView() == app->micInfoView() && !app->busy(); }));
            // The next summary's answer brings the event; a removal comes from the system.
            const auto bring = [&] {
                if (event == Removal) {
                    manager->setConnectedDevices({});
                    manager->sendDeviceDisconnectedNotification();
                    return;
                }
                const QByteArray reply = event == Junk      ? QByteArray(3000, 'x')
                                         : event == Bricked ? "Error: cannot open keyset1.txt\r\n"_ba
                                                            : QByteArray();
                sim.setReplyOverride([reply](const QByteArray &command) -> std::optional<QByteArray> {
                    return command == "SUMMARY" ? std::optional(reply) : std::nullopt;
                });
            };
            QElapsedTimer since;
            QString seen;
            bool answered = false;
            QTimer driver;
            QObject::connect(&driver, &QTimer::timeout, [&] {
                QMessageBox *box = openAlert();
                if (box && !since.isValid()) {
                    since.start();
                    seen = box->text();
                    bring();
                } else if (box &&
                           since.elapsed() > 800) { // the event is through: from here nothing may go out
                    answered = true;
                    sim.clearReceivedCommands();
                    (box->defaultButton() ? box->defaultButton() : box->buttons().first())->click();
                }
            });
            driver.start(5);
            if (alert >= LegacyQuestion) { // a legacy channel, or a name holding the recovery marker
                app->showConfigurationSheet();
                app->configurationSheetController()->setChannel2(5);
                app->configurationSheetController()->setMicrophoneName(alert == NameAlert ? markerNames[event]
                                                                                          : u"Lab 2"_s);
            }
            if (alert == NoAlert)
                bring();
            else if (alert == MainWindowAlert)
                app->showOKAlert(u"Alert"_s, QString());
            else if (alert == ResetQuestion)
                app->configurationSheetController()->defaultsClicked();
            else // exec() returns once the alert is closed
                app->configurationSheetController()->okClicked();
            EXPECT_EQ(alert == NameAlert, seen == u"Name cannot contain \u201Ckeyset1.txt\u201D"_s)
                << seen.toStdString();
            ASSERT_TRUE(
                mltest::waitUntil([&] { return !openAlert() && (alert == NoAlert || since.isValid()); }));
            const auto view = [&] {
                return event == Removal   ? app->connectMessageView()
                       : event == Bricked ? app->restartingView()
                                          : app->disconnectMessageView();
            };
            ASSERT_TRUE(mltest::waitUntil([&] { return app->currentView() == view(); }, 3000));
            if (!answered) // closed by the event itself
                sim.clearReceivedCommands();
            mltest::processEventsFor(500);
            EXPECT_TRUE(sim.receivedCommands().isEmpty()) << sim.receivedCommands().join(' ').toStdString();
            EXPECT_EQ(app->currentView(), view());
            EXPECT_EQ(app->configurationSheetController(), nullptr) << "closed, busy or not";
            EXPECT_FALSE(app->busy());
        }
    }
}

} // namespace
