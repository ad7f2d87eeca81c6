#include "MLLog.h"

#include "MLUtilities.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex &sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

MLLogSink &currentSink()
{
    static MLLogSink sink;
    return sink;
}

} // namespace

MLLogSink MLSetLogSink(MLLogSink sink)
{
    std::lock_guard lock(sinkMutex());
    MLLogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

void MLPlatformLog(const QString &text)
{
    std::lock_guard lock(sinkMutex());
    if (currentSink()) {
        currentSink()(text);
        return;
    }
    const QByteArray line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8()
        + ' ' + QByteArray(program_invocation_short_name) + '[' + QByteArray::number(qint64(::getpid())) + "] "
        + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void MLDeviceDataIOLog(const QString &prefix, const QByteArray &data)
{
    if (!MLUtilities::logActive(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled))
        return;
    const QString text = MLUtilities::stringFromUtf8OrEmpty(data);
    MLLog("%@%@", prefix, MLUtilities::stringWithExpandedControlChars(text));
}
