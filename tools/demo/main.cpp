// marlevo-demo: Marlevo Microphone Settings against simulated microphones on
// a umockdev testbed, with a local firmware update service. Run with --help.

#include "Demo.h"
#include "DemoHome.h"
#include "DemoTestbed.h"
#include "DemoUpdateService.h"
#include "MicSimulator.h"
#include "UmockdevPreload.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const char byte = char(signal);
    // Nothing to do if the pipe is full: a quit is on its way already.
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

// Ctrl-C and friends close the application and clean up instead of leaving
// the terminal in single-key mode.
void quitOnSignals(Demo &demo)
{
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &demo);
    QObject::connect(notifier, &QSocketNotifier::activated, &demo, [&demo] {
        char byte;
        while (read(signalPipe[0], &byte, 1) > 0) {
        }
        demo.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// --run: one simulated teacher microphone plugged in, the command run with
// this terminal, and its exit status passed on. For trying the command line
// (or a script or playbook around it) without hardware.
int runWithMicrophone(DemoTestbed &testbed, const QStringList &command)
{
    MicSimulator sim;
    DemoTestbed::dressAsTeacher(sim);
    QString error;
    if (!testbed.plug(QStringLiteral("2"), DemoTestbed::TeacherProduct, &sim, &error).isValid()) {
        std::fprintf(stderr, "marlevo-demo: cannot plug in the simulated microphone: %s\n",
                     error.toLocal8Bit().constData());
        return 1;
    }
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setInputChannelMode(QProcess::ForwardedInputChannel);
    int status = 127;
    // The simulator answers from this event loop while the command runs.
    QObject::connect(&program, &QProcess::finished, [&status](int code, QProcess::ExitStatus how) {
        // Qt gives the signal's number as the code of a crash.
        status = how == QProcess::NormalExit ? code : 128 + code;
        QCoreApplication::quit();
    });
    QObject::connect(&program, &QProcess::errorOccurred, [&program](QProcess::ProcessError problem) {
        if (problem != QProcess::FailedToStart)
            return;
        std::fprintf(stderr, "marlevo-demo: cannot run %s: %s\n", program.program().toLocal8Bit().constData(),
                     program.errorString().toLocal8Bit().constData());
        QCoreApplication::quit();
    });
    program.start(command.first(), command.mid(1));
    QCoreApplication::exec();
    return status;
}

void fail(const QString &message)
{
    std::fprintf(stderr, "marlevo-demo: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char **argv)
{
    mlReexecUnderUmockdevPreload(argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marlevo-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Runs Marlevo Microphone Settings against a simulated teacher microphone on a umockdev "
            "testbed, with a firmware update service on 127.0.0.1 offering newer firmware. The "
            "application gets a private home: your own settings are never read or changed.\n\n") +
        Demo::menu() +
        QStringLiteral(
            "\nWhen standard input is no terminal, each character read is a key, acted on one after "
            "the other; with no input at all the walk-through runs."));
    parser.addHelpOption();
    const QCommandLineOption tourOption(QStringLiteral("tour"),
                                        QStringLiteral("Walk through every state by itself, then quit."));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"),
        QStringLiteral("Save a screenshot of the screen after each step into <folder>."),
        QStringLiteral("folder"));
    const QCommandLineOption appOption(QStringLiteral("app"), QStringLiteral("The application to run."),
                                       QStringLiteral("path"), QStringLiteral(ML_DEMO_APP_PATH));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Leave the application's diagnostics log off."));
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral("Only check that the application shows the teacher microphone: exit with 0 once it "
                       "has read the microphone's summary, with 1 when it has not within <seconds>."),
        QStringLiteral("seconds"));
    const QCommandLineOption languageOption(
        QStringLiteral("lang"),
        QStringLiteral("Show the application in <language> (de, fr, es, it, nl or en), as a desktop in that "
                       "language would; the default follows LANGUAGE and the locale."),
        QStringLiteral("language"));
    const QCommandLineOption runOption(
        QStringLiteral("run"),
        QStringLiteral("Run <command> [arguments…] (after --) instead of the application, with one simulated "
                       "teacher microphone plugged in, and exit with its status: e.g. --run -- marlevo-mic "
                       "show."));
    parser.addOptions(
        {tourOption, screenshotsOption, appOption, quietOption, checkOption, languageOption, runOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command of --run."),
                                 QStringLiteral("[-- command [arguments…]]"));
    parser.process(app);
    const bool runMode = parser.isSet(runOption);
    if (runMode == parser.positionalArguments().isEmpty()) {
        fail(runMode ? QStringLiteral("--run needs a command after --")
                     : QStringLiteral("a command is run only with --run"));
        return 2;
    }
    // The application picks its language from the desktop's list, which Qt reads from LANGUAGE first.
    if (parser.isSet(languageOption))
        qputenv("LANGUAGE", parser.value(languageOption).toLocal8Bit());

    Demo::Options options;
    options.appPath = parser.value(appOption);
    options.tour = parser.isSet(tourOption);
    if (parser.isSet(checkOption)) {
        options.checkSeconds = parser.value(checkOption).toInt();
        if (options.checkSeconds <= 0) {
            fail(QStringLiteral("--check needs a number of seconds above 0"));
            return 1;
        }
    }
    if (parser.isSet(screenshotsOption))
        options.screenshotDir = QDir(parser.value(screenshotsOption)).absolutePath();
    if (!runMode && !QFile::exists(options.appPath)) {
        fail(QStringLiteral("no application at %1 (build the target marlevo-mic-settings)")
                 .arg(options.appPath));
        return 1;
    }

    // A home of the demo's own: the application's store, caches and the
    // testbed live there and go with it.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/marlevo-demo-XXXXXX"));
    if (!home.isValid()) {
        fail(QStringLiteral("cannot make a temporary folder: %1").arg(home.errorString()));
        return 1;
    }
    for (const char *name : {"config", "data", "cache", "runtime", "tmp"}) {
        if (!QDir(home.path()).mkpath(QString::fromLatin1(name))) {
            fail(QStringLiteral("cannot make folders in %1").arg(home.path()));
            return 1;
        }
    }
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A Wayland display named relative to the session's runtime folder must
    // still be found once that folder is replaced.
    const QString sessionRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!waylandDisplay.isEmpty() && !waylandDisplay.startsWith(u'/') && !sessionRuntime.isEmpty())
        qputenv("WAYLAND_DISPLAY", QDir(sessionRuntime).filePath(waylandDisplay).toLocal8Bit());
    const QString configHome = home.filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")).toLocal8Bit());
    // umockdev makes its testbed folder there.
    qputenv("TMPDIR", home.filePath(QStringLiteral("tmp")).toLocal8Bit());

    DemoUpdateService service;
    QString error;
    if (!service.start(&error)) {
        fail(QStringLiteral("cannot start the update service: %1").arg(error));
        return 1;
    }
    // The command of --run owns standard output: the demo's own lines go beside it.
    FILE *const talk = runMode ? stderr : stdout;
    service.setRequestObserver([talk](const QByteArray &method, const QByteArray &target, int status) {
        std::fprintf(talk, "demo: update service: %s %s -> %d\n", method.isEmpty() ? "?" : method.constData(),
                     target.isEmpty() ? "?" : target.constData(), status);
        std::fflush(talk);
    });
    if (!writeDemoStore(configHome, service.baseUrl(), options.checkSeconds > 0 || !parser.isSet(quietOption), &error)) {
        fail(error);
        return 1;
    }
    std::fprintf(talk,
                 "demo: update service at %s offers firmware %s (%s) for the microphone's 1.05\n"
                 "demo: the application's settings: %s\n",
                 service.baseUrl().toLocal8Bit().constData(), DemoUpdateService::OfferedVersionText,
                 DemoUpdateService::OfferedFileName, demoStorePath(configHome).toLocal8Bit().constData());
    std::fflush(talk);

    DemoTestbed testbed;
    if (testbed.root().isEmpty()) {
        fail(QStringLiteral("cannot make a umockdev testbed"));
        return 1;
    }
    if (runMode)
        return runWithMicrophone(testbed, parser.positionalArguments());
    int status = 0;
    {
        Demo demo(options, testbed);
        QObject::connect(&demo, &Demo::finished, &app, [](int code) { QCoreApplication::exit(code); });
        quitOnSignals(demo);
        if (!demo.start(&error)) {
            fail(error);
            return 1;
        }
        status = QCoreApplication::exec();
    }
    return status;
}
