// The wire side of the device link: command lines, received bytes and the
// recognition of replies.

#include "MLDeviceManager.h"

#include "MLLog.h"
#include "MLRegex.h"
#include "MLUtilities.h"
#include "NumericConversions.h"

#include <QLocale>
#include <QStringEncoder>

namespace {

constexpr uint32_t kReplyOptions = MLRegex::CaseInsensitive | MLRegex::MultiLine;

const QString &brickedMarker()
{
    static const QString marker = QStringLiteral("keyset1.txt");
    return marker;
}

// The property table's printed form for the diagnostics log, built only
// while that log is on.
struct PropertiesDescription
{
    const QMap<QString, QString> &properties;
    QString description() const
    {
        QString text = QStringLiteral("{");
        for (auto it = properties.begin(); it != properties.end(); ++it) {
            text += it == properties.begin() ? QStringLiteral(" ") : QStringLiteral("; ");
            text += it.key() + QStringLiteral(" = \"") + it.value() + u'"';
        }
        return text + QStringLiteral(" }");
    }
};

bool isLineTerminator(char16_t c)
{
    // What ends a line for the reply patterns ('.' never crosses these).
    return (c >= 0x0a && c <= 0x0d) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Whether a line has what any summary needs after its name: the name's
// closing quote and comma, then six non-empty comma-separated fields. The
// pattern runs only on lines that have it. Without this, every chunk of a
// buffer full of almost-summaries would cost the pattern's backtracking on
// each of its lines.
bool summaryFieldsFit(QStringView line)
{
    // `Summary="` is nine characters, and the name at least one.
    const qsizetype quote = line.indexOf(u"\",", 10);
    if (quote < 0)
        return false;
    // Earliest separators first: a field ends at the first comma that leaves it non-empty.
    int separators = 0;
    qsizetype fieldStart = quote + 2;
    for (qsizetype i = fieldStart; i < line.size() && separators < 5; ++i) {
        if (line[i] == u',' && i > fieldStart) {
            ++separators;
            fieldStart = i + 1;
        }
    }
    return separators == 5 && fieldStart < line.size();
}

// One line of the reply text: [start, end), and whether its terminator has arrived.
struct ReplyLine
{
    qsizetype start = 0;
    qsizetype end = 0;
    bool terminated = false;
};

std::vector<ReplyLine> replyLines(const QString &reply)
{
    std::vector<ReplyLine> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        if (isLineTerminator(reply.at(i).unicode())) {
            lines.push_back({start, i, true});
            start = i + 1;
        }
    }
    if (start < reply.size())
        lines.push_back({start, reply.size(), false});
    return lines;
}

// The first line that the pattern matches on its own, or nothing.
std::optional<ReplyLine> firstMatchingLine(const QString &reply, const std::vector<ReplyLine> &lines,
                                           const QString &pattern)
{
    for (const ReplyLine &line : lines) {
        if (MLRegex::isMatchedByRegex(reply, pattern, kReplyOptions, {line.start, line.end - line.start}))
            return line;
    }
    return std::nullopt;
}

bool startsWithIgnoringCase(QStringView line, QLatin1StringView prefix)
{
    return line.startsWith(prefix, Qt::CaseInsensitive);
}

// A line that is, or is still becoming, the acknowledgement of a rename.
bool isNameAcknowledgementLine(const QString &reply, const ReplyLine &line)
{
    static const QString start = QStringLiteral("^name\\s*=");
    return MLRegex::isMatchedByRegex(reply, start, kReplyOptions, {line.start, line.end - line.start});
}

// Every occurrence of the marker in the line lies inside [from, to).
bool markerOnlyWithin(QStringView line, qsizetype from, qsizetype to)
{
    for (qsizetype at = line.indexOf(brickedMarker()); at >= 0; at = line.indexOf(brickedMarker(), at + 1)) {
        if (at < from || at + brickedMarker().size() > to)
            return false;
    }
    return true;
}

// The reply decoded as UTF-8, a byte at a time where it is not: such a byte
// is left out of the reply text (so line noise ahead of a reply does not hide
// it), or, for the receive dump, shown as the character of its value.
QString decodeLeniently(QByteArrayView bytes, bool keepInvalidBytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString text;
    text.reserve(bytes.size());
    const auto byte = [&](qsizetype i) { return uchar(bytes.at(i)); };
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar lead = byte(i);
        int length = 0;
        uchar low = 0x80, high = 0xbf; // allowed range of the second byte
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xc2 && lead <= 0xdf)
            length = 2;
        else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            low = lead == 0xe0 ? 0xa0 : 0x80;
            high = lead == 0xed ? 0x9f : 0xbf;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            low = lead == 0xf0 ? 0x90 : 0x80;
            high = lead == 0xf4 ? 0x8f : 0xbf;
        }
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const uchar c = byte(i + k);
            valid = k == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xbf);
        }
        if (!valid) {
            if (keepInvalidBytes)
                text += QChar(char16_t(lead));
            ++i;
            continue;
        }
        text += QString::fromUtf8(bytes.sliced(i, length));
        i += length;
    }
    return text;
}

} // namespace

