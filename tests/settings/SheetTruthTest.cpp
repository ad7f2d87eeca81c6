// The sheet against what the user and the microphone really see: a name set
// through the accessibility interface, a save that meets the periodic summary,
// the factory name in another language, a save that stops part-way, and the
// coverage explained.

#include "MLAppDelegate.h"
#include "MLConfigurationSheetController.h"
#include "MLDeviceManager.h"
#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace mlsettingstest;
using mltest::waitUntil;

namespace {

MLDeviceManager *manager() { return MLDeviceManager::sharedInstance(); }

class SheetTruth : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mltest::clearUserDefaults();
        QString error;
        ASSERT_TRUE(m_mic.attach(&error)) << error.toStdString();
        m_mic.sim.setName(QStringLiteral("Room 4"));
        m_app = std::make_shared<MLAppDelegate>();
        m_app->setPeriodicQueryIntervalMs(3600 * 1000);
        manager()->addListener(m_app);
        m_app->window()->show();
        manager()->sendDeviceConnectedNotification();
        ASSERT_TRUE(waitUntil([this] { return m_app->currentView() == m_app->micInfoView() && !m_app->busy(); }));
    }

    void TearDown() override
    {
        manager()->removeListener(m_app.get());
        m_mic.detach();
    }

    void openSheet()
    {
        m_app->showConfigurationSheet();
        m_sheet = m_app->configurationSheetController();
    }

    bool waitForClosed() { return waitUntil([&] { return m_app->configurationSheetController() == nullptr; }, 4000); }

    SimulatedMicrophone m_mic;
    std::shared_ptr<MLAppDelegate> m_app;
    QPointer<MLConfigurationSheetController> m_sheet;
};

// What a screen reader does for AT-SPI's EditableText.setTextContents.
void setThroughAccessibility(QLineEdit *field, const QString &text)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(field);
    ASSERT_TRUE(accessible && accessible->editableTextInterface());
    accessible->setText(QAccessible::Value, text);
    ASSERT_EQ(accessible->textInterface()->text(0, accessible->textInterface()->characterCount()), text);
}

TEST_F(SheetTruth, NameSetOutsideTheKeyboardIsTheOneChecked)
{
    // Through the accessibility interface or by code; the alert, none when saved.
    const std::tuple<bool, QString, QString> cases[] = {
        {true, QStringLiteral("Lab 7"), {}},
        {true, QStringLiteral("   "), QStringLiteral("Name cannot be blank")},
        {false, QStringLiteral("Caf\u00e9"), QStringLiteral("Name contains characters the microphone cannot store")},
        {false, QStringLiteral("Thirteen char"), QStringLiteral("Name is too long")},
    };
    for (const auto &[accessible, text, alert] : cases) {
        SCOPED_TRACE(text.toStdString());
        openSheet();
        auto *field = m_sheet->window()->findChild<QLineEdit *>(QStringLiteral("microphoneNameField"));
        ASSERT_NE(field, nullptr);
        accessible ? setThroughAccessibility(field, text) : field->setText(text);
        EXPECT_EQ(m_sheet->microphoneName(), text);
        AlertDriver alerts;
        alerts.answer(QStringLiteral("OK"));
        m_mic.sim.clearReceivedCommands();
        m_sheet->okClicked();
        if (alert.isEmpty()) {
            ASSERT_TRUE(waitForClosed());
            EXPECT_EQ(m_mic.sim.receivedCommands().value(0), "RENAME " + text.toLatin1());
            EXPECT_EQ(m_app->microphoneName(), text);
            continue;
        }
        ASSERT_EQ(alerts.seen.size(), 1u);
        EXPECT_EQ(alerts.seen[0].text, alert);
        EXPECT_TRUE(m_mic.sim.receivedCommands().isEmpty());
        m_sheet->cancelClicked();
        ASSERT_TRUE(waitForClosed());
    }
}

TEST_F(SheetTruth, SaveWaitsForTheSummaryOnTheWire)
{
    m_mic.sim.setReplyDelayMs(120);
    openSheet();
    m_sheet->setMicrophoneName(QStringLiteral("Lab 2"));
    m_app->periodicQueryDevice();
    ASSERT_EQ(manager()->currentDeviceCommand(), MLDeviceCommandSummary);
    AlertDriver alerts;
    m_sheet->okClicked();
    ASSERT_TRUE(waitForClosed());
    EXPECT_TRUE(alerts.seen.empty());
    EXPECT_EQ(m_mic.sim.receivedCommands(),
              (QList<QByteArray>{"SUMMARY", "SUMMARY", "RENAME Lab 2", "channel1=0", "channel2=1", "coverage=3"}));
}

