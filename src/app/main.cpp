// Marlevo Microphone Settings: the application entry.

#include "MLAppDelegate.h"
#include "MLDeviceManager.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marlevo"));
    QCoreApplication::setApplicationName(QStringLiteral("Marlevo Microphone Settings"));
    QApplication::setStyle(QStringLiteral("Fusion"));

    // The load walks the desktop's languages (QLocale::uiLanguages()) in order:
    // the first with a translation wins, English included, so "en:de" stays English.
    QTranslator translator;
    QTranslator qtTranslator;
    if (translator.load(QLocale::system(), QStringLiteral("marlevo-mic-settings"), QStringLiteral("_"),
                        QStringLiteral(":/i18n"))) {
        QCoreApplication::installTranslator(&translator);
        // Qt's own texts (standard buttons, key names) in the same language, where the system has them.
        if (qtTranslator.load(QStringLiteral("qtbase_") + translator.language(),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qtTranslator);
    }

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
