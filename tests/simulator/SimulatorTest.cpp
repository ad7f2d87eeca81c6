// The simulated microphone as the other test programs do not see it: its
// replies to refused commands, the line splitting, the scripted behaviours
// whose failure would leave their tests passing for nothing, and the
// command-line program the demo and a person use.

#include "MicSimulator.h"
#include "PtyPeer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <memory>

namespace {

const QByteArray DefaultSummary("Summary=\"Microphone\",N0012345,1.05,0,1,3,87\r\n");

class Simulator : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString path, error;
        ASSERT_TRUE(sim.openPty(&path, &error)) << error.toStdString();
        peer = std::make_unique<PtyPeer>(path);
        ASSERT_TRUE(peer->isOpen()) << peer->error().toStdString();
    }

    QByteArray ask(const QByteArray &command)
    {
        EXPECT_TRUE(peer->write(command + '\r'));
        return peer->readUntil("\r\n");
    }

    MicSimulator sim;
    std::unique_ptr<PtyPeer> peer;
};

TEST_F(Simulator, AnswersEachCommandAndRefusesBadOnesUnchanged)
{
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"channel1=2", "channel1=2\r\n"},
        {"channel2=5", "channel2=5\r\n"},
        {"coverage=1", "coverage=1\r\n"},
        {"RENAME Room 4 West", "name=Room 4 West\r\n"},
        {"channel1=x", "ERROR invalid value\r\n"},
        {"coverage=3.5", "ERROR invalid value\r\n"},
        {"channel2=99999999999", "ERROR invalid value\r\n"},
        {"RENAME ", "ERROR invalid name\r\n"},
        {"RENAME", "ERROR unknown command\r\n"},
        {"summary", "ERROR unknown command\r\n"},
        {"ULOAD 4721_A_1.06.bin", "ULOAD ready\r\n"},
    };
    for (const auto &[command, reply] : rows)
        EXPECT_EQ(ask(command), reply) << command.toStdString();
    sim.setBattery(57.9);
    EXPECT_EQ(ask("SUMMARY"), "Summary=\"Room 4 West\",N0012345,1.05,2,5,1,57.9\r\n");
}

TEST_F(Simulator, SplitsCommandsAtCarriageReturnsWhereverTheBytesFall)
{
    // Each piece is read apart; a line feed after a carriage return is dropped
    // even when it comes in the next read; an empty line is no command.
    const QByteArray pieces[] = {"SUMM", "ARY\r", "\nchannel1=2\r\r\ncoverage=1\r"};
    qint64 sent = 0;
    for (const QByteArray &piece : pieces) {
        ASSERT_TRUE(peer->write(piece));
        sent += piece.size();
        ASSERT_TRUE(mltest::waitUntil([&] { return sim.receivedByteCount() == sent; }));
    }
    EXPECT_EQ(peer->readUntil("coverage=1\r\n"), DefaultSummary + "channel1=2\r\ncoverage=1\r\n");

    EXPECT_EQ(sim.receivedCommands(), (QList<QByteArray>{"SUMMARY", "channel1=2", "coverage=1"}));
}

TEST_F(Simulator, ScriptedBehavioursDoWhatTheOtherTestsRelyOn)
{
    sim.setChunkSize(10);
    sim.setChunkPauseMs(60);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    const QList<QByteArray> pieces = peer->readPiecesUntil("\r\n");
    EXPECT_GE(pieces.size(), 2);
    EXPECT_EQ(pieces.join(), DefaultSummary);

    // The bricked message overtakes a reply that waits for its delay.
    sim.setReplyDelayMs(10'000);
    ASSERT_TRUE(peer->write("SUMMARY\r"));
    ASSERT_TRUE(sim.waitForCommands(2, 5000));
    ASSERT_TRUE(sim.sendBricked());
    EXPECT_EQ(peer->readUntil("\r\n"), "Error: cannot open keyset1.txt\r\n");
}

TEST(SimulatorProgram, ServesAPtyFromItsOptionsAndQuitsOnRequest)
{
    QProcess process;
    process.start(QStringLiteral(MIC_SIM_PATH),
                  {"--name", "Lab 1", "--battery", "50", "--echo", "--stray", "ready"});
    const auto readLine = [&] {
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        return process.readLine();
    };
    const QByteArray first = readLine();
    ASSERT_TRUE(first.startsWith("PTY: /dev/pts/")) << first.toStdString();
    PtyPeer peer(QString::fromLocal8Bit(first.mid(5).trimmed()));
    ASSERT_TRUE(peer.isOpen()) << peer.error().toStdString();

    const QByteArray summary("Summary=\"Lab 1\",N0012345,1.05,0,1,3,50\r\n");
    ASSERT_TRUE(peer.write("SUMMARY\r"));
    EXPECT_EQ(peer.readUntil(summary), "SUMMARY\r\nready\r\n" + summary)
        << "the echo and stray lines come first";

    process.write("q\n");
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(peer.waitForHangUp()) << "quitting closes the line";
    const QByteArray log = process.readAllStandardError();
    EXPECT_TRUE(log.contains("recv SUMMARY\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("sent SUMMARY\\r\\nready\\r\\nSummary=\"Lab 1\"")) << log.toStdString();
}

} // namespace
