#pragma once

#include "MLSerialPort.h"

// While alive, the serial ports known to the system are exactly one
// pseudo-terminal (no udev): its path, and a dial-in alias if one is given.
class PtyAsOnlySerialPort
{
public:
    explicit PtyAsOnlySerialPort(const QString &path, const QString &dialinPath = QString())
    {
        const MLSerialDeviceEntry entry{path, dialinPath.isEmpty() ? path : dialinPath, QStringLiteral("pts"),
                                        path.section(u'/', -1), QString(), QStringLiteral("IOSerialStream")};
        m_previous = MLSerialPort::setDeviceRegistry(
            std::make_shared<MLFixedSerialDeviceRegistry>(std::vector<MLSerialDeviceEntry>{entry}));
    }
    ~PtyAsOnlySerialPort() { MLSerialPort::setDeviceRegistry(m_previous); }
    PtyAsOnlySerialPort(const PtyAsOnlySerialPort &) = delete;
    PtyAsOnlySerialPort &operator=(const PtyAsOnlySerialPort &) = delete;

private:
    std::shared_ptr<MLSerialDeviceRegistry> m_previous;
};
