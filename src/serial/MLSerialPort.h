#pragma once

#include "MLModemLines.h"
#include "MLSerialDeviceRegistry.h"
#include "MLSerialPortDelegate.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

// One serial device, opened exclusively (flock plus TIOCEXCL), raw 8N1 at the
// configured speed, read on a background thread and written from the caller's
// thread. Every delegate call arrives on the main thread. There is at most
// one live object per device path: initWithPath() hands out the live one.
//
// The object is shared: whoever holds the shared_ptr keeps it alive; the
// class-level registry only observes it.
class MLSerialPort : public std::enable_shared_from_this<MLSerialPort>
{
public:
    // The port whose call-out or dial-in path is `path`, or nullptr when the
    // system has no serial port with that path.
    static std::shared_ptr<MLSerialPort> initWithPath(const QString &path);
    static std::shared_ptr<MLSerialPort> initWithDevice(const MLSerialDeviceEntry &device);
    static std::shared_ptr<MLSerialPort> serialPortWithPath(const QString &path)
    {
        return initWithPath(path);
    }
    static std::shared_ptr<MLSerialPort> serialPortWithDevice(const MLSerialDeviceEntry &device)
    {
        return initWithDevice(device);
    }

    static std::optional<MLSerialDeviceEntry> deviceFromBSDPath(const QString &path);
    static std::shared_ptr<MLSerialPort> existingPortWithPath(const QString &path);

    static QString bsdCalloutPathFromDevice(const MLSerialDeviceEntry &device) { return device.calloutPath; }
    static QString bsdDialinPathFromDevice(const MLSerialDeviceEntry &device) { return device.dialinPath; }
    static QString baseNameFromDevice(const MLSerialDeviceEntry &device) { return device.baseName; }
    static QString serviceTypeFromDevice(const MLSerialDeviceEntry &device) { return device.serviceType; }
    static QString modemNameFromDevice(const MLSerialDeviceEntry &device) { return device.modemName; }
    static QString suffixFromDevice(const MLSerialDeviceEntry &device) { return device.suffix; }

    // Replaces where ports are looked up (libudev by default; nullptr goes back
    // to it); returns the previous one.
    static std::shared_ptr<MLSerialDeviceRegistry>
    setDeviceRegistry(std::shared_ptr<MLSerialDeviceRegistry> registry);
    // Replaces how modem lines are read and driven (ioctl by default; nullptr
    // goes back to it) for ports opened from now on; returns the previous one.
    static std::shared_ptr<MLModemLines> setModemLines(std::shared_ptr<MLModemLines> lines);

    ~MLSerialPort();
    MLSerialPort(const MLSerialPort &) = delete;
    MLSerialPort &operator=(const MLSerialPort &) = delete;

    // Opens the device; a failure reaches the delegate later on the main thread.
    void open();
    // Puts the device's own settings back and closes it. Always true on Linux:
    // close(2) releases the descriptor even when it reports an error.
    bool close();
    bool isOpen() const { return m_fileDescriptor.load() != 0; }
    // Appends to the write buffer and writes all of it. False when closed or when the write failed.
    bool sendData(const QByteArray &data);
    // For a device that has vanished: close, then tell the delegate.
    void cleanup();

    MLSerialPortDelegate *delegate() const { return m_delegate; }
    void setDelegate(MLSerialPortDelegate *delegate) { m_delegate = delegate; }

    QString path() const;
    QString name() const;
    QString description() const { return name(); }
    QByteArray writeBuffer() const;
    int fileDescriptor() const { return m_fileDescriptor.load(); }

    qint64 baudRate() const { return m_baudRate; }
    void setBaudRate(qint64 baudRate);
    quint64 numberOfStopBits() const { return m_numberOfStopBits; }
    void setNumberOfStopBits(quint64 stopBits);
    quint64 parity() const { return m_parity; } // 0 none, 1 odd, 2 even
    void setParity(quint64 parity);
    bool shouldEchoReceivedData() const { return m_shouldEchoReceivedData; }
    void setShouldEchoReceivedData(bool echo);
    bool usesRTSCTSFlowControl() const { return m_usesRTSCTSFlowControl; }
    void setUsesRTSCTSFlowControl(bool uses);
    bool usesDTRDSRFlowControl() const { return m_usesDTRDSRFlowControl; }
    void setUsesDTRDSRFlowControl(bool uses);
    bool usesDCDOutputFlowControl() const { return m_usesDCDOutputFlowControl; }
    void setUsesDCDOutputFlowControl(bool uses);
    bool RTS() const { return m_RTS; }
    void setRTS(bool rts);
    bool DTR() const { return m_DTR; }
    void setDTR(bool dtr);
    bool CTS() const { return m_CTS; }
    void setCTS(bool cts) { m_CTS = cts; }
    bool DSR() const { return m_DSR; }
    void setDSR(bool dsr) { m_DSR = dsr; }
    bool DCD() const { return m_DCD; }
    void setDCD(bool dcd) { m_DCD = dcd; }

    bool operator==(const MLSerialPort &other) const { return path() == other.path(); }

    struct Private;

private:
    struct PrivateTag
    {};

public:
    MLSerialPort(const MLSerialDeviceEntry &device, PrivateTag);

private:
    void setPortOptions();
    void notifyDelegateOfPosixError(int code);
    void receiveData(const QByteArray &data);
    static void postDelegateError(const std::weak_ptr<MLSerialPort> &port, int code);
    void driveModemLine(int line, bool on);
    void setFlowControl(bool MLSerialPort::*field, bool uses);
    void closeDescriptor();
    void startBackgroundThread();
    void stopBackgroundThread();
    void backgroundLoop(int fd, int wakeFd, std::shared_ptr<MLModemLines> lines,
                        std::weak_ptr<MLSerialPort> self);
    bool readAvailable(int fd, short revents, const std::weak_ptr<MLSerialPort> &self);
    void pollModemLines(int fd, MLModemLines &lines, const std::weak_ptr<MLSerialPort> &self);

    std::unique_ptr<Private> d;
    std::atomic<int> m_fileDescriptor{0};
    MLSerialPortDelegate *m_delegate = nullptr;
    qint64 m_baudRate = 19200;
    quint64 m_numberOfStopBits = 1;
    quint64 m_parity = 0;
    bool m_shouldEchoReceivedData = false;
    bool m_usesRTSCTSFlowControl = false;
    bool m_usesDTRDSRFlowControl = false;
    bool m_usesDCDOutputFlowControl = false;
    bool m_RTS = false;
    bool m_DTR = false;
    // Written on the main thread, compared by the line poll on the background thread.
    std::atomic<bool> m_CTS{false};
    std::atomic<bool> m_DSR{false};
    std::atomic<bool> m_DCD{false};
};
