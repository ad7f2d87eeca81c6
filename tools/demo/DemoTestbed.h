#pragma once

#include <QString>

#include <memory>

class MicSimulator;

// The demo's USB bus: a umockdev testbed on which simulated microphones are
// plugged in and out. The process must run under umockdev's preload library;
// programs it starts find the testbed through UMOCKDEV_DIR.
class DemoTestbed
{
public:
    // USB product ids of the two microphone models.
    static constexpr quint16 TeacherProduct = 0x4721;
    static constexpr quint16 StudentProduct = 0x4728;

    struct Plugged
    {
        QString usbSyspath;
        QString interfaceSyspath;
        QString ttySyspath;
        QString devnode; // /dev/ttyACMn
        bool isValid() const { return !devnode.isEmpty(); }
    };

    DemoTestbed();
    ~DemoTestbed();
    DemoTestbed(const DemoTestbed &) = delete;
    DemoTestbed &operator=(const DemoTestbed &) = delete;

    // Gives a simulated microphone the demo's firmware 1.05, which its update
    // service finds old, and a name, serial number and battery level.
    static void dress(MicSimulator &sim, const QString &name, const QString &serial, double battery);
    // The demo's teacher microphone, "Room 12".
    static void dressAsTeacher(MicSimulator &sim);

    // The testbed's root folder ("" when it could not be made).
    QString root() const;

    // Plugs a microphone into the USB port `port` of bus 1 and lets `sim`
    // answer on its device end. Each plug-in gets a tty name of its own:
    // umockdev hands out each device node name once per testbed.
    Plugged plug(const QString &port, quint16 product, MicSimulator *sim, QString *error = nullptr);
    // Pulls it out: the kernel's removal events, child first, and the line
    // dropped under the application's feet.
    void unplug(const Plugged &plugged, MicSimulator *sim);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
