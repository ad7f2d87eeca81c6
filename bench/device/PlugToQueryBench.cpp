// From a microphone's udev "add" event to "SUMMARY\r" reaching the simulated
// microphone, when the listener queries the moment the microphone is
// announced. Runs under umockdev (it restarts itself with the preload).
//
// usage: plug_to_query_bench [rounds]

#include "BenchSupport.h"
#include "DeviceManagerEventListener.h"
#include "MLDeviceManager.h"
#include "MicSimulator.h"

#include "UmockdevPreload.h"

#include <QCoreApplication>

#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {


class QueryAtOnce : public DeviceManagerEventListener
{
public:
    explicit QueryAtOnce(MLDeviceManager &manager) : m_manager(manager) {}
    void deviceConnected() override
    {
        m_manager.queryDeviceWithCompletionTarget(
            &m_target, [this](QObject *, const MLDeviceOperationResult &) { ++completions; },
            QStringLiteral("initialquery"));
    }
    void deviceDisconnected() override { ++disconnections; }
    void deviceHadError() override {}
    void deviceBricked() override {}
    void devicePropertiesChanged() override {}

    int completions = 0;
    int disconnections = 0;

private:
    MLDeviceManager &m_manager;
    QObject m_target;
};

} // namespace

int main(int argc, char **argv)
{
    mlReexecUnderUmockdevPreload(argv);
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    UMockdevTestbed *testbed = umockdev_testbed_new();
    MLDeviceManager manager;
    auto listener = std::make_shared<QueryAtOnce>(manager);
    manager.addListener(listener);
    manager.start();

    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        const std::string tty = "ttyACM" + std::to_string(i);
        const std::string base = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
        const std::string description = "P: " + base + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
            "A: idVendor=1a85\nA: idProduct=4721\nA: busnum=1\nA: devpath=2\nA: product=Bench Mic\n\n"
            "P: " + base + "/1-2:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n"
            "P: " + base + "/1-2:1.0/tty/" + tty + "\nN: " + tty + "\nE: DEVNAME=/dev/" + tty +
            "\nE: SUBSYSTEM=tty\nA: dev=166:" + std::to_string(i) + "\n\n";

        std::atomic<bool> seen{false};
        mlbench::Clock::time_point summaryAt;
        MicSimulator sim;
        sim.setTrafficObserver([&](MicSimulator::Direction direction, const QByteArray &bytes) {
            if (direction == MicSimulator::Direction::Received && bytes == "SUMMARY" && !seen) {
                summaryAt = mlbench::Clock::now();
                seen = true;
            }
        });
        const auto added = mlbench::Clock::now();
        if (!umockdev_testbed_add_from_string(testbed, description.c_str(), nullptr)) {
            std::fprintf(stderr, "cannot add the microphone\n");
            return 1;
        }
        sim.attach(umockdev_testbed_get_dev_fd(testbed, ("/dev/" + tty).c_str()));
        const int completionsBefore = listener->completions;
        while (!seen || listener->completions == completionsBefore)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        samples.push_back(mlbench::millisecondsBetween(added, summaryAt));

        sim.stop();
        const int disconnectionsBefore = listener->disconnections;
        for (const std::string &suffix : {base + "/1-2:1.0/tty/" + tty, base + "/1-2:1.0", base}) {
            const std::string syspath = "/sys" + suffix;
            umockdev_testbed_uevent(testbed, syspath.c_str(), "remove");
            umockdev_testbed_remove_device(testbed, syspath.c_str());
        }
        while (listener->disconnections == disconnectionsBefore)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    mlbench::report("udev add to SUMMARY at the microphone", samples, 20.0);
    manager.stop();
    g_object_unref(testbed);
    return 0;
}
