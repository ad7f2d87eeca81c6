#pragma once

#include "MLDefaultsKeys.h"
#include "MLFormat.h"
#include "MLUtilities.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The platform log: one record per call on standard error, as
// "yyyy-MM-dd HH:mm:ss.zzz <process>[<pid>] <text>". Safe from any thread.
void MLPlatformLog(const QString &text);

// Replaces where records go (tests capture them); an empty sink restores
// standard error. Returns the sink that was in place.
using MLLogSink = std::function<void(const QString &record)>;
MLLogSink MLSetLogSink(MLLogSink sink);

// The always-written log, printf-style: NSLog("Serial Timeout").
template<typename... Args> void MLLog(const char *format, const Args &...args)
{
    MLPlatformLog(MLFormat(format, {MLFormatArg(args)...}));
}

// The switched logs look their user-defaults key up on every call and format
// nothing while it is off.
template<typename... Args> void MLDiagnosticsLog(const char *format, const Args &...args)
{
    if (MLUtilities::logActive(MLDefaultsKeys::DiagnosticsEnabled))
        MLPlatformLog(MLFormat(format, {MLFormatArg(args)...}));
}

template<typename... Args> void MLDeviceDetailedLog(const char *format, const Args &...args)
{
    if (MLUtilities::logActive(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled))
        MLPlatformLog(MLFormat(format, {MLFormatArg(args)...}));
}

// Dumps received bytes as "<prefix><expanded text>"; bytes that are not valid
// UTF-8 dump as the prefix alone.
void MLDeviceDataIOLog(const QString &prefix, const QByteArray &data);
