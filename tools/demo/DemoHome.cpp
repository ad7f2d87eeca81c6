#include "DemoHome.h"

#include <QSettings>

QString demoStorePath(const QString &configHome)
{
    return configHome + QStringLiteral("/Marlevo/Marlevo Microphone Settings.conf");
}

bool writeDemoStore(const QString &configHome, const QString &serverUrl, bool diagnostics, QString *error)
{
    // The same format QSettings uses for the application's own store on
    // Linux, so that every value reads back as the application expects.
    QSettings store(demoStorePath(configHome), QSettings::IniFormat);
    store.setValue(QStringLiteral("MarlevoServerURL"), serverUrl);
    if (diagnostics) {
        store.setValue(QStringLiteral("DiagnosticsEnabled"), true);
        store.setValue(QStringLiteral("DeviceDetailedDiagnosticsEnabled"), true);
    }
    store.sync();
    if (store.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(store.fileName());
        return false;
    }
    return true;
}
