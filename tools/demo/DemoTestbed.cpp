#include "DemoTestbed.h"

#include "MicSimulator.h"

// glib's headers use "signals" as a name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <glib-object.h>
#include <umockdev.h>
#pragma pop_macro("signals")

#include <QList>

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr quint16 VendorId = 0x1a85;

struct TestbedUnref
{
    void operator()(UMockdevTestbed *testbed) const { g_object_unref(testbed); }
};

// umockdev wants sysfs paths without their leading "/sys".
QByteArray withoutSys(const QString &syspath)
{
    return syspath.mid(4).toUtf8();
}

} // namespace

struct DemoTestbed::Impl
{
    std::unique_ptr<UMockdevTestbed, TestbedUnref> testbed{umockdev_testbed_new()};
    int nextTtyNumber = 0;
    // Other ends of unplugged microphones' pseudo-terminals, held so that
    // their numbers are never handed out again: umockdev records each one
    // once per testbed and aborts when a number comes back.
    QList<int> retiredTerminals;

    ~Impl()
    {
        testbed.reset();
        for (const int fd : retiredTerminals)
            close(fd);
    }

    void retireTerminal(int deviceEnd)
    {
        char path[128];
        if (deviceEnd < 0 || ptsname_r(deviceEnd, path, sizeof path) != 0)
            return;
        const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            retiredTerminals.append(fd);
    }
};

DemoTestbed::DemoTestbed() : d(std::make_unique<Impl>()) {}

void DemoTestbed::dress(MicSimulator &sim, const QString &name, const QString &serial, double battery)
{
    sim.setName(name);
    sim.setSerial(serial);
    sim.setFirmware(QStringLiteral("1.05"));
    sim.setBattery(battery);
}

void DemoTestbed::dressAsTeacher(MicSimulator &sim)
{
    dress(sim, QStringLiteral("Room 12"), QStringLiteral("N0012345"), 87);
}

DemoTestbed::~DemoTestbed() = default;

QString DemoTestbed::root() const
{
    if (!d->testbed)
        return {};
    gchar *root = umockdev_testbed_get_root_dir(d->testbed.get()); // ours to free
    const QString path = QString::fromUtf8(root);
    g_free(root);
    return path;
}

DemoTestbed::Plugged DemoTestbed::plug(const QString &port, quint16 product, MicSimulator *sim,
                                       QString *error)
{
    const int number = d->nextTtyNumber++;
    const QString tty = QStringLiteral("ttyACM%1").arg(number);
    Plugged plugged;
    plugged.usbSyspath = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(port);
    plugged.interfaceSyspath = plugged.usbSyspath + QStringLiteral("/1-%1:1.0").arg(port);
    plugged.ttySyspath = plugged.interfaceSyspath + QStringLiteral("/tty/") + tty;

    // Parents first, so that each "add" event finds its parent in place.
    QByteArray description;
    description += "P: " + withoutSys(plugged.usbSyspath) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    description += QStringLiteral("A: idVendor=%1\nA: idProduct=%2\n")
                       .arg(VendorId, 4, 16, QChar(u'0'))
                       .arg(product, 4, 16, QChar(u'0'))
                       .toUtf8();
    description += "A: busnum=1\nA: devpath=" + port.toUtf8() + "\nA: manufacturer=Marlevo\n";
    description += "A: product=Marlevo Microphone\n\n";
    description += "P: " + withoutSys(plugged.interfaceSyspath) +
                   "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=cdc_acm\n\n";
    description += "P: " + withoutSys(plugged.ttySyspath) + "\nN: " + tty.toUtf8() + "\nE: DEVNAME=/dev/" +
                   tty.toUtf8() + "\nE: SUBSYSTEM=tty\nA: dev=166:" + QByteArray::number(number) + "\n\n";

    GError *gerror = nullptr;
    if (!umockdev_testbed_add_from_string(d->testbed.get(), description.constData(), &gerror)) {
        if (error)
            *error =
                gerror ? QString::fromUtf8(gerror->message) : QStringLiteral("umockdev refused the device");
        g_clear_error(&gerror);
        return {};
    }
    const QString devnode = QStringLiteral("/dev/") + tty;
    const int fd = umockdev_testbed_get_dev_fd(d->testbed.get(), devnode.toUtf8().constData());
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("umockdev made no device node for %1").arg(devnode);
        return {};
    }
    // The "add" events have gone out already; the application opens the port
    // a moment later, and the simulator is serving by then.
    if (!sim->attach(fd, error))
        return {};
    plugged.devnode = devnode;
    return plugged;
}

void DemoTestbed::unplug(const Plugged &plugged, MicSimulator *sim)
{
    const QByteArray paths[] = {plugged.ttySyspath.toUtf8(), plugged.interfaceSyspath.toUtf8(),
                                plugged.usbSyspath.toUtf8()};
    for (const QByteArray &syspath : paths)
        umockdev_testbed_uevent(d->testbed.get(), syspath.constData(), "remove");
    // A port the application still holds open sees the line drop; done while
    // the testbed still owns the device end, which hangUp() replaces.
    d->retireTerminal(umockdev_testbed_get_dev_fd(d->testbed.get(), plugged.devnode.toUtf8().constData()));
    sim->hangUp();
    sim->stop();
    for (const QByteArray &syspath : paths)
        umockdev_testbed_remove_device(d->testbed.get(), syspath.constData());
}
