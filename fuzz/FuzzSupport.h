#pragma once

#include "MLLog.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>

// The targets state their invariants with assert, kept in every build type.
#include <cassert>

// What every target needs once: an application object, settings in a folder
// of their own, the C locale, and a log that goes nowhere.
inline void fuzzInit()
{
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    MLSetLogSink([](const QString &) {});
}
