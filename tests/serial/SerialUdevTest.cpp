// The serial port's device list through libudev, and a port on a device node
// that umockdev backs with a pseudo-terminal. Runs under umockdev's preload.

// Before any Qt header: glib has a field named "signals", a Qt keyword.
#include <umockdev.h>

#include "MLSerialPort.h"
#include "SerialTestSupport.h"
#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using Kind = RecordingDelegate::Kind;

namespace {

// A CDC-ACM port below a USB interface, a virtual console (no parent) and a
// tty with a parent but no device node: only the first is a serial port.
constexpr const char *kDevices = R"(P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/tty/ttyACM0
N: ttyACM0
E: DEVNAME=/dev/ttyACM0
E: SUBSYSTEM=tty
A: dev=166:0

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0
E: SUBSYSTEM=usb
E: DEVTYPE=usb_interface
L: driver=../../../../../../bus/usb/drivers/cdc_acm

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2
E: SUBSYSTEM=usb
E: DEVTYPE=usb_device
A: busnum=1
A: devpath=2

P: /devices/virtual/tty/tty1
E: DEVNAME=/dev/tty1
E: SUBSYSTEM=tty
A: dev=4:1

P: /devices/platform/serial8250/tty/ttyS3
E: SUBSYSTEM=tty

P: /devices/platform/serial8250
E: SUBSYSTEM=platform
)";

QByteArray readDevice(int fd, qsizetype count, int timeoutMs = 3000)
{
    QByteArray data;
    QDeadlineTimer deadline(timeoutMs);
    while (data.size() < count && !deadline.hasExpired()) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            data.append(buffer, n);
    }
    return data;
}

} // namespace

class UdevSerialTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testbed = umockdev_testbed_new();
        ASSERT_TRUE(testbed);
        GError *error = nullptr;
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, kDevices, &error))
            << (error ? error->message : "");
        previousRegistry = MLSerialPort::setDeviceRegistry(nullptr);
    }

    void TearDown() override
    {
        port.reset();
        mltest::flushEvents();
        MLSerialPort::setDeviceRegistry(previousRegistry);
        g_object_unref(testbed);
        EXPECT_FALSE(delegate.calledOffMainThread);
    }

    UMockdevTestbed *testbed = nullptr;
    RecordingDelegate delegate;
    std::shared_ptr<MLSerialPort> port;
    std::shared_ptr<MLSerialDeviceRegistry> previousRegistry;
};

TEST_F(UdevSerialTest, ListsTtysWithAParentDeviceAndANode)
{
    const auto ports = MLUdevSerialDeviceRegistry().serialStreamPorts();
    ASSERT_EQ(ports.size(), 1u);
    const MLSerialDeviceEntry &acm = ports.front();
    EXPECT_EQ(acm.calloutPath, QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(acm.dialinPath, QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(acm.suffix, QStringLiteral("ttyACM0"));
    EXPECT_EQ(acm.baseName, QStringLiteral("ttyACM"));
    EXPECT_EQ(acm.serviceType, QStringLiteral("cdc_acm"));
    EXPECT_EQ(acm.modemName, QStringLiteral("IOSerialStream"));
}

TEST_F(UdevSerialTest, PortOnAnEmulatedDeviceTalksAndSurvivesTheUnplug)
{
    port = MLSerialPort::initWithPath(QStringLiteral("/dev/ttyACM0"));
    ASSERT_TRUE(port);
    EXPECT_EQ(port->name(), QStringLiteral("ttyACM"));
    EXPECT_EQ(MLSerialPort::initWithPath(QStringLiteral("/dev/tty1")), nullptr);

    port->setDelegate(&delegate);
    port->open();
    ASSERT_TRUE(port->isOpen());
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Opened) == 1; }));

    const int device = umockdev_testbed_get_dev_fd(testbed, "/dev/ttyACM0");
    ASSERT_GE(device, 0);
    EXPECT_TRUE(port->sendData("SUMMARY\r"));
    EXPECT_EQ(readDevice(device, 8), QByteArray("SUMMARY\r"));
    ASSERT_EQ(::write(device, "OK\r", 3), 3);
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.received() == "OK\r"; }));

    // The emulated line has no modem lines: one report, not one every 10 ms.
    mltest::processEventsFor(300);
    ASSERT_EQ(delegate.count(Kind::Error), 1);
    EXPECT_EQ(delegate.errors().front().code, ENOTTY);

    // Unplugged while open: the device end goes away under the port.
    delegate.events.clear();
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(null, 0);
    ASSERT_GE(::dup2(null, device), 0);
    ::close(null);
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Error) == 1; }));
    EXPECT_EQ(delegate.errors().front().code, EIO);
    mltest::processEventsFor(300);
    EXPECT_EQ(delegate.count(Kind::Error), 1);

    EXPECT_TRUE(port->close());
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(delegate.count(Kind::Closed), 1);
}
