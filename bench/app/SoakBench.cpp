// A day at the desk, compressed: with one simulated microphone under
// umockdev, many summary round trips (query interval 1 ms), unplug and plug
// cycles and opens and closes of the settings sheet; resident memory and open
// descriptors before and after. A short warm-up first, so that what is made
// once (views, layouts, translations) does not count as growth.
//
// usage: soak_bench [round-trips] [plug-cycles] [sheet-openings]   (default 100000 1000 1000)

#include "BenchHome.h"
#include "MicSimulator.h"
#include "MLAppDelegate.h"
#include "MLConfigurationSheetController.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"

#include "UmockdevPreload.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>

namespace {

struct Usage
{
    long residentKiB = -1;
    qsizetype descriptors = -1;
};

Usage usage()
{
    // Memory freed but kept by the allocator is not growth.
    malloc_trim(0);
    Usage now;
    // The testbed keeps the master side of every microphone it made: those are
    // the harness's, not the application's.
    const QDir fds(QStringLiteral("/proc/self/fd"));
    now.descriptors = 0;
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) != QLatin1StringView("/dev/ptmx"))
            ++now.descriptors;
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                now.residentKiB = line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return now;
}

std::string microphone(const std::string &tty, int minor)
{
    const std::string base = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
    return "P: " + base +
           "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=1a85\nA: idProduct=4721\n"
           "A: busnum=1\nA: devpath=2\nA: product=Soak Mic\n\n"
           "P: " +
           base +
           "/1-2:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n"
           "P: " +
           base + "/1-2:1.0/tty/" + tty + "\nN: " + tty + "\nE: DEVNAME=/dev/" + tty +
           "\nE: SUBSYSTEM=tty\nA: dev=166:" + std::to_string(minor) + "\n\n";
}

template<typename Condition> bool runUntil(Condition done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(timeoutMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    mlReexecUnderUmockdevPreload(argv);
    const int roundTrips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int plugCycles = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    const int sheetOpenings = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1000;

    QTemporaryDir home;
    mlBenchUsePrivateHome(home);
    UMockdevTestbed *testbed = umockdev_testbed_new();
    QApplication app(argc, argv);
    MLUserDefaults::setObject(QStringLiteral("http://127.0.0.1:9/"),
                              QString(MLDefaultsKeys::MarlevoServerURL));

    auto delegate = std::make_shared<MLAppDelegate>();
    delegate->setPeriodicQueryIntervalMs(1);
    delegate->applicationDidFinishLaunching();

    MicSimulator sim;
    std::atomic<int> summaries = 0;
    sim.setTrafficObserver([&](MicSimulator::Direction direction, const QByteArray &bytes) {
        if (direction == MicSimulator::Direction::Received && bytes.startsWith("SUMMARY"))
            ++summaries;
    });
    const std::string sysBase = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
    // The testbed never takes a device name back: each plug-in is a new tty.
    int minor = 0;
    std::string tty = "ttyACM0";
    const auto plug = [&] {
        umockdev_testbed_add_from_string(testbed, microphone(tty, minor).c_str(), nullptr);
        sim.attach(umockdev_testbed_get_dev_fd(testbed, ("/dev/" + tty).c_str()));
        return runUntil(
            [&] { return delegate->currentView() == delegate->micInfoView() && !delegate->busy(); });
    };
    const auto unplug = [&] {
        sim.stop();
        for (const std::string &path : {sysBase + "/1-2:1.0/tty/" + tty, sysBase + "/1-2:1.0", sysBase}) {
            umockdev_testbed_uevent(testbed, path.c_str(), "remove");
            umockdev_testbed_remove_device(testbed, path.c_str());
        }
        return runUntil([&] { return delegate->currentView() == delegate->connectMessageView(); });
    };
    const auto queries = [&](int count) {
        const int until = summaries + count;
        return runUntil(
            [&] {
                sim.clearReceivedCommands(); // the simulator's own record is not ours to measure
                return summaries >= until;
            },
            600000);
    };
    const auto sheets = [&](int count) {
        for (int i = 0; i < count; ++i) {
            delegate->showConfigurationSheet();
            QCoreApplication::processEvents();
            if (MLConfigurationSheetController *sheet = delegate->configurationSheetController())
                sheet->cancel();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return true;
    };
    const auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i) {
            if (!unplug())
                return false;
            tty = "ttyACM" + std::to_string(++minor);
            if (!plug())
                return false;
        }
        return true;
    };

    if (!plug() || !queries(100) || !cycles(5) || !sheets(5) || !queries(100)) {
        std::printf("soak: the microphone did not come up\n");
        return 1;
    }
    const Usage before = usage();
    QElapsedTimer clock;
    clock.start();
    bool ok = queries(roundTrips);
    const double queryS = double(clock.restart()) / 1000.0;
    ok = ok && cycles(plugCycles);
    const double plugS = double(clock.restart()) / 1000.0;
    ok = ok && sheets(sheetOpenings);
    const double sheetS = double(clock.restart()) / 1000.0;
    ok = ok && queries(100);
    const Usage after = usage();
    if (!ok)
        std::printf("soak: a phase did not finish\n");
    std::printf("soak: %d summary round trips in %.1f s, %d unplug/plug cycles in %.1f s, "
                "%d settings sheet openings in %.1f s\n",
                roundTrips, queryS, plugCycles, plugS, sheetOpenings, sheetS);
    const double growthMB = double(after.residentKiB - before.residentKiB) / 1024.0;
    std::printf("soak resident memory: %.1f MB before, %.1f MB after, growth %.2f MB (target < 2 MB: %s)\n",
                double(before.residentKiB) / 1024.0, double(after.residentKiB) / 1024.0, growthMB,
                growthMB < 2.0 ? "met" : "NOT MET");
    std::printf("soak open descriptors (the testbed's pty masters left out): %lld before, %lld after "
                "(target no growth: %s)\n",
                qlonglong(before.descriptors), qlonglong(after.descriptors),
                after.descriptors <= before.descriptors ? "met" : "NOT MET");

    sim.stop();
    MLDeviceManager::sharedInstance()->removeListener(delegate.get());
    MLDeviceManager::sharedInstance()->stop();
    delegate.reset();
    g_object_unref(testbed);
    return ok ? 0 : 1;
}
