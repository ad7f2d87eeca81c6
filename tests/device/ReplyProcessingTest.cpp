// Recognition of the microphone's replies, fed chunk by chunk as the serial
// port would deliver them.

#include "DeviceTestSupport.h"
#include "MLDefaultsKeys.h"
#include "MLRegex.h"
#include "MLUserDefaults.h"
#include "MLUtilities.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace mltest;

namespace {

const QString kRoom4 = QStringLiteral("Summary=\"Room 4\",A1,B2,C3,D4,E5,96\r\n");

class ReplyProcessing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        journal = std::make_shared<QStringList>();
        listener = std::make_shared<RecordingListener>(QStringLiteral("L"), journal);
        manager.addListener(listener);
        manager.setConnectedDevices(oneMicrophone(QStringLiteral("/dev/null-mic"), 1));
    }

    // A summary is outstanding, with its completion recorded and its timer armed.
    void expectSummary()
    {
        manager.setCurrentDeviceCommand(MLDeviceCommandSummary);
        manager.setSerialResponseTarget(&target);
        manager.setSerialResponseSelector(target.selector(journal));
        manager.setSerialUserData(QStringLiteral("query"));
        manager.startTimeoutTimer();
    }

    void expectProperty(const QString &key, const QString &value, qint32 command)
    {
        manager.setCurrentDeviceCommand(command);
        manager.setSerialResponseTarget(&target);
        manager.setSerialResponseSelector(target.selector(journal));
        manager.setPendingNewPropertyKey(key);
        manager.setPendingNewPropertyValue(value);
        manager.startTimeoutTimer();
    }

    void feed(const QByteArray &bytes) { manager.serialPortDidReceiveData(nullptr, bytes); }
    void feed(const QString &text) { feed(text.toUtf8()); }

    void expectIdle()
    {
        EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandNone);
        EXPECT_TRUE(manager.serialBuffer().isEmpty());
        EXPECT_FALSE(manager.isTimeoutTimerArmed());
    }

    MLDeviceManager manager;
    CompletionRecorder target;
    std::shared_ptr<QStringList> journal;
    std::shared_ptr<RecordingListener> listener;
};

TEST_F(ReplyProcessing, CompleteSummaryFillsTheTable)
{
    expectSummary();
    manager.setDeviceIsBricked(true);
    feed(kRoom4);

    const QMap<QString, QString> expected = {
        {MLDeviceKeys::DeviceType, QStringLiteral("1")},     {MLDeviceKeys::DeviceName, QStringLiteral("Room 4")},
        {MLDeviceKeys::DeviceSerial, QStringLiteral("A1")},  {MLDeviceKeys::DeviceVersion, QStringLiteral("B2")},
        {MLDeviceKeys::DeviceChannel1, QStringLiteral("C3")}, {MLDeviceKeys::DeviceChannel2, QStringLiteral("D4")},
        {MLDeviceKeys::DeviceVoiceChoice, QStringLiteral("E5")},
        {MLDeviceKeys::DeviceBattery, QStringLiteral("100")},
    };
    EXPECT_EQ(manager.properties(), expected);
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_TRUE(target.calls[0].result);
    EXPECT_EQ(target.calls[0].text, kRoom4);
    EXPECT_EQ(target.calls[0].userData, QVariant(QStringLiteral("query")));
    EXPECT_FALSE(manager.deviceIsBricked());
    expectIdle();
    // Listeners have seen the new table before the completion runs.
    EXPECT_EQ(*journal, (QStringList{QStringLiteral("L:properties"), QStringLiteral("completion")}));
}

TEST_F(ReplyProcessing, BatteryIsReadAndCapped)
{
    const std::pair<const char *, const char *> cases[] = {
        {"95", "100"},   {"94.9", "94.9"}, {"87%", "87"}, {"not a number", "0"}, {"100", "100"},
        {"57.9", "57.9"}, {"95.5", "100"},  {"9", "9"},    {"-3", "-3"},           {"1e3", "100"},
        {" 42", "42"},
    };
    for (const auto &[field, stored] : cases) {
        target.calls.clear();
        expectSummary();
        feed(QStringLiteral("Summary=\"Mic\",S1,1.05,0,1,3,%1\r").arg(QString::fromUtf8(field)));
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QString::fromUtf8(stored)) << field;
        EXPECT_EQ(target.calls.size(), 1u) << field;
    }
}

