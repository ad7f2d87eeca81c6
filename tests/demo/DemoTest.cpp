#include "DemoHome.h"
#include "DemoTestbed.h"
#include "DemoUpdateService.h"
#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLFirmwareUpdateChecker.h"
#include "MLUserDefaults.h"
#include "PtyPeer.h"
#include "TestSupport.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>

namespace {

using mltest::waitUntil;

QString configHome()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME");
}

class UpdateService : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mltest::clearUserDefaults();
        ASSERT_TRUE(service.start());
        service.setRequestObserver([this](const QByteArray &method, const QByteArray &target, int status) {
            seen.append(method + ' ' + target + ' ' + QByteArray::number(status));
        });
    }
    void TearDown() override { mltest::clearUserDefaults(); }

    DemoUpdateService service;
    QList<QByteArray> seen;
};

// The whole road the application takes: the base URL from its store, the list
// address it builds from that, its list client, and the comparison that puts
// up the notice for the simulated microphone's 1.05.
TEST_F(UpdateService, TheApplicationFindsTheNewerFirmwareThroughItsStore)
{
    ASSERT_TRUE(writeDemoStore(configHome(), service.baseUrl(), false));
    const QVariant stored = MLUserDefaults::objectForKey(QStringLiteral("MarlevoServerURL"));
    const QString url = MLAppDelegate::firmwareListURL(stored);
    ASSERT_FALSE(url.isEmpty()) << "the stored base URL must read back as text";

    MLFirmwareUpdateChecker checker;
    int calls = 0;
    ASSERT_TRUE(checker.checkForAvailableUpdateAtUrl(
        url, QStringLiteral("4721_A"), [&](bool success, const MLVersionNumber &version, const QString &fileName,
                                           qint64 fileSize) {
            ++calls;
            EXPECT_TRUE(success);
            EXPECT_EQ(version, MLVersionNumber(1, 7));
            EXPECT_EQ(fileName, QString::fromLatin1(DemoUpdateService::OfferedFileName));
            EXPECT_EQ(fileSize, DemoUpdateService::OfferedFileSize);
            EXPECT_EQ(MLAppDelegate::versionText(version), QString::fromLatin1(DemoUpdateService::OfferedVersionText));
            EXPECT_TRUE(version.higherThan(MLVersionNumber::initWithString(QStringLiteral("1.05"))));
        }));
    ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, QList<QByteArray>{"POST /updates/firmware/lst/4721_A 200"});
}

TEST_F(UpdateService, StoreCarriesTheDiagnosticsSwitchesOnlyWhenAsked)
{
    ASSERT_TRUE(writeDemoStore(configHome(), service.baseUrl(), false));
    EXPECT_FALSE(MLUserDefaults::hasStoredValue(QStringLiteral("DiagnosticsEnabled")));
    EXPECT_FALSE(MLUserDefaults::hasStoredValue(QStringLiteral("DeviceDetailedDiagnosticsEnabled")));

    ASSERT_TRUE(writeDemoStore(configHome(), service.baseUrl(), true));
    EXPECT_TRUE(MLUserDefaults::boolForKey(QStringLiteral("DiagnosticsEnabled")));
    EXPECT_TRUE(MLUserDefaults::boolForKey(QStringLiteral("DeviceDetailedDiagnosticsEnabled")));
    EXPECT_EQ(MLUserDefaults::stringForKey(QStringLiteral("MarlevoServerURL")), service.baseUrl());
}

TEST_F(UpdateService, AnswersTheListAddressOnlyOverHttp)
{
    const std::tuple<QByteArray, QByteArray, int, bool> rows[] = { // method, target, status, the list
        {"POST", "/updates/firmware/lst/4721_A", 200, true},
        {"GET", "/updates/firmware/lst/4721_A", 200, true},
        {"GET", "/updates/firmware/lst/4721_A?x=1", 200, true},
        {"POST", "/updates/firmware/lst/4721_B", 404, false},
        {"POST", "/updates/firmware/lst/4721_A/", 404, false},
        {"GET", "/", 404, false},
        {"PUT", "/updates/firmware/lst/4721_A", 405, false},
    };
    QNetworkAccessManager network;
    for (const auto &[method, target, status, isList] : rows) {
        SCOPED_TRACE(method.toStdString() + ' ' + target.toStdString());
        QNetworkRequest request(QUrl(service.baseUrl() + QString::fromLatin1(target.mid(1))));
        std::unique_ptr<QNetworkReply> reply(network.sendCustomRequest(request, method, QByteArray()));
        ASSERT_TRUE(waitUntil([&] { return reply->isFinished(); }));
        EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        const QByteArray body = reply->readAll();
        EXPECT_EQ(body == DemoUpdateService::firmwareList(), isList);
        EXPECT_FALSE(body.isEmpty()) << "error statuses come with a page, as a web server's do";
    }
}

