// Marlevo Microphone Settings: the application entry.

#include "MLAppDelegate.h"
#include "MLDeviceManager.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marlevo"));
    QCoreApplication::setApplicationName(QStringLiteral("Marlevo Microphone Settings"));
    QApplication::setStyle(QStringLiteral("Fusion"));

    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("marlevo-mic-settings"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);

    auto delegate = std::make_shared<MLAppDelegate>();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, delegate.get(),
                     [&delegate] { delegate->applicationWillTerminate(); });
    delegate->applicationDidFinishLaunching();
    const int status = QApplication::exec();

    // The window goes before the application object does; device events
    // still queued would otherwise keep the controller alive until then.
    MLDeviceManager::sharedInstance()->removeListener(delegate.get());
    QCoreApplication::removePostedEvents(MLDeviceManager::sharedInstance());
    delegate.reset();
    return status;
}
