// Version numbers, and the update list client against an HTTP server of the
// test's own on 127.0.0.1.

#include "MLFirmwareUpdateChecker.h"
#include "MLVersionNumber.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

// After the header on purpose: its macros must not break major() and minor().
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

namespace {

using fwtest::HttpResponse;

const QByteArray ListPath = "/updates/firmware/lst/4721_A";
const QString Basename = QStringLiteral("4721_A");

MLVersionNumber version(const char *text)
{
    return MLVersionNumber::initWithString(QString::fromUtf8(text));
}

QByteArray entry(const QByteArray &fileName, const QByteArray &fileSize)
{
    return "<file><filename>" + fileName + "</filename><filesize>" + fileSize + "</filesize></file>";
}

QByteArray list(const QByteArray &entries)
{
    return "<updates><files>" + entries + "</files></updates>";
}

// As the service writes it: declared, indented, two entries.
const QByteArray ExampleList = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<updates>\n  <files>\n    " +
                               entry("4721_A_x_01_05.bin", "81920") + "\n    " +
                               entry("4721_A_x_01_07.bin", "90112") + "\n  </files>\n</updates>\n";

struct Outcome
{
    int calls = 0;
    bool success = false;
    MLVersionNumber version;
    QString fileName;
    qint64 fileSize = -1;
};

class FirmwareUpdateChecker : public ::testing::Test
{
protected:
    std::shared_ptr<Outcome> start(const QString &url)
    {
        auto outcome = std::make_shared<Outcome>();
        EXPECT_TRUE(checker.checkForAvailableUpdateAtUrl(
            url, Basename,
            [outcome](bool success, const MLVersionNumber &version, const QString &name, qint64 size) {
                *outcome = {outcome->calls + 1, success, version, name, size};
            }));
        return outcome;
    }

    // Serves the response at the target and runs one check to its end.
    Outcome check(const HttpResponse &response, const QByteArray &target = ListPath)
    {
        server.route(target, response);
        auto outcome = start(server.url(target));
        EXPECT_TRUE(mltest::waitUntil([&] { return outcome->calls > 0; })) << "no completion";
        mltest::flushEvents();
        EXPECT_EQ(outcome->calls, 1);
        return *outcome;
    }

