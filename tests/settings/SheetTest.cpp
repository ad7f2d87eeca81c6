// The settings sheet where the application opens it, driven through the real
// device manager with the simulated microphone on a pseudo-terminal.

#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLConfigurationSheetController.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mltest::LogCapture;
using mltest::waitUntil;

namespace {

const QString kNotSaved = QStringLiteral("Configuration could not be saved");
const QString kLegacy = QStringLiteral("Confirm legacy channels");
const QString kExtended = QStringLiteral("Confirm extended channels");
const QString kOk = QStringLiteral("OK"), kYes = QStringLiteral("Yes"), kNo = QStringLiteral("No");

MLDeviceManager *manager()
{
    return MLDeviceManager::sharedInstance();
}

// Answers each message box as it appears with the next scripted button,
// ticking its check box first if asked, or with its escape button when none is
// left; records what it said.
class AlertDriver : public QObject
{
public:
    explicit AlertDriver(int answerDelayMs = 0)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, answerDelayMs] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->property("answered").toBool())
                return;
            if (box != m_current) {
                m_current = box;
                m_since.start();
                seen << box->text();
                informative = box->informativeText();
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
    QString informative; // of the last one

private:
    QTimer m_timer;
    QList<std::pair<QString, bool>> m_answers;
    QPointer<QMessageBox> m_current;
    QElapsedTimer m_since;
};

// The application with the microphone's first summary shown.
class Sheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mltest::clearUserDefaults();
        m_timings = manager()->timings();
        ASSERT_NO_FATAL_FAILURE(start(500, 3600 * 1000));
    }

    void TearDown() override { stop(); }

    // A fresh simulated microphone and application, the first summary shown.
    void start(int commandTimeoutMs, int queryIntervalMs)
    {
        m_sim.emplace();
        QString path, error;
        ASSERT_TRUE(m_sim->openPty(&path, &error)) << error.toStdString();
        m_port.emplace(path);
        MLDeviceManagerTimings timings = m_timings;
        timings.commandTimeoutMs = commandTimeoutMs;
        timings.waitForOpenSleepMs = 10;
        manager()->setTimings(timings);
        MLSerialDeviceInfo info;
        info.location = 0x01200000u;
        info.callOutDevice = info.dialInDevice = path;
        manager()->setConnectedDevices({{info.location, info}});
        m_sim->setName(u"Room 4"_s);
        m_app = std::make_shared<MLAppDelegate>();
        m_app->setPeriodicQueryIntervalMs(queryIntervalMs);
        manager()->addListener(m_app);
        m_app->window()->show();
        manager()->sendDeviceConnectedNotification();
        ASSERT_TRUE(
            waitUntil([this] { return m_app->currentView() == m_app->micInfoView() && !m_app->busy(); }));
    }

    void stop()
    {
        manager()->removeListener(m_app.get());
        m_app.reset();
        manager()->cancelCommand();
        manager()->closeSerialPort();
        manager()->setConnectedDevices({});
        manager()->setPendingNewPropertyKey(QString());
        manager()->setPendingNewPropertyValue(QString());
        m_sim->stop();
        m_port.reset();
        manager()->setTimings(m_timings);
        // Deferred notifications and deletions end here, not in the next test.
        mltest::flushEvents();
    }

    void openSheet()
    {
        m_app->showConfigurationSheet();
        m_sheet = m_app->configurationSheetController();
    }
    bool waitForClosed()
    {
        return waitUntil([this] { return m_sheet.isNull(); });
    }
    bool waitForCommand(qint32 command)
    {
        return waitUntil([=] { return manager()->currentDeviceCommand() == command; });
    }
    QList<QByteArray> commands() const { return m_sim->receivedCommands(); }
    void neverAnswer(const QByteArray &start)
    {
        m_sim->setReplyOverride([start](const QByteArray &command) -> std::optional<QByteArray> {
            return command.startsWith(start) ? std::optional(QByteArray()) : std::nullopt;
        });
    }
    void expectNothingSent()
    {
        mltest::processEventsFor(50);
        EXPECT_EQ(commands(), QList<QByteArray>{});
        EXPECT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandNone);
    }
    template<typename T = QWidget> T *child(const char *name) const
    {
        return m_sheet->window()->findChild<T *>(QString::fromLatin1(name));
    }

    std::optional<MicSimulator> m_sim;
    std::optional<PtyAsOnlySerialPort> m_port;
    MLDeviceManagerTimings m_timings;
    std::shared_ptr<MLAppDelegate> m_app;
    QPointer<MLConfigurationSheetController> m_sheet;
};

