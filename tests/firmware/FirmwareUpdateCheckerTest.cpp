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
        ++outcome->calls;
        outcome->success = success;
        outcome->version = version;
        outcome->fileName = fileName;
        outcome->fileSize = fileSize;
        outcome->onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
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
    return HttpResponse::answer(status, body, {{"Content-Type", "text/xml"}});
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
    Outcome check(const HttpResponse &response)
    {
        server.route(ListPath, response);
        auto outcome = start(server.url(ListPath));
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
    server.route(target, xmlAnswer(ExampleList));
    auto outcome = start(server.url(target));
    ASSERT_TRUE(mltest::waitUntil([&] { return outcome->calls > 0; }));

    ASSERT_EQ(server.requests().size(), 1);
    const fwtest::HttpRequest request = server.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, target);
    EXPECT_TRUE(request.body.isEmpty());
    EXPECT_EQ(request.header("Content-Length"), "0");
    EXPECT_FALSE(request.hasHeader("Content-Type"));
    EXPECT_EQ(checker.urlStr(), server.url(target));
    EXPECT_EQ(checker.basename(), Basename);
}

TEST_F(FirmwareUpdateChecker, ChoosesTheHighestMatchingEntry)
{
    struct Case
    {
        const char *what;
        QByteArray body;
        bool success;
        MLVersionNumber version;
        QString fileName;
        qint64 fileSize;
        int status = 200;
    };
    const Case cases[] = {
        {"indented two-entry list", ExampleList, true, {1, 7}, "4721_A_x_01_07.bin", 90112},
        {"equal versions: the first",
         list(entry("4721_A_a_01_07.bin", "100") + entry("4721_A_b_01_07.bin", "200")),
         true,
         {1, 7},
         "4721_A_a_01_07.bin",
         100},
        {"highest first",
         list(entry("4721_A_x_01_09.bin", "9") + entry("4721_A_x_01_07.bin", "7")),
         true,
         {1, 9},
         "4721_A_x_01_09.bin",
         9},
        {"entries directly under the root",
         "<updates>" + entry("4721_A_x_01_05.bin", "5") + entry("4721_A_x_01_07.bin", "7") + "</updates>",
         true,
         {},
         "",
         0},
        {"second container ignored",
         "<updates><files>" + entry("4721_A_x_01_05.bin", "5") + "</files><files>" +
             entry("4721_A_x_02_00.bin", "20") + "</files></updates>",
         true,
         {1, 5},
         "4721_A_x_01_05.bin",
         5},
        {"other basenames and short names skipped",
         list(entry("4721_B_x_09_00.bin", "1") + entry("4721_a_x_09_00.bin", "2") +
              entry("4721_A_09.bin", "3") + entry("x4721_A_x_09_00.bin", "4") +
              entry("4721_A_x_01_03.bin", "5")),
         true,
         {1, 3},
         "4721_A_x_01_03.bin",
         5},
        {"five-component name never chosen", list(entry("4721_A_x_99.bin", "1")), true, {}, "", 0},
        {"five-component name loses to 0.1",
         list(entry("4721_A_x_99.bin", "1") + entry("4721_A_x_00_01.bin", "2")),
         true,
         {0, 1},
         "4721_A_x_00_01.bin",
         2},
        {"mixed separators", list(entry("4721_A_x_2.3.bin", "23")), true, {2, 3}, "4721_A_x_2.3.bin", 23},
        {"file name used untrimmed",
         list(entry(" 4721_A_x_03_00.bin", "1") + entry("4721_A_x_01_06.bin\n", "2")),
         true,
         {1, 6},
         "4721_A_x_01_06.bin\n",
         2},
        {"size that is no number",
         list(entry("4721_A_x_01_05.bin", "80 kB")),
         true,
         {1, 5},
         "4721_A_x_01_05.bin",
         0},
        {"ten-digit size",
         list(entry("4721_A_x_01_05.bin", "4294967296")),
         true,
         {1, 5},
         "4721_A_x_01_05.bin",
         4294967296LL},
        {"size, other children and second filename in any order",
         list("<file><filesize>7</filesize><note/><filename>4721_A_x_01_05.bin</filename>"
              "<filename>4721_A_x_09_00.bin</filename></file>"),
         true,
         {1, 5},
         "4721_A_x_01_05.bin",
         7},
        {"missing size on an entry that is not the highest",
         list(entry("4721_A_x_01_07.bin", "7") + "<file><filename>4721_A_x_01_05.bin</filename></file>"),
         true,
         {1, 7},
         "4721_A_x_01_07.bin",
         7},
        {"other children of the container skipped",
         list("<File><filename>4721_A_x_05_00.bin</filename><filesize>1</filesize></File><!-- c -->"
              "<entry><filename>4721_A_x_06_00.bin</filename></entry>" +
              entry("4721_A_x_01_01.bin", "2")),
         true,
         {1, 1},
         "4721_A_x_01_01.bin",
         2},
        {"comment as the root's first child",
         "<updates><!-- list --><files>" + entry("4721_A_x_01_05.bin", "5") + "</files></updates>",
         true,
         {},
         "",
         0},
        {"text as the root's first child",
         "<updates>list:<files>" + entry("4721_A_x_01_05.bin", "5") + "</files></updates>",
         true,
         {},
         "",
         0},
        {"reply cut off after the last size",
         "<updates><files>" + entry("4721_A_x_01_05.bin", "5") +
             "<file><filename>4721_A_x_01_08.bin</filename>"
             "<filesize>12",
         true,
         {1, 8},
         "4721_A_x_01_08.bin",
         12},
        {"body read up to a zero byte",
         "<updates><files>" + entry("4721_A_x_01_05.bin", "5") + QByteArray(1, '\0') +
             entry("4721_A_x_01_07.bin", "7") + "</files></updates>",
         true,
         {1, 5},
         "4721_A_x_01_05.bin",
         5},
        {"an error status with a list is read",
         list(entry("4721_A_x_01_05.bin", "5")),
         true,
         {1, 5},
         "4721_A_x_01_05.bin",
         5,
         500},
        {"another root",
         "<update><files>" + entry("4721_A_x_01_05.bin", "5") + "</files></update>",
         false,
         {},
         "",
         0},
        {"root in other letter case",
         "<Updates><files>" + entry("4721_A_x_01_05.bin", "5") + "</files></Updates>",
         false,
         {},
         "",
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = check(xmlAnswer(c.body, c.status));
        EXPECT_EQ(outcome.success, c.success);
        EXPECT_EQ(outcome.version, c.version) << outcome.version.description().toStdString();
        EXPECT_EQ(outcome.fileName, c.fileName);
        EXPECT_EQ(outcome.fileSize, c.fileSize);
        // The fields keep the outcome until the next check.
        EXPECT_EQ(checker.highestVersion(), c.version);
        EXPECT_EQ(checker.firmwareFileName(), c.fileName);
        EXPECT_EQ(checker.firmwareFileSize(), c.fileSize);
        EXPECT_EQ(log.countContaining(QStringLiteral("XML Response")), 0)
            << log.records().join(u'\n').toStdString();
        log.clear();
    }
}

TEST_F(FirmwareUpdateChecker, FaultInAnEntryEndsTheExamination)
{
    // An entry without a file name: what came before stands, nothing after is read.
    Outcome outcome = check(
        xmlAnswer(list(entry("4721_A_x_01_05.bin", "10") + "<file><name>4721_A_x_03_00.bin</name></file>" +
                       entry("4721_A_x_02_00.bin", "30"))));
    EXPECT_TRUE(outcome.success);
    EXPECT_EQ(outcome.version, MLVersionNumber(1, 5));
    EXPECT_EQ(outcome.fileName, QStringLiteral("4721_A_x_01_05.bin"));
    EXPECT_EQ(outcome.fileSize, 10);
    EXPECT_EQ(log.countContaining(FaultLine), 1);
    log.clear();

    // A newly highest entry without a size: its version and name are taken, the
    // size stays the one before.
    outcome = check(xmlAnswer(list(entry("4721_A_x_01_05.bin", "10") +
                                   "<file><filename>4721_A_x_01_07.bin</filename></file>" +
                                   entry("4721_A_x_02_00.bin", "30"))));
    EXPECT_TRUE(outcome.success);
    EXPECT_EQ(outcome.version, MLVersionNumber(1, 7));
    EXPECT_EQ(outcome.fileName, QStringLiteral("4721_A_x_01_07.bin"));
    EXPECT_EQ(outcome.fileSize, 10);
    EXPECT_EQ(log.countContaining(FaultLine), 1);
    const QString line = log.records().value(0);
    EXPECT_TRUE(line.startsWith(FaultLine) && line.size() > FaultLine.size()) << line.toStdString();
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
    const Outcome repaired = check(xmlAnswer("<updates><files><file>&bogusentity;</file></files></updates>"));
    EXPECT_TRUE(repaired.success);
    log.clear();

    const Outcome empty = check(HttpResponse::answer(200, ""));
    EXPECT_FALSE(empty.success);
    ASSERT_EQ(log.records().size(), 1);
    EXPECT_FALSE(log.records().first().contains(QStringLiteral("bogusentity")))
        << log.records().first().toStdString();
}

TEST_F(FirmwareUpdateChecker, AddressesThatGiveNoRequestAreRefused)
{
    // Results of an earlier check are reset by the next one, even a refused one.
    check(xmlAnswer(ExampleList));
    ASSERT_EQ(checker.highestVersion(), MLVersionNumber(1, 7));

    auto outcome = std::make_shared<Outcome>();
    EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QString(), Basename, recordInto(outcome)));
    EXPECT_EQ(checker.highestVersion(), MLVersionNumber());
    EXPECT_TRUE(checker.firmwareFileName().isEmpty());
    EXPECT_EQ(checker.firmwareFileSize(), 0);
    EXPECT_TRUE(checker.urlStr().isEmpty());
    EXPECT_FALSE(
        checker.checkForAvailableUpdateAtUrl(QStringLiteral("http://[::1"), Basename, recordInto(outcome)));
    EXPECT_EQ(log.records().size(), 0) << "diagnostics are off";

    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DiagnosticsEnabled));
    EXPECT_FALSE(
        checker.checkForAvailableUpdateAtUrl(QStringLiteral("http://[::1"), Basename, recordInto(outcome)));
    EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QStringLiteral("updates/firmware/lst/4721_A"), Basename,
                                                      recordInto(outcome)));
    EXPECT_EQ(log.count(QStringLiteral("Cannot make request for update check.")), 2);
    EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QString(), Basename, recordInto(outcome)));
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

