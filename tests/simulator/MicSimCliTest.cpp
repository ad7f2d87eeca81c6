// The simulator's command-line program, as the demo and a person use it.

#include "PtyPeer.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>

namespace {

// Reads the child's standard output until a whole line is in.
QByteArray readLine(QProcess &process, int timeoutMs = 10000)
{
    QByteArray out;
    const QDeadlineTimer deadline(timeoutMs);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (process.bytesAvailable() == 0 && !process.waitForReadyRead(int(deadline.remainingTime())))
            break;
        out += process.read(1);
    }
    return out;
}

TEST(MicSimCli, ServesAPtyAnswersAndQuitsOnRequest)
{
    QProcess process;
    process.start(QStringLiteral(MIC_SIM_PATH), {"--name", "Lab 1", "--battery", "50", "--echo", "--stray", "ready"});
    ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();

    const QByteArray first = readLine(process);
    ASSERT_TRUE(first.startsWith("PTY: /dev/pts/")) << first.toStdString();
    PtyPeer peer(QString::fromLocal8Bit(first.mid(5).trimmed()));
    ASSERT_TRUE(peer.isOpen()) << peer.error().toStdString();

    // The echo and stray lines come before the reply.
    const QByteArray summary("Summary=\"Lab 1\",N0012345,1.05,0,1,3,50\r\n");
    ASSERT_TRUE(peer.write("SUMMARY\r"));
    EXPECT_EQ(peer.readUntil(summary), "SUMMARY\r\nready\r\n" + summary);

    process.write("p\n");
    const QByteArray state = readLine(process);
    EXPECT_TRUE(state.contains("name=\"Lab 1\"")) << state.toStdString();
    EXPECT_TRUE(state.contains("commands=1")) << state.toStdString();

    process.write("q\n");
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(peer.waitForHangUp()) << "quitting closes the line";
    // The traffic in both directions is logged.
    const QByteArray log = process.readAllStandardError();
    EXPECT_TRUE(log.contains("recv SUMMARY")) << log.toStdString();
    EXPECT_TRUE(log.contains("sent SUMMARY\\r\\nready\\r\\nSummary=\"Lab 1\"")) << log.toStdString();
}

TEST(MicSimCli, RefusesANumberOptionThatIsNoNumber)
{
    QProcess process;
    process.start(QStringLiteral(MIC_SIM_PATH), {"--channel1", "B"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty()) << "no pty is offered";
}

} // namespace