class Translation : public QTranslator
{
public:
    QString word;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const bool ours = QByteArray(context) == "MLConfigurationSheetController" && QByteArray(source) == "Microphone";
        return ours ? word : QString();
    }
};

TEST_F(SheetTruth, FactoryNameIsOneTheMicrophoneCanStore)
{
    Translation translation;
    QCoreApplication::installTranslator(&translation);
    for (const char *refused : {"Micr\u00f3fono", "Microphone de classe", "keyset1.txt"}) {
        translation.word = QString::fromUtf8(refused);
        EXPECT_EQ(MLConfigurationSheetController::factoryName(), QStringLiteral("Microphone")) << refused;
    }
    translation.word = QStringLiteral("Mikrofon");
    EXPECT_EQ(MLConfigurationSheetController::factoryName(), translation.word);
    // The reset writes it.
    openSheet();
    AlertDriver alerts;
    alerts.answer(QStringLiteral("Reset Microphone"));
    m_mic.sim.clearReceivedCommands();
    m_sheet->defaultsClicked();
    EXPECT_TRUE(waitForClosed());
    EXPECT_EQ(m_mic.sim.receivedCommands().value(0), "RENAME Mikrofon");
    QCoreApplication::removeTranslator(&translation);
}

TEST_F(SheetTruth, SaveThatStopsPartWayIsFollowedByOneQuery)
{
    // Stage 2 is never acknowledged: it fails at the time-out, or the user cancels while it waits.
    m_mic.neverAnswer("channel2=");
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "failed");
        openSheet();
        const QString name = cancel ? QStringLiteral("Lab 3") : QStringLiteral("Lab 2");
        m_sheet->setMicrophoneName(name);
        AlertDriver alerts(cancel ? QString() : QStringLiteral("SaveFailed"));
        alerts.answer(QStringLiteral("OK"));
        m_mic.sim.clearReceivedCommands();
        m_sheet->okClicked();
        ASSERT_TRUE(waitUntil([] { return manager()->currentDeviceCommand() == MLDeviceCommandChannel2; }));
        if (cancel) {
            m_sheet->cancelClicked();
        } else {
            ASSERT_TRUE(waitUntil([&] { return alerts.allAnswered(); }));
            EXPECT_TRUE(alerts.seen[0].informativeText.endsWith(QStringLiteral(
                "The microphone took these new values before the failure: the name, switch position 1.")));
        }
        ASSERT_TRUE(waitUntil([&] { return m_app->microphoneName() == name; }, 3000)) << "shown before 10 s";
        EXPECT_EQ(m_mic.sim.receivedCommands().count("SUMMARY"), 1);
        if (!cancel)
            m_sheet->cancelClicked();
        ASSERT_TRUE(waitForClosed());
    }
}

TEST_F(SheetTruth, CoverageIsExplained)
{
    openSheet();
    auto *hint = m_sheet->window()->findChild<QLabel *>(QStringLiteral("coverageHint"));
    auto *coverage = m_sheet->window()->findChild<QComboBox *>(QStringLiteral("coverageSelector"));
    ASSERT_TRUE(hint && coverage);
    EXPECT_EQ(hint->text(), QStringLiteral("3: a usual classroom (factory setting)"));
    coverage->setCurrentIndex(coverage->findData(5));
    EXPECT_EQ(hint->text(), QStringLiteral("5: the largest area, a hall or gym"));
    saveScreenshot(m_sheet->window(), QStringLiteral("ConfigurationSheet-Coverage"));
    m_sheet->moreInformationClicked();
    auto *lines = m_sheet->switchInfoWindow()->window()->findChild<QLabel *>(QStringLiteral("coverageMeaningsLabel"));
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->text().split(u'\n').size(), 5);
    EXPECT_TRUE(lines->text().contains(hint->text()));
    saveScreenshot(m_sheet->switchInfoWindow()->window(), QStringLiteral("SwitchInfoWindow-Coverage"));
    m_sheet->cancel();
}

} // namespace