TEST_F(FirmwareUpdateChecker, RedirectsAreFollowed)
{
    struct Case
    {
        int status;
        QByteArray location;
        QByteArray methodAtTarget; // what Qt sends after the redirect
    };
    const Case cases[] = {
        {301, "/list301", "GET"},  {302, "/list302", "GET"},  {303, "/list303", "GET"},
        {307, "/list307", "POST"}, {308, "/list308", "POST"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        const QByteArray from = "/moved" + QByteArray::number(c.status);
        // Absolute and relative locations alike.
        const QByteArray location = c.status % 2 ? server.url(c.location).toUtf8() : c.location;
        server.route(from, HttpResponse::redirect(c.status, location));
        server.route(c.location, xmlAnswer(ExampleList));
        auto outcome = start(server.url(from));
        ASSERT_TRUE(mltest::waitUntil([&] { return outcome->calls > 0; }));
        EXPECT_TRUE(outcome->success);
        EXPECT_EQ(outcome->version, MLVersionNumber(1, 7));
        ASSERT_EQ(server.requestsFor(from).size(), 1);
        EXPECT_EQ(server.requestsFor(from).first().method, "POST");
        ASSERT_EQ(server.requestsFor(c.location).size(), 1);
        EXPECT_EQ(server.requestsFor(c.location).first().method, c.methodAtTarget);
        EXPECT_TRUE(server.requestsFor(c.location).first().body.isEmpty());
    }
}

TEST_F(FirmwareUpdateChecker, LaterCheckTakesOver)
{
    server.route("/first", HttpResponse::held(200, list(entry("4721_A_x_09_00.bin", "9"))));
    server.route("/second", xmlAnswer(ExampleList));

    auto first = start(server.url("/first"));
    ASSERT_TRUE(mltest::waitUntil([&] { return server.requestsFor("/first").size() == 1; }));
    auto second = start(server.url("/second"));
    ASSERT_TRUE(mltest::waitUntil([&] { return second->calls > 0; }));

    server.releaseHeld();
    mltest::processEventsFor(SettleMs);
    EXPECT_EQ(first->calls, 0);
    EXPECT_EQ(second->calls, 1);
    EXPECT_EQ(second->version, MLVersionNumber(1, 7));
    EXPECT_EQ(checker.highestVersion(), MLVersionNumber(1, 7));
    EXPECT_EQ(checker.firmwareFileName(), QStringLiteral("4721_A_x_01_07.bin"));

    // A refused check takes over as well: the earlier one is given up.
    server.route("/third", HttpResponse::held(200, ExampleList));
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
        server.url("/first"), Basename,
        [&](bool success, const MLVersionNumber &version, const QString &, qint64) {
            ++firstCalls;
            EXPECT_TRUE(success);
            EXPECT_EQ(version, MLVersionNumber(1, 5));
            EXPECT_TRUE(
                checker.checkForAvailableUpdateAtUrl(server.url("/second"), Basename, recordInto(second)));
            // The arguments are this check's, whatever the next one does.
            EXPECT_EQ(version, MLVersionNumber(1, 5));
        }));
    ASSERT_TRUE(mltest::waitUntil([&] { return second->calls > 0; }));
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(second->version, MLVersionNumber(1, 7));
}

