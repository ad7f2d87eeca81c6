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
using mltest::LogCapture;
using mltest::waitUntil;
using Problem = MLSettingsRules::Problem;
using Confirmation = MLSettingsRules::Confirmation;

namespace {

// Blank comes first, then what the microphone cannot store, then the channels.
TEST(Rules, ProblemsInTheOrderTheyAreChecked)
{
    const struct
    {
        const char *name;
        qint32 channel1, channel2;
        Problem problem;
        bool storable;
    } rows[] = {
        {"", 0, 0, Problem::NameBlank, true},
        {"   ", 0, 0, Problem::NameBlank, true},
        {"\t", 0, 1, Problem::NameBlank, false},
        {"Lab\t2", 0, 1, Problem::NameNotSendable, false},
        {"Caf\u00e9 terrace 1", 0, 0, Problem::NameNotSendable, false},
        {"Thirteen char", 0, 0, Problem::NameTooLong, false},
        {"Twelve chars", 0, 0, Problem::ChannelsEqual, true},
        {" Twelve char", 0, 1, Problem::None, true},
        {"keyset1.txt", 0, 1, Problem::NameReserved, false},
        {"AKEYSET1.TXT", 0, 0, Problem::NameReserved, false},
        {"Keyset1.txt2", 0, 1, Problem::NameReserved, false},
        {"keyset1 txt", 6, 5, Problem::None, true},
    };
    for (const auto &row : rows) {
        const QString name = QString::fromUtf8(row.name);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MLSettingsRules::check({name, row.channel1, row.channel2, 3}), row.problem);
        EXPECT_EQ(MLSettingsRules::canStoreName(name), row.storable);
    }
}

TEST(Rules, ChannelsThatNeedOtherEquipmentAreConfirmedLegacyFirst)
{
    const struct
    {
        qint32 channel1, channel2;
        QList<Confirmation> needed;
    } rows[] = {
        {0, 1, {}},
        {1, 0, {}},
        {5, 1, {Confirmation::Legacy}},
        {0, 6, {Confirmation::Legacy}},
        {2, 0, {Confirmation::Extended}},
        {1, 4, {Confirmation::Extended}},
        {2, 6, {Confirmation::Legacy, Confirmation::Extended}},
        {5, 4, {Confirmation::Legacy, Confirmation::Extended}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.channel1 << ' ' << row.channel2);
        EXPECT_EQ(MLSettingsRules::confirmationsNeeded({u"Lab"_s, row.channel1, row.channel2, 3}),
                  row.needed);
    }
}

TEST(Rules, ChannelFromItsEnglishNameOrItsNumber)
{
    const std::pair<const char *, std::optional<qint32>> rows[] = {
        {"A", 0},
        {"e", 4},
        {"legacy a", 5},
        {"LEGACY B", 6},
        {"0", 0},
        {"6", 6},
        {"7", std::nullopt},
        {"-1", std::nullopt},
        {"", std::nullopt},
        {"F", std::nullopt},
        {"Legacy", std::nullopt},
        {" A", std::nullopt},
    };
    for (const auto &[text, channel] : rows)
        EXPECT_EQ(MLSettingsRules::channelFromText(QString::fromUtf8(text)), channel) << text;
    for (qint32 channel = 0; channel <= 6; ++channel)
        EXPECT_EQ(MLSettingsRules::channelFromText(MLSettingsRules::channelName(channel)), channel);
    EXPECT_EQ(MLSettingsRules::channelName(7), u"Unknown (7)"_s);
}

class Translation : public QTranslator
{
public:
    QString word;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const bool ours = QByteArray(context) == "MLSettingsRules" && QByteArray(source) == "Microphone";
        return ours ? word : QString();
    }
};

// The name is localised only when the microphone can store the translation.
TEST(Rules, FactoryValues)
{
    Translation translation;
    QCoreApplication::installTranslator(&translation);
    const auto removeTranslation = qScopeGuard([&] { QCoreApplication::removeTranslator(&translation); });
    const std::pair<const char *, const char *> names[] = {{"Micr\u00f3fono", "Microphone"},
                                                           {"Microphone de classe", "Microphone"},
                                                           {"keyset1.txt", "Microphone"},
                                                           {" ", "Microphone"},
                                                           {"Mikrofon", "Mikrofon"}};
    for (const auto &[word, name] : names) {
        translation.word = QString::fromUtf8(word);
        EXPECT_EQ(MLSettingsRules::factoryName(), QString::fromUtf8(name)) << word;
    }
    EXPECT_EQ(MLSettingsRules::factorySettings(), (MLMicrophoneSettings{u"Mikrofon"_s, 0, 1, 3}));
}

// A save through a manager of its own; the simulated microphone answers every
// command unless told otherwise. What the save reported, in order.
class SettingsSave : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString path, error;
        ASSERT_TRUE(sim.openPty(&path, &error)) << error.toStdString();
        ports.emplace(path);
        MLSerialDeviceInfo info;
        info.callOutDevice = info.dialInDevice = path;
        manager.setConnectedDevices({{0x01200000, info}});
        QObject::connect(&save, &MLSettingsSave::stageStarted,
                         [this](int stage) { events << u"stage %1"_s.arg(stage); });
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
    bool ended() const { return !events.isEmpty() && !events.last().startsWith(u"stage"_s); }

    const MLMicrophoneSettings settings{u"Lab 2"_s, 5, 2, 4};
    MicSimulator sim;
    std::optional<PtyAsOnlySerialPort> ports;
    MLDeviceManager manager{MLDeviceManagerTimings{300, 3600000, 60.0, 41, 10, 50, 1000}};
    MLSettingsSave save{&manager};
    QStringList events;
    QObject other; // another caller of the device manager
};