// A client may send its request in any number of pieces.
TEST_F(UpdateService, WaitsForTheWholeRequest)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), service.port());
    ASSERT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }));
    const QByteArray pieces[] = {
        "POST /updates/firmware/lst/4721_A HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le", "ngth: 5\r\n\r\n",
        "ab", "cde"};
    for (const QByteArray &piece : pieces) {
        ASSERT_TRUE(seen.isEmpty()) << "answered before the request was complete";
        socket.write(piece);
        socket.flush();
        mltest::processEventsFor(50);
    }
    ASSERT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }));
    const QByteArray answer = socket.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(answer.endsWith(DemoUpdateService::firmwareList()));
    EXPECT_EQ(seen.size(), 1);
}

TEST_F(UpdateService, RefusesAHeadThatNeverEnds)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), service.port());
    ASSERT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }));
    socket.write("GET / HTTP/1.1\r\nX: " + QByteArray(40 * 1024, 'a'));
    ASSERT_TRUE(waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(socket.readAll().startsWith("HTTP/1.1 400 "));
}

// The reply line to a command on a plugged-in microphone.
QByteArray ask(PtyPeer &port, const QByteArray &command)
{
    return port.write(command + '\r') ? port.readUntil("\r\n", 2000) : QByteArray();
}

QString sysfsAttribute(const QString &syspath, const char *name)
{
    QFile file(syspath + u'/' + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

// umockdev records every pseudo-terminal it hands out; plugging in again after
// the line was dropped must neither reuse a name nor trip over a number.
TEST(DemoTestbedPlugging, PlugsInAndOutRepeatedly)
{
    DemoTestbed testbed;
    ASSERT_FALSE(testbed.root().isEmpty());
    MicSimulator sim;
    sim.setName(QStringLiteral("Room 12"));

    QStringList devnodes;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        QString error;
        const DemoTestbed::Plugged plugged = testbed.plug(QStringLiteral("2"), 0x4721, &sim, &error);
        ASSERT_TRUE(plugged.isValid()) << error.toStdString();
        EXPECT_FALSE(devnodes.contains(plugged.devnode));
        devnodes.append(plugged.devnode);
        EXPECT_EQ(sysfsAttribute(plugged.usbSyspath, "idVendor"), QStringLiteral("1a85"));
        EXPECT_EQ(sysfsAttribute(plugged.usbSyspath, "idProduct"), QStringLiteral("4721"));

        PtyPeer port(plugged.devnode);
        ASSERT_TRUE(port.isOpen());
        EXPECT_TRUE(ask(port, "SUMMARY").startsWith("Summary=\"Room 12\","));

        testbed.unplug(plugged, &sim);
        EXPECT_TRUE(port.waitForHangUp(2000)) << "an open port sees the line drop";
        EXPECT_FALSE(sim.isServing());
        EXPECT_FALSE(QFile::exists(testbed.root() + plugged.devnode))
            << "the device node goes with the microphone";
    }
}

TEST(DemoTestbedPlugging, TwoMicrophonesAnswerEachForItself)
{
    DemoTestbed testbed;
    MicSimulator teacher;
    teacher.setName(QStringLiteral("Room 12"));
    MicSimulator student;
    student.setName(QStringLiteral("Group 3"));
    const auto first = testbed.plug(QStringLiteral("2"), 0x4721, &teacher);
    const auto second = testbed.plug(QStringLiteral("3"), 0x4728, &student);
    ASSERT_TRUE(first.isValid());
    ASSERT_TRUE(second.isValid());
    EXPECT_EQ(sysfsAttribute(second.usbSyspath, "idProduct"), QStringLiteral("4728"));
    EXPECT_EQ(sysfsAttribute(second.usbSyspath, "devpath"), QStringLiteral("3"));

    PtyPeer secondPort(second.devnode);
    EXPECT_TRUE(ask(secondPort, "SUMMARY").startsWith("Summary=\"Group 3\","));
    testbed.unplug(first, &teacher);
    EXPECT_TRUE(ask(secondPort, "SUMMARY").startsWith("Summary=\"Group 3\",")) << "the other one stays";
    testbed.unplug(second, &student);
}

} // namespace
