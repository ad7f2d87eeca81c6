// The update list client against HTTP and HTTPS servers of the test's own on
// 127.0.0.1.

#include "MLDefaultsKeys.h"
#include "MLFirmwareUpdateChecker.h"
#include "MLUserDefaults.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using fwtest::HttpResponse;
using fwtest::TestHttpServer;

const QByteArray ListPath = "/updates/firmware/lst/4721_A";
const QString Basename = QStringLiteral("4721_A");
const QString InvalidXmlLine = QStringLiteral("Invalid XML Response for firmware update: ");
const QString FaultLine = QStringLiteral("Exception processing XML Response for firmware update: ");
const QString TooLargeLine = QStringLiteral("check abandoned");

// Long enough for a reply that is coming to arrive; used where none may come.
constexpr int SettleMs = 400;

struct Outcome
{
    int calls = 0;
    bool success = false;
    MLVersionNumber version;
    QString fileName;
    qint64 fileSize = -1;
    bool onMainThread = true;
};

MLFirmwareUpdateChecker::Completion recordInto(const std::shared_ptr<Outcome> &outcome)
{
    return [outcome](bool success, const MLVersionNumber &version, const QString &fileName, qint64 fileSize) {
        *outcome = {outcome->calls + 1, success, version, fileName, fileSize,
                    QThread::currentThread() == QCoreApplication::instance()->thread()};
    };
}

QByteArray entry(const QByteArray &fileName, const QByteArray &fileSize)
{
    return "<file><filename>" + fileName + "</filename><filesize>" + fileSize + "</filesize></file>";
}

QByteArray list(const QByteArray &entries)
{
    return "<updates><files>" + entries + "</files></updates>";
}

const QByteArray ExampleList = R"(<?xml version="1.0" encoding="UTF-8"?>
<updates>
  <files>
    <file>
      <filename>4721_A_x_01_05.bin</filename>
      <filesize>81920</filesize>
    </file>
    <file>
      <filename>4721_A_x_01_07.bin</filename>
      <filesize>90112</filesize>
    </file>
  </files>
</updates>
)";

HttpResponse xmlAnswer(const QByteArray &body, int status = 200)
{
    return HttpResponse::answer(status, body, "text/xml");
}

class FirmwareUpdateChecker : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mltest::clearUserDefaults();
        ASSERT_TRUE(server.isListening());
    }
    void TearDown() override { mltest::clearUserDefaults(); }

    std::shared_ptr<Outcome> start(const QString &url)
    {
        auto outcome = std::make_shared<Outcome>();
        EXPECT_TRUE(checker.checkForAvailableUpdateAtUrl(url, Basename, recordInto(outcome)));
        return outcome;
    }

    // Serves the response at the list address and runs one check to its end.
    Outcome check(const HttpResponse &response, const QByteArray &target = ListPath)
    {
        server.route(target, response);
        auto outcome = start(server.url(target));
        EXPECT_TRUE(mltest::waitUntil([&] { return outcome->calls > 0; })) << "no completion";
        mltest::flushEvents();
        EXPECT_EQ(outcome->calls, 1);
        EXPECT_TRUE(outcome->onMainThread);
        return *outcome;
    }

    // Starts a check that must never complete, and waits for the given sign
    // that the transfer has ended.
    void expectNoCompletion(const QString &url, const std::function<bool()> &transferOver = {})
    {
        auto outcome = start(url);
        if (transferOver) {
            EXPECT_TRUE(mltest::waitUntil(transferOver));
        }
        mltest::processEventsFor(SettleMs);
        EXPECT_EQ(outcome->calls, 0);
    }

    mltest::LogCapture log;
    TestHttpServer server;
    MLFirmwareUpdateChecker checker;
};