// What OK does: alerts for what the microphone cannot take, the name first;
// questions for channels that need other equipment. A question's key is set
// only by a ticked "Yes"; once set, the question is not asked again.
TEST_F(Sheet, OkChecksTheNameFromAnyInputThenAsksAboutChannels)
{
    const QString blank = u"Name cannot be blank"_s;
    const QString notStorable = QStringLiteral("Name contains characters the microphone cannot store");
    const std::pair<QString, bool> ok{kOk, false};
    const struct
    {
        bool accessible; // as a screen reader sets it (AT-SPI's EditableText.setTextContents)
        const char *name;
        qint32 channel1, channel2;
        QList<std::pair<QString, bool>> answers; // button, box ticked
        QStringList asked;
        bool saved, legacyKey, extendedKey;
    } rows[] = {
        {true, "   ", 5, 5, {ok}, {blank}, false, false, false},
        {false, "Caf\u00e9", 5, 5, {ok}, {notStorable}, false, false, false},
        // C and Legacy B; the name goes out as entered, spaces and all.
        {true, " Lab 7 ", 2, 6, {{kYes, false}, {kYes, false}}, {kLegacy, kExtended}, true, false, false},
        {true, "Lab 2", 2, 6, {{kNo, true}}, {kLegacy}, false, false, false},
        {true, "Lab 3", 0, 5, {{kYes, true}}, {kLegacy}, true, true, false},
        {true, "Lab 4", 3, 6, {{kYes, true}}, {kExtended}, true, true, true},
        {true, "Lab 5", 4, 5, {}, {}, true, true, true},
    };
    AlertDriver alerts;
    for (const auto &row : rows) {
        const QString name = QString::fromUtf8(row.name);
        SCOPED_TRACE(name.toStdString() + ' ' + row.asked.join(u'/').toStdString());
        openSheet();
        auto *field = child<QLineEdit>("microphoneNameField");
        if (row.accessible) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(field);
            ASSERT_TRUE(accessible && accessible->editableTextInterface());
            accessible->setText(QAccessible::Value, name);
        } else {
            field->setText(name);
        }
        m_sheet->setChannel1(row.channel1);
        m_sheet->setChannel2(row.channel2);
        m_sim->clearReceivedCommands();
        alerts.seen.clear();
        for (const auto &[button, tick] : row.answers)
            alerts.answer(button, tick);
        m_sheet->okClicked();
        EXPECT_EQ(alerts.seen, row.asked);
        EXPECT_EQ(MLUserDefaults::hasStoredValue(QString(MLDefaultsKeys::SuppressLegacyWarning)),
                  row.legacyKey);
        EXPECT_EQ(MLUserDefaults::hasStoredValue(QString(MLDefaultsKeys::SuppressExtendedWarning)),
                  row.extendedKey);
        if (!row.saved) {
            expectNothingSent();
            continue;
        }
        ASSERT_TRUE(waitForClosed());
        EXPECT_EQ(commands().size(), 4);
        EXPECT_EQ(commands().value(0), "RENAME " + QByteArray(row.name));
        EXPECT_EQ(m_app->microphoneName(), name) << "taken before the next summary could tell";
    }
}

TEST_F(Sheet, SaveThatStopsPartWayIsFollowedByOneQuery)
{
    // Stage 2 is never acknowledged: the user cancels while it waits, or it fails at the time-out.
    neverAnswer("channel2=");
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "failed");
        openSheet();
        const QString name = cancel ? QStringLiteral("Lab 3") : QStringLiteral("Lab 2");
        m_sheet->setMicrophoneName(name);
        // The query is still outstanding when the alert closes: the failed
        // command's clean-up must not cancel it.
        m_sim->setReplyDelayMs(cancel ? 0 : 250);
        AlertDriver alerts(150);
        alerts.answer(kOk);
        m_sim->clearReceivedCommands();
        m_sheet->okClicked();
        ASSERT_TRUE(waitForCommand(MLDeviceCommandChannel2));
        if (cancel)
            m_sheet->cancelClicked();
        ASSERT_TRUE(waitUntil([&] { return m_app->microphoneName() == name; }, 3000)) << "shown at once";
        EXPECT_EQ(commands().count("SUMMARY"), 1);
        if (cancel) {
            ASSERT_TRUE(waitForClosed());
            continue;
        }
        ASSERT_TRUE(waitUntil([&] { return alerts.allAnswered(); }));
        EXPECT_EQ(alerts.seen, QStringList{kNotSaved});
        EXPECT_TRUE(alerts.informative.endsWith(QStringLiteral(
            "The microphone took these new values before the failure: the name, switch position 1.")));

        // A retry starts over.
        m_sim->setReplyOverride({});
        m_sim->setReplyDelayMs(0);
        m_sim->clearReceivedCommands();
        m_sheet->okClicked();
        ASSERT_TRUE(waitForClosed());
        EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME Lab 2", "channel1=0", "channel2=1", "coverage=3"}));
    }
}

TEST_F(Sheet, FactoryResetWritesTheFactoryValuesWithoutFurtherQuestions)
{
    // Each coverage value is explained in the sheet.
    openSheet();
    auto *hint = child<QLabel>("coverageHint");
    EXPECT_EQ(hint->text(), u"3: a usual classroom (factory setting)"_s);
    m_sheet->setChannel1(5);
    m_sheet->setChannel2(6);
    auto *coverage = child<QComboBox>("coverageSelector");
    coverage->setCurrentIndex(coverage->findData(4));
    EXPECT_EQ(hint->text(), u"4: a large classroom"_s);
    AlertDriver alerts;
    alerts.answer(QStringLiteral("Do Not Reset"));
    alerts.answer(QStringLiteral("Reset Microphone"));
    m_sim->clearReceivedCommands();
    m_sheet->defaultsClicked();
    ASSERT_TRUE(waitUntil([&] { return m_sheet->resetConfirmAlert() == nullptr; }));
    expectNothingSent();
    m_sheet->defaultsClicked();
    ASSERT_TRUE(waitForClosed());
    EXPECT_EQ(alerts.seen.size(), 2) << "no legacy or extended question";
    EXPECT_EQ(commands(), (QList<QByteArray>{"RENAME Microphone", "channel1=0", "channel2=1", "coverage=3"}));
}

