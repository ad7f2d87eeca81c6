#pragma once

#include "DeviceManagerEventListener.h"
#include "MLDeviceManager.h"

#include <QObject>
#include <gtest/gtest.h>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace mltest {

// A listener that writes every event it receives into a shared journal, so a
// test can check order and timing across listeners and completions.
class RecordingListener : public DeviceManagerEventListener
{
public:
    RecordingListener(QString name, std::shared_ptr<QStringList> journal)
        : m_name(std::move(name)), m_journal(std::move(journal))
    {}
    ~RecordingListener() override { m_journal->append(m_name + QStringLiteral(":destroyed")); }

    void deviceConnected() override { record(QStringLiteral("connected")); }
    void deviceDisconnected() override { record(QStringLiteral("disconnected")); }
    void deviceHadError() override { record(QStringLiteral("error")); }
    void deviceBricked() override { record(QStringLiteral("bricked")); }
    void devicePropertiesChanged() override { record(QStringLiteral("properties")); }

    int count(const QString &event) const { return int(m_journal->count(m_name + u':' + event)); }

protected:
    void record(const QString &event) { m_journal->append(m_name + u':' + event); }

    QString m_name;
    std::shared_ptr<QStringList> m_journal;
};

// A completion target that records what it was called with.
class CompletionRecorder : public QObject
{
public:
    struct Call
    {
        bool result;
        QString text;
        QVariant userData;
    };

    MLCompletionSelector selector(std::shared_ptr<QStringList> journal = nullptr)
    {
        return [this, journal](QObject *target, const MLDeviceOperationResult &result) {
            EXPECT_EQ(target, this);
            calls.push_back({result.result(), result.resultString(), result.userData()});
            if (journal)
                journal->append(QStringLiteral("completion"));
        };
    }

    std::vector<Call> calls;
};

// One microphone in the connected-devices table, as discovery would record it.
inline QMap<quint32, MLSerialDeviceInfo> oneMicrophone(const QString &path = QStringLiteral("/dev/ttyACM0"),
                                                       qint32 type = 0, quint32 location = 0x01200000)
{
    MLSerialDeviceInfo info;
    info.deviceType = type;
    info.location = location;
    info.callOutDevice = path;
    info.dialInDevice = path;
    return {{location, info}};
}

} // namespace mltest