TEST_F(FirmwareUpdateChecker, RequestIsOneEmptyPostToTheGivenAddress)
{
    const QByteArray target = ListPath + "?lang=en&v=1%202";
    check(xmlAnswer(ExampleList), target);
    ASSERT_EQ(server.requests().size(), 1);
    const fwtest::HttpRequest request = server.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, target);
    EXPECT_TRUE(request.body.isEmpty());
    EXPECT_TRUE(request.head.toLower().contains("\r\ncontent-length: 0\r\n"));
    EXPECT_FALSE(request.head.toLower().contains("\r\ncontent-type:"));
}

TEST_F(FirmwareUpdateChecker, ChoosesTheHighestMatchingEntry)
{
    struct Case
    {
        const char *what;
        QByteArray body;
        const char *version; // "" for none
        const char *fileName;
        qint64 fileSize;
        int status = 200;
        bool success = true;
    };
    const QByteArray five = entry("4721_A_x_01_05.bin", "5");
    const Case cases[] = {
        {"indented two-entry list", ExampleList, "1.7", "4721_A_x_01_07.bin", 90112},
        {"equal versions: the first", list(entry("4721_A_a_01_07.bin", "100") + entry("4721_A_b_01_07.bin", "200")),
         "1.7", "4721_A_a_01_07.bin", 100},
        {"highest first", list(entry("4721_A_x_01_09.bin", "9") + entry("4721_A_x_01_07.bin", "7")), "1.9",
         "4721_A_x_01_09.bin", 9},
        {"entries directly under the root", "<updates>" + five + entry("4721_A_x_01_07.bin", "7") + "</updates>",
         "", "", 0},
        {"second container ignored",
         "<updates><files>" + five + "</files><files>" + entry("4721_A_x_02_00.bin", "20") + "</files></updates>",
         "1.5", "4721_A_x_01_05.bin", 5},
        {"other basenames and short names skipped",
         list(entry("4721_B_x_09_00.bin", "1") + entry("4721_a_x_09_00.bin", "2") + entry("4721_A_09.bin", "3") +
              entry("x4721_A_x_09_00.bin", "4") + entry("4721_A_x_01_03.bin", "5")),
         "1.3", "4721_A_x_01_03.bin", 5},
        {"five-component name never chosen", list(entry("4721_A_x_99.bin", "1")), "", "", 0},
        {"five-component name loses to 0.1", list(entry("4721_A_x_99.bin", "1") + entry("4721_A_x_00_01.bin", "2")),
         "0.1", "4721_A_x_00_01.bin", 2},
        {"mixed separators", list(entry("4721_A_x_2.3.bin", "23")), "2.3", "4721_A_x_2.3.bin", 23},
        {"file name used untrimmed", list(entry(" 4721_A_x_03_00.bin", "1") + entry("4721_A_x_01_06.bin\n", "2")),
         "1.6", "4721_A_x_01_06.bin\n", 2},
        {"size that is no number", list(entry("4721_A_x_01_05.bin", "80 kB")), "1.5", "4721_A_x_01_05.bin", 0},
        {"ten-digit size", list(entry("4721_A_x_01_05.bin", "4294967296")), "1.5", "4721_A_x_01_05.bin",
         4294967296LL},
        {"size, other children and second filename in any order",
         list("<file><filesize>7</filesize><note/><filename>4721_A_x_01_05.bin</filename>"
              "<filename>4721_A_x_09_00.bin</filename></file>"),
         "1.5", "4721_A_x_01_05.bin", 7},
        {"missing size on an entry that is not the highest",
         list(entry("4721_A_x_01_07.bin", "7") + "<file><filename>4721_A_x_01_05.bin</filename></file>"), "1.7",
         "4721_A_x_01_07.bin", 7},
        {"other children of the container skipped",
         list("<File><filename>4721_A_x_05_00.bin</filename><filesize>1</filesize></File><!-- c -->"
              "<entry><filename>4721_A_x_06_00.bin</filename></entry>" +
              entry("4721_A_x_01_01.bin", "2")),
         "1.1", "4721_A_x_01_01.bin", 2},
        {"comment as the root's first child", "<updates><!-- list --><files>" + five + "</files></updates>", "", "",
         0},
        {"text as the root's first child", "<updates>list:<files>" + five + "</files></updates>", "", "", 0},
        {"reply cut off after the last size",
         "<updates><files>" + five + "<file><filename>4721_A_x_01_08.bin</filename><filesize>12", "1.8",
         "4721_A_x_01_08.bin", 12},
        {"body read up to a zero byte", list(five + QByteArray(1, '\0') + entry("4721_A_x_01_07.bin", "7")), "1.5",
         "4721_A_x_01_05.bin", 5},
        {"an error status with a list is read", list(five), "1.5", "4721_A_x_01_05.bin", 5, 500},
        {"another root", "<update><files>" + five + "</files></update>", "", "", 0, 200, false},
        {"root in other letter case", "<Updates><files>" + five + "</files></Updates>", "", "", 0, 200, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const MLVersionNumber version = MLVersionNumber::initWithString(QString::fromLatin1(c.version));
        const Outcome outcome = check(xmlAnswer(c.body, c.status));
        EXPECT_EQ(outcome.success, c.success);
        EXPECT_EQ(outcome.version, version) << outcome.version.description().toStdString();
        EXPECT_EQ(outcome.fileName, QString::fromLatin1(c.fileName));
        EXPECT_EQ(outcome.fileSize, c.fileSize);
        // The fields keep the outcome until the next check.
        EXPECT_EQ(checker.highestVersion(), version);
        EXPECT_EQ(checker.firmwareFileName(), QString::fromLatin1(c.fileName));
        EXPECT_EQ(checker.firmwareFileSize(), c.fileSize);
        EXPECT_EQ(log.countContaining(QStringLiteral("XML Response")), 0) << log.records().join(u'\n').toStdString();
        log.clear();
    }
}

TEST_F(FirmwareUpdateChecker, FaultInAnEntryEndsTheExamination)
{
    // An entry without a file name: what came before stands, nothing after is
    // read. A newly highest entry without a size: its version and name are
    // taken, the size stays the one before.
    const struct
    {
        QByteArray faulty;
        MLVersionNumber version;
        const char *fileName;
    } cases[] = {{"<file><name>4721_A_x_03_00.bin</name></file>", {1, 5}, "4721_A_x_01_05.bin"},
                 {"<file><filename>4721_A_x_01_07.bin</filename></file>", {1, 7}, "4721_A_x_01_07.bin"}};
    for (const auto &c : cases) {
        const Outcome outcome =
            check(xmlAnswer(list(entry("4721_A_x_01_05.bin", "10") + c.faulty + entry("4721_A_x_02_00.bin", "30"))));
        EXPECT_TRUE(outcome.success);
        EXPECT_EQ(outcome.version, c.version);
        EXPECT_EQ(outcome.fileName, QString::fromLatin1(c.fileName));
        EXPECT_EQ(outcome.fileSize, 10);
        ASSERT_EQ(log.records().size(), 1);
        const QString line = log.records().first();
        EXPECT_TRUE(line.startsWith(FaultLine) && line.size() > FaultLine.size()) << line.toStdString();
        log.clear();
    }
}

TEST_F(FirmwareUpdateChecker, RepliesThatAreNoListFail)
{
    struct Case
    {
        const char *what;
        int status;
        QByteArray body;
        bool logged;
    };
    const Case cases[] = {
        {"empty body", 200, "", true},
        {"zero byte first", 200, QByteArray(1, '\0') + list(entry("4721_A_x_01_05.bin", "5")), true},
        {"not UTF-8", 200, list(entry("4721_A_x_01_05.bin\xff", "5")), true},
        {"cut UTF-8 sequence", 200, list(entry("4721_A_x_01_05.bin", "5")) + "\xc3", true},
        {"HTML error page", 404,
         "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
         "<body><h1>Not Found</h1><p>The list was not found.</p></body></html>\n",
         false},
        {"text that is no XML", 200, "Service temporarily unavailable, try again later.\n", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = check(HttpResponse::answer(c.status, c.body));
        EXPECT_FALSE(outcome.success);
        EXPECT_EQ(outcome.version, MLVersionNumber());
        EXPECT_TRUE(outcome.fileName.isEmpty());
        EXPECT_EQ(outcome.fileSize, 0);
        if (c.logged) {
            ASSERT_EQ(log.countContaining(InvalidXmlLine), 1) << log.records().join(u'\n').toStdString();
            EXPECT_GT(log.records().first().size(), InvalidXmlLine.size()) << "the reason is missing";
        }
        log.clear();
    }
}

TEST_F(FirmwareUpdateChecker, ParserErrorOfAnEarlierReplyIsNotReportedAgain)
{
    // Parses (the parser repairs it) but leaves an error about the entity behind.
    EXPECT_TRUE(check(xmlAnswer("<updates><files><file>&bogusentity;</file></files></updates>")).success);
    log.clear();
    EXPECT_FALSE(check(HttpResponse::answer(200, "")).success);
    ASSERT_EQ(log.records().size(), 1);
    EXPECT_FALSE(log.records().first().contains(QStringLiteral("bogusentity"))) << log.records().first().toStdString();
}

TEST_F(FirmwareUpdateChecker, AddressesThatGiveNoRequestAreRefused)
{
    // Results of an earlier check are reset by the next one, even a refused one.
    check(xmlAnswer(ExampleList));
    auto outcome = std::make_shared<Outcome>();
    EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QString(), Basename, recordInto(outcome)));
    EXPECT_EQ(checker.highestVersion(), MLVersionNumber());
    EXPECT_TRUE(checker.firmwareFileName().isEmpty());
    EXPECT_EQ(checker.firmwareFileSize(), 0);
    EXPECT_TRUE(checker.urlStr().isEmpty());
    EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QStringLiteral("http://[::1"), Basename, recordInto(outcome)));
    EXPECT_EQ(log.records().size(), 0) << "diagnostics are off";

    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DiagnosticsEnabled));
    for (const char *url : {"http://[::1", "updates/firmware/lst/4721_A", ""})
        EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QString::fromLatin1(url), Basename, recordInto(outcome)));
    EXPECT_EQ(log.count(QStringLiteral("Cannot make request for update check.")), 2);
    EXPECT_EQ(log.records().size(), 2) << "an empty address is refused without a line";

    mltest::processEventsFor(SettleMs);
    EXPECT_EQ(outcome->calls, 0);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(FirmwareUpdateChecker, FailedConnectionsNeverComplete)
{
    // Nothing listening.
    quint16 closedPort = 0;
    {
        QTcpServer reserve;
        ASSERT_TRUE(reserve.listen(QHostAddress::LocalHost, 0));
        closedPort = reserve.serverPort();
    }
    expectNoCompletion(QStringLiteral("http://127.0.0.1:%1/list").arg(closedPort));

    // The server closes the connection before the declared body is complete.
    server.route("/cut", HttpResponse::partial(1000, "<updates><files>", true));
    expectNoCompletion(server.url("/cut"), [&] { return server.requestsFor("/cut").size() == 1; });

    // Redirected in a circle until the client gives up.
    server.route("/loop", HttpResponse::redirect(302, "/loop"));
    expectNoCompletion(server.url("/loop"), [&] { return server.requestsFor("/loop").size() > 10; });

    EXPECT_TRUE(log.records().isEmpty()) << "failed connections are dropped silently";
    // The checker is idle and usable afterwards.
    EXPECT_EQ(check(xmlAnswer(ExampleList)).version, MLVersionNumber(1, 7));
}

