#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Class operations only; never instantiated.
class MLUtilities
{
public:
    MLUtilities() = delete;

    // The boolean value of whatever the user-defaults store holds under the key;
    // false when nothing is stored.
    static bool logActive(QLatin1StringView key);
    static bool logActive(const QString &key);

    // Every UTF-16 code unit outside 0x21..0x7E written as "0x%02x".
    static QString stringWithExpandedControlChars(const QString &text);

    // ~/.local/share/Marlevo Microphone Settings; empty when the platform
    // reports no data folder. The folder is not created.
    static QString userAppSupportPath();

    // The bytes decoded as UTF-8, or nothing when they are not valid UTF-8.
    static std::optional<QString> decodeUtf8Strict(const QByteArray &bytes);
    static QString stringFromUtf8OrEmpty(const QByteArray &bytes) { return decodeUtf8Strict(bytes).value_or(QString()); }
};
