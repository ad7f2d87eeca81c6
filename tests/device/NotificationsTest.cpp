// Listener registry and the delivery of device events.

#include "DeviceTestSupport.h"
#include "MLDefaultsKeys.h"
#include "MLUserDefaults.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace mltest;

namespace {

class Notifications : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearUserDefaults();
        journal = std::make_shared<QStringList>();
    }
    std::shared_ptr<RecordingListener> listener(const QString &name)
    {
        return std::make_shared<RecordingListener>(name, journal);
    }

    MLDeviceManager manager;
    std::shared_ptr<QStringList> journal;
};

TEST_F(Notifications, RegistryHasNoDuplicates)
{
    auto a = listener(QStringLiteral("A"));
    manager.addListener(a);
    manager.addListener(a);
    manager.addListener(nullptr);
    EXPECT_EQ(manager.numListeners(), 1);
    manager.sendDeviceConnectedNotification();
    EXPECT_EQ(a->count(QStringLiteral("connected")), 1);
    manager.removeListener(a.get());
    EXPECT_EQ(manager.numListeners(), 0);
    manager.removeListener(a.get()); // not registered: nothing happens
    manager.sendDeviceConnectedNotification();
    manager.sendDeviceHadErrorNotification();
    flushEvents();
    EXPECT_EQ(a->count(QStringLiteral("connected")), 1);
    EXPECT_EQ(a->count(QStringLiteral("error")), 0);
}

TEST_F(Notifications, ImmediateAndDeferredDelivery)
{
    auto a = listener(QStringLiteral("A"));
    auto b = listener(QStringLiteral("B"));
    manager.addListener(a);
    manager.addListener(b);

    manager.sendDeviceDisconnectedNotification();
    manager.sendDeviceHadErrorNotification();
    manager.sendDeviceBrickedNotification();
    journal->append(QStringLiteral("sender returned"));
    manager.sendDeviceConnectedNotification();
    manager.sendDevicePropertiesChangedNotification();
    journal->append(QStringLiteral("immediate done"));
    flushEvents();

    const QStringList expected = {
        QStringLiteral("sender returned"), QStringLiteral("A:connected"),    QStringLiteral("B:connected"),
        QStringLiteral("A:properties"),    QStringLiteral("B:properties"),   QStringLiteral("immediate done"),
        QStringLiteral("A:disconnected"),  QStringLiteral("B:disconnected"), QStringLiteral("A:error"),
        QStringLiteral("B:error"),         QStringLiteral("A:bricked"),      QStringLiteral("B:bricked"),
    };
    EXPECT_EQ(*journal, expected);
}

TEST_F(Notifications, DeferredEventKeepsItsListenerAlive)
{
    auto a = listener(QStringLiteral("A"));
    manager.addListener(a);
    manager.sendDeviceBrickedNotification();
    manager.removeListener(a.get());
    a.reset(); // only the scheduled call holds it now
    EXPECT_FALSE(journal->contains(QStringLiteral("A:destroyed")));
    flushEvents();
    EXPECT_EQ(*journal, (QStringList{QStringLiteral("A:bricked"), QStringLiteral("A:destroyed")}));
}

// A listener that acts on the manager from inside its events.
class ReentrantListener : public RecordingListener
{
public:
    ReentrantListener(MLDeviceManager &manager, std::shared_ptr<QStringList> journal)
        : RecordingListener(QStringLiteral("R"), std::move(journal)), m_manager(manager)
    {}
    void deviceConnected() override
    {
        RecordingListener::deviceConnected();
        // Sending from inside an immediate event takes the lock again.
        m_manager.sendDevicePropertiesChangedNotification();
        m_manager.removeListener(this);
    }
    void deviceDisconnected() override
    {
        RecordingListener::deviceDisconnected();
        m_manager.addListener(std::make_shared<RecordingListener>(QStringLiteral("late"), m_journal));
    }

private:
    MLDeviceManager &m_manager;
};

TEST_F(Notifications, ListenersMayCallBackIntoTheManager)
{
    auto r = std::make_shared<ReentrantListener>(manager, journal);
    auto b = listener(QStringLiteral("B"));
    manager.addListener(r);
    manager.addListener(b);
    manager.sendDeviceConnectedNotification();
    // R removed itself during the walk; B is still called.
    EXPECT_EQ(b->count(QStringLiteral("connected")), 1);
    EXPECT_EQ(b->count(QStringLiteral("properties")), 1);
    EXPECT_EQ(manager.numListeners(), 1);

    manager.addListener(r);
    manager.sendDeviceDisconnectedNotification();
    flushEvents();
    EXPECT_EQ(manager.numListeners(), 3) << "deferred events may register listeners";
}

TEST_F(Notifications, SnapshotFailuresAreRetriedAndReported)
{
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DiagnosticsEnabled));
    auto a = listener(QStringLiteral("A"));
    manager.addListener(a);
    const QString accessing = QStringLiteral("Error accessing listener list for deviceHadError notification");
    const QString giving = QStringLiteral("Error sending deviceHadError notifications");

    // Up to three failed snapshots are retried; the fourth gives up.
    struct Case
    {
        int failures, accessingLines, givingUpLines;
        bool delivered;
    };
    for (const Case &c : {Case{1, 1, 0, true}, Case{3, 1, 0, true}, Case{4, 1, 1, false}}) {
        LogCapture log;
        const int before = a->count(QStringLiteral("error"));
        manager.failNextListenerSnapshotsForTesting(c.failures);
        manager.sendDeviceHadErrorNotification();
        flushEvents();
        EXPECT_EQ(log.count(accessing), c.accessingLines) << c.failures;
        EXPECT_EQ(log.count(giving), c.givingUpLines) << c.failures;
        EXPECT_EQ(a->count(QStringLiteral("error")) - before, c.delivered ? 1 : 0) << c.failures;
    }

    // The messages belong to the diagnostics log.
    MLUserDefaults::removeObjectForKey(QString(MLDefaultsKeys::DiagnosticsEnabled));
    LogCapture quiet;
    manager.failNextListenerSnapshotsForTesting(4);
    manager.sendDeviceHadErrorNotification();
    EXPECT_TRUE(quiet.records().isEmpty());
}

} // namespace