TEST_F(FirmwareUpdateChecker, SilentServerTimesOutWithoutCompletion)
{
    checker.setTransferTimeoutMs(300);
    server.route(ListPath, HttpResponse::silent());
    // The client closing the connection shows that the time-out fired.
    expectNoCompletion(server.url(ListPath), [&] { return server.closedByClient() == 1; });
    EXPECT_TRUE(log.records().isEmpty());
    EXPECT_EQ(check(xmlAnswer(ExampleList)).version, MLVersionNumber(1, 7));
}

TEST_F(FirmwareUpdateChecker, LaterCheckTakesOver)
{
    server.route("/first", HttpResponse::held(list(entry("4721_A_x_09_00.bin", "9"))));
    server.route("/second", xmlAnswer(ExampleList));
    auto first = start(server.url("/first"));
    ASSERT_TRUE(mltest::waitUntil([&] { return server.requestsFor("/first").size() == 1; }));
    auto second = start(server.url("/second"));
    ASSERT_TRUE(mltest::waitUntil([&] { return second->calls > 0; }));
    server.releaseHeld();
    mltest::processEventsFor(SettleMs);
    EXPECT_EQ(first->calls, 0);
    EXPECT_EQ(second->calls, 1);
    EXPECT_EQ(checker.highestVersion(), MLVersionNumber(1, 7));
    EXPECT_EQ(checker.firmwareFileName(), QStringLiteral("4721_A_x_01_07.bin"));

    // A refused check takes over as well: the earlier one is given up.
    server.route("/third", HttpResponse::held(ExampleList));
    auto third = start(server.url("/third"));
    ASSERT_TRUE(mltest::waitUntil([&] { return server.requestsFor("/third").size() == 1; }));
    auto refused = std::make_shared<Outcome>();
    EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QString(), Basename, recordInto(refused)));
    EXPECT_TRUE(mltest::waitUntil([&] { return server.closedByClient() >= 1; }));
    server.releaseHeld();
    mltest::processEventsFor(SettleMs);
    EXPECT_EQ(third->calls, 0);
    EXPECT_EQ(refused->calls, 0);
}

