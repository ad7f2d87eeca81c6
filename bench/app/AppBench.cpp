// Measurements of the application itself, offscreen, with a simulated
// microphone under umockdev:
//   - launch to the first window shown,
//   - resident memory with one microphone shown,
//   - from a microphone's udev "add" event to its information view,
//   - CPU while one microphone is shown and queried every 10 s, and the
//     shortest pause between an answer and the next query,
//   - CPU on the connect view with its spinner, and with the window minimised.
//
// usage: app_bench [cpu-seconds]   (default 60)

#include "BenchHome.h"
#include "../device/BenchSupport.h"
#include "MLAppDelegate.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLUserDefaults.h"
#include "MicSimulator.h"

#include "UmockdevPreload.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <mutex>

#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {


double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Percent of one core the process uses while its event loop runs for the time.
double cpuPercentOver(int seconds)
{
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * (cpuSeconds() - before) / (double(wall.elapsed()) / 1000.0);
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

std::string microphone(const std::string &tty, int minor, const std::string &port)
{
    const std::string base = "/devices/pci0000:00/0000:00:14.0/usb1/1-" + port;
    return "P: " + base + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=1a85\nA: idProduct=4721\n"
           "A: busnum=1\nA: devpath=" + port + "\nA: product=Bench Mic\n\n"
           "P: " + base + "/1-" + port + ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n"
           "P: " + base + "/1-" + port + ":1.0/tty/" + tty + "\nN: " + tty + "\nE: DEVNAME=/dev/" + tty +
           "\nE: SUBSYSTEM=tty\nA: dev=166:" + std::to_string(minor) + "\n\n";
}

} // namespace

int main(int argc, char **argv)
{
    mlReexecUnderUmockdevPreload(argv);
    QElapsedTimer sinceStart;
    sinceStart.start();
    const int cpuSecondsToMeasure = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;

    // A private store: never the user's settings, and no network beyond a
    // local port that refuses.
    QTemporaryDir home;
    mlBenchUsePrivateHome(home);

    UMockdevTestbed *testbed = umockdev_testbed_new();

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    MLUserDefaults::setObject(QStringLiteral("http://127.0.0.1:9/"), QString(MLDefaultsKeys::MarlevoServerURL));

    // 1. Launch to the first window shown (no microphone yet).
    auto delegate = std::make_shared<MLAppDelegate>();
    delegate->applicationDidFinishLaunching();
    while (!delegate->window()->windowHandle() || !delegate->window()->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double launchMs = double(sinceStart.nsecsElapsed()) / 1e6;
    std::printf("launch to first window shown: %.1f ms from main (target <= 300 ms: %s)\n", launchMs,
                launchMs <= 300 ? "met" : "NOT MET");

    // 2. Waiting on the connect view: the spinner turns; minimised, nothing should.
    const int idleSeconds = std::max(2, cpuSecondsToMeasure / 4);
    const double spinning = cpuPercentOver(idleSeconds);
    std::printf("CPU on the connect view with its spinner, %d s: %.3f %% of one core (target <= 0.2 %%: %s)\n",
                idleSeconds, spinning, spinning <= 0.2 ? "met" : "NOT MET");
    delegate->window()->showMinimized();
    const double minimised = cpuPercentOver(idleSeconds);
    std::printf("CPU on the connect view, window minimised, %d s: %.3f %% of one core (target <= 0.02 %%: %s)\n",
                idleSeconds, minimised, minimised <= 0.02 ? "met" : "NOT MET");
    delegate->window()->showNormal();

    // 3. udev "add" to the information view.
    std::vector<double> samples;
    MicSimulator sim;
    for (int i = 0; i < 10; ++i) {
        const std::string tty = "ttyACM" + std::to_string(i);
        bool shown = false;
        mlbench::Clock::time_point shownAt;
        auto connection = QObject::connect(delegate.get(), &MLAppDelegate::viewShown, [&](QWidget *view) {
            if (view == delegate->micInfoView()) {
                shownAt = mlbench::Clock::now();
                shown = true;
            }
        });
        const auto added = mlbench::Clock::now();
        umockdev_testbed_add_from_string(testbed, microphone(tty, i, "2").c_str(), nullptr);
        sim.attach(umockdev_testbed_get_dev_fd(testbed, ("/dev/" + tty).c_str()));
        while (!shown)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QObject::disconnect(connection);
        samples.push_back(mlbench::millisecondsBetween(added, shownAt));
        if (i == 9)
            break; // keep the last one plugged in
        sim.stop();
        const std::string base = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
        for (const std::string &path : {base + "/1-2:1.0/tty/" + tty, base + "/1-2:1.0", base}) {
            umockdev_testbed_uevent(testbed, path.c_str(), "remove");
            umockdev_testbed_remove_device(testbed, path.c_str());
        }
        while (delegate->currentView() != delegate->connectMessageView())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    mlbench::report("udev add to the information view", samples, 100.0);

    // 4. Memory with one microphone shown.
    const long rss = residentKiB();
    std::printf("resident memory with one microphone shown: %.1f MB (target <= 60 MB: %s)\n", double(rss) / 1024.0,
                rss >= 0 && rss <= 60 * 1024 ? "met" : "NOT MET");

    // 5. CPU while shown and queried every 10 s, and the pauses between an answer and the next query.
    std::mutex trafficLock;
    mlbench::Clock::time_point lastAnswer{};
    double shortestPauseMs = 0;
    std::atomic<int> pauses = 0;
    sim.setTrafficObserver([&](MicSimulator::Direction direction, const QByteArray &bytes) {
        const auto now = mlbench::Clock::now();
        const std::lock_guard<std::mutex> lock(trafficLock);
        if (direction == MicSimulator::Direction::Sent && bytes.contains("\r\n")) {
            lastAnswer = now;
        } else if (direction == MicSimulator::Direction::Received && bytes.startsWith("SUMMARY") &&
                   lastAnswer != mlbench::Clock::time_point{}) {
            const double pause = mlbench::millisecondsBetween(lastAnswer, now);
            shortestPauseMs = pauses++ == 0 ? pause : std::min(shortestPauseMs, pause);
        }
    });
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const int queriesBefore = int(sim.receivedCommands().size());
    {
        // The application's own event loop, as it runs for a user.
        QEventLoop loop;
        QTimer::singleShot(cpuSecondsToMeasure * 1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double percent = 100.0 * (cpuSeconds() - cpuBefore) / (double(wall.elapsed()) / 1000.0);
    std::printf("CPU with one microphone shown, %d s, %d queries: %.3f %% of one core (target <= 0.5 %%: %s)\n",
                cpuSecondsToMeasure, int(sim.receivedCommands().size()) - queriesBefore, percent,
                percent <= 0.5 ? "met" : "NOT MET");
    sim.setTrafficObserver({});
    if (pauses > 0)
        std::printf("shortest pause between an answer and the next query, %d pauses: %.1f ms "
                    "(target >= 10000 ms: %s)\n",
                    int(pauses), shortestPauseMs, shortestPauseMs >= 10000.0 ? "met" : "NOT MET");

    sim.stop();
    MLDeviceManager::sharedInstance()->removeListener(delegate.get());
    MLDeviceManager::sharedInstance()->stop();
    delegate.reset();
    g_object_unref(testbed);
    return 0;
}
