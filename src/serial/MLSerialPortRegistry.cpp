#include "MLSerialPortRegistry.h"

#include "MLSerialPort.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// The class-level registry: it observes every live port and owns none.
struct LivePort
{
    const MLSerialPort *object;
    std::weak_ptr<MLSerialPort> port;
};

// Made on first use, so that a port looked up during static initialisation finds it.
struct RegistryState
{
    std::mutex livePortsMutex;
    std::vector<LivePort> livePorts;
    // Held from look-up to registration, so that two callers cannot make two
    // ports for one device. Separate from livePortsMutex: a port that dies while
    // it is held takes only that one.
    std::mutex creationMutex;
    std::mutex servicesMutex; // guards the two services below
    std::shared_ptr<MLSerialDeviceRegistry> deviceRegistry;
    std::shared_ptr<MLModemLines> modemLines;
};

RegistryState &state()
{
    static RegistryState registry;
    return registry;
}

std::shared_ptr<MLSerialDeviceRegistry> currentDeviceRegistry()
{
    std::lock_guard lock(state().servicesMutex);
    auto &registry = state().deviceRegistry;
    if (!registry)
        registry = std::make_shared<MLUdevSerialDeviceRegistry>();
    return registry;
}

} // namespace

namespace MLSerialPortRegistry {

void add(const std::shared_ptr<MLSerialPort> &port)
{
    std::lock_guard lock(state().livePortsMutex);
    auto &ports = state().livePorts;
    std::erase_if(ports, [](const LivePort &entry) { return entry.port.expired(); });
    ports.push_back({port.get(), port});
}

void remove(const MLSerialPort *port)
{
    std::lock_guard lock(state().livePortsMutex);
    std::erase_if(state().livePorts, [port](const LivePort &entry) { return entry.object == port; });
}

std::shared_ptr<MLModemLines> currentModemLines()
{
    std::lock_guard lock(state().servicesMutex);
    auto &lines = state().modemLines;
    if (!lines)
        lines = std::make_shared<MLIoctlModemLines>();
    return lines;
}

} // namespace MLSerialPortRegistry

// Creation and look-up

std::shared_ptr<MLSerialPort> MLSerialPort::initWithPath(const QString &path)
{
    const auto device = deviceFromBSDPath(path);
    if (!device)
        return nullptr;
    return initWithDevice(*device);
}

std::shared_ptr<MLSerialPort> MLSerialPort::initWithDevice(const MLSerialDeviceEntry &device)
{
    const QString calloutPath = bsdCalloutPathFromDevice(device);
    Q_ASSERT_X(!calloutPath.isEmpty(), "initWithDevice", "initWithDevice requires non-zero device argument.");
    if (calloutPath.isEmpty())
        return nullptr;

    std::lock_guard lock(state().creationMutex);
    if (auto existing = existingPortWithPath(calloutPath))
        return existing;
    auto port = std::make_shared<MLSerialPort>(device, PrivateTag{});
    MLSerialPortRegistry::add(port);
    return port;
}

std::optional<MLSerialDeviceEntry> MLSerialPort::deviceFromBSDPath(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return currentDeviceRegistry()->portWithPath(path);
}

std::shared_ptr<MLSerialPort> MLSerialPort::existingPortWithPath(const QString &path)
{
    // Lock the observers outside the registry's mutex: dropping one that was
    // the last reference destroys its port, which takes that mutex.
    std::vector<std::weak_ptr<MLSerialPort>> candidates;
    {
        std::lock_guard lock(state().livePortsMutex);
        for (const auto &entry : state().livePorts)
            candidates.push_back(entry.port);
    }
    for (const auto &candidate : candidates) {
        auto port = candidate.lock();
        if (port && port->path() == path)
            return port;
    }
    return nullptr;
}

std::shared_ptr<MLSerialDeviceRegistry>
MLSerialPort::setDeviceRegistry(std::shared_ptr<MLSerialDeviceRegistry> registry)
{
    std::lock_guard lock(state().servicesMutex);
    return std::exchange(state().deviceRegistry, std::move(registry));
}

std::shared_ptr<MLModemLines> MLSerialPort::setModemLines(std::shared_ptr<MLModemLines> lines)
{
    std::lock_guard lock(state().servicesMutex);
    return std::exchange(state().modemLines, std::move(lines));
}
