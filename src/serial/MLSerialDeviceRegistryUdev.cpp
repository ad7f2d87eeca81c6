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

} // namespace

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
        if (!device)
            continue;
        // Virtual consoles and the like have no parent device: no serial ports.
        // The parent belongs to `device` and is not released here.
        udev_device *parent = udev_device_get_parent(device.get());
        const char *devnode = udev_device_get_devnode(device.get());
        if (!parent || !devnode)
            continue;

        MLSerialDeviceEntry entry;
        entry.calloutPath = fromUdev(devnode);
        entry.dialinPath = entry.calloutPath;
        entry.suffix = fromUdev(udev_device_get_sysname(device.get()));
        entry.baseName = baseNameOf(entry.suffix);
        entry.serviceType = fromUdev(udev_device_get_driver(parent));
        entry.modemName = QStringLiteral("IOSerialStream");
        ports.push_back(std::move(entry));
    }
    return ports;
}
