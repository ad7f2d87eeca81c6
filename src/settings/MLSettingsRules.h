#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

// The four values a microphone keeps.
struct MLMicrophoneSettings
{
    QString name;
    qint32 channel1 = 0; // 0 to 4 are "A" to "E", 5 and 6 "Legacy A" and "Legacy B"
    qint32 channel2 = 1;
    qint32 coverage = 3; // 1 to 5
    bool operator==(const MLMicrophoneSettings &) const = default;
};

// What may be written to a microphone, and what a person must confirm first.
// The settings sheet and the command line decide by these rules alone.
// No widgets: the texts are what an alert or a terminal shows.
class MLSettingsRules
{
    Q_DECLARE_TR_FUNCTIONS(MLSettingsRules)

public:
    static constexpr qsizetype kMaxNameLength = 12;
    static constexpr qint32 kLowestChannel = 0;
    static constexpr qint32 kHighestChannel = 6;
    static constexpr qint32 kLowestCoverage = 1;
    static constexpr qint32 kHighestCoverage = 5;

    // In the order they are checked; the first one found is reported.
    enum class Problem
    {
        None,
        NameBlank,       // nothing but spaces
        NameNotSendable, // a character the microphone cannot store
        NameTooLong,
        NameReserved, // holds the text by which the microphone reports that it needs recovery
        ChannelsEqual,
    };
    // In the order they are asked.
    enum class Confirmation
    {
        Legacy,
        Extended,
    };

    static Problem check(const MLMicrophoneSettings &settings);
    // The alert's message and its informative text.
    static QString problemTitle(Problem problem);
    static QString problemText(Problem problem);

    static QList<Confirmation> confirmationsNeeded(const MLMicrophoneSettings &settings);
    static QString confirmationTitle(Confirmation confirmation);
    static QString confirmationText(Confirmation confirmation);

    // Printable ASCII, at most 12 characters, nothing a reply would take for the recovery marker.
    static bool canStoreName(const QString &name);
    static bool isPrintableAscii(const QString &text);
    // Space through tilde: what a command line can carry as text.
    static bool isPrintableAscii(QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7e; }
    static bool isLegacyChannel(qint32 channel) { return channel >= 5; }
    static bool isExtendedChannel(qint32 channel) { return channel >= 2 && channel <= 4; }

    // "A" to "E", "Legacy A", "Legacy B", localised.
    static QString channelName(qint32 channel);
    // A channel as the sheet names it in English ("A" to "E", "Legacy A",
    // "Legacy B", any case) or as the number the microphone stores ("0" to "6").
    static std::optional<qint32> channelFromText(const QString &text);
    // "Unknown (7)": a value the microphone holds that this application does not offer.
    static QString unknownValueName(qint32 value);

    // The localised "Microphone" when the microphone can store it, else the English one.
    static QString factoryName();
    static MLMicrophoneSettings factorySettings();
    // One short line on what a coverage value means in a classroom.
    static QString coverageMeaning(qint32 value);
};
