#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

// One serial port of stream type as the system lists it. On Linux the
// call-out and dial-in paths are the same device node, e.g. /dev/ttyACM0.
struct MLSerialDeviceEntry
{
    QString calloutPath;
    QString dialinPath;
    QString baseName;    // "ttyACM"
    QString suffix;      // "ttyACM0", the tty's sysname
    QString serviceType; // the tty's driver, e.g. "cdc_acm"
    QString modemName;   // "IOSerialStream" for every entry
};

// Where serial ports are looked up. The real one asks libudev; a test hands
// in a plain pseudo-terminal through a fixed list.
class MLSerialDeviceRegistry
{
public:
    virtual ~MLSerialDeviceRegistry() = default;
    // Every serial port of stream type now present, in the system's order.
    virtual std::vector<MLSerialDeviceEntry> serialStreamPorts() const = 0;
    // The port whose call-out or dial-in path is `path`. By default a search
    // of the whole list; a registry that can look one node up does so.
    virtual std::optional<MLSerialDeviceEntry> portWithPath(const QString &path) const;
};

// tty devices below a real parent device (virtual consoles and the like are
// not serial ports), listed through libudev.
class MLUdevSerialDeviceRegistry final : public MLSerialDeviceRegistry
{
public:
    std::vector<MLSerialDeviceEntry> serialStreamPorts() const override;
    // Asks udev for the one node: a machine with dozens of legacy ttys would
    // otherwise pay for a full listing at every port that is set up.
    std::optional<MLSerialDeviceEntry> portWithPath(const QString &path) const override;
};

// A fixed list, for tests.
class MLFixedSerialDeviceRegistry final : public MLSerialDeviceRegistry
{
public:
    explicit MLFixedSerialDeviceRegistry(std::vector<MLSerialDeviceEntry> entries)
        : m_entries(std::move(entries))
    {}
    std::vector<MLSerialDeviceEntry> serialStreamPorts() const override { return m_entries; }

private:
    std::vector<MLSerialDeviceEntry> m_entries;
};
