// From a microphone's udev "add" event, and from the manager's start with the
// microphone present, to "SUMMARY\r" reaching the simulated microphone, when
// the listener queries the moment the microphone is announced: first on a
// machine with no other serial ports, then with 32 legacy ttyS ports waiting
// in the pending list. Last, the longest stall of the main loop while nine
// microphones arrive 0.3 s apart. Runs under umockdev (it restarts itself
// with the preload).
//
// usage: plug_to_query_bench [rounds]

#include "BenchSupport.h"
#include "DeviceManagerEventListener.h"
#include "MLDeviceManager.h"
#include "MicSimulator.h"

#include "UmockdevPreload.h"

#include <QCoreApplication>
#include <QTimer>

#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

class QueryAtOnce : public DeviceManagerEventListener
{
public:
    explicit QueryAtOnce(MLDeviceManager &manager) : m_manager(manager) {}
    void deviceConnected() override
    {
        ++connections;
        m_manager.queryDeviceWithCompletionTarget(
            &m_target, [this](QObject *, const MLDeviceOperationResult &) { ++completions; },
            QStringLiteral("initialquery"));
    }
    void deviceDisconnected() override { ++disconnections; }
    void deviceHadError() override {}
    void deviceBricked() override {}
    void devicePropertiesChanged() override {}

    int connections = 0;
    int completions = 0;
    int disconnections = 0;

private:
    MLDeviceManager &m_manager;
    QObject m_target;
};

struct Microphone
{
    std::string base; // the USB device's path below /sys
    std::string tty;
};

Microphone microphone(int bus, int port, int minor)
{
    return {"/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(bus) + "/" + std::to_string(bus) + "-"
                + std::to_string(port),
            "ttyACM" + std::to_string(minor)};
}

bool plug(UMockdevTestbed *testbed, const Microphone &mic)
{
    const std::string interface = mic.base + "/" + mic.base.substr(mic.base.rfind('/') + 1) + ":1.0";
    const std::string minor = mic.tty.substr(6);
    const std::string description = "P: " + mic.base + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
        "A: idVendor=1a85\nA: idProduct=4721\nA: busnum=" + mic.base.substr(mic.base.rfind('/') + 1, 1)
        + "\nA: devpath=" + mic.base.substr(mic.base.rfind('-') + 1) + "\nA: product=Bench Mic\n\n"
        "P: " + interface + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n"
        "P: " + interface + "/tty/" + mic.tty + "\nN: " + mic.tty + "\nE: DEVNAME=/dev/" + mic.tty
        + "\nE: SUBSYSTEM=tty\nA: dev=166:" + minor + "\n\n";
    return umockdev_testbed_add_from_string(testbed, description.c_str(), nullptr);
}

void unplug(UMockdevTestbed *testbed, const Microphone &mic)
{
    const std::string interface = mic.base + "/" + mic.base.substr(mic.base.rfind('/') + 1) + ":1.0";
    for (const std::string &path : {interface + "/tty/" + mic.tty, interface, mic.base}) {
        const std::string syspath = "/sys" + path;
        umockdev_testbed_uevent(testbed, syspath.c_str(), "remove");
        umockdev_testbed_remove_device(testbed, syspath.c_str());
    }
}

// A PC's legacy serial ports, which are no microphones.
bool addLegacyPorts(UMockdevTestbed *testbed, int count)
{
    std::string description = "P: /devices/platform/serial8250\nE: SUBSYSTEM=platform\nE: DRIVER=serial8250\n\n";
    for (int n = 0; n < count; ++n) {
        const std::string tty = "ttyS" + std::to_string(n);
        description += "P: /devices/platform/serial8250/tty/" + tty + "\nN: " + tty + "\nE: DEVNAME=/dev/" + tty
            + "\nE: SUBSYSTEM=tty\nA: dev=4:" + std::to_string(64 + n) + "\n\n";
    }
    return umockdev_testbed_add_from_string(testbed, description.c_str(), nullptr);
}