TEST_F(FirmwareUpdateChecker, CompletionMayStartTheNextCheck)
{
    server.route("/first", xmlAnswer(list(entry("4721_A_x_01_05.bin", "5"))));
    server.route("/second", xmlAnswer(ExampleList));
    auto second = std::make_shared<Outcome>();
    int firstCalls = 0;
    ASSERT_TRUE(checker.checkForAvailableUpdateAtUrl(
        server.url("/first"), Basename, [&](bool, const MLVersionNumber &version, const QString &, qint64) {
            ++firstCalls;
            EXPECT_TRUE(checker.checkForAvailableUpdateAtUrl(server.url("/second"), Basename, recordInto(second)));
            // The arguments are this check's, whatever the next one does.
            EXPECT_EQ(version, MLVersionNumber(1, 5));
        }));
    ASSERT_TRUE(mltest::waitUntil([&] { return second->calls > 0; }));
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(second->version, MLVersionNumber(1, 7));
}

TEST_F(FirmwareUpdateChecker, OversizedRepliesAreAbandoned)
{
    // A declared length above the default cap is enough; the body need not come.
    server.route("/declared", HttpResponse::partial(2 * 1024 * 1024, "<updates>", false));
    expectNoCompletion(server.url("/declared"), [&] { return server.closedByClient() == 1; });
    EXPECT_EQ(log.countContaining(TooLargeLine), 1) << log.records().join(u'\n').toStdString();
    log.clear();

    // Declared length: a body of exactly the cap is read, one byte more is not.
    checker.setMaxBodyBytes(ExampleList.size());
    EXPECT_EQ(check(xmlAnswer(ExampleList)).version, MLVersionNumber(1, 7));
    checker.setMaxBodyBytes(ExampleList.size() - 1);
    expectNoCompletion(server.url(ListPath), [&] { return log.countContaining(TooLargeLine) == 1; });
    log.clear();

    // Counted as it arrives without a declared length ("<updates><files>" and the padding).
    const qint64 streamed = 16 + 200000;
    checker.setMaxBodyBytes(streamed);
    EXPECT_TRUE(check(HttpResponse::stream(200000)).success);
    checker.setMaxBodyBytes(streamed - 1);
    expectNoCompletion(server.url(ListPath), [&] { return log.countContaining(TooLargeLine) == 1; });
}

