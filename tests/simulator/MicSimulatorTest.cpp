#include "MicSimulator.h"
#include "PtyPeer.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <future>
#include <memory>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QByteArray DefaultSummary("Summary=\"Microphone\",N0012345,1.05,0,1,3,87\r\n");

bool waitFor(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

class MicSimulatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(sim.openPty(&path, &error)) << error.toStdString();
        peer = std::make_unique<PtyPeer>(path);
        ASSERT_TRUE(peer->isOpen()) << peer->error().toStdString();
    }

    // Sends one command line and returns what came back up to the needle.
    QByteArray ask(const QByteArray &command, const QByteArray &until = "\r\n")
    {
        EXPECT_TRUE(peer->write(command + '\r'));
        return peer->readUntil(until);
    }

    MicSimulator sim;
    QString path;
    std::unique_ptr<PtyPeer> peer;
};

// --- Protocol -------------------------------------------------------------

TEST_F(MicSimulatorTest, SummaryReportsTheDefaultMicrophone)
{
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    EXPECT_EQ(sim.receivedCommands(), QList<QByteArray>{"SUMMARY"});
}

TEST_F(MicSimulatorTest, SummaryReportsTheStateSetOnIt)
{
    sim.setName(QStringLiteral("Room 4"));
    sim.setSerial(QStringLiteral("T0098765"));
    sim.setFirmware(QStringLiteral("2.10"));
    sim.setChannel1(4);
    sim.setChannel2(6);
    sim.setCoverage(2);
    const struct
    {
        double battery;
        const char *text;
    } batteries[] = {{87, "87"}, {57.9, "57.9"}, {100, "100"}, {0, "0"}, {0.25, "0.25"}};
    for (const auto &row : batteries) {
        SCOPED_TRACE(row.text);
        sim.setBattery(row.battery);
        EXPECT_EQ(ask("SUMMARY"), "Summary=\"Room 4\",T0098765,2.10,4,6,2," + QByteArray(row.text) + "\r\n");
    }
}

TEST_F(MicSimulatorTest, PropertyCommandsStoreAndAcknowledge)
{
    EXPECT_EQ(ask("channel1=2"), "channel1=2\r\n");
    EXPECT_EQ(sim.channel1(), 2);
    EXPECT_EQ(ask("channel2=5"), "channel2=5\r\n");
    EXPECT_EQ(sim.channel2(), 5);
    EXPECT_EQ(ask("coverage=1"), "coverage=1\r\n");
    EXPECT_EQ(sim.coverage(), 1);
    EXPECT_EQ(ask("SUMMARY"), "Summary=\"Microphone\",N0012345,1.05,2,5,1,87\r\n");
}

TEST_F(MicSimulatorTest, RenameTakesTheRestOfTheLineAsLatin1)
{
    EXPECT_EQ(ask("RENAME Room 4 West"), "name=Room 4 West\r\n");
    EXPECT_EQ(sim.name(), QStringLiteral("Room 4 West"));
    EXPECT_EQ(ask("SUMMARY"), "Summary=\"Room 4 West\",N0012345,1.05,0,1,3,87\r\n");

    EXPECT_EQ(ask("RENAME Caf\xe9"), "name=Caf\xe9\r\n");
    EXPECT_EQ(sim.name(), QStringLiteral("Caf\u00e9"));
}