TEST_F(FirmwareUpdateChecker, OversizedRepliesAreAbandoned)
{
    // Streamed without a declared length, far beyond the default cap.
    server.route("/stream", HttpResponse::stream(32 * 1024 * 1024));
    expectNoCompletion(server.url("/stream"), [&] { return server.closedByClient() == 1; });
    EXPECT_EQ(log.countContaining(TooLargeLine), 1) << log.records().join(u'\n').toStdString();
    log.clear();

    // A declared length above the cap is enough; the body need not come.
    server.route("/declared", HttpResponse::partial(2 * 1024 * 1024, "<updates>", false));
    expectNoCompletion(server.url("/declared"), [&] { return server.closedByClient() == 2; });
    EXPECT_EQ(log.countContaining(TooLargeLine), 1);
    log.clear();
}

TEST_F(FirmwareUpdateChecker, SizeCapIsInclusive)
{
    // Declared length: a body of exactly the cap is read, one byte more is not.
    const QByteArray body = ExampleList;
    checker.setMaxBodyBytes(body.size());
    EXPECT_EQ(check(xmlAnswer(body)).version, MLVersionNumber(1, 7));
    checker.setMaxBodyBytes(body.size() - 1);
    server.route(ListPath, xmlAnswer(body));
    expectNoCompletion(server.url(ListPath), [&] { return log.countContaining(TooLargeLine) == 1; });
    log.clear();

    // Counted as it arrives, without a declared length ("<updates><files>" and
    // the padding).
    const qint64 streamed = 16 + 200000;
    checker.setMaxBodyBytes(streamed);
    const Outcome whole = check(HttpResponse::stream(200000));
    EXPECT_TRUE(whole.success);
    checker.setMaxBodyBytes(streamed - 1);
    server.route("/stream", HttpResponse::stream(200000));
    expectNoCompletion(server.url("/stream"), [&] { return log.countContaining(TooLargeLine) == 1; });
}

