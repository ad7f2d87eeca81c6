#pragma once

#include <QTemporaryDir>

// A private store for a benchmark: never the user's settings; offscreen
// unless another platform is asked for.
inline void mlBenchUsePrivateHome(const QTemporaryDir &home)
{
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
