#pragma once

#include "UdevPtr.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;

// The udev side of microphone discovery: a monitor on the main loop that
// reports new serial ports (tty "add") and USB devices that went away
// (usb_device "remove"), and the lookups that matching needs.
class MLUsbDiscovery : public QObject
{
    Q_OBJECT

public:
    // nullptr, with the reason, when udev or its monitor cannot be set up.
    static std::unique_ptr<MLUsbDiscovery> create(QString *error);
    ~MLUsbDiscovery() override;

    // The serial port whose tty is named `suffix`, if there is one now: a
    // lookup by name, not a listing of every tty.
    udev_ptr<udev_device> serialPortNamed(const QString &suffix) const;

    // Suffixes of the serial ports below USB devices with one of these vendor
    // identifiers (as sysfs writes them, "1a85"). Ports elsewhere can never be
    // microphones, and listing every tty of a machine with many costs
    // milliseconds per port.
    QStringList serialPortsBelowUsbDevices(const QStringList &vendorIds) const;

    // The first tty with a device node below the USB device, if any.
    udev_ptr<udev_device> firstSerialPortBelow(udev_device *usbDevice) const;

    udev *context() const { return m_udev.get(); }

    // True for a tty that is a real serial port: one with a parent device
    // (virtual consoles and pseudo-terminals have none).
    static bool isSerialStreamPort(udev_device *tty);

    // The 32-bit USB location: the bus number in the top byte, then one
    // nibble per port of the chain. Nothing when the text is not a bus
    // number and a port chain.
    static std::optional<quint32> locationFromBusAndDevpath(const QString &busnum, const QString &devpath);

signals:
    void serialPortsAdded(const QStringList &suffixes);
    void usbDeviceTerminated(const QString &syspath);

private:
    MLUsbDiscovery() = default;
    void monitorReadable();

    udev_ptr<udev> m_udev;
    udev_ptr<udev_monitor> m_monitor;
    QSocketNotifier *m_notifier = nullptr;
};
