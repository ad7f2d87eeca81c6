#pragma once

#include <QString>

// The application's user-defaults store inside a demo home: the file that
// QSettings("Marlevo", "Marlevo Microphone Settings") reads when
// XDG_CONFIG_HOME is configHome.
QString demoStorePath(const QString &configHome);

// Writes the update service's base URL (and, when asked, the two
// diagnostics switches, so the application's log shows in the demo's
// terminal) into that store. False with a reason when it cannot be written.
bool writeDemoStore(const QString &configHome, const QString &serverUrl, bool diagnostics,
                    QString *error = nullptr);