// The bricked message ends the save's command without an answer, and the
// sheet with it; what the window shows is checked with the alerts below.
TEST_F(Sheet, BrickedMessageDuringASaveEndsTheSheet)
{
    neverAnswer("channel1=");
    openSheet();
    m_sheet->setMicrophoneName(QStringLiteral("Lab 3"));
    m_sheet->okClicked();
    ASSERT_TRUE(waitForCommand(MLDeviceCommandChannel1));
    LogCapture log;
    ASSERT_TRUE(m_sim->sendBricked());
    // The sheet goes without writing more.
    ASSERT_TRUE(waitForClosed()) << "a sheet left open on a microphone in recovery";
    EXPECT_EQ(log.count(QStringLiteral("Error saving config at stage: 1, Bricked")), 1);
    EXPECT_EQ(m_app->microphoneName(), QStringLiteral("Room 4"));
}

// The alert open when the event falls due, and the events.
constexpr int NoAlert = 0, MainWindowAlert = 1, LegacyQuestion = 2, NameAlert = 3, ResetQuestion = 4;
constexpr int Removal = 0, Junk = 1, Bricked = 2, Timeout = 3;

// Qt's nested loops deliver device events and the time-out while an alert is
// open: the window must be right and nothing may reach the microphone once the
// alert is answered with its accepting button. Names holding the recovery
// marker are refused. A fresh application each time, queried every 100 ms.
TEST_F(Sheet, EventsWhileAnAlertIsOpen)
{
    const auto openAlert = [] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); };
    const QString markerNames[] = {u"keyset1.txt"_s, u"keyset1.txt2"_s, u"Akeyset1.txt"_s, u"xkeyset1.txt"_s};
    for (int alert = NoAlert; alert <= ResetQuestion; ++alert) {
        for (int event = Removal; event <= Timeout; ++event) {
            SCOPED_TRACE(testing::Message() << "alert " << alert << ", event " << event);
            stop();
            ASSERT_NO_FATAL_FAILURE(start(300, 100));
            // The next summary's answer brings the event; a removal comes from the system.
            const auto bring = [&] {
                if (event == Removal) {
                    manager()->setConnectedDevices({});
                    manager()->sendDeviceDisconnectedNotification();
                    return;
                }
                const QByteArray reply = event == Junk      ? QByteArray(3000, 'x')
                                         : event == Bricked ? "Error: cannot open keyset1.txt\r\n"_ba
                                                            : QByteArray();
                m_sim->setReplyOverride([reply](const QByteArray &command) -> std::optional<QByteArray> {
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
                } else if (box && since.elapsed() > 800) {
                    // The event is through: from here nothing may go out.
                    answered = true;
                    m_sim->clearReceivedCommands();
                    (box->defaultButton() ? box->defaultButton() : box->buttons().first())->click();
                }
            });
            driver.start(5);
            if (alert >= LegacyQuestion) { // a legacy channel, or a name holding the recovery marker
                openSheet();
                m_sheet->setChannel2(5);
                m_sheet->setMicrophoneName(alert == NameAlert ? markerNames[event] : u"Lab 2"_s);
            }
            if (alert == NoAlert)
                bring();
            else if (alert == MainWindowAlert)
                m_app->showOKAlert(u"Alert"_s, QString());
            else if (alert == ResetQuestion)
                m_sheet->defaultsClicked();
            else // exec() returns once the alert is closed
                m_sheet->okClicked();
            EXPECT_EQ(alert == NameAlert, seen == u"Name cannot contain \u201Ckeyset1.txt\u201D"_s)
                << seen.toStdString();
            ASSERT_TRUE(waitUntil([&] { return !openAlert() && (alert == NoAlert || since.isValid()); }));
            // Views are made when first shown.
            const auto view = [&] {
                return event == Removal   ? m_app->connectMessageView()
                       : event == Bricked ? m_app->restartingView()
                                          : m_app->disconnectMessageView();
            };
            ASSERT_TRUE(waitUntil([&] { return m_app->currentView() == view(); }, 3000));
            if (!answered) // closed by the event itself
                m_sim->clearReceivedCommands();
            mltest::processEventsFor(500);
            EXPECT_TRUE(commands().isEmpty()) << commands().join(' ').toStdString();
            EXPECT_EQ(m_app->currentView(), view());
            EXPECT_EQ(m_app->configurationSheetController(), nullptr) << "closed, busy or not";
            EXPECT_FALSE(m_app->busy());
        }
    }
}

} // namespace