namespace {

struct SummaryMatch
{
    ReplyLine line;
    QStringList groups;
};

// The pattern anchors at a line start and never crosses a line end, so the
// first line that matches on its own is the first match in the reply.
std::optional<SummaryMatch> matchSummaryLine(const QString &reply, const std::vector<ReplyLine> &lines)
{
    for (const ReplyLine &line : lines) {
        if (!summaryFieldsFit(QStringView(reply).sliced(line.start, line.end - line.start)))
            continue;
        // The line alone: '^' and '$' hold at the ends of the range.
        QStringList groups = MLRegex::captureComponentsMatchedByRegex(
            reply, MLDeviceManager::summaryPattern(), kReplyOptions, {line.start, line.end - line.start});
        if (groups.size() >= 8)
            return SummaryMatch{line, std::move(groups)};
    }
    return std::nullopt;
}

enum class Bricked
{
    No,
    Yes,
    Undecided
};

// The marker counts as the bricked message unless it stands only inside the
// quoted name of a complete summary line or in a rename's acknowledgement: a
// microphone given such a name elsewhere must stay usable and renamable. A
// summary line still arriving is undecided until it ends or goes quiet.
Bricked brickedMessageIn(const QString &reply, const std::vector<ReplyLine> &lines, bool tailSettled)
{
    if (!MLDeviceManager::isBrickedMessage(reply))
        return Bricked::No;
    bool seen = false;
    Bricked verdict = Bricked::No;
    for (const ReplyLine &line : lines) {
        const QStringView text = QStringView(reply).sliced(line.start, line.end - line.start);
        if (!text.contains(brickedMarker()))
            continue;
        seen = true;
        if (isNameAcknowledgementLine(reply, line))
            continue;
        if (!startsWithIgnoringCase(text, QLatin1StringView("summary=\"")))
            return Bricked::Yes;
        if (!line.terminated && !tailSettled) {
            verdict = Bricked::Undecided;
            continue;
        }
        const auto summary = matchSummaryLine(reply, {line});
        // The name group starts right after `Summary="`.
        if (!summary || !markerOnlyWithin(text, 9, 9 + summary->groups.at(1).size()))
            return Bricked::Yes;
    }
    // Found only in the normalised text: no line shows it to exempt.
    return seen ? verdict : Bricked::Yes;
}

} // namespace

QStringList MLDeviceManager::matchSummary(const QString &reply)
{
    const auto summary = matchSummaryLine(reply, replyLines(reply));
    return summary ? summary->groups : QStringList();
}

bool MLDeviceManager::nameHoldsBrickedMarker(const QString &name)
{
    // The name as the rename line carries it to the microphone.
    return renameLine(name).contains(brickedMarker());
}

QString MLDeviceManager::summaryPattern()
{
    static const QString pattern = QStringLiteral("^Summary=\"(.+)\",(.+),(.+),(.+),(.+),(.+),(.+)$");
    return pattern;
}

QString MLDeviceManager::commandResponsePattern(const QString &key)
{
    static const QString name = QStringLiteral("^name\\s*=\\s*.+$");
    static const QString channel1 = QStringLiteral("^channel1\\s*=\\s*.+$");
    static const QString channel2 = QStringLiteral("^channel2\\s*=\\s*.+$");
    static const QString coverage = QStringLiteral("^coverage\\s*=\\s*.+$");
    if (key == MLDeviceKeys::DeviceName)
        return name;
    if (key == MLDeviceKeys::DeviceChannel1)
        return channel1;
    if (key == MLDeviceKeys::DeviceChannel2)
        return channel2;
    if (key == MLDeviceKeys::DeviceVoiceChoice)
        return coverage;
    return {};
}

bool MLDeviceManager::responseHasMatch(const QString &response, const QString &pattern)
{
    if (pattern.isEmpty())
        return false;
    return MLRegex::isMatchedByRegex(response, pattern, kReplyOptions, MLRegex::Range::whole(response));
}

bool MLDeviceManager::isBrickedMessage(const QString &reply)
{
    return ML_containsString(reply, brickedMarker());
}

std::optional<QByteArray> MLDeviceManager::asciiBytes(const QString &line)
{
    QByteArray bytes;
    bytes.reserve(line.size());
    for (QChar c : line) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        bytes.append(char(c.unicode()));
    }
    return bytes;
}