TEST_F(ReplyProcessing, SummaryShapes)
{
    const std::tuple<QString, bool, QString, QString> cases[] = { // reply, recognised, name, serial
        {QStringLiteral("SUMMARY=\"Lab\",S9,1.05,0,1,3,50\r"), true, QStringLiteral("Lab"), QStringLiteral("S9")},
        // Surplus commas end up in the serial field; quotes may sit inside the name.
        {QStringLiteral("Summary=\"a,b\",1,2,3,4,5,6,7,8"), true, QStringLiteral("a,b"), QStringLiteral("1,2,3")},
        {QStringLiteral("Summary=\"a\",b\",1,2,3,4,5,6"), true, QStringLiteral("a\",b"), QStringLiteral("1")},
        // An echo and stray text before the reply do not matter.
        {QStringLiteral("SUMMARY\r\nboot ok\r\nSummary=\"Lab\",S9,1.05,0,1,3,50\r\n"), true, QStringLiteral("Lab"),
         QStringLiteral("S9")},
        // The first of two complete summaries is used.
        {QStringLiteral("Summary=\"Old\",S1,1,0,1,3,50\r\nSummary=\"New\",S2,1,0,1,3,50\r\n"), true,
         QStringLiteral("Old"), QStringLiteral("S1")},
        {QStringLiteral("Summary=\"\",S9,1.05,0,1,3,50\r"), false, {}, {}},
        {QStringLiteral("Summary=\"Lab\",S9,,0,1,3,50\r"), false, {}, {}},
        {QStringLiteral("Summary=\"Lab\",S9,1.05,0,1,3,\r"), false, {}, {}},
        {QStringLiteral("Summary=\"Lab\",S9,1.05,0,1,3\r"), false, {}, {}},
        {QStringLiteral("Summary=Lab,S9,1.05,0,1,3,50\r"), false, {}, {}},
        {QStringLiteral("xSummary=\"Lab\",S9,1.05,0,1,3,50\r"), false, {}, {}},
    };
    for (const auto &[reply, recognised, name, serial] : cases) {
        SCOPED_TRACE(reply.toStdString());
        manager.cancelCommand();
        target.calls.clear();
        expectSummary();
        feed(reply);
        EXPECT_EQ(target.calls.size(), recognised ? 1u : 0u);
        if (recognised) {
            EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), name);
            EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceSerial), serial);
            expectIdle();
        } else {
            EXPECT_EQ(manager.serialBuffer(), reply.toUtf8()) << "an unrecognised reply stays buffered";
            EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandSummary);
        }
    }
}

TEST_F(ReplyProcessing, RepliesInChunks)
{
    expectSummary();
    const QByteArray reply = kRoom4.toUtf8();
    // Up to the first character of the battery field nothing is complete.
    const qsizetype complete = reply.indexOf(",96") + 2;
    for (qsizetype i = 0; i < complete - 1; ++i) {
        feed(reply.mid(i, 1));
        ASSERT_TRUE(target.calls.empty()) << "recognised too early at byte " << i;
        // The type is refreshed while the summary is outstanding, complete or not.
        EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceType), QStringLiteral("1"));
    }
    // A boundary inside the battery field: only what arrived counts.
    feed(reply.mid(complete - 1, 1));
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceBattery), QStringLiteral("9"));
    expectIdle();
    // The rest of the line arrives with nothing outstanding and no property pending.
    feed(reply.mid(complete));
    EXPECT_EQ(manager.serialBuffer(), reply.mid(complete));
    EXPECT_EQ(target.calls.size(), 1u);
}

TEST_F(ReplyProcessing, BrickedMessageWinsOverACompleteReply)
{
    expectSummary();
    feed(kRoom4 + QStringLiteral("Error: keyset1.txt not found\r\n"));
    EXPECT_TRUE(target.calls.empty());
    EXPECT_TRUE(manager.deviceIsBricked());
    expectIdle();
    EXPECT_EQ(manager.serialResponseTarget(), nullptr);
    EXPECT_FALSE(manager.properties().contains(MLDeviceKeys::DeviceName));
    // The event is deferred: it has not run yet, and runs on the next pass of the loop.
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 0);
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 1);

    // Also with nothing outstanding; letter case of the marker matters.
    feed(QByteArray("KEYSET1.TXT\r\n"));
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 1);
    feed(QByteArray("..keyset1.txt"));
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("bricked")), 2);
}

