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

} // namespace

QStringList MLDeviceManager::matchSummary(const QString &reply)
{
    // The pattern anchors at a line start and never crosses a line end, so
    // the first line that matches on its own is the first match in the reply.
    qsizetype start = 0;
    while (start < reply.size()) {
        qsizetype end = start;
        while (end < reply.size() && !isLineTerminator(reply.at(end).unicode()))
            ++end;
        if (summaryFieldsFit(QStringView(reply).mid(start, end - start))) {
            // The line alone: '^' and '$' hold at the ends of the range.
            const QStringList groups = MLRegex::captureComponentsMatchedByRegex(reply, summaryPattern(), kReplyOptions,
                                                                                {start, end - start});
            if (groups.size() >= 8)
                return groups;
        }
        start = end + 1;
    }
    return {};
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
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), data);
    m_serialBuffer.append(data);
    processReceivedData();
}

void MLDeviceManager::processReceivedData()
{
    if (m_serialBuffer.size() > kMaxBufferedBytes) {
        MLLog("Too much data. Aborting");
        cancelCommand();
        sendDeviceHadErrorNotification();
        return;
    }

    // Bytes that are not valid UTF-8 give no text, and nothing matches then.
    const QString reply = MLUtilities::stringFromUtf8OrEmpty(m_serialBuffer);

    if (isBrickedMessage(reply)) {
        MLLog("Got Bricked message");
        m_deviceIsBricked = true;
        cancelCommand();
        sendDeviceBrickedNotification();
        return;
    }

    if (m_currentDeviceCommand == MLDeviceCommandSummary) {
        if (!m_connectedDevices.isEmpty())
            m_properties.insert(MLDeviceKeys::DeviceType, QString::number(getFirstDeviceInfo().deviceType));
        const QStringList groups = matchSummary(reply);
        if (groups.size() < 8)
            return; // not complete yet
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
        if (m_pendingNewPropertyKey.isEmpty())
            return;
        if (!responseHasMatch(reply, commandResponsePattern(m_pendingNewPropertyKey)))
            return;
        MLLog("Got response to command (%@)", m_pendingNewPropertyKey);
        m_properties.insert(m_pendingNewPropertyKey, m_pendingNewPropertyValue);
    }

    // The command state is reset before the completion runs, so that the
    // completion may write the next command at once.
    m_deviceIsBricked = false;
    stopTimeoutTimer();
    m_serialBuffer.clear();
    m_currentDeviceCommand = MLDeviceCommandNone;
    notifyOperationResult(true, reply);
}
