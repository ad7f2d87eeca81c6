#pragma once

#include <QByteArray>
#include <QString>

class MLSerialPort;

// A failed POSIX call of a serial port: errno with its system text and the
// device path it concerned.
struct MLPosixError
{
    int code = 0;
    QString message; // the system's text for the code, strerror(code)
    QString path;

    static MLPosixError fromErrno(int code, const QString &path);
    // The text form, e.g. "Device or resource busy (POSIX error 16, /dev/ttyACM0)".
    QString description() const;
};

// Receiver of a serial port's events, always called on the main thread. The
// last three have empty defaults: a delegate overrides what it wants to hear.
class MLSerialPortDelegate
{
public:
    virtual ~MLSerialPortDelegate() = default;

    virtual void serialPortDidReceiveData(MLSerialPort *port, const QByteArray &data) = 0;
    virtual void serialPortWasRemovedFromSystem(MLSerialPort *port) = 0;
    virtual void serialPortDidEncounterError(MLSerialPort *port, const MLPosixError &error)
    {
        Q_UNUSED(port);
        Q_UNUSED(error);
    }
    virtual void serialPortWasOpened(MLSerialPort *port) { Q_UNUSED(port); }
    virtual void serialPortWasClosed(MLSerialPort *port) { Q_UNUSED(port); }
};
