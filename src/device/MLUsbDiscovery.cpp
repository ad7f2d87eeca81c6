#include "MLUsbDiscovery.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

QString text(const char *value)
{
    return value ? QString::fromUtf8(value) : QString();
}

} // namespace

std::unique_ptr<MLUsbDiscovery> MLUsbDiscovery::create(QString *error)
{
    std::unique_ptr<MLUsbDiscovery> discovery(new MLUsbDiscovery());
    discovery->m_udev.reset(udev_new());
    if (!discovery->m_udev) {
        if (error)
            *error = QStringLiteral("Cannot create the udev context: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    discovery->m_monitor.reset(udev_monitor_new_from_netlink(discovery->m_udev.get(), "udev"));
    if (!discovery->m_monitor) {
        if (error)
            *error = QStringLiteral("Cannot create the udev monitor: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    udev_monitor *monitor = discovery->m_monitor.get();
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0
        || udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") < 0
        || udev_monitor_enable_receiving(monitor) < 0) {
        if (error)
            *error = QStringLiteral("Cannot start the udev monitor: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    const int fd = udev_monitor_get_fd(monitor);
    discovery->m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, discovery.get());
    MLUsbDiscovery *raw = discovery.get();
    connect(discovery->m_notifier, &QSocketNotifier::activated, raw, [raw] { raw->monitorReadable(); });
    return discovery;
}

MLUsbDiscovery::~MLUsbDiscovery()
{
    // The notifier goes before the monitor whose descriptor it watches.
    delete m_notifier;
    m_notifier = nullptr;
}

bool MLUsbDiscovery::isSerialStreamPort(udev_device *tty)
{
    return tty && udev_device_get_parent(tty) != nullptr;
}

void MLUsbDiscovery::monitorReadable()
{
    // Drain everything the monitor holds: one readable signal may stand for several events.
    QStringList added;
    for (;;) {
        udev_ptr<udev_device> device(udev_monitor_receive_device(m_monitor.get()));
        if (!device)
            break;
        const QString action = text(udev_device_get_action(device.get()));
        const QString subsystem = text(udev_device_get_subsystem(device.get()));
        if (subsystem == u"tty" && action == u"add") {
            const QString suffix = text(udev_device_get_sysname(device.get()));
            if (isSerialStreamPort(device.get()) && !suffix.isEmpty())
                added.append(suffix);
        } else if (subsystem == u"usb" && action == u"remove") {
            const QString devtype = text(udev_device_get_devtype(device.get()));
            if (devtype == u"usb_device")
                emit usbDeviceTerminated(text(udev_device_get_syspath(device.get())));
        }
    }
    if (!added.isEmpty())
        emit serialPortsAdded(added);
}

udev_ptr<udev_device> MLUsbDiscovery::serialPortNamed(const QString &suffix) const
{
    udev_ptr<udev_device> tty(udev_device_new_from_subsystem_sysname(m_udev.get(), "tty", suffix.toUtf8().constData()));
    return isSerialStreamPort(tty.get()) ? std::move(tty) : nullptr;
}

QStringList MLUsbDiscovery::serialPortsBelowUsbDevices(const QStringList &vendorIds) const
{
    QStringList suffixes;
    for (const QString &vendor : vendorIds) {
        udev_ptr<udev_enumerate> devices(udev_enumerate_new(m_udev.get()));
        if (!devices || udev_enumerate_add_match_subsystem(devices.get(), "usb") < 0
            || udev_enumerate_add_match_sysattr(devices.get(), "idVendor", vendor.toLatin1().constData()) < 0
            || udev_enumerate_scan_devices(devices.get()) < 0)
            continue;
        udev_list_entry *entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(devices.get()))
        {
            udev_ptr<udev_device> usb(udev_device_new_from_syspath(m_udev.get(), udev_list_entry_get_name(entry)));
            udev_ptr<udev_enumerate> ttys(udev_enumerate_new(m_udev.get()));
            if (!usb || !ttys || udev_enumerate_add_match_subsystem(ttys.get(), "tty") < 0
                || udev_enumerate_add_match_parent(ttys.get(), usb.get()) < 0
                || udev_enumerate_scan_devices(ttys.get()) < 0)
                continue;
            udev_list_entry *ttyEntry = nullptr;
            udev_list_entry_foreach(ttyEntry, udev_enumerate_get_list_entry(ttys.get()))
            {
                const QString path = text(udev_list_entry_get_name(ttyEntry));
                const QString suffix = path.section(u'/', -1);
                if (!suffix.isEmpty() && !suffixes.contains(suffix))
                    suffixes.append(suffix);
            }
        }
    }
    return suffixes;
}

udev_ptr<udev_device> MLUsbDiscovery::firstSerialPortBelow(udev_device *usbDevice) const
{
    udev_ptr<udev_enumerate> enumerate(udev_enumerate_new(m_udev.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0
        || udev_enumerate_add_match_parent(enumerate.get(), usbDevice) < 0
        || udev_enumerate_scan_devices(enumerate.get()) < 0)
        return nullptr;
    udev_list_entry *entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        udev_ptr<udev_device> tty(udev_device_new_from_syspath(m_udev.get(), udev_list_entry_get_name(entry)));
        if (tty && udev_device_get_devnode(tty.get()))
            return tty;
    }
    return nullptr;
}

std::optional<quint32> MLUsbDiscovery::locationFromBusAndDevpath(const QString &busnum, const QString &devpath)
{
    bool ok = false;
    const uint bus = busnum.trimmed().toUInt(&ok, 10);
    if (!ok || bus > 0xff)
        return std::nullopt;
    const QStringList parts = devpath.trimmed().split(u'.');
    std::vector<uint> ports;
    for (const QString &part : parts) {
        const uint port = part.toUInt(&ok, 10);
        if (!ok || port == 0)
            return std::nullopt;
        ports.push_back(port);
    }
    if (ports.empty())
        return std::nullopt;

    quint32 location = quint32(bus) << 24;
    const bool fitsNibbles = ports.size() <= 6 && std::all_of(ports.begin(), ports.end(), [](uint p) { return p <= 15; });
    if (fitsNibbles) {
        int shift = 20;
        for (uint port : ports) {
            location |= quint32(port) << shift;
            shift -= 4;
        }
        return location;
    }
    // Root hubs with more than 15 ports and very deep chains do not fit the
    // nibbles. Such positions get a hash of the chain with the first nibble
    // 0, which no nibble-coded position has (ports count from 1).
    quint32 hash = 2166136261u;
    for (QChar c : devpath.trimmed()) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return location | (hash & 0x000fffffu) | 1u;
}