void waitFor(const std::function<bool()> &condition)
{
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A simulator on the microphone's device end that notes when SUMMARY arrives.
struct SummaryWatch
{
    SummaryWatch(UMockdevTestbed *testbed, const Microphone &mic)
    {
        sim.setTrafficObserver([this](MicSimulator::Direction direction, const QByteArray &bytes) {
            if (direction == MicSimulator::Direction::Received && bytes == "SUMMARY" && !seen) {
                at = mlbench::Clock::now();
                seen = true;
            }
        });
        sim.attach(umockdev_testbed_get_dev_fd(testbed, ("/dev/" + mic.tty).c_str()));
    }
    MicSimulator sim;
    std::atomic<bool> seen{false};
    mlbench::Clock::time_point at;
};

std::vector<double> plugToQuery(UMockdevTestbed *testbed, int rounds, int &nextMinor)
{
    MLDeviceManager manager;
    auto listener = std::make_shared<QueryAtOnce>(manager);
    manager.addListener(listener);
    manager.start();
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        const Microphone mic = microphone(1, 2, nextMinor++);
        const int completionsBefore = listener->completions;
        const auto added = mlbench::Clock::now();
        if (!plug(testbed, mic))
            std::abort();
        SummaryWatch watch(testbed, mic);
        waitFor([&] { return watch.seen && listener->completions > completionsBefore; });
        samples.push_back(mlbench::millisecondsBetween(added, watch.at));
        watch.sim.stop();
        const int disconnectionsBefore = listener->disconnections;
        unplug(testbed, mic);
        waitFor([&] { return listener->disconnections > disconnectionsBefore; });
    }
    manager.stop();
    return samples;
}

std::vector<double> launchToQuery(UMockdevTestbed *testbed, int rounds, int &nextMinor)
{
    const Microphone mic = microphone(1, 2, nextMinor++);
    if (!plug(testbed, mic))
        std::abort();
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        SummaryWatch watch(testbed, mic);
        MLDeviceManager manager;
        auto listener = std::make_shared<QueryAtOnce>(manager);
        manager.addListener(listener);
        const auto launched = mlbench::Clock::now();
        manager.start();
        waitFor([&] { return watch.seen && listener->completions > 0; });
        samples.push_back(mlbench::millisecondsBetween(launched, watch.at));
        manager.stop();
        watch.sim.stop();
    }
    unplug(testbed, mic);
    return samples;
}

double cartStall(UMockdevTestbed *testbed, int &nextMinor)
{
    MLDeviceManager manager;
    auto listener = std::make_shared<QueryAtOnce>(manager);
    manager.addListener(listener);
    manager.start();
    std::vector<Microphone> mics;
    for (int i = 0; i < 9; ++i)
        mics.push_back(microphone(2, i + 1, nextMinor++));
    SummaryWatch first(testbed, mics[0]);
    // Time spent adding devices to the testbed is the bench's, not the application's.
    double harness = 0;
    for (int i = 0; i < 9; ++i)
        QTimer::singleShot(300 * i, [&, i] {
            const auto from = mlbench::Clock::now();
            if (!plug(testbed, mics[size_t(i)]))
                std::abort();
            harness += mlbench::millisecondsBetween(from, mlbench::Clock::now());
        });
    double longest = 0;
    auto last = mlbench::Clock::now();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const auto now = mlbench::Clock::now();
        longest = std::max(longest, mlbench::millisecondsBetween(last, now) - harness);
        harness = 0;
        last = now;
    });
    ticker.start(2);
    waitFor([&] { return listener->connections == 9; });
    ticker.stop();
    manager.stop();
    first.sim.stop();
    for (const Microphone &mic : mics)
        unplug(testbed, mic);
    return longest;
}

} // namespace

int main(int argc, char **argv)
{
    mlReexecUnderUmockdevPreload(argv);
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    UMockdevTestbed *testbed = umockdev_testbed_new();
    int nextMinor = 0;
    const auto launchNone = launchToQuery(testbed, rounds, nextMinor);
    const auto plugNone = plugToQuery(testbed, rounds, nextMinor);
    mlbench::report("udev add to SUMMARY at the microphone", plugNone, 20.0);
    mlbench::report("start to SUMMARY at the microphone", launchNone, 20.0);
    const double stall = cartStall(testbed, nextMinor);
    std::printf("longest main-loop stall while nine microphones arrive 0.3 s apart: %.1f ms (target <= 100 ms: %s)\n",
                stall, stall <= 100.0 ? "met" : "NOT MET");

    if (!addLegacyPorts(testbed, 32)) {
        std::fprintf(stderr, "cannot add the legacy serial ports\n");
        return 1;
    }
    const auto median = [](std::vector<double> samples) {
        std::sort(samples.begin(), samples.end());
        return samples[samples.size() / 2];
    };
    const auto launchMany = launchToQuery(testbed, rounds, nextMinor);
    const auto plugMany = plugToQuery(testbed, rounds, nextMinor);
    mlbench::report("udev add to SUMMARY, 32 ttyS ports waiting", plugMany, median(plugNone) + 5.0);
    mlbench::report("start to SUMMARY, 32 ttyS ports present", launchMany, median(launchNone) + 5.0);
    g_object_unref(testbed);
    return 0;
}
