#pragma once

#include "MLLog.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

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

// A broken invariant is reported like any sanitizer finding.
#define FUZZ_REQUIRE(condition)                                                                  \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)
