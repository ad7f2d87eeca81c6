// A microphone whose port cannot be opened: the window and the log say why,
// with the failure made for real under umockdev.

#include "MLAppDelegate.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mltest;

class PortDoctor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults(); // no update service: nothing answers on port 9
        MLUserDefaults::setObject(u"http://[::1]:9/"_qs, QString(MLDefaultsKeys::MarlevoServerURL));
        MLDeviceManager::sharedInstance()->setTimings(MLDeviceManagerTimings{800, 3600000, 60.0, 3, 50});
    }
    void TearDown() override
    {
        MLDeviceManager::sharedInstance()->removeListener(app.get());
        app.reset();
        MLDeviceManager::sharedInstance()->stop();
        flushEvents();
    }
    // Launches and waits for the critical-error view; returns its cause line and saves a picture.
    QString causeShown(const QString &picture)
    {
        app = std::make_shared<MLAppDelegate>();
        app->applicationDidFinishLaunching();
        if (!waitUntil([&] { return app->currentView() && app->currentView() == app->criticalErrorView(); }))
            return QStringLiteral("(no critical-error view)");
        processEventsFor(250);
        app->window()->grab().save(outputDir() + QStringLiteral("/port-doctor-%1.png").arg(picture));
        return app->window()->findChild<QLabel *>(QStringLiteral("criticalErrorCauseLabel"))->text();
    }
    Testbed testbed;
    Testbed::Usb usb = testbed.addUsbSerial(1, QString(u'2'), 0x1a85, 0x4721, QStringLiteral("ttyACM0"));
    std::shared_ptr<MLAppDelegate> app;
    LogCapture log;
};

// Another program holds the port's lock: it is named by its process name and id,
// a name longer than the kernel keeps included.
TEST_F(PortDoctor, NamesTheProgramHoldingThePort)
{
    QTemporaryDir programs;
    for (const char *holder : {"ModemManager", "minicom", "marlevo-mic-settings"}) {
        const QByteArray program = QFile::encodeName(programs.filePath(QString::fromLatin1(holder)));
        ASSERT_TRUE(QFile::link(QStringLiteral("/bin/sleep"), QFile::decodeName(program)));
        const int fd = ::open(usb.devnode.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(program.constData(), program.constData(), "600", nullptr);
            ::_exit(127);
        }
        ::close(fd); // the child's copy keeps the lock
        const QString exe = QStringLiteral("/proc/%1/exe").arg(child);
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(exe).symLinkTarget().endsWith(u"/sleep"); }));
        const QString who = QString::fromLatin1(holder), pid = QString::number(child);
        const QString cause = causeShown(who);
        EXPECT_TRUE(cause.contains(who + QStringLiteral(" (process ") + pid + u')')) << cause.toStdString();
        EXPECT_EQ(cause.contains(QStringLiteral("keeps it away")), who == QStringLiteral("ModemManager"));
        EXPECT_GT(log.countContaining(QStringLiteral("(held by %1, pid %2)").arg(who, pid)), 0);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        TearDown();
    }
}

// A node this user may not open, with the package's rule absent from this machine.
TEST_F(PortDoctor, PermissionDeniedAsksForThePackage)
{
    ASSERT_EQ(::chmod(usb.devnode.toLocal8Bit().constData(), 0), 0);
    // Root opens anything: without the file-access capabilities this thread is an ordinary user.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    ASSERT_EQ(::syscall(SYS_capget, &header, caps), 0);
    __user_cap_data_struct dropped[2] = {caps[0], caps[1]}; // restored at the end
    dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ASSERT_EQ(::syscall(SYS_capset, &header, dropped), 0);
    const QString cause = causeShown(QStringLiteral("permission"));
    ::syscall(SYS_capset, &header, caps);
    EXPECT_TRUE(cause.contains(u"Install the marlevo-mic-settings package"_qs)) << qPrintable(cause);
    EXPECT_GT(log.countContaining(QStringLiteral("(permission denied; device rule installed: no;")), 0);
}