QString MLDeviceManager::renameLine(const QString &name)
{
    // Lossy ISO 8859-1 (unmappable characters become '?'); the name ends at
    // its first NUL, as a C string would.
    QStringEncoder latin1(QStringEncoder::Latin1);
    QByteArray bytes = latin1.encode(name);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QStringLiteral("RENAME ") + QString::fromLatin1(bytes) + u'\r';
}

QString MLDeviceManager::batteryText(const QString &field)
{
    double level = ML_leadingDoubleValue(field);
    if (level >= 95.0)
        level = 100.0;
    // Whole numbers print without a point; fractions in their shortest exact form.
    return QString::number(level, 'g', QLocale::FloatingPointShortest);
}

void MLDeviceManager::serialPortDidReceiveData(MLSerialPort *port, const QByteArray &data)
{
    Q_UNUSED(port);
    // Bytes that are not UTF-8 dump as their values: the log shows what arrived.
    if (MLUtilities::logActive(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled))
        MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), decodeLeniently(data, true).toUtf8());
    // A byte arrived: the last line is not quiet.
    m_replyQuietTimer->stop();
    m_serialBuffer.append(data);
    processReceivedData();
}

void MLDeviceManager::processReceivedData()
{
    examineReceivedData(false);
}

void MLDeviceManager::awaitQuietLine()
{
    m_replyQuietTimer->setInterval(m_timings.replyQuietMs);
    m_replyQuietTimer->start();
}

void MLDeviceManager::logOverflow()
{
    // A chattering device overflows every few kilobytes; one line a second
    // keeps the log readable and says how many were left out.
    if (m_overflowLogClock.isValid() && m_overflowLogClock.elapsed() < m_timings.overflowLogIntervalMs) {
        ++m_overflowLinesLeftOut;
        return;
    }
    if (m_overflowLinesLeftOut > 0)
        MLLog("Too much data. Aborting (%d more left out)", m_overflowLinesLeftOut);
    else
        MLLog("Too much data. Aborting");
    m_overflowLinesLeftOut = 0;
    m_overflowLogClock.start();
}

void MLDeviceManager::examineReceivedData(bool tailSettled)
{
    if (m_serialBuffer.size() > kMaxBufferedBytes) {
        logOverflow();
        cancelCommand();
        sendDeviceHadErrorNotification();
        return;
    }

    const QString reply = decodeLeniently(m_serialBuffer, false);
    const std::vector<ReplyLine> lines = replyLines(reply);

    const Bricked bricked = brickedMessageIn(reply, lines, tailSettled);
    if (bricked == Bricked::Yes) {
        MLLog("Got Bricked message");
        m_deviceIsBricked = true;
        cancelCommand();
        sendDeviceBrickedNotification();
        return;
    }
    if (bricked == Bricked::Undecided) {
        awaitQuietLine();
        return;
    }

    // A line is taken once its terminator has arrived, or once no byte has
    // come for the quiet interval: never from half a field.
    if (m_outstanding.command == MLDeviceCommandSummary) {
        if (!m_connectedDevices.isEmpty())
            m_properties.insert(MLDeviceKeys::DeviceType, QString::number(getFirstDeviceInfo().deviceType));
        const auto summary = matchSummaryLine(reply, lines);
        if (!summary)
            return; // not complete yet
        if (!summary->line.terminated && !tailSettled) {
            awaitQuietLine();
            return;
        }
        const QStringList &groups = summary->groups;
        m_properties.insert(MLDeviceKeys::DeviceName, groups.at(1));
        m_properties.insert(MLDeviceKeys::DeviceSerial, groups.at(2));
        m_properties.insert(MLDeviceKeys::DeviceVersion, groups.at(3));
        m_properties.insert(MLDeviceKeys::DeviceChannel1, groups.at(4));
        m_properties.insert(MLDeviceKeys::DeviceChannel2, groups.at(5));
        m_properties.insert(MLDeviceKeys::DeviceVoiceChoice, groups.at(6));
        m_properties.insert(MLDeviceKeys::DeviceBattery, batteryText(groups.at(7)));
        MLDiagnosticsLog("Props: %@.", PropertiesDescription{m_properties});
        sendDevicePropertiesChangedNotification();
    } else {
        // An acknowledgement of the last property written, also when no
        // command is outstanding any more.
        // One search of the whole reply first: most chunks hold no acknowledgement.
        const QString pattern = commandResponsePattern(m_lastWrite.key);
        if (!responseHasMatch(reply, pattern))
            return;
        const auto line = firstMatchingLine(reply, lines, pattern);
        if (!line)
            return;
        if (!line->terminated && !tailSettled) {
            awaitQuietLine();
            return;
        }
        MLLog("Got response to command (%@)", m_lastWrite.key);
        m_properties.insert(m_lastWrite.key, m_lastWrite.value);
    }

    // The command state is reset before the completion runs, so that the
    // completion may write the next command at once.
    m_deviceIsBricked = false;
    endCommand();
    notifyOperationResult(true, reply);
}
