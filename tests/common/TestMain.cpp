// Test entry: Qt on the offscreen platform and a user-defaults store of the
// test's own, so that no test reads or changes the user's settings.

#include "UmockdevPreload.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Sanitizer settings of every test program (read only when a sanitizer is
// linked in): report leaks, stop at the first undefined behaviour, and let
// umockdev's preload library come before the sanitizer's runtime.
extern "C" const char *__asan_default_options()
{
    return "verify_asan_link_order=0:detect_leaks=1";
}
extern "C" const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

int main(int argc, char **argv)
{
#ifdef ML_TEST_UNDER_UMOCKDEV
    mlReexecUnderUmockdevPreload(argv);
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Testbeds and temporary files in the build folder, not in /tmp.
    qputenv("TMPDIR", ML_TEST_TMPDIR);
    if (qEnvironmentVariableIsEmpty("ML_TEST_OUTPUT_DIR"))
        qputenv("ML_TEST_OUTPUT_DIR", ML_TEST_OUTPUT_DIR);

    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder for the test's settings\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
