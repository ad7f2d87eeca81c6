// From queryDeviceWithCompletionTarget() to its completion, with the
// simulated microphone answering at once on a pseudo-terminal: thread
// wake-up, hand-off to the main thread and reply processing.
//
// usage: query_roundtrip_bench [rounds]

#include "BenchSupport.h"
#include "MLDeviceManager.h"
#include "MicSimulator.h"

#include <QCoreApplication>

#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    MicSimulator sim;
    QString path;
    QString error;
    if (!sim.openPty(&path, &error)) {
        std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(error));
        return 1;
    }
    MLSerialDeviceEntry entry;
    entry.calloutPath = entry.dialinPath = path;
    MLSerialPort::setDeviceRegistry(std::make_shared<MLFixedSerialDeviceRegistry>(std::vector{entry}));
    MLDeviceManager manager;
    MLSerialDeviceInfo info;
    info.callOutDevice = info.dialInDevice = path;
    manager.setConnectedDevices({{1u, info}});

    QObject target;
    std::vector<double> samples;
    samples.reserve(size_t(rounds));
    for (int i = -20; i < rounds; ++i) { // the first rounds warm up
        bool done = false;
        bool ok = false;
        mlbench::Clock::time_point finished;
        const auto started = mlbench::Clock::now();
        const bool written = manager.queryDeviceWithCompletionTarget(
            &target,
            [&](QObject *, const MLDeviceOperationResult &result) {
                finished = mlbench::Clock::now();
                ok = result.result();
                done = true;
            },
            QStringLiteral("query"));
        if (!written) {
            std::fprintf(stderr, "query refused\n");
            return 1;
        }
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!ok) {
            std::fprintf(stderr, "query failed\n");
            return 1;
        }
        if (i >= 0)
            samples.push_back(mlbench::millisecondsBetween(started, finished));
    }
    mlbench::report("summary query round trip", samples, 1.0);
    manager.closeSerialPort();
    sim.stop();
    return 0;
}
