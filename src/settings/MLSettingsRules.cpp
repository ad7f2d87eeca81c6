#include "MLSettingsRules.h"

#include "MLDeviceManager.h"

#include <algorithm>

namespace {

// The text that, in a reply, marks a microphone in need of recovery.
const QLatin1StringView kBrickedMarker("keyset1.txt");

// The channel names as the sheet shows them in English, 0 to 6.
const char *const kChannelNames[] = {
    QT_TRANSLATE_NOOP("MLSettingsRules", "A"),        QT_TRANSLATE_NOOP("MLSettingsRules", "B"),
    QT_TRANSLATE_NOOP("MLSettingsRules", "C"),        QT_TRANSLATE_NOOP("MLSettingsRules", "D"),
    QT_TRANSLATE_NOOP("MLSettingsRules", "E"),        QT_TRANSLATE_NOOP("MLSettingsRules", "Legacy A"),
    QT_TRANSLATE_NOOP("MLSettingsRules", "Legacy B"),
};

} // namespace

MLSettingsRules::Problem MLSettingsRules::check(const MLMicrophoneSettings &settings)
{
    const QString &name = settings.name;
    // The trimmed name only decides whether it is blank; the name is sent as entered.
    if (name.trimmed().isEmpty())
        return Problem::NameBlank;
    // Such a name would write nothing and fail only at the time-out.
    if (!isPrintableAscii(name))
        return Problem::NameNotSendable;
    if (name.size() > kMaxNameLength)
        return Problem::NameTooLong;
    // Every later reply would carry the name, and the marker in it, so the
    // microphone would look in need of recovery for good.
    if (MLDeviceManager::nameHoldsBrickedMarker(name) || name.contains(kBrickedMarker, Qt::CaseInsensitive))
        return Problem::NameReserved;
    if (settings.channel1 == settings.channel2)
        return Problem::ChannelsEqual;
    return Problem::None;
}

QString MLSettingsRules::problemTitle(Problem problem)
{
    switch (problem) {
    case Problem::None:
        break;
    case Problem::NameBlank:
        return tr("Name cannot be blank");
    case Problem::NameNotSendable:
        return tr("Name contains characters the microphone cannot store");
    case Problem::NameTooLong:
        return tr("Name is too long");
    case Problem::NameReserved:
        return tr("Name cannot contain \u201Ckeyset1.txt\u201D");
    case Problem::ChannelsEqual:
        return tr("Channels assignments must be different");
    }
    return QString();
}

QString MLSettingsRules::problemText(Problem problem)
{
    switch (problem) {
    case Problem::None:
        break;
    case Problem::NameBlank:
    case Problem::NameTooLong:
        return tr("Please enter a name for the microphone, with a maximum of 12 characters.");
    case Problem::NameNotSendable:
        return tr(
            "Please use only the letters A to Z, digits, spaces and punctuation in the microphone name.");
    case Problem::NameReserved:
        return tr("The microphone uses \u201Ckeyset1.txt\u201D to report that it needs recovery. Please "
                  "choose a name without it.");
    case Problem::ChannelsEqual:
        return tr("You cannot assign the same channel to both switch positions on your microphone. Please "
                  "assign a unique channel to each microphone channel switch position.");
    }
    return QString();
}

QList<MLSettingsRules::Confirmation>
MLSettingsRules::confirmationsNeeded(const MLMicrophoneSettings &settings)
{
    QList<Confirmation> needed;
    if (isLegacyChannel(settings.channel1) || isLegacyChannel(settings.channel2))
        needed.append(Confirmation::Legacy);
    if (isExtendedChannel(settings.channel1) || isExtendedChannel(settings.channel2))
        needed.append(Confirmation::Extended);
    return needed;
}

QString MLSettingsRules::confirmationTitle(Confirmation confirmation)
{
    return confirmation == Confirmation::Legacy ? tr("Confirm legacy channels")
                                                : tr("Confirm extended channels");
}

QString MLSettingsRules::confirmationText(Confirmation confirmation)
{
    if (confirmation == Confirmation::Legacy)
        return tr(
            "A channel you have selected (Legacy A or Legacy B) will not function with the Marlevo Orvik "
            "System. These channels are for use with other Marlevo Systems.\n\nDo you want to continue?");
    return tr("A channel you have selected (C, D or E) will not function without the optional Orvik Channel "
              "Expansion Module installed.\n\nDo you want to continue?");
}

bool MLSettingsRules::canStoreName(const QString &name)
{
    return name.size() <= kMaxNameLength && isPrintableAscii(name) &&
           !name.contains(kBrickedMarker, Qt::CaseInsensitive) &&
           !MLDeviceManager::nameHoldsBrickedMarker(name);
}

bool MLSettingsRules::isPrintableAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return isPrintableAscii(c); });
}

QString MLSettingsRules::channelName(qint32 channel)
{
    if (channel < kLowestChannel || channel > kHighestChannel)
        return unknownValueName(channel);
    return tr(kChannelNames[channel]);
}

std::optional<qint32> MLSettingsRules::channelFromText(const QString &text)
{
    for (qint32 channel = kLowestChannel; channel <= kHighestChannel; ++channel) {
        if (text.compare(QLatin1StringView(kChannelNames[channel]), Qt::CaseInsensitive) == 0 ||
            text == QString::number(channel))
            return channel;
    }
    return std::nullopt;
}

QString MLSettingsRules::unknownValueName(qint32 value)
{
    return tr("Unknown (%1)").arg(value);
}

QString MLSettingsRules::factoryName()
{
    const QString localised = tr("Microphone");
    return canStoreName(localised) && !localised.trimmed().isEmpty() ? localised
                                                                     : QStringLiteral("Microphone");
}

MLMicrophoneSettings MLSettingsRules::factorySettings()
{
    return MLMicrophoneSettings{factoryName(), 0, 1, 3};
}

QString MLSettingsRules::coverageMeaning(qint32 value)
{
    switch (value) {
    case 1:
        return tr("1: the smallest area, a group around the teacher");
    case 2:
        return tr("2: a small classroom");
    case 3:
        return tr("3: a usual classroom (factory setting)");
    case 4:
        return tr("4: a large classroom");
    case 5:
        return tr("5: the largest area, a hall or gym");
    default:
        return tr("%1: a value this application does not know; it is kept as it is").arg(value);
    }
}
