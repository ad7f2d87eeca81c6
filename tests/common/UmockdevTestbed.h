#pragma once

#include <QList>
#include <QString>

// glib's headers use "signals" as a name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <glib-object.h>
#include <umockdev.h>
#pragma pop_macro("signals")

#include <memory>

namespace mltest {

// A umockdev testbed for one test: USB microphones (a usb_device with an
// interface and a ttyACM below it) that can be plugged and unplugged.
class Testbed
{
public:
    struct Usb
    {
        QString usbSyspath;
        QString interfaceSyspath;
        QString ttySyspath;
        QString devnode;
    };

    Testbed() : m_testbed(umockdev_testbed_new()) {}
    ~Testbed()
    {
        if (m_testbed)
            g_object_unref(m_testbed);
    }
    Testbed(const Testbed &) = delete;
    Testbed &operator=(const Testbed &) = delete;

    UMockdevTestbed *get() const { return m_testbed; }

    // Adds (plugs in) a USB serial device at bus/port with the identifiers
    // given; `tty` is its tty's name, e.g. "ttyACM0". Sends the "add" events.
    Usb addUsbSerial(int bus, const QString &port, quint16 vendor, quint16 product, const QString &tty)
    {
        Usb usb;
        const QString base = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb%1/%1-%2").arg(bus).arg(port);
        usb.usbSyspath = base;
        usb.interfaceSyspath = base + QStringLiteral("/%1-%2:1.0").arg(bus).arg(port);
        usb.ttySyspath = usb.interfaceSyspath + QStringLiteral("/tty/") + tty;
        usb.devnode = QStringLiteral("/dev/") + tty;
        QString description;
        // Parents before children, so that each add event finds its parent.
        description += QStringLiteral("P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=%2\nA: idProduct=%3\n"
                                      "A: busnum=%4\nA: devpath=%5\nA: product=%6\n\n")
                           .arg(strip(base))
                           .arg(vendor, 4, 16, QChar(u'0'))
                           .arg(product, 4, 16, QChar(u'0'))
                           .arg(bus)
                           .arg(port, QStringLiteral("Marlevo Microphone"));
        description += QStringLiteral("P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=cdc_acm\n\n")
                           .arg(strip(usb.interfaceSyspath));
        description += QStringLiteral("P: %1\nN: %2\nE: DEVNAME=/dev/%2\nE: SUBSYSTEM=tty\nA: dev=166:%3\n\n")
                           .arg(strip(usb.ttySyspath), tty)
                           .arg(minorOf(tty));
        GError *error = nullptr;
        if (!umockdev_testbed_add_from_string(m_testbed, description.toUtf8().constData(), &error)) {
            m_lastError = error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
            g_clear_error(&error);
            return {};
        }
        return usb;
    }

    // The device end of a tty's pseudo-terminal (owned by the testbed).
    int deviceFd(const QString &devnode) const
    {
        return umockdev_testbed_get_dev_fd(m_testbed, devnode.toUtf8().constData());
    }

    // Unplugs: removal events child first, as the kernel sends them.
    void remove(const Usb &usb)
    {
        for (const QString &path : {usb.ttySyspath, usb.interfaceSyspath, usb.usbSyspath}) {
            umockdev_testbed_uevent(m_testbed, path.toUtf8().constData(), "remove");
            umockdev_testbed_remove_device(m_testbed, path.toUtf8().constData());
        }
    }

    QString lastError() const { return m_lastError; }

private:
    static int minorOf(const QString &tty)
    {
        qsizetype digits = tty.size();
        while (digits > 0 && tty.at(digits - 1).isDigit())
            --digits;
        return tty.mid(digits).toInt();
    }

    // add_from_string wants the path without the leading /sys.
    static QString strip(const QString &syspath) { return syspath.mid(4); }

    UMockdevTestbed *m_testbed;
    QString m_lastError;
};

} // namespace mltest
