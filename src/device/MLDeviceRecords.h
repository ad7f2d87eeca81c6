#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

class QObject;

// Keys of the device property table; every value is a string.
namespace MLDeviceKeys {
inline const QString DeviceType = QStringLiteral("DeviceType");
inline const QString DeviceName = QStringLiteral("DeviceName");
inline const QString DeviceSerial = QStringLiteral("DeviceSerial");
inline const QString DeviceVersion = QStringLiteral("DeviceVersion");
inline const QString DeviceChannel1 = QStringLiteral("DeviceChannel1");
inline const QString DeviceChannel2 = QStringLiteral("DeviceChannel2");
inline const QString DeviceVoiceChoice = QStringLiteral("DeviceVoiceChoice");
inline const QString DeviceBattery = QStringLiteral("DeviceBattery");
} // namespace MLDeviceKeys

enum MLDeviceCommand : qint32 {
    MLDeviceCommandNone = 0,
    MLDeviceCommandSummary = 1,
    MLDeviceCommandRename = 2,
    MLDeviceCommandChannel1 = 3,
    MLDeviceCommandChannel2 = 4,
    MLDeviceCommandCoverage = 5,
};

// Why a command did not complete, for callers that decide by it (the
// settings save, the command line's exit codes).
enum class MLFailureReason {
    None,
    Timeout,     // no acknowledgement in time, or the line could not be written
    Refused,     // the link would not take the command (another one outstanding, no port)
    DeviceError, // the microphone sent what the link cannot use; it was dropped
    Bricked,     // the microphone reported that it needs recovery
    Removed,     // the microphone went away
};
// The reason as the log lines have always named it ("Timeout", "Refused",
// "Device error", "Bricked"; "Removed"). Not translated: support staff search for it.
QString MLFailureReasonText(MLFailureReason reason);

// What a command's completion receives.
class MLDeviceOperationResult
{
public:
    static MLDeviceOperationResult deviceOperationResult(bool result) { return MLDeviceOperationResult(result); }
    explicit MLDeviceOperationResult(bool result = false) : m_result(result) {}

    bool result() const { return m_result; }
    void setResult(bool result) { m_result = result; }
    QString resultString() const { return m_resultString; }
    void setResultString(const QString &text) { m_resultString = text; }
    QVariant userData() const { return m_userData; }
    void setUserData(const QVariant &userData) { m_userData = userData; }
    // None when the command succeeded.
    MLFailureReason failureReason() const { return m_failureReason; }
    void setFailureReason(MLFailureReason reason) { m_failureReason = reason; }

private:
    MLFailureReason m_failureReason = MLFailureReason::None;
    bool m_result = false;
    QString m_resultString;
    QVariant m_userData;
};

// A completion: called with the target (never a destroyed one) and the result.
using MLCompletionSelector = std::function<void(QObject *target, const MLDeviceOperationResult &result)>;

// A member function of the target's class as a completion:
// MLSelector(&MLAppDelegate::initialDeviceQueryComplete).
template<typename T> MLCompletionSelector MLSelector(void (T::*method)(const MLDeviceOperationResult &))
{
    return [method](QObject *target, const MLDeviceOperationResult &result) {
        (static_cast<T *>(target)->*method)(result);
    };
}

// One matched microphone as discovery found it.
struct USBDeviceData
{
    quint32 notification = 0; // identifies the removal registration
    qint32 deviceType = 0;    // 0 teacher microphone, 1 any other
    QString deviceName;
    quint32 locationID = 0;
    QString callOutDevice;
    QString dialInDevice;
};

// What the connected-devices table keeps per microphone.
class MLSerialDeviceInfo
{
public:
    MLSerialDeviceInfo() = default;
    static MLSerialDeviceInfo initWithUSBDeviceData(const USBDeviceData &data);

    qint32 deviceType = 0;
    quint32 location = 0;
    QString callOutDevice; // null when unknown
    QString dialInDevice;  // null when unknown
};

// A string with the moment it was made.
class MLTimestampedString
{
public:
    MLTimestampedString(const QString &string, const QDateTime &timeStamp) : m_string(string), m_timeStamp(timeStamp)
    {}
    static MLTimestampedString nowWithString(const QString &string);
    static MLTimestampedString initWithString(const QString &string, const QDateTime &timeStamp)
    {
        return MLTimestampedString(string, timeStamp);
    }

    QString string() const { return m_string; }
    void setString(const QString &string) { m_string = string; }
    QDateTime timeStamp() const { return m_timeStamp; }
    void setTimeStamp(const QDateTime &timeStamp) { m_timeStamp = timeStamp; }
    qsizetype length() const { return m_string.size(); }
    bool isEqualToString(const QString &other) const { return m_string == other; }
    // Strictly more than `seconds` have passed since the time stamp.
    bool isOlderThan(double seconds) const;

    // The clock behind nowWithString() and isOlderThan(); tests replace it.
    using Clock = std::function<QDateTime()>;
    static Clock setClock(Clock clock);
    static QDateTime now();

private:
    QString m_string;
    QDateTime m_timeStamp;
};
