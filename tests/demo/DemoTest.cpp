#include "DemoTestbed.h"
#include "DemoUpdateService.h"
#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLFirmwareUpdateChecker.h"
#include "PtyPeer.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using mltest::waitUntil;

// The program as a person starts it: the application comes up against the
// simulated microphone, logs its traffic and asks the demo's update service
// for the list at the address in the store the demo wrote; that list offers a
// newer firmware. A signal ends both cleanly.
TEST(Demo, StartsTheApplicationWhichIsOfferedNewerFirmware)
{
    QProcess demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LD_PRELOAD")); // the demo makes a testbed of its own
    environment.remove(QStringLiteral("UMOCKDEV_DIR"));
    demo.setProcessEnvironment(environment);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QStringLiteral(DEMO_PATH), {});
    QByteArray out;
    EXPECT_TRUE(waitUntil(
        [&] {
            out += demo.readAll();
            return out.contains("update service: POST /updates/firmware/lst/4721_A -> 200") &&
                   out.contains("Sent Command: SUMMARY");
        },
        30000))
        << out.toStdString();

    const QByteArray base = out.mid(out.indexOf("http://")).split(' ').first();
    MLFirmwareUpdateChecker checker;
    int calls = 0;
    ASSERT_TRUE(checker.checkForAvailableUpdateAtUrl(
        MLAppDelegate::firmwareListURL(QString::fromLatin1(base)), QStringLiteral("4721_A"),
        [&](bool success, const MLVersionNumber &version, const QString &fileName, qint64) {
            ++calls;
            EXPECT_TRUE(success);
            EXPECT_EQ(MLAppDelegate::versionText(version),
                      QString::fromLatin1(DemoUpdateService::OfferedVersionText));
            EXPECT_EQ(fileName, QString::fromLatin1(DemoUpdateService::OfferedFileName));
        }));
    EXPECT_TRUE(waitUntil([&] { return calls == 1; }));

    demo.terminate();
    ASSERT_TRUE(demo.waitForFinished(15000));
    EXPECT_EQ(demo.exitCode(), 0) << demo.readAll().toStdString();

    // Nowhere else: an application asking at a wrong address must not get the list.
    const std::tuple<QByteArray, QByteArray, int> rows[] = {
        {"GET", "/updates/firmware/lst/4721_A?x=1", 200},
        {"POST", "/updates/firmware/lst4721_A", 404},
        {"PUT", "/updates/firmware/lst/4721_A", 405},
    };
    for (const auto &[method, target, status] : rows)
        EXPECT_EQ(DemoUpdateService::respond(method, target).status, status) << target.toStdString();
}

QString sysfsAttribute(const QString &syspath, const char *name)
{
    QFile file(syspath + u'/' + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
}

// umockdev hands out each device node name once per testbed: plugging in
// again must take a new one, and two microphones answer each for itself.
TEST(Demo, TestbedPlugsMicrophonesInAndOutRepeatedly)
{
    DemoTestbed testbed;
    MicSimulator teacher, student;
    teacher.setName(QStringLiteral("Room 12"));
    student.setName(QStringLiteral("Group 3"));
    QStringList devnodes;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const DemoTestbed::Plugged first = testbed.plug(QStringLiteral("2"), 0x4721, &teacher);
        const DemoTestbed::Plugged second = testbed.plug(QStringLiteral("3"), 0x4728, &student);
        ASSERT_TRUE(first.isValid() && second.isValid());
        EXPECT_FALSE(devnodes.contains(first.devnode) || devnodes.contains(second.devnode));
        devnodes << first.devnode << second.devnode;
        EXPECT_EQ(sysfsAttribute(second.usbSyspath, "idProduct"), QStringLiteral("4728"));

        PtyPeer firstPort(first.devnode), secondPort(second.devnode);
        ASSERT_TRUE(firstPort.write("SUMMARY\r") && secondPort.write("SUMMARY\r"));
        EXPECT_TRUE(firstPort.readUntil("\r\n").startsWith("Summary=\"Room 12\","));
        EXPECT_TRUE(secondPort.readUntil("\r\n").startsWith("Summary=\"Group 3\","));
        testbed.unplug(first, &teacher);
        EXPECT_TRUE(firstPort.waitForHangUp()) << "an open port sees the line drop";
        EXPECT_FALSE(QFile::exists(testbed.root() + first.devnode))
            << "the device node goes with the microphone";
        ASSERT_TRUE(secondPort.write("SUMMARY\r"));
        EXPECT_TRUE(secondPort.readUntil("\r\n").startsWith("Summary=\"Group 3\",")) << "the other one stays";
        testbed.unplug(second, &student);
    }
}

} // namespace