TEST_F(SettingsSave, WritesTheFourValuesEachAfterTheLastWasAcknowledged)
{
    save.start(settings);
    ASSERT_TRUE(waitUntil([&] { return ended(); }));
    EXPECT_EQ(events, (QStringList{u"stage 0"_s, u"stage 1"_s, u"stage 2"_s, u"stage 3"_s, u"finished"_s}));
    EXPECT_EQ(sim.receivedCommands(),
              (QList<QByteArray>{"RENAME Lab 2", "channel1=5", "channel2=2", "coverage=4"}));
    EXPECT_FALSE(save.isRunning());
    EXPECT_EQ(save.stage(), MLSettingsSave::StageCount);
}

// A failed stage ends the save and is logged with its reason's fixed text.
TEST_F(SettingsSave, AStageFailsWhenRefusedTimedOutOrInterrupted)
{
    LogCapture log;
    // Another caller's property command is no summary: the save does not wait.
    ASSERT_TRUE(
        manager.setPropertyIntValue(MLDeviceKeys::DeviceChannel1, 4, &other, [](QObject *, auto &) {}));
    save.start(settings);
    EXPECT_EQ(events, (QStringList{u"stage 0"_s, u"failed 0 Refused"_s}));
    EXPECT_EQ(log.count(u"Error saving config at stage: 0, Refused"_s), 1);
    EXPECT_FALSE(save.isRunning());
    ASSERT_TRUE(waitUntil([&] { return manager.currentDeviceCommand() == MLDeviceCommandNone; }));

    events.clear();
    neverAnswer("channel2=");
    save.start(settings);
    ASSERT_TRUE(waitUntil([&] { return ended(); }));
    EXPECT_EQ(events.last(), u"failed 2 Timeout"_s);
    EXPECT_EQ(log.count(u"Error saving config at stage: 2, Timeout"_s), 1);

    // The manager still holds the command: an interruption is not this save's.
    events.clear();
    neverAnswer("channel1=");
    save.start(settings);
    ASSERT_TRUE(waitUntil([&] { return manager.currentDeviceCommand() == MLDeviceCommandChannel1; }));
    save.interrupt(MLFailureReason::Bricked);
    EXPECT_TRUE(save.isRunning() && save.ownsOutstandingCommand());
    manager.cancelCommand();
    save.interrupt(MLFailureReason::Bricked);
    save.interrupt(MLFailureReason::DeviceError);
    EXPECT_EQ(events, (QStringList{u"stage 0"_s, u"stage 1"_s, u"failed 1 Bricked"_s}));
    EXPECT_EQ(log.count(u"Error saving config at stage: 1, Bricked"_s), 1);
}

TEST_F(SettingsSave, AStoppedSaveStartsNothingOnALateAcknowledgement)
{
    sim.setReplyDelayMs(60);
    save.start(settings);
    ASSERT_EQ(manager.currentDeviceCommand(), MLDeviceCommandRename);
    save.stop();
    EXPECT_FALSE(save.isRunning());
    ASSERT_TRUE(waitUntil([&] { return manager.currentDeviceCommand() == MLDeviceCommandNone; }));
    mltest::processEventsFor(100);
    EXPECT_EQ(events, QStringList{u"stage 0"_s});
    EXPECT_EQ(sim.receivedCommands(), QList<QByteArray>{"RENAME Lab 2"});
}

// Another caller's summary is on the wire only briefly: the save waits for it,
// checking often, but gives up after a second and a half.
TEST_F(SettingsSave, WaitsForAnotherCallersSummaryOnTheWire)
{
    for (const int delayMs : {120, 2500}) {
        SCOPED_TRACE(delayMs);
        events.clear();
        sim.clearReceivedCommands();
        sim.setReplyDelayMs(delayMs);
        manager.setTimings({5000, 3600000, 60.0, 41, 10, 50, 1000});
        ASSERT_TRUE(manager.queryDeviceWithCompletionTarget(&other, [](QObject *, auto &) {}, {}));
        QElapsedTimer waited;
        waited.start();
        save.start(settings);
        EXPECT_TRUE(events.isEmpty()) << "nothing written while the summary is out";
        ASSERT_TRUE(waitUntil([&] { return !events.isEmpty(); }));
        if (delayMs < 1500) {
            sim.setReplyDelayMs(0);
            ASSERT_TRUE(waitUntil([&] { return ended(); }));
            EXPECT_EQ(events.last(), u"finished"_s);
            EXPECT_EQ(sim.receivedCommands().first(), "SUMMARY");
        } else {
            EXPECT_GE(waited.elapsed(), 1500);
            EXPECT_EQ(events, (QStringList{u"stage 0"_s, u"failed 0 Refused"_s}));
            manager.cancelCommand();
        }
    }
}

// Only a command of its own: cancelling the main window's query would end that chain.
TEST_F(SettingsSave, DestroyedItCancelsOnlyItsOwnCommand)
{
    neverAnswer("");
    for (const bool own : {true, false}) {
        auto local = std::make_unique<MLSettingsSave>(&manager);
        if (own)
            local->start(settings);
        else
            ASSERT_TRUE(manager.queryDeviceWithCompletionTarget(&other, [](QObject *, auto &) {}, {}));
        ASSERT_NE(manager.currentDeviceCommand(), MLDeviceCommandNone);
        local.reset();
        EXPECT_EQ(manager.currentDeviceCommand() == MLDeviceCommandNone, own);
        manager.cancelCommand();
    }
}

} // namespace