class FirmwareUpdateCheckerTls : public FirmwareUpdateChecker
{
protected:
    static void SetUpTestSuite() { fwtest::trustTestCertificate(); }
    void SetUp() override
    {
        FirmwareUpdateChecker::SetUp();
        ASSERT_TRUE(tlsServer.isListening());
    }

    TestHttpServer tlsServer{TestHttpServer::Transport::Tls};
};

TEST_F(FirmwareUpdateCheckerTls, RedirectsNeverLeaveHttps)
{
    server.route(ListPath, xmlAnswer(ExampleList));
    tlsServer.route(ListPath, xmlAnswer(ExampleList));
    tlsServer.route("/moved", HttpResponse::redirect(302, tlsServer.url(ListPath).toUtf8()));

    // The TLS set-up works, and a redirect that stays on HTTPS is followed.
    for (const QByteArray &target : {ListPath, QByteArray("/moved")}) {
        SCOPED_TRACE(target.constData());
        auto outcome = start(tlsServer.url(target));
        ASSERT_TRUE(mltest::waitUntil([&] { return outcome->calls > 0; }));
        EXPECT_TRUE(outcome->success);
        EXPECT_EQ(outcome->version, MLVersionNumber(1, 7));
    }

    // Down to plain HTTP: refused like a failed connection.
    for (int status : {302, 307}) {
        SCOPED_TRACE(status);
        const QByteArray from = "/down" + QByteArray::number(status);
        tlsServer.route(from, HttpResponse::redirect(status, server.url(ListPath).toUtf8()));
        expectNoCompletion(tlsServer.url(from), [&] { return tlsServer.requestsFor(from).size() == 1; });
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(log.records().isEmpty());
}

TEST(FirmwareUpdateCheckerNames, BasenameIsTheFirstTwoParts)
{
    MLFirmwareUpdateChecker checker;
    struct Case
    {
        const char *basename;
        const char *fileName;
        bool matches;
    };
    const Case cases[] = {
        {"4721_A", "4721_A_x_01_05.bin", true},
        {"4721_A", "4721_A__", true},
        {"4721_A", "4721_A_x", false},
        {"4721_A", "4721_A_x.01.05.bin", false},
        {"4721_A", "4721_B_x_01_05.bin", false},
        {"4721_A", "4721_a_x_01_05.bin", false},
        {"4721_A", "04721_A_x_01_05.bin", false},
        {"4721", "4721_A_x_01_05.bin", false},
        {"4721_A_x", "4721_A_x_01_05.bin", false},
        {"", "4721_A_x_01_05.bin", false},
        {"", "__", false},
    };
    for (const Case &c : cases) {
        checker.setBasename(QString::fromUtf8(c.basename));
        EXPECT_EQ(checker.isMicrophoneFirmware(QString::fromUtf8(c.fileName)), c.matches)
            << c.basename << " / " << c.fileName;
    }
}

TEST(FirmwareUpdateCheckerNames, VersionFromTheFourthAndFifthComponent)
{
    struct Case
    {
        const char *fileName;
        MLVersionNumber version;
    };
    const Case cases[] = {
        {"4721_A_x_01_05.bin", {1, 5}},
        {"4721_A_x_2.3.bin", {2, 3}},
        {"4721_A_x_01.bin", {}},
        {"4721_A_x_01_05", {}},
        {"4721_A_x_01_05_", {1, 5}},
        {"4721_A_x_01_05_99.bin", {1, 5}},
        {"a.b.c.7.8.9", {7, 8}},
        {"4721_A_x__05.bin", {0, 5}},
        {"4721_A_x_1x_05.bin", {0, 5}},
        {"4721_A_x_-2_05.bin", {-2, 5}},
        {"", {}},
    };
    for (const Case &c : cases) {
        const MLVersionNumber version =
            MLFirmwareUpdateChecker::getFirmwareVersionFromFileName(QString::fromUtf8(c.fileName));
        EXPECT_EQ(version, c.version) << c.fileName << " gave " << version.description().toStdString();
    }
}

} // namespace
