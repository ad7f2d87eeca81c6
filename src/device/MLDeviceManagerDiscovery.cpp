// Matching new serial ports to microphones, and their removal.

#include "MLDeviceManager.h"

#include "MLLog.h"
#include "MLUsbDiscovery.h"

namespace {

QString text(const char *value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// A sysattr holding a hexadecimal identifier ("1a85"); nothing when absent.
std::optional<qint32> hexAttribute(udev_device *device, const char *name)
{
    const char *value = udev_device_get_sysattr_value(device, name);
    if (!value)
        return std::nullopt;
    bool ok = false;
    const qint32 number = QString::fromLatin1(value).trimmed().toInt(&ok, 16);
    return ok ? std::optional<qint32>(number) : std::nullopt;
}

constexpr qint32 kVendorId = 0x1A85;
constexpr qint32 kSecondVendorId = 0x6789;
constexpr qint32 kTeacherProductId = 0x4721;
constexpr qint32 kSecondProductId = 0x4728;

} // namespace

bool MLDeviceManager::validVendor(qint32 vendor)
{
    return vendor == kVendorId || vendor == kSecondVendorId;
}

QStringList MLDeviceManager::vendorIdsAsSysfsWritesThem()
{
    QStringList ids;
    for (const qint32 vendor : {kVendorId, kSecondVendorId})
        ids.append(QStringLiteral("%1").arg(vendor, 4, 16, QLatin1Char('0')));
    return ids;
}

bool MLDeviceManager::validProduct(qint32 product)
{
    return product == kTeacherProductId || product == kSecondProductId;
}

void MLDeviceManager::serialPortsAdded(const QStringList &suffixes)
{
    bool added = false;
    for (const QString &suffix : suffixes) {
        if (suffix.isEmpty())
            continue;
        m_nonMicrophoneSuffixes.remove(suffix); // a new port under that name
        serialDeviceSfxListAdd(suffix);
        added = true;
    }
    if (added)
        deviceListProcess();
}

void MLDeviceManager::deviceListProcess()
{
    // Newest first; deviceMatch may remove the entry it is given without
    // disturbing those still to be visited.
    for (qsizetype i = serialDeviceSfxList().size() - 1; i >= 0; --i)
        deviceMatch(quint32(i));
}

void MLDeviceManager::deviceMatch(quint32 index)
{
    const QList<MLTimestampedString> pending = serialDeviceSfxList();
    if (qsizetype(index) >= pending.size() || pending.at(index).string().isEmpty() || !m_discovery)
        return;
    const MLTimestampedString entry = pending.at(index);
    const QString suffix = entry.string();
    MLDeviceDetailedLog("Checking serial suffix: %@", suffix);

    udev_ptr<udev_device> match;
    // The port by its name: the ports that are no microphones stay pending,
    // and listing every tty for each of them at every event would cost the
    // main loop milliseconds per port.
    const udev_ptr<udev_device> port =
        m_nonMicrophoneSuffixes.contains(suffix) ? nullptr : m_discovery->serialPortNamed(suffix);
    // The USB device the port belongs to.
    udev_device *usb =
        port ? udev_device_get_parent_with_subsystem_devtype(port.get(), "usb", "usb_device") : nullptr;
    bool settled = port != nullptr;
    if (usb) {
        const std::optional<qint32> vendor = hexAttribute(usb, "idVendor");
        const std::optional<qint32> product = hexAttribute(usb, "idProduct");
        if (validVendor(vendor.value_or(0)) && validProduct(product.value_or(0)))
            match.reset(udev_device_ref(usb));
        // Identifiers not readable yet (the device is still being set up): look again at the next event.
        settled = vendor && product;
    }
    if (settled && !match)
        m_nonMicrophoneSuffixes.insert(suffix);
    if (!match)
        return; // stays pending until matched or swept

    if (!addUSBDevice(match.get()))
        sendDeviceHadErrorNotification();

    QMutexLocker lock(&m_deviceMatchLock);
    // Remove the entry we were given, even if the list moved meanwhile.
    qsizetype at = qsizetype(index);
    if (at >= m_serialDeviceSfxList.size() || m_serialDeviceSfxList.at(at).string() != suffix ||
        m_serialDeviceSfxList.at(at).timeStamp() != entry.timeStamp()) {
        at = -1;
        for (qsizetype i = 0; i < m_serialDeviceSfxList.size(); ++i) {
            if (m_serialDeviceSfxList.at(i).string() == suffix &&
                m_serialDeviceSfxList.at(i).timeStamp() == entry.timeStamp()) {
                at = i;
                break;
            }
        }
    }
    if (at >= 0)
        m_serialDeviceSfxList.removeAt(at);
}

bool MLDeviceManager::addUSBDevice(udev_device *usbDevice)
{
    auto record = std::make_unique<USBDeviceData>();
    const char *product = udev_device_get_sysattr_value(usbDevice, "product");
    record->deviceName = text(product ? product : udev_device_get_sysname(usbDevice));

    // A fresh handle on the device: it may have gone since it was matched.
    const QString syspath = text(udev_device_get_syspath(usbDevice));
    udev_ptr<udev_device> device(
        syspath.isEmpty()
            ? nullptr
            : udev_device_new_from_syspath(m_discovery->context(), syspath.toUtf8().constData()));
    if (!device) {
        MLLog("Cannot create IOUSBDeviceInterface for USB device '%@'. Skipping device.", record->deviceName);
        return false;
    }

    const auto location = MLUsbDiscovery::locationFromBusAndDevpath(
        text(udev_device_get_sysattr_value(device.get(), "busnum")),
        text(udev_device_get_sysattr_value(device.get(), "devpath")));
    if (!location) {
        MLLog("Cannot determine Location Id of USb device '%@'. Skipping device.", record->deviceName);
        return false;
    }
    record->locationID = *location;

    // One device node serves as both call-out and dial-in path here.
    const udev_ptr<udev_device> tty = m_discovery->firstSerialPortBelow(device.get());
    const QString node = tty ? text(udev_device_get_devnode(tty.get())) : QString();
    if (node.isEmpty()) {
        MLLog("Cannot determine Call Out or Dial In devices for USb device '%@'. Skipping device.",
              record->deviceName);
        return false;
    }
    record->callOutDevice = node;
    record->dialInDevice = node;

    const auto productId = hexAttribute(device.get(), "idProduct");
    record->deviceType = (productId && *productId != kTeacherProductId) ? 1 : 0;

    // The removal report is keyed by the device's syspath; two matches of the
    // same device register twice, as two ports below one device would.
    record->notification = m_nextNotification++;
    USBDeviceData *registered = record.get();
    m_removalRegistrations.emplace(syspath, std::move(record));

    usbDeviceConnected(registered);
    return true;
}

void MLDeviceManager::usbDeviceInterestNotification(const QString &syspath)
{
    // Take the records out first: the removal may run listeners' code.
    std::vector<std::unique_ptr<USBDeviceData>> records;
    auto [first, last] = m_removalRegistrations.equal_range(syspath);
    for (auto it = first; it != last; ++it)
        records.push_back(std::move(it->second));
    m_removalRegistrations.erase(first, last);
    std::sort(records.begin(), records.end(),
              [](const auto &a, const auto &b) { return a->notification < b->notification; });
    for (const auto &record : records)
        usbDeviceRemoved(record.get());
}
