#include "MLUtilities.h"

#include "MLUserDefaults.h"

#include <QStandardPaths>
#include <QStringDecoder>

bool MLUtilities::logActive(QLatin1StringView key)
{
    return MLUserDefaults::boolForKey(QString(key));
}

bool MLUtilities::logActive(const QString &key)
{
    return MLUserDefaults::boolForKey(key);
}

QString MLUtilities::stringWithExpandedControlChars(const QString &text)
{
    static constexpr char16_t hex[] = u"0123456789abcdef";
    QString out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x21 && u <= 0x7e) {
            out += c;
            continue;
        }
        out += u"0x";
        // "%02x": at least two digits, more when the code unit needs them.
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const int nibble = (u >> shift) & 0xf;
            if (nibble || started || shift <= 4) {
                out += QChar(hex[nibble]);
                started = true;
            }
        }
    }
    return out;
}

QString MLUtilities::userAppSupportPath()
{
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    if (folders.isEmpty() || folders.first().isEmpty())
        return {};
    return folders.first() + QStringLiteral("/Marlevo Microphone Settings");
}

std::optional<QString> MLUtilities::decodeUtf8Strict(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
