// A microphone whose port cannot be opened: the window and the log say why,
// with the failure made for real under umockdev.

#include "MLAppDelegate.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QDir>
#include <QLabel>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mltest;

namespace {

class PortDoctor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        MLUserDefaults::setObject(QStringLiteral("http://127.0.0.1:9/"), QString(MLDefaultsKeys::MarlevoServerURL));
        MLDeviceManager::sharedInstance()->setTimings(MLDeviceManagerTimings{800, 3600000, 60.0, 3, 50});
        usb = testbed.addUsbSerial(1, QStringLiteral("2"), 0x1a85, 0x4721, QStringLiteral("ttyACM0"));
        ASSERT_FALSE(usb.devnode.isEmpty());
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
        const bool shown = waitUntil([&] { return app->currentView() && app->currentView() == app->criticalErrorView(); });
        EXPECT_TRUE(shown);
        if (!shown)
            return QString();
        processEventsFor(250);
        QDir().mkpath(outputDir() + QStringLiteral("/app"));
        app->window()->grab().save(outputDir() + QStringLiteral("/app/port-doctor-%1.png").arg(picture));
        return app->window()->findChild<QLabel *>(QStringLiteral("criticalErrorCauseLabel"))->text();
    }
    Testbed testbed;
    Testbed::Usb usb;
    std::shared_ptr<MLAppDelegate> app;
};

// Another program holds the port's lock: it is named by its process name and id.
TEST_F(PortDoctor, NamesTheProgramHoldingThePort)
{
    for (const char *holder : {"ModemManager", "minicom"}) {
        const int fd = ::open(QFile::encodeName(usb.devnode).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::prctl(PR_SET_NAME, holder);
            ::pause();
            ::_exit(0);
        }
        ::close(fd); // the child's copy keeps the lock
        LogCapture log;
        const QString cause = causeShown(QString::fromLatin1(holder));
        const QString named = QStringLiteral("%1 (process %2)").arg(QLatin1String(holder)).arg(child);
        EXPECT_TRUE(cause.contains(named)) << cause.toStdString();
        EXPECT_EQ(cause.contains(QStringLiteral("keeps it away")), holder == std::string("ModemManager"));
        EXPECT_GT(log.countContaining(QStringLiteral("(held by %1, pid %2)").arg(QLatin1String(holder)).arg(child)), 0);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        TearDown();
    }
}

// A node this user may not open, with the package's rule absent from this machine.
TEST_F(PortDoctor, PermissionDeniedAsksForThePackage)
{
    ASSERT_EQ(::chmod(QFile::encodeName(usb.devnode).constData(), 0), 0);
    // Root opens anything: without the file-access capabilities this thread is an ordinary user.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    ASSERT_EQ(::syscall(SYS_capget, &header, caps), 0);
    __user_cap_data_struct dropped[2] = {caps[0], caps[1]};
    dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ASSERT_EQ(::syscall(SYS_capset, &header, dropped), 0);
    LogCapture log;
    const QString cause = causeShown(QStringLiteral("permission"));
    ::syscall(SYS_capset, &header, caps);
    EXPECT_TRUE(cause.contains(QStringLiteral("Install the marlevo-mic-settings package"))) << cause.toStdString();
    EXPECT_GT(log.countContaining(QStringLiteral("(permission denied; device rule installed: no;")), 0);
}

} // namespace
