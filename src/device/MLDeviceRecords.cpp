#include "MLDeviceRecords.h"

#include "MLLog.h"

QString MLFailureReasonText(MLFailureReason reason)
{
    switch (reason) {
    case MLFailureReason::None:
        break;
    case MLFailureReason::Timeout:
        return QStringLiteral("Timeout");
    case MLFailureReason::Refused:
        return QStringLiteral("Refused");
    case MLFailureReason::DeviceError:
        return QStringLiteral("Device error");
    case MLFailureReason::Bricked:
        return QStringLiteral("Bricked");
    case MLFailureReason::Removed:
        return QStringLiteral("Removed");
    }
    return {};
}

MLSerialDeviceInfo MLSerialDeviceInfo::initWithUSBDeviceData(const USBDeviceData &data)
{
    MLSerialDeviceInfo info;
    info.deviceType = data.deviceType;
    info.location = data.locationID;
    info.callOutDevice = data.callOutDevice;
    info.dialInDevice = data.dialInDevice;
    if (data.callOutDevice.isNull())
        MLLog("No callout device");
    if (data.dialInDevice.isNull())
        MLLog("No dialIn device");
    return info;
}

namespace {

MLTimestampedString::Clock &currentClock()
{
    static MLTimestampedString::Clock current;
    return current;
}

} // namespace

MLTimestampedString::Clock MLTimestampedString::setClock(Clock newClock)
{
    Clock previous = std::move(currentClock());
    currentClock() = std::move(newClock);
    return previous;
}

QDateTime MLTimestampedString::now()
{
    return currentClock() ? currentClock()() : QDateTime::currentDateTimeUtc();
}

MLTimestampedString MLTimestampedString::nowWithString(const QString &string)
{
    return MLTimestampedString(string, now());
}

bool MLTimestampedString::isOlderThan(double seconds) const
{
    const double elapsed = double(m_timeStamp.msecsTo(now())) / 1000.0;
    return elapsed > seconds;
}
