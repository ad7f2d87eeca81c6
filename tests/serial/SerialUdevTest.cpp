// The serial port's device list through libudev. Runs under umockdev's preload.

#include "MLSerialPort.h"
#include "UmockdevTestbed.h"

#include <gtest/gtest.h>

namespace {

// A CDC-ACM port below a USB interface and a virtual console (no parent):
// only the first is a serial port.
constexpr const char *kDevices = R"(P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/tty/ttyACM0
N: ttyACM0
E: DEVNAME=/dev/ttyACM0
E: SUBSYSTEM=tty
A: dev=166:0

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0
E: SUBSYSTEM=usb
E: DEVTYPE=usb_interface
L: driver=../../../../../../bus/usb/drivers/cdc_acm

P: /devices/virtual/tty/tty1
E: DEVNAME=/dev/tty1
E: SUBSYSTEM=tty
A: dev=4:1
)";

TEST(UdevSerialTest, ListsTtysWithAParentDeviceAndANode)
{
    mltest::Testbed testbed;
    GError *error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed.get(), kDevices, &error))
        << (error ? error->message : "");
    const auto previous = MLSerialPort::setDeviceRegistry(nullptr);

    const auto ports = MLUdevSerialDeviceRegistry().serialStreamPorts();
    ASSERT_EQ(ports.size(), 1u);
    const MLSerialDeviceEntry &acm = ports.front();
    EXPECT_EQ(acm.calloutPath, QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(acm.serviceType, QStringLiteral("cdc_acm"));

    // The port looks its path up in that list.
    EXPECT_EQ(MLSerialPort::initWithPath(QStringLiteral("/dev/ttyACM0"))->name(), QStringLiteral("ttyACM"));
    EXPECT_EQ(MLSerialPort::initWithPath(QStringLiteral("/dev/tty1")), nullptr);
    MLSerialPort::setDeviceRegistry(previous);
}

} // namespace