TEST_F(ReplyProcessing, OverflowAbortsAt2049Bytes)
{
    LogCapture log;
    expectSummary();
    feed(QByteArray(1024, 'x'));
    feed(QByteArray(1024, 'y'));
    EXPECT_EQ(manager.serialBuffer().size(), 2048);
    EXPECT_EQ(manager.currentDeviceCommand(), MLDeviceCommandSummary) << "2048 bytes are still examined";
    EXPECT_EQ(log.count(QStringLiteral("Too much data. Aborting")), 0);

    feed(QByteArray(1, 'z'));
    EXPECT_EQ(log.count(QStringLiteral("Too much data. Aborting")), 1);
    EXPECT_TRUE(target.calls.empty());
    expectIdle();
    EXPECT_EQ(manager.serialResponseTarget(), nullptr);
    flushEvents();
    EXPECT_EQ(listener->count(QStringLiteral("error")), 1);

    // A complete reply at the end of a buffer of 2048 bytes is still recognised.
    expectSummary();
    const QByteArray reply = kRoom4.toUtf8();
    feed(QByteArray(2048 - reply.size(), '.') + "\r\n");
    feed(reply.left(reply.size() - 2));
    EXPECT_EQ(target.calls.size(), 1u);
}

TEST_F(ReplyProcessing, UntrustedBytes)
{
    // Bytes that are not UTF-8 leave nothing to match, however the reply continues.
    expectSummary();
    feed(QByteArray("\xff\xfe"));
    feed(kRoom4);
    EXPECT_TRUE(target.calls.empty());
    manager.cancelCommand();

    // A UTF-8 sequence split across chunks decodes once it is whole.
    expectSummary();
    const QByteArray accented = QStringLiteral("Summary=\"Caf\u00e9\",S,1,0,1,3,50").toUtf8();
    const qsizetype split = accented.indexOf('\xc3') + 1;
    feed(accented.left(split));
    EXPECT_TRUE(target.calls.empty());
    feed(accented.mid(split));
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QString::fromUtf8("Caf\u00e9"));

    // NUL bytes are text like any other.
    target.calls.clear();
    expectSummary();
    static const char withNul[] = "Summary=\"A\0B\",S,1,0,1,3,50\r";
    feed(QByteArray(withNul, sizeof withNul - 1));
    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QString::fromUtf8("A\0B", 3));

    // Adversarial lines of commas and quotes terminate with a definite answer.
    target.calls.clear();
    expectSummary();
    QByteArray commas = "Summary=\"";
    while (commas.size() < 1900)
        commas += "\",";
    feed(commas);
    EXPECT_EQ(target.calls.size(), 1u) << "seven non-empty fields are there";
    expectSummary();
    feed(QByteArray("Summary=\"x\"") + QByteArray(2000, '"'));
    EXPECT_TRUE(target.calls.size() == 1u);
    EXPECT_EQ(manager.serialBuffer().size(), 2011);
}

TEST_F(ReplyProcessing, Acknowledgements)
{
    const std::tuple<QString, qint32, QString, bool> cases[] = { // key, command, reply, recognised
        {MLDeviceKeys::DeviceName, MLDeviceCommandRename, QStringLiteral("NAME = x\r\n"), true},
        {MLDeviceKeys::DeviceName, MLDeviceCommandRename, QStringLiteral("junk\r\nname=Lab\r\n"), true},
        {MLDeviceKeys::DeviceName, MLDeviceCommandRename, QStringLiteral("name=\r\n"), false},
        {MLDeviceKeys::DeviceName, MLDeviceCommandRename, QStringLiteral("RENAME Lab\r"), false},
        {MLDeviceKeys::DeviceName, MLDeviceCommandRename, QStringLiteral("Summary=\"a\",1,2,3,4,5,6"), false},
        {MLDeviceKeys::DeviceChannel1, MLDeviceCommandChannel1, QStringLiteral("channel1=3\r"), true},
        {MLDeviceKeys::DeviceChannel1, MLDeviceCommandChannel1, QStringLiteral("channel2=3\r"), false},
        {MLDeviceKeys::DeviceChannel2, MLDeviceCommandChannel2, QStringLiteral("Channel2 =  4 ok"), true},
        {MLDeviceKeys::DeviceVoiceChoice, MLDeviceCommandCoverage, QStringLiteral("coverage=3\r\n"), true},
        {MLDeviceKeys::DeviceVoiceChoice, MLDeviceCommandCoverage, QStringLiteral("voice=3\r\n"), false},
    };
    for (const auto &[key, command, reply, recognised] : cases) {
        SCOPED_TRACE(reply.toStdString());
        LogCapture log;
        manager.cancelCommand();
        target.calls.clear();
        expectProperty(key, QStringLiteral("sent value"), command);
        feed(reply);
        EXPECT_EQ(target.calls.size(), recognised ? 1u : 0u);
        if (recognised) {
            // The table keeps the value that was sent, not text from the reply.
            EXPECT_EQ(manager.stringValue(key), QStringLiteral("sent value"));
            EXPECT_EQ(log.count(QStringLiteral("Got response to command (%1)").arg(key)), 1);
            expectIdle();
        } else {
            EXPECT_EQ(manager.currentDeviceCommand(), command);
        }
    }
}

