#include "MLSerialDeviceRegistry.h"
#include "UdevPtr.h"

namespace {

QString fromUdev(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// "ttyACM0" -> "ttyACM"
QString baseNameOf(const QString &sysname)
{
    qsizetype end = sysname.size();
    while (end > 0 && sysname.at(end - 1).isDigit())
        --end;
    return sysname.left(end);
}

// The entry for one tty, or nothing for a tty that is no serial port.
std::optional<MLSerialDeviceEntry> serialEntryOf(udev_device *device)
{
    if (!device)
        return std::nullopt;
    // Virtual consoles and the like have no parent device: no serial ports.
    // The parent belongs to `device` and is not released here.
    udev_device *parent = udev_device_get_parent(device);
    const char *devnode = udev_device_get_devnode(device);
    if (!parent || !devnode)
        return std::nullopt;

    MLSerialDeviceEntry entry;
    entry.calloutPath = fromUdev(devnode);
    entry.dialinPath = entry.calloutPath;
    entry.suffix = fromUdev(udev_device_get_sysname(device));
    entry.baseName = baseNameOf(entry.suffix);
    entry.serviceType = fromUdev(udev_device_get_driver(parent));
    entry.modemName = QStringLiteral("IOSerialStream");
    return entry;
}

} // namespace

std::optional<MLSerialDeviceEntry> MLSerialDeviceRegistry::portWithPath(const QString &path) const
{
    for (auto &entry : serialStreamPorts()) {
        if (entry.calloutPath == path || entry.dialinPath == path)
            return std::move(entry);
    }
    return std::nullopt;
}

std::vector<MLSerialDeviceEntry> MLUdevSerialDeviceRegistry::serialStreamPorts() const
{
    std::vector<MLSerialDeviceEntry> ports;
    udev_ptr<udev> context(udev_new());
    if (!context)
        return ports;
    udev_ptr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0)
        return ports;

    udev_list_entry *item = nullptr;
    udev_list_entry_foreach(item, udev_enumerate_get_list_entry(enumerate.get()))
    {
        udev_ptr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(item)));
        if (auto entry = serialEntryOf(device.get()))
            ports.push_back(std::move(*entry));
    }
    return ports;
}

std::optional<MLSerialDeviceEntry> MLUdevSerialDeviceRegistry::portWithPath(const QString &path) const
{
    // The node's name is the tty's sysname as a rule; when it is not (a
    // renamed node, a link), the listing finds it by its devnode.
    const QString sysname = path.section(u'/', -1);
    if (path.startsWith(QLatin1StringView("/dev/")) && !sysname.isEmpty()) {
        udev_ptr<udev> context(udev_new());
        if (context) {
            udev_ptr<udev_device> device(
                udev_device_new_from_subsystem_sysname(context.get(), "tty", sysname.toUtf8().constData()));
            // Found under its own name: the answer, whether a serial port or not.
            if (device && fromUdev(udev_device_get_devnode(device.get())) == path)
                return serialEntryOf(device.get());
        }
    }
    return MLSerialDeviceRegistry::portWithPath(path);
}
