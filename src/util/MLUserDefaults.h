#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The application's user-defaults store: QSettings for organisation
// "Marlevo" and application "Marlevo Microphone Settings", in front of the
// registered defaults, which live in memory for the run and are never written.
// Main thread only, like every caller in this application.
class MLUserDefaults
{
public:
    MLUserDefaults() = delete;

    static QVariant objectForKey(const QString &key);
    static QString stringForKey(const QString &key); // empty unless a string (or number) is stored
    static bool boolForKey(const QString &key);      // false when absent
    static bool hasStoredValue(const QString &key);  // in the store itself, defaults not counted

    static void setObject(const QVariant &value, const QString &key);
    static void setBool(bool value, const QString &key);
    static void removeObjectForKey(const QString &key);

    static void registerDefaults(const QVariantMap &defaults);
    static void resetRegisteredDefaults(); // for tests
    static bool synchronize();

    // The boolean value of a stored object: a number counts when non-zero; a
    // string, after leading white space, when it starts with Y, y, T, t or a
    // digit 1-9 (after an optional sign and zeros).
    static bool boolValueOfObject(const QVariant &value);
};
