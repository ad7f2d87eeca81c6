#include "MLUserDefaults.h"

#include <QElapsedTimer>
#include <QSettings>

#include <memory>

namespace {

QVariantMap &registeredDefaults()
{
    static QVariantMap defaults;
    return defaults;
}

// One store per thread. QSettings objects of one process share what they
// hold, so a change made anywhere in the application shows at once; a change
// made to the file from outside (a support person switching on a log) is
// picked up by the sync at most this long after it was made. Opening the
// store afresh on every read would cost a file check each time, on every
// chunk the microphone sends.
constexpr qint64 kExternalChangeCheckMs = 500;

QSettings &store()
{
    thread_local std::unique_ptr<QSettings> settings;
    thread_local QElapsedTimer sinceSync;
    if (!settings) {
        settings = std::make_unique<QSettings>(QStringLiteral("Marlevo"), QStringLiteral("Marlevo Microphone Settings"));
        sinceSync.start();
    } else if (sinceSync.hasExpired(kExternalChangeCheckMs)) {
        settings->sync();
        sinceSync.restart();
    }
    return *settings;
}

} // namespace

QVariant MLUserDefaults::objectForKey(const QString &key)
{
    QVariant value = store().value(key);
    if (value.isValid())
        return value;
    return registeredDefaults().value(key);
}

QString MLUserDefaults::stringForKey(const QString &key)
{
    const QVariant value = objectForKey(key);
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return {};
    }
}

bool MLUserDefaults::boolForKey(const QString &key)
{
    return boolValueOfObject(objectForKey(key));
}

bool MLUserDefaults::hasStoredValue(const QString &key)
{
    return store().contains(key);
}

void MLUserDefaults::setObject(const QVariant &value, const QString &key)
{
    store().setValue(key, value);
}

void MLUserDefaults::setBool(bool value, const QString &key)
{
    store().setValue(key, value);
}

void MLUserDefaults::removeObjectForKey(const QString &key)
{
    store().remove(key);
}

void MLUserDefaults::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        registeredDefaults().insert(it.key(), it.value());
}

void MLUserDefaults::resetRegisteredDefaults()
{
    registeredDefaults().clear();
}

bool MLUserDefaults::synchronize()
{
    QSettings &settings = store();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool MLUserDefaults::boolValueOfObject(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return false;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() != 0.0;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        break;
    default:
        return false;
    }
    const QString text = value.toString();
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    if (pos >= text.size())
        return false;
    const QChar first = text.at(pos);
    if (first == u'Y' || first == u'y' || first == u'T' || first == u't')
        return true;
    if (first == u'+' || first == u'-')
        ++pos;
    while (pos < text.size() && text.at(pos) == u'0')
        ++pos;
    return pos < text.size() && text.at(pos) >= u'1' && text.at(pos) <= u'9';
}
