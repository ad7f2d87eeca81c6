#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>

// Sleep and wake from logind's PrepareForSleep signal on the system bus.
// While awake it holds a delay inhibitor lock, so that whoever handles
// willSleep() runs before the machine sleeps; the lock is let go right after.
class MLSleepMonitor : public QObject
{
    Q_OBJECT

public:
    explicit MLSleepMonitor(QObject *parent = nullptr);
    ~MLSleepMonitor() override;

    // Connects to logind; without a system bus, logs one line and does nothing.
    void startObserving();
    bool isObserving() const { return m_observing; }
    bool holdsInhibitor() const { return m_inhibitor.isValid(); }

signals:
    void willSleep();
    void didWake();

private slots:
    void prepareForSleep(bool start);

private:
    void takeInhibitor();
    void releaseInhibitor();

    bool m_observing = false;
    bool m_inhibitorRequested = false;
    QDBusUnixFileDescriptor m_inhibitor;
};
