// What may be written to a microphone, and the staged save through a device
// manager of its own with the simulated microphone on a pseudo-terminal.

#include "MicSimulator.h"
#include "MLDeviceManager.h"
#include "MLSettingsRules.h"
#include "MLSettingsSave.h"
#include "PtyAsOnlySerialPort.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mltest::waitUntil;
using Problem = MLSettingsRules::Problem;
using Confirmation = MLSettingsRules::Confirmation;

namespace {

// Blank comes first, then what the microphone cannot store, then the channels.
TEST(Rules, ProblemsInTheOrderTheyAreChecked)
{
    // Name, channel 2 (channel 1 is A), the problem, whether the microphone can store the name.
    const std::tuple<const char *, qint32, Problem, bool> rows[] = {
        {"   ", 0, Problem::NameBlank, true},
        {"\t", 1, Problem::NameBlank, false},
        {"Lab\t2", 1, Problem::NameNotSendable, false},
        {"Caf\u00e9 terrace 1", 0, Problem::NameNotSendable, false},
        {"Thirteen char", 0, Problem::NameTooLong, false},
        {"Twelve chars", 0, Problem::ChannelsEqual, true},
        {"AKEYSET1.TXT", 0, Problem::NameReserved, false},
        {"Keyset1.txt2", 1, Problem::NameReserved, false},
        {"keyset1 txt", 6, Problem::None, true}};
    for (const auto &[text, channel2, problem, storable] : rows) {
        const QString name = QString::fromUtf8(text);
        EXPECT_EQ(MLSettingsRules::check({name, 0, channel2, 3}), problem) << text;
        EXPECT_EQ(MLSettingsRules::canStoreName(name), storable) << text;
    }
}

TEST(Rules, ChannelsThatNeedOtherEquipmentAreConfirmedLegacyFirst)
{
    const QList<Confirmation> none, legacy{Confirmation::Legacy}, extended{Confirmation::Extended},
        both{Confirmation::Legacy, Confirmation::Extended};
    const std::tuple<qint32, qint32, QList<Confirmation>> rows[] = {
        {0, 1, none}, {5, 1, legacy}, {0, 6, legacy}, {2, 0, extended}, {1, 4, extended}, {4, 5, both}};
    for (const auto &[channel1, channel2, needed] : rows)
        EXPECT_EQ(MLSettingsRules::confirmationsNeeded({u"Lab"_s, channel1, channel2, 3}), needed)
            << channel1;
}

TEST(Rules, ChannelFromItsEnglishNameOrItsNumber)
{
    const std::pair<const char *, std::optional<qint32>> rows[] = {
        {"e", 4},  {"legacy a", 5}, {"LEGACY B", 6}, {"0", 0},      {"6", 6},
        {"7", {}}, {"-1", {}},      {"", {}},        {"Legacy", {}}};
    for (const auto &[text, channel] : rows)
        EXPECT_EQ(MLSettingsRules::channelFromText(QString::fromUtf8(text)), channel) << text;
    for (qint32 channel = 0; channel <= 6; ++channel)
        EXPECT_EQ(MLSettingsRules::channelFromText(MLSettingsRules::channelName(channel)), channel);
}

// The name is localised only when the microphone can store the translation.
TEST(Rules, FactoryValues)
{
    struct : QTranslator
    {
        QString word;
        bool isEmpty() const override { return false; }
        QString translate(const char *context, const char *source, const char *, int) const override
        {
            return context == "MLSettingsRules"_ba && source == "Microphone"_ba ? word : QString();
        }
    } translation;
    QCoreApplication::installTranslator(&translation);
    const auto removeTranslation = qScopeGuard([&] { QCoreApplication::removeTranslator(&translation); });
    for (const QString &word : {u"Micr\u00f3fono"_s, u"Microphone de classe"_s, u"keyset1.txt"_s, u" "_s}) {
        translation.word = word;
        EXPECT_EQ(MLSettingsRules::factoryName(), u"Microphone"_s) << word.toStdString();
    }
    translation.word = u"Mikrofon"_s;
    EXPECT_EQ(MLSettingsRules::factorySettings(), (MLMicrophoneSettings{u"Mikrofon"_s, 0, 1, 3}));
}

// A save through a manager of its own; the simulated microphone answers every
// command unless told otherwise. What the save reported, in order.
class SettingsSave : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString path;
        ASSERT_TRUE(sim.openPty(&path));
        ports.emplace(path);
        MLSerialDeviceInfo info;
        info.callOutDevice = info.dialInDevice = path;
        manager.setConnectedDevices({{0x01200000, info}});
        QObject::connect(&save, &MLSettingsSave::stageStarted,
                         [this](int stage) { events << u"%1"_s.arg(stage); });
        QObject::connect(&save, &MLSettingsSave::finished, [this] { events << u"finished"_s; });
        QObject::connect(&save, &MLSettingsSave::failed, [this](int stage, MLFailureReason reason) {
            events << u"failed %1 %2"_s.arg(stage).arg(MLFailureReasonText(reason));
        });
    }
    void TearDown() override
    {
        manager.cancelCommand();
        manager.closeSerialPort();
        sim.stop();
        mltest::flushEvents();
    }
    void neverAnswer(const QByteArray &start)
    {
        sim.setReplyOverride([start](const QByteArray &command) -> std::optional<QByteArray> {
            return command.startsWith(start) ? std::optional(QByteArray()) : std::nullopt;
        });
    }
    bool startAndWait()
    {
        events.clear();
        save.start({u"Lab 2"_s, 5, 2, 4});
        return waitUntil([&] { return !save.isRunning(); });
    }
    bool otherCallerQueries()
    {
        return manager.queryDeviceWithCompletionTarget(&other, [](QObject *, auto &) {}, {});
    }

    MicSimulator sim;
    std::optional<PtyAsOnlySerialPort> ports;
    MLDeviceManager manager{MLDeviceManagerTimings{300, 3600000, 60.0, 41, 10, 50, 1000}};
    MLSettingsSave save{&manager};
    QStringList events;
    QObject other; // another caller of the device manager
};

