#include "MLSerialPortDelegate.h"

#include <cstring>

MLPosixError MLPosixError::fromErrno(int code, const QString &path)
{
    // The GNU strerror_r: thread-safe, and it may return a static text
    // instead of filling the buffer.
    char buffer[256] = {};
    const char *text = ::strerror_r(code, buffer, sizeof buffer);
    return MLPosixError{code, QString::fromLocal8Bit(text), path};
}

QString MLPosixError::description() const
{
    if (path.isEmpty())
        return QStringLiteral("%1 (POSIX error %2)").arg(message).arg(code);
    return QStringLiteral("%1 (POSIX error %2, %3)").arg(message).arg(code).arg(path);
}