TEST_F(ReplyProcessing, DataWithNothingOutstanding)
{
    // No property pending: the bytes stay where they are.
    feed(QByteArray("coverage=3\r\n"));
    EXPECT_EQ(manager.serialBuffer(), QByteArray("coverage=3\r\n"));
    manager.cancelCommand();

    // A late acknowledgement of the last property completes once more through
    // the completion still recorded.
    expectProperty(MLDeviceKeys::DeviceVoiceChoice, QStringLiteral("3"), MLDeviceCommandCoverage);
    feed(QByteArray("coverage=3\r\n"));
    ASSERT_EQ(target.calls.size(), 1u);
    feed(QByteArray("coverage=3\r\n"));
    EXPECT_EQ(target.calls.size(), 2u);
    EXPECT_TRUE(target.calls[1].result);
    EXPECT_EQ(manager.pendingNewPropertyKey(), MLDeviceKeys::DeviceVoiceChoice);
}

TEST_F(ReplyProcessing, DestroyedTargetIsNeverCalled)
{
    auto transient = std::make_unique<CompletionRecorder>();
    bool called = false;
    manager.setCurrentDeviceCommand(MLDeviceCommandSummary);
    manager.setSerialResponseTarget(transient.get());
    manager.setSerialResponseSelector([&](QObject *, const MLDeviceOperationResult &) { called = true; });
    transient.reset();
    feed(kRoom4);
    EXPECT_FALSE(called);
    EXPECT_EQ(manager.stringValue(MLDeviceKeys::DeviceName), QStringLiteral("Room 4"));
}

TEST_F(ReplyProcessing, ReceivedDataIsDumpedWhenSwitchedOn)
{
    LogCapture log;
    feed(QByteArray("ok\r\n"));
    EXPECT_EQ(log.countContaining(QStringLiteral("Receive Buffer:")), 0);
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled));
    feed(QByteArray("\r\n"));
    EXPECT_TRUE(log.contains(QStringLiteral("Receive Buffer: 0x0d0x0a")));
}

TEST_F(ReplyProcessing, EachPatternIsCompiledOnce)
{
    MLRegex::clearCache();
    const quint64 before = MLRegex::compilationCount();
    for (int i = 0; i < 20; ++i) {
        expectSummary();
        feed(kRoom4);
        expectProperty(MLDeviceKeys::DeviceName, QStringLiteral("Lab"), MLDeviceCommandRename);
        feed(QByteArray("name=Lab\r"));
        expectProperty(MLDeviceKeys::DeviceChannel1, QStringLiteral("2"), MLDeviceCommandChannel1);
        feed(QByteArray("channel1=2\r"));
    }
    EXPECT_EQ(target.calls.size(), 60u);
    EXPECT_EQ(MLRegex::compilationCount() - before, 3u);
}