TEST_F(MicSimulatorTest, BadCommandsAreRefusedAndChangeNothing)
{
    const struct
    {
        const char *command;
        const char *reply;
    } rows[] = {
        {"channel1=x", "ERROR invalid value\r\n"},
        {"channel2=", "ERROR invalid value\r\n"},
        {"coverage=3.5", "ERROR invalid value\r\n"},
        {"channel1= 4", "ERROR invalid value\r\n"},
        {"channel2=99999999999", "ERROR invalid value\r\n"},
        {"RENAME ", "ERROR invalid name\r\n"},
        {"RENAME", "ERROR unknown command\r\n"},
        {"summary", "ERROR unknown command\r\n"},
        {"CHANNEL1=2", "ERROR unknown command\r\n"},
        {"ULOAD 4721_A_1.06.bin", "ULOAD ready\r\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.command);
        EXPECT_EQ(ask(row.command), row.reply);
    }
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
}

TEST_F(MicSimulatorTest, CommandsSplitAtCarriageReturnsWhereverTheBytesFall)
{
    ASSERT_TRUE(peer->write("SUMM"));
    QThread::msleep(30);
    ASSERT_TRUE(peer->write("ARY\r"));
    QThread::msleep(30);
    // A line feed after the carriage return is dropped even when it comes
    // in the next read; an empty line is no command.
    ASSERT_TRUE(peer->write("\nchannel1=2\r\r\ncoverage=1\r"));
    EXPECT_EQ(peer->readUntil("coverage=1\r\n"), DefaultSummary + "channel1=2\r\ncoverage=1\r\n");
    EXPECT_EQ(sim.receivedCommands(), (QList<QByteArray>{"SUMMARY", "channel1=2", "coverage=1"}));
}

TEST_F(MicSimulatorTest, CommandsCanBeAwaitedAndCleared)
{
    auto waiter = std::async(std::launch::async, [this] { return sim.waitForCommands(2, 5000); });
    ASSERT_TRUE(peer->write("SUMMARY\rchannel2=0\r"));
    EXPECT_TRUE(waiter.get());
    EXPECT_EQ(sim.receivedCommands(), (QList<QByteArray>{"SUMMARY", "channel2=0"}));
    EXPECT_FALSE(sim.waitForCommands(3, 50));

    sim.clearReceivedCommands();
    EXPECT_TRUE(sim.receivedCommands().isEmpty());
    EXPECT_FALSE(sim.waitForCommands(1, 50));
}

TEST_F(MicSimulatorTest, ALineOfTheLongestLengthIsStillACommand)
{
    const QByteArray name(MicSimulator::MaxLineLength - 7, 'a');
    EXPECT_EQ(ask("RENAME " + name), "name=" + name + "\r\n");

    // One byte more and the line is dropped unanswered, up to its '\r'.
    ASSERT_TRUE(peer->write("RENAME " + name + "b\rSUMMARY\r"));
    EXPECT_EQ(peer->readUntil("\r\n"), "Summary=\"" + name + "\",N0012345,1.05,0,1,3,87\r\n");
    EXPECT_EQ(sim.discardedLineCount(), 1);
    EXPECT_EQ(sim.receivedCommands().size(), 2);
}

TEST_F(MicSimulatorTest, GarbageIsAnsweredAsUnknownAndDoesNotStopTheMicrophone)
{
    QByteArray garbage;
    for (int i = 0; i < 256; ++i)
        garbage.append(static_cast<char>(i));
    ASSERT_TRUE(peer->write(garbage + "\r"));
    // Bytes 0..12, then the '\r' ends the first line, the rest is the second.
    EXPECT_EQ(peer->readUntil("command\r\nERROR unknown command\r\n"),
              "ERROR unknown command\r\nERROR unknown command\r\n");
    EXPECT_EQ(sim.receivedCommands(), (QList<QByteArray>{garbage.left(13), garbage.mid(14)}));
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
}

TEST_F(MicSimulatorTest, EndlessInputWithoutCarriageReturnIsNotHoarded)
{
    const QByteArray junk(64 * 1024, 'x');
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(peer->write(junk));
    ASSERT_TRUE(waitFor([&] { return sim.receivedByteCount() == 4 * junk.size(); }));
    EXPECT_LE(sim.bufferedInputBytes(), MicSimulator::MaxLineLength);
    EXPECT_EQ(peer->readFor(100), QByteArray());

    ASSERT_TRUE(peer->write("SUMMARY\r"));
    EXPECT_EQ(peer->readFor(200), QByteArray()) << "the tail of the overlong line is no command";
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    EXPECT_EQ(sim.receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(sim.discardedLineCount(), 1);
}

// --- Scripted behaviour -----------------------------------------------------

TEST_F(MicSimulatorTest, ChunkedRepliesArriveInPiecesThatJoinToTheReply)
{
    sim.setChunkSize(10);
    sim.setChunkPauseMs(60);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    const QList<QByteArray> pieces = peer->readPiecesUntil("\r\n");
    EXPECT_GE(pieces.size(), 2);
    EXPECT_EQ(pieces.join(), DefaultSummary);
}

TEST_F(MicSimulatorTest, ReplyWaitsForTheDelay)
{
    sim.setReplyDelayMs(400);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    EXPECT_EQ(peer->readFor(150), QByteArray());
    EXPECT_EQ(peer->readUntil("\r\n"), DefaultSummary);
}

TEST_F(MicSimulatorTest, EchoAndStrayLinesComeBeforeTheReply)
{
    sim.setEchoCommands(true);
    sim.setStrayLines({"OK>", "battery low"});
    EXPECT_EQ(ask("SUMMARY", DefaultSummary), "SUMMARY\r\nOK>\r\nbattery low\r\n" + DefaultSummary);
}

TEST_F(MicSimulatorTest, SilentMicrophoneRecordsCommandsButNeitherAnswersNorActs)
{
    sim.setSilent(true);
    sim.setEchoCommands(true);
    ASSERT_TRUE(peer->write("channel1=4\rSUMMARY\r"));
    EXPECT_TRUE(sim.waitForCommands(2, 5000));
    EXPECT_EQ(peer->readFor(300), QByteArray());
    EXPECT_EQ(sim.channel1(), 0);

    sim.setSilent(false);
    sim.setEchoCommands(false);
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    EXPECT_EQ(peer->readFor(100), QByteArray());
}

TEST_F(MicSimulatorTest, BrickedMessageCarriesTheMarker)
{
    ASSERT_TRUE(sim.sendBricked());
    const QByteArray text = peer->readUntil("\r\n");
    EXPECT_TRUE(text.contains("keyset1.txt")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\r\n"));
}

TEST_F(MicSimulatorTest, RawBytesGoOutUnchanged)
{
    const QByteArray bytes("\0\x01\xff\r\nname=\n\r", 11);
    ASSERT_TRUE(sim.sendRaw(bytes));
    EXPECT_EQ(peer->readCount(bytes.size()), bytes);
}

TEST_F(MicSimulatorTest, ImmediateSendsOvertakeADelayedReply)
{
    sim.setReplyDelayMs(500);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    ASSERT_TRUE(sim.waitForCommands(1, 5000));
    ASSERT_TRUE(sim.sendBricked());
    const QByteArray text = peer->readUntil(DefaultSummary);
    EXPECT_TRUE(text.startsWith("Error: cannot open keyset1.txt\r\n")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(DefaultSummary)) << text.toStdString();
}

TEST_F(MicSimulatorTest, OverlongOutputIsPrintableJunkWithoutAReply)
{
    ASSERT_TRUE(sim.sendOverlong(3000));
    const QByteArray junk = peer->readCount(3000);
    ASSERT_EQ(junk.size(), 3000);
    for (const char c : junk)
        ASSERT_TRUE(c >= 0x20 && c <= 0x7e) << int(c);
    EXPECT_FALSE(junk.toLower().contains("summary"));
    EXPECT_FALSE(junk.contains("keyset1.txt"));
    EXPECT_FALSE(junk.contains('='));
    EXPECT_EQ(peer->readFor(100), QByteArray());
}

TEST_F(MicSimulatorTest, BatteryDrainsWithEachSummaryButNotBelowZero)
{
    sim.setBattery(25);
    sim.setBatteryDrainPerSummary(10);
    for (const char *expected : {"25", "15", "5", "0", "0"}) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(ask("SUMMARY"),
                  "Summary=\"Microphone\",N0012345,1.05,0,1,3," + QByteArray(expected) + "\r\n");
    }
    EXPECT_EQ(sim.battery(), 0);

    sim.setBattery(87);
    sim.setBatteryDrainPerSummary(0.3);
    for (const char *expected : {"87", "86.7", "86.4", "86.1"}) {
        SCOPED_TRACE(expected);
        EXPECT_TRUE(ask("SUMMARY").endsWith("," + QByteArray(expected) + "\r\n"));
    }
    EXPECT_EQ(ask("channel1=1"), "channel1=1\r\n");
    EXPECT_NEAR(sim.battery(), 85.8, 1e-9) << "only SUMMARY drains";
}

TEST_F(MicSimulatorTest, ReplyOverrideCanFailOneCommand)
{
    std::atomic<int> calls = 0;
    sim.setReplyOverride([this, &calls](const QByteArray &command) -> std::optional<QByteArray> {
        ++calls;
        // The hook may look at the state: it runs without the lock held.
        if (command.startsWith("channel2=") && sim.channel1() == 2)
            return QByteArray();
        if (command == "coverage=4")
            return QByteArray("ERROR busy\r\n");
        return std::nullopt;
    });
    EXPECT_EQ(ask("channel1=2"), "channel1=2\r\n");
    ASSERT_TRUE(peer->write("channel2=3\r"));
    EXPECT_EQ(peer->readFor(300), QByteArray());
    EXPECT_EQ(sim.channel2(), 1);
    EXPECT_EQ(ask("coverage=4"), "ERROR busy\r\n");
    EXPECT_EQ(sim.coverage(), 3);
    EXPECT_EQ(calls, 3);

    sim.setReplyOverride({});
    EXPECT_EQ(ask("channel2=3"), "channel2=3\r\n");
}

TEST_F(MicSimulatorTest, TrafficObserverSeesCommandsAndReplies)
{
    std::mutex mutex;
    QByteArray received;
    QByteArray sent;
    sim.setTrafficObserver([&](MicSimulator::Direction direction, const QByteArray &bytes) {
        std::lock_guard lock(mutex);
        (direction == MicSimulator::Direction::Received ? received : sent) += bytes + '|';
    });
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    // The observer of the last write runs just after the bytes are out.
    EXPECT_TRUE(waitFor([&] {
        std::lock_guard lock(mutex);
        return sent == DefaultSummary + '|';
    }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(received, "SUMMARY|");
}

// --- Life cycle ---------------------------------------------------------------

TEST_F(MicSimulatorTest, HangUpIsSeenByTheOtherEnd)
{
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    sim.hangUp();
    EXPECT_TRUE(peer->waitForHangUp());
    EXPECT_FALSE(sim.isServing());
    EXPECT_FALSE(sim.sendRaw("late\r\n"));
    EXPECT_FALSE(sim.sendBricked());
}

TEST_F(MicSimulatorTest, StopDropsPendingRepliesAndServingCanStartAgain)
{
    EXPECT_FALSE(sim.openPty(nullptr)) << "one descriptor at a time";
    sim.setReplyDelayMs(10'000);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    ASSERT_TRUE(sim.waitForCommands(1, 5000));
    sim.stop();
    EXPECT_FALSE(sim.isServing());
    EXPECT_TRUE(peer->waitForHangUp());

    sim.setReplyDelayMs(0);
    QString secondPath;
    QString error;
    ASSERT_TRUE(sim.openPty(&secondPath, &error)) << error.toStdString();
    peer = std::make_unique<PtyPeer>(secondPath);
    ASSERT_TRUE(peer->isOpen());
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    EXPECT_EQ(peer->readFor(100), QByteArray());
    EXPECT_EQ(sim.receivedCommands().size(), 2) << "the record survives a restart";
}

TEST_F(MicSimulatorTest, PortClosedAndOpenedAgainByTheApplication)
{
    peer.reset();
    // Nobody has the port open now; the simulator must neither spin nor stop.
    QThread::msleep(100);
    EXPECT_TRUE(sim.isServing());
    peer = std::make_unique<PtyPeer>(path);
    ASSERT_TRUE(peer->isOpen());
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
}

// An attached descriptor stands for the device end umockdev hands out: a
// blocking pty master that belongs to somebody else.
class AttachedMicSimulatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        int slave = -1;
        ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        termios settings{};
        ASSERT_EQ(::tcgetattr(slave, &settings), 0);
        ::cfmakeraw(&settings);
        ASSERT_EQ(::tcsetattr(slave, TCSANOW, &settings), 0);
        peer = std::make_unique<PtyPeer>(slave);
        QString error;
        ASSERT_TRUE(sim.attach(master, &error)) << error.toStdString();
    }

    void TearDown() override
    {
        sim.stop();
        if (master >= 0)
            ::close(master);
    }

    int master = -1;
    MicSimulator sim;
    std::unique_ptr<PtyPeer> peer;
};

TEST_F(AttachedMicSimulatorTest, ServesTheDescriptorAndHandsItBackUnchanged)
{
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    EXPECT_EQ(peer->readUntil("\r\n"), DefaultSummary);

    sim.stop();
    const int flags = ::fcntl(master, F_GETFL);
    ASSERT_GE(flags, 0) << "the descriptor must stay open";
    EXPECT_EQ(flags & O_NONBLOCK, 0);
    // Still the same pty: bytes written to it reach the other end.
    ASSERT_EQ(::write(master, "x", 1), 1);
    EXPECT_EQ(peer->readCount(1), "x");
}

TEST_F(AttachedMicSimulatorTest, HangUpPutsDevNullInPlaceWithoutClosing)
{
    sim.hangUp();
    EXPECT_TRUE(peer->waitForHangUp());
    EXPECT_FALSE(sim.isServing());
    struct stat info = {};
    ASSERT_EQ(::fstat(master, &info), 0) << "the descriptor must stay open";
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(info.st_rdev, makedev(1, 3)) << "expected /dev/null";
}

} // namespace
