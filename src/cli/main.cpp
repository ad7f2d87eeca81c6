// marlevo-mic: the command line for IT staff.

#include "MLCommandLine.h"
#include "MLLog.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marlevo"));
    QCoreApplication::setApplicationName(QStringLiteral("Marlevo Microphone Settings"));
    QStringList args = QCoreApplication::arguments().mid(1);
    // The link's log would mix with the output scripts read: kept only when asked for.
    if (!args.removeAll(QStringLiteral("--verbose")))
        MLSetLogSink([](const QString &) {});
    QTextStream out(stdout);
    QTextStream err(stderr);
    MLCommandLine commandLine;
    return commandLine.run(args, out, err);
}