// The summary is looked for line by line, and only in lines that can hold
// one; the result must be what the pattern finds in the whole reply.
TEST(SummaryRecognition, LineByLineAgreesWithThePatternOnTheWholeReply)
{
    const QStringList pieces = {QStringLiteral("Summary=\""), QStringLiteral("SUMMARY=\""),
                                QString::fromUtf8("\u017fummary=\""), QStringLiteral("Sumary=\""),
                                QStringLiteral("\","),       QStringLiteral(","),
                                QStringLiteral(",,"),        QStringLiteral("x"),
                                QStringLiteral("12"),        QStringLiteral("\""),
                                QStringLiteral("\r\n"),      QStringLiteral("\n"),
                                QStringLiteral("\r"),        QString::fromUtf8("\u2028"),
                                QStringLiteral(" "),         QStringLiteral("a\",b")};
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> count(0, 24);
    std::uniform_int_distribution<int> pick(0, int(pieces.size()) - 1);
    int recognised = 0;
    int mismatches = 0;
    for (int round = 0; round < 20000 && mismatches < 5; ++round) {
        QString reply;
        auto noise = [&](int most) {
            for (int n = count(random) % (most + 1); n > 0; --n)
                reply += pieces.at(pick(random));
        };
        if (round % 2 == 0) {
            // Summary-shaped: a prefix, a name, then four to eight fields of
            // which some may be empty or hold commas, quotes or line ends.
            noise(3);
            reply += pieces.at(round % 4);
            noise(2);
            reply += QStringLiteral("\",");
            const int fields = 4 + count(random) % 5;
            for (int f = 0; f < fields; ++f) {
                if (f)
                    reply += u',';
                noise(2);
            }
            noise(2);
        } else {
            noise(24);
        }
        const QStringList expected = MLRegex::captureComponentsMatchedByRegex(
            reply, MLDeviceManager::summaryPattern(), MLRegex::CaseInsensitive | MLRegex::MultiLine,
            MLRegex::Range::whole(reply));
        const QStringList actual = MLDeviceManager::matchSummary(reply);
        if (actual != expected) {
            ++mismatches;
            ADD_FAILURE() << "reply: " << MLUtilities::stringWithExpandedControlChars(reply).toStdString();
        }
        recognised += expected.isEmpty() ? 0 : 1;
    }
    EXPECT_GT(recognised, 300) << "the replies must exercise recognition too";
}

TEST(CommandLines, RenameAndAsciiForms)
{
    const std::pair<QString, std::optional<QByteArray>> cases[] = {
        {QStringLiteral("Lab"), QByteArray("RENAME Lab\r")},
        {QStringLiteral("Room 4 east"), QByteArray("RENAME Room 4 east\r")},
        {QString::fromUtf8("A\0B", 3), QByteArray("RENAME A\r")},
        {QString(), QByteArray("RENAME \r")},
        {QString::fromUtf8("M\u00fcller"), std::nullopt}, // ISO 8859-1, but not ASCII
        {QString::fromUtf8("\u65e5\u672c"), QByteArray("RENAME ??\r")}, // no ISO 8859-1 form: substituted
    };
    for (const auto &[name, bytes] : cases)
        EXPECT_EQ(MLDeviceManager::asciiBytes(MLDeviceManager::renameLine(name)), bytes) << name.toStdString();
}

TEST(TypedReaders, MissingAndMalformedEntries)
{
    MLDeviceManager manager;
    EXPECT_EQ(manager.stringValue(QStringLiteral("Nope")), QString());
    EXPECT_EQ(manager.intValue(QStringLiteral("Nope")), 0);
    EXPECT_EQ(manager.doubleValue(QStringLiteral("Nope")), 0.0);
    EXPECT_FALSE(manager.boolValue(QStringLiteral("Nope")));
    manager.setConnectedDevices(oneMicrophone());
    manager.setCurrentDeviceCommand(MLDeviceCommandSummary);
    manager.serialPortDidReceiveData(nullptr, QByteArray("Summary=\"Yes\",S1,1.05,x9,-1,3,57.9\r"));
    EXPECT_EQ(manager.intValue(MLDeviceKeys::DeviceChannel1), 0);
    EXPECT_EQ(manager.intValue(MLDeviceKeys::DeviceChannel2), -1);
    EXPECT_EQ(manager.intValue(MLDeviceKeys::DeviceBattery), 57);
    EXPECT_DOUBLE_EQ(manager.doubleValue(MLDeviceKeys::DeviceBattery), 57.9);
    EXPECT_TRUE(manager.boolValue(MLDeviceKeys::DeviceName));
    EXPECT_FALSE(manager.boolValue(MLDeviceKeys::DeviceSerial));
}

} // namespace
