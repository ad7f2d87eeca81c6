#pragma once

#include "DeviceManagerEventListener.h"
#include "MLDeviceManager.h"

#include <gtest/gtest.h>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace mltest {

// A listener that writes every event it receives into a journal, which
// listeners may share so that a test can check order across them and
// completions. A test may also act on each event (after it is written down).
class RecordingListener : public DeviceManagerEventListener
{
public:
    explicit RecordingListener(QString name,
                               std::shared_ptr<QStringList> journal = std::make_shared<QStringList>())
        : m_name(std::move(name)), m_journal(std::move(journal))
    {}
    ~RecordingListener() override { m_journal->append(m_name + QStringLiteral(":destroyed")); }

    void deviceConnected() override { record(QStringLiteral("connected")); }
    void deviceDisconnected() override { record(QStringLiteral("disconnected")); }
    void deviceHadError() override { record(QStringLiteral("error")); }
    void deviceBricked() override { record(QStringLiteral("bricked")); }
    void devicePropertiesChanged() override { record(QStringLiteral("properties")); }

    int count(const QString &event) const { return int(m_journal->count(m_name + u':' + event)); }

    std::function<void(const QString &event)> onEvent;

private:
    void record(const QString &event)
    {
        m_journal->append(m_name + u':' + event);
        if (onEvent)
            onEvent(event);
    }

    QString m_name;
    std::shared_ptr<QStringList> m_journal;
};

// A completion target that records what it was called with, and a mark in
// the journal when it has one.
class CompletionRecorder : public QObject
{
public:
    MLCompletionSelector selector(std::shared_ptr<QStringList> journal = nullptr)
    {
        return [this, journal](QObject *target, const MLDeviceOperationResult &result) {
            EXPECT_EQ(target, this);
            calls.push_back(result);
            if (journal)
                journal->append(QStringLiteral("completion"));
        };
    }

    std::vector<MLDeviceOperationResult> calls;
};

} // namespace mltest
