// The serial port's device list through libudev, and a port on a device node
// that umockdev backs with a pseudo-terminal. Runs under umockdev's preload.

#include "MLSerialPort.h"
#include "PtyPeer.h"
#include "SerialTestSupport.h"
#include "TestSupport.h"
#include "UmockdevTestbed.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <fcntl.h>
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

class UdevSerialTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GError *error = nullptr;
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed.get(), kDevices, &error))
            << (error ? error->message : "");
        previousRegistry = MLSerialPort::setDeviceRegistry(nullptr);
    }

    void TearDown() override
    {
        port.reset();
        mltest::flushEvents();
        MLSerialPort::setDeviceRegistry(previousRegistry);
        EXPECT_FALSE(delegate.calledOffMainThread);
    }

    mltest::Testbed testbed;
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

    // The device end belongs to the testbed.
    PtyPeer device(testbed.deviceFd(QStringLiteral("/dev/ttyACM0")));
    const auto keepOpen = qScopeGuard([&] { device.release(); });
    ASSERT_TRUE(device.isOpen());
    EXPECT_TRUE(port->sendData("SUMMARY\r"));
    EXPECT_EQ(device.readCount(8), QByteArray("SUMMARY\r"));
    ASSERT_TRUE(device.write("OK\r"));
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.received() == "OK\r"; }));

    // The emulated line has no modem lines: one report, not one every 10 ms.
    mltest::processEventsFor(300);
    ASSERT_EQ(delegate.count(Kind::Error), 1);
    EXPECT_EQ(delegate.errors().front().code, ENOTTY);

    // Unplugged while open: the device end goes away under the port.
    delegate.events.clear();
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(::dup2(null, device.fd()), 0);
    ::close(null);
    ASSERT_TRUE(mltest::waitUntil([&] { return delegate.count(Kind::Error) == 1; }));
    EXPECT_EQ(delegate.errors().front().code, EIO);
    mltest::processEventsFor(300);
    EXPECT_EQ(delegate.count(Kind::Error), 1);

    EXPECT_TRUE(port->close());
    EXPECT_EQ(delegate.count(Kind::Closed), 1);
}

} // namespace
