// The simulated microphone on a pseudo-terminal, read and written the way the
// application's port does. What the other tests rely on (staying silent,
// overlong output, reply overrides) is checked by their use there.

#include "MicSimulator.h"
#include "PtyPeer.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QThread>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

const QByteArray DefaultSummary("Summary=\"Microphone\",N0012345,1.05,0,1,3,87\r\n");

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

TEST_F(MicSimulatorTest, AnswersEachCommandAndKeepsItsState)
{
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    const struct
    {
        QByteArray command;
        QByteArray reply;
    } rows[] = {
        {"channel1=2", "channel1=2\r\n"},
        {"channel2=5", "channel2=5\r\n"},
        {"coverage=1", "coverage=1\r\n"},
        {"RENAME Room 4 West", "name=Room 4 West\r\n"},
        {"SUMMARY", "Summary=\"Room 4 West\",N0012345,1.05,2,5,1,87\r\n"},
        {"RENAME Caf\xe9", "name=Caf\xe9\r\n"}, // the rest of the line, as ISO 8859-1
        // Refused, changing nothing.
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
    for (const auto &row : rows)
        EXPECT_EQ(ask(row.command), row.reply) << row.command.toStdString();
    EXPECT_EQ(sim.name(), QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(sim.channel1(), 2);
    EXPECT_EQ(sim.channel2(), 5);
    EXPECT_EQ(sim.coverage(), 1);

    // Every field of the summary follows the state set on the simulator.
    sim.setName(QStringLiteral("Room 4"));
    sim.setSerial(QStringLiteral("T0098765"));
    sim.setFirmware(QStringLiteral("2.10"));
    for (const char *battery : {"57.9", "100", "0", "0.25"}) {
        sim.setBattery(QByteArray(battery).toDouble());
        EXPECT_EQ(ask("SUMMARY"), "Summary=\"Room 4\",T0098765,2.10,2,5,1," + QByteArray(battery) + "\r\n");
    }
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
        garbage.append(char(i));
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
    const QDeadlineTimer deadline(5000);
    while (sim.receivedByteCount() < 4 * junk.size() && !deadline.hasExpired())
        QThread::msleep(2);
    EXPECT_LE(sim.bufferedInputBytes(), MicSimulator::MaxLineLength);
    EXPECT_EQ(peer->readFor(100), QByteArray());

    ASSERT_TRUE(peer->write("SUMMARY\r"));
    EXPECT_EQ(peer->readFor(200), QByteArray()) << "the tail of the overlong line is no command";
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    EXPECT_EQ(sim.receivedCommands(), QList<QByteArray>{"SUMMARY"});
    EXPECT_EQ(sim.discardedLineCount(), 1);
}

TEST_F(MicSimulatorTest, ChunkedRepliesArriveInPiecesThatJoinToTheReply)
{
    sim.setChunkSize(10);
    sim.setChunkPauseMs(60);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    const QList<QByteArray> pieces = peer->readPiecesUntil("\r\n");
    EXPECT_GE(pieces.size(), 2);
    EXPECT_EQ(pieces.join(), DefaultSummary);
}

TEST_F(MicSimulatorTest, ImmediateSendsOvertakeADelayedReply)
{
    sim.setReplyDelayMs(500);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    EXPECT_EQ(peer->readFor(150), QByteArray());
    ASSERT_TRUE(sim.sendBricked());
    EXPECT_EQ(peer->readUntil(DefaultSummary), "Error: cannot open keyset1.txt\r\n" + DefaultSummary);

    const QByteArray raw("\0\x01\xff\r\nname=\n\r", 11);
    ASSERT_TRUE(sim.sendRaw(raw));
    EXPECT_EQ(peer->readCount(raw.size()), raw) << "raw bytes go out unchanged";
}

TEST_F(MicSimulatorTest, BatteryDrainsWithEachSummaryButNotBelowZero)
{
    sim.setBattery(25);
    sim.setBatteryDrainPerSummary(10);
    for (const char *expected : {"25", "15", "5", "0", "0"})
        EXPECT_EQ(ask("SUMMARY"), "Summary=\"Microphone\",N0012345,1.05,0,1,3," + QByteArray(expected) + "\r\n");
    sim.setBattery(87);
    sim.setBatteryDrainPerSummary(0.3);
    for (const char *expected : {"87", "86.7", "86.4"})
        EXPECT_TRUE(ask("SUMMARY").endsWith("," + QByteArray(expected) + "\r\n")) << expected;
    EXPECT_EQ(ask("channel1=1"), "channel1=1\r\n");
    EXPECT_NEAR(sim.battery(), 86.1, 1e-9) << "only SUMMARY drains";
}

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
    ASSERT_TRUE(sim.openPty(&path));
    peer = std::make_unique<PtyPeer>(path);
    EXPECT_EQ(ask("SUMMARY"), DefaultSummary);
    EXPECT_EQ(peer->readFor(100), QByteArray());
    EXPECT_EQ(sim.receivedCommands().size(), 2) << "the record survives a restart";
}

// An attached descriptor stands for the device end umockdev hands out: a
// blocking pty master that belongs to somebody else.
class AttachedMicSimulatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.valid() && pty.slave.makeRaw());
        QString error;
        ASSERT_TRUE(sim.attach(pty.master.fd(), &error)) << error.toStdString();
    }

    PtyPair pty;
    MicSimulator sim;
};

TEST_F(AttachedMicSimulatorTest, ServesTheDescriptorAndHandsItBackUnchanged)
{
    ASSERT_TRUE(pty.slave.write("SUMMARY\r"));
    EXPECT_EQ(pty.slave.readUntil("\r\n"), DefaultSummary);

    sim.stop();
    const int flags = ::fcntl(pty.master.fd(), F_GETFL);
    ASSERT_GE(flags, 0) << "the descriptor must stay open";
    EXPECT_EQ(flags & O_NONBLOCK, 0);
    // Still the same pty: bytes written to it reach the other end.
    ASSERT_TRUE(pty.master.write("x"));
    EXPECT_EQ(pty.slave.readCount(1), "x");
}

TEST_F(AttachedMicSimulatorTest, HangUpPutsDevNullInPlaceWithoutClosing)
{
    sim.hangUp();
    EXPECT_TRUE(pty.slave.waitForHangUp());
    EXPECT_FALSE(sim.isServing());
    struct stat info = {};
    ASSERT_EQ(::fstat(pty.master.fd(), &info), 0) << "the descriptor must stay open";
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(info.st_rdev, makedev(1, 3)) << "expected /dev/null";
}

} // namespace