TEST_F(FirmwareUpdateChecker, RedirectsNeverLeaveHttps)
{
    fwtest::trustTestCertificate();
    TestHttpServer tlsServer{TestHttpServer::Transport::Tls};
    ASSERT_TRUE(tlsServer.isListening());
    tlsServer.route(ListPath, xmlAnswer(ExampleList));
    tlsServer.route("/moved", HttpResponse::redirect(302, ListPath)); // a relative location
    tlsServer.route("/down", HttpResponse::redirect(302, server.url(ListPath).toUtf8()));
    server.route(ListPath, xmlAnswer(ExampleList));

    // The TLS set-up works, and a redirect that stays on HTTPS is followed.
    for (const QByteArray &target : {ListPath, QByteArray("/moved")}) {
        auto outcome = start(tlsServer.url(target));
        ASSERT_TRUE(mltest::waitUntil([&] { return outcome->calls > 0; })) << target.constData();
        EXPECT_EQ(outcome->version, MLVersionNumber(1, 7));
    }
    // Down to plain HTTP: refused like a failed connection.
    expectNoCompletion(tlsServer.url("/down"), [&] { return tlsServer.requestsFor("/down").size() == 1; });
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(log.records().isEmpty());
}

TEST(FirmwareUpdateCheckerNames, BasenameIsTheFirstTwoParts)
{
    MLFirmwareUpdateChecker checker;
    const struct
    {
        const char *basename;
        const char *fileName;
        bool matches;
    } cases[] = {
        {"4721_A", "4721_A_x_01_05.bin", true}, {"4721_A", "4721_A__", true},
        {"4721_A", "4721_A_x", false},          {"4721_A", "4721_A_x.01.05.bin", false},
        {"4721_A", "4721_B_x_01_05.bin", false}, {"4721_A", "4721_a_x_01_05.bin", false},
        {"4721_A", "04721_A_x_01_05.bin", false}, {"4721", "4721_A_x_01_05.bin", false},
        {"4721_A_x", "4721_A_x_01_05.bin", false}, {"", "4721_A_x_01_05.bin", false},
        {"", "__", false},
    };
    for (const auto &c : cases) {
        checker.setBasename(QString::fromUtf8(c.basename));
        EXPECT_EQ(checker.isMicrophoneFirmware(QString::fromUtf8(c.fileName)), c.matches)
            << c.basename << " / " << c.fileName;
    }
}

TEST(FirmwareUpdateCheckerNames, VersionFromTheFourthAndFifthComponent)
{
    const struct
    {
        const char *fileName;
        MLVersionNumber version;
    } cases[] = {
        {"4721_A_x_01_05.bin", {1, 5}}, {"4721_A_x_2.3.bin", {2, 3}},     {"4721_A_x_01.bin", {}},
        {"4721_A_x_01_05", {}},         {"4721_A_x_01_05_", {1, 5}},      {"4721_A_x_01_05_99.bin", {1, 5}},
        {"a.b.c.7.8.9", {7, 8}},        {"4721_A_x__05.bin", {0, 5}},     {"4721_A_x_1x_05.bin", {0, 5}},
        {"4721_A_x_-2_05.bin", {-2, 5}}, {"", {}},
    };
    for (const auto &c : cases) {
        const MLVersionNumber version =
            MLFirmwareUpdateChecker::getFirmwareVersionFromFileName(QString::fromUtf8(c.fileName));
        EXPECT_EQ(version, c.version) << c.fileName << " gave " << version.description().toStdString();
    }
}

} // namespace