// A failed stage ends the save and is logged with its reason's fixed text; a
// stopped one starts nothing when the acknowledgement comes late.
TEST_F(SettingsSave, AStageFailsOrStops)
{
    mltest::LogCapture log;
    // Another caller's property command is no summary: the save does not wait.
    ASSERT_TRUE(
        manager.setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 4, &other, [](QObject *, auto &) {}));
    ASSERT_TRUE(startAndWait());
    EXPECT_EQ(events, (QStringList{u"0"_s, u"failed 0 Refused"_s}));
    ASSERT_TRUE(waitUntil([&] { return manager.currentDeviceCommand() == MLDeviceCommandNone; }));
    neverAnswer("channel2=");
    ASSERT_TRUE(startAndWait());
    EXPECT_EQ(events.last(), u"failed 2 Timeout"_s);
    EXPECT_EQ(log.records().filter(u"Error saving"_s),
              (QStringList{u"Error saving config at stage: 0, Refused"_s,
                           u"Error saving config at stage: 2, Timeout"_s}));

    // While the manager still holds the command, an interruption is not this save's.
    neverAnswer("channel1=");
    events.clear();
    save.start({u"Lab 2"_s, 5, 2, 4});
    ASSERT_TRUE(waitUntil([&] { return manager.currentDeviceCommand() == MLDeviceCommandChannel1; }));
    save.interrupt(MLFailureReason::Bricked);
    EXPECT_TRUE(save.isRunning());
    manager.cancelCommand();
    save.interrupt(MLFailureReason::Bricked);
    save.interrupt(MLFailureReason::DeviceError);
    EXPECT_EQ(events, (QStringList{u"0"_s, u"1"_s, u"failed 1 Bricked"_s}));

    sim.setReplyOverride({});
    sim.setReplyDelayMs(60);
    events.clear();
    save.start({u"Lab 2"_s, 5, 2, 4});
    save.stop();
    // Had the acknowledgement started the next stage, its command would be outstanding.
    ASSERT_TRUE(waitUntil([&] { return manager.currentDeviceCommand() == MLDeviceCommandNone; }));
    EXPECT_EQ(events, QStringList{u"0"_s});
    EXPECT_EQ(sim.receivedCommands().last(), "RENAME Lab 2");
}

// The four values one after another, each once the one before was acknowledged.
// Another caller's summary on the wire is waited for, but not longer than a
// second and a half.
TEST_F(SettingsSave, WritesInOrderAfterAnotherCallersSummary)
{
    manager.setTimings({5000, 3600000, 60.0, 41, 10, 50, 1000});
    sim.setReplyDelayMs(120);
    ASSERT_TRUE(otherCallerQueries());
    ASSERT_TRUE(startAndWait());
    EXPECT_EQ(events, (QStringList{u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"finished"_s}));
    EXPECT_EQ(sim.receivedCommands(),
              (QList<QByteArray>{"SUMMARY", "RENAME Lab 2", "channel1=5", "channel2=2", "coverage=4"}));
    EXPECT_EQ(save.stage(), MLSettingsSave::StageCount);

    sim.setReplyDelayMs(2500);
    ASSERT_TRUE(otherCallerQueries());
    QElapsedTimer waited;
    waited.start();
    ASSERT_TRUE(startAndWait());
    EXPECT_GE(waited.elapsed(), 1500);
    EXPECT_EQ(events, (QStringList{u"0"_s, u"failed 0 Refused"_s}));
}

// Only a command of its own: cancelling the main window's query would end that chain.
TEST_F(SettingsSave, DestroyedItCancelsOnlyItsOwnCommand)
{
    neverAnswer("");
    MLSettingsSave(&manager).start({u"Lab 2"_s, 5, 2, 4});
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
    ASSERT_TRUE(otherCallerQueries());
    MLSettingsSave{&manager};
    EXPECT_NE(manager.currentDeviceCommand(), MLDeviceCommandNone);
}

} // namespace