    mltest::LogCapture log;
    fwtest::TestHttpServer server;
    MLFirmwareUpdateChecker checker;
};

TEST_F(FirmwareUpdateChecker, ReadsTheHighestEntryOfTheList)
{
    struct Case
    {
        QByteArray body;
        const char *version; // "" for none
        const char *fileName;
        qint64 fileSize;
        int status = 200;
        bool success = true;
        qsizetype logged = 0; // lines for support staff, on success
    };
    const QByteArray five = entry("4721_A_x_01_05.bin", "5");
    const Case cases[] = {
        {ExampleList, "1.7", "4721_A_x_01_07.bin", 90112},
        {list(entry("4721_A_x_01_09.bin", "9") + entry("4721_B_x_09_00.bin", "1")), "1.9",
         "4721_A_x_01_09.bin", 9},
        {list(entry("4721_A_x_01_06.bin", "4294967296")), "1.6", "4721_A_x_01_06.bin", 4294967296LL},
        {list("<x/><file><filesize>7</filesize><filename>4721_A_x_01_05.bin</filename></file>"), "1.5",
         "4721_A_x_01_05.bin", 7},
        // Only the root's first child holds entries.
        {"<updates><!-- c --><files>" + five + "</files></updates>", "", "", 0},
        // A list the parser flags as broken gives no version at all.
        {list(five) + "<files>" + entry("4721_A_x_02_00.bin", "2") + "</files>", "", "", 0, 200, false},
        {list(five + QByteArray(1, '\0') + entry("4721_A_x_01_07.bin", "7")), "", "", 0, 200, false},
        {list(five), "1.5", "4721_A_x_01_05.bin", 5, 500}, // an error status with a list is read
        {"<Updates><files>" + five + "</files></Updates>", "", "", 0, 200, false},
        // An entry without a file name ends the list; a newly highest entry
        // without a size is taken, with the size before.
        {list(five + "<file/>" + entry("4721_A_x_02_00.bin", "30")), "1.5", "4721_A_x_01_05.bin", 5, 200,
         true, 1},
        {list(five + "<file><filename>4721_A_x_01_07.bin</filename></file>" +
              entry("4721_A_x_02_00.bin", "30")),
         "1.7", "4721_A_x_01_07.bin", 5, 200, true, 1},
        // Replies that are no list.
        {"", "", "", 0, 200, false},
        {list(entry("4721_A_x_01_05.bin\xff", "5")), "", "", 0, 200, false},
        {list(five) + "\xc3", "", "", 0, 200, false}, // a cut UTF-8 sequence
        {"Service temporarily unavailable, try again later.\n", "", "", 0, 200, false},
        {"<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head><body></body></html>\n", "", "", 0,
         404, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const Outcome outcome = check(HttpResponse::answer(c.status, c.body));
        EXPECT_EQ(outcome.success, c.success);
        EXPECT_EQ(outcome.version, version(c.version));
        EXPECT_EQ(outcome.fileName, QString::fromLatin1(c.fileName));
        EXPECT_EQ(outcome.fileSize, c.fileSize);
        if (c.success) {
            EXPECT_EQ(log.records().size(), c.logged) << log.records().join(u'\n').toStdString();
        }
        log.clear();
    }
}

TEST_F(FirmwareUpdateChecker, OneEmptyPostFailuresNeverCompleteALaterCheckTakesOver)
{
    // One empty POST; redirects are followed.
    HttpResponse moved = HttpResponse::answer(302, "moved");
    moved.headers = "Location: " + ListPath + "\r\n";
    server.route(ListPath, HttpResponse::answer(200, ExampleList));
    EXPECT_EQ(check(moved, "/moved?lang=en&v=1%202").version, MLVersionNumber(1, 7));
    const QByteArray head = server.requestsFor("/moved?lang=en&v=1%202").value(0).toLower();
    EXPECT_TRUE(head.startsWith("post ") && head.contains("\r\ncontent-length: 0\r\n")) << head.toStdString();

    // Results of an earlier check are reset by the next one, even a refused one.
    for (const char *url : {"http://[::1", "updates/firmware/lst/4721_A", ""})
        EXPECT_FALSE(checker.checkForAvailableUpdateAtUrl(QString::fromLatin1(url), Basename, {}));
    EXPECT_EQ(checker.highestVersion(), MLVersionNumber());

    // Nothing answers on the discard port: the connection is refused.
    const auto refused = start(QStringLiteral("http://127.0.0.1:9/list"));
    mltest::processEventsFor(300);
    EXPECT_EQ(refused->calls, 0);

    // A check started while another still loads takes over: the earlier reply is never read.
    server.route("/first", HttpResponse::answer(200, list(entry("4721_A_x_09_00.bin", "9"))));
    start(server.url("/first"));
    EXPECT_EQ(check(HttpResponse::answer(200, ExampleList), "/second").version.minor(), 7);

    // A list larger than the cap is abandoned, however good it is; like any
    // failed transfer it never completes.
    checker.setMaxBodyBytes(ExampleList.size() - 1);
    server.route(ListPath, HttpResponse::answer(200, ExampleList));
    const auto outcome = start(server.url(ListPath));
    EXPECT_TRUE(
        mltest::waitUntil([&] { return log.countContaining(QStringLiteral("check abandoned")) == 1; }));
    mltest::flushEvents();
    EXPECT_EQ(outcome->calls, 0);
}

TEST(FirmwareFileNames, BasenameIsTheFirstTwoPartsAndTheVersionTheNextTwoButOne)
{
    MLFirmwareUpdateChecker checker;
    checker.setBasename(QStringLiteral("4721_A"));
    const std::tuple<const char *, bool, const char *> cases[] = {
        {"4721_A_x_01_05.bin", true, "1.5"},    {"4721_A_x", false, ""},
        {"4721_a_x_01_05.bin", false, "1.5"},   {"4721_A_x_2.3.bin", true, "2.3"},
        {"4721_A_x_01_05_99.bin", true, "1.5"},
    };
    for (const auto &[fileName, matches, expected] : cases) {
        EXPECT_EQ(checker.isMicrophoneFirmware(QString::fromUtf8(fileName)), matches) << fileName;
        EXPECT_EQ(MLFirmwareUpdateChecker::getFirmwareVersionFromFileName(QString::fromUtf8(fileName)),
                  version(expected))
            << fileName;
    }
}

TEST(VersionNumber, ParsesFourFieldsPadsItsDescriptionAndComparesFieldByField)
{
    const std::pair<const char *, const char *> descriptions[] = {
        {"1.05", "01.05.00.00"},
        {"1.2.3.4.5", "01.02.03.04"},
        {"1..x.", "01.00.00.00"},
        {"123.-1.7.-12", "123.-1.07.-12"}, // wider fields are not cut
    };
    for (const auto &[text, description] : descriptions)
        EXPECT_EQ(version(text).description(), QString::fromUtf8(description)) << text;
    const std::pair<const char *, const char *> higher[] = {
        {"1.10", "1.9.9.9"},           {"1.0.0.1", "1"}, {"1.0.1", "1.0.0.9"}, {"0", "-1.5"},
        {"2147483647", "-2147483648"},
    };
    for (const auto &[a, b] : higher) {
        EXPECT_TRUE(version(a).higherThan(version(b))) << a << " vs " << b;
        EXPECT_FALSE(version(b).higherThan(version(a))) << b << " vs " << a;
    }
    EXPECT_FALSE(version("1.9").higherThan(version("1.9.0.0")));
}

} // namespace
