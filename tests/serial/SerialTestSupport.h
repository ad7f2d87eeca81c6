#pragma once

#include "MLModemLines.h"
#include "MLSerialPortDelegate.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <termios.h>
#include <vector>

// A pseudo-terminal pair: the port opens the slave by its path, the test
// plays the device on the master.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool valid() const { return m_master >= 0 && m_slave >= 0; }
    int slave() const { return m_slave; }
    QString slavePath() const { return m_slavePath; }
    termios slaveSettings() const;

    void closeMaster();
    bool writeToMaster(const QByteArray &data);
    // Reads from the master until `count` bytes came or the time is up.
    QByteArray readFromMaster(qsizetype count, int timeoutMs = 3000);

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

// Records every delegate call in order, and whether any came off the main thread.
class RecordingDelegate : public MLSerialPortDelegate
{
public:
    enum class Kind
    {
        Opened,
        Closed,
        Error,
        Data,
        Removed
    };
    struct Event
    {
        Kind kind;
        MLPosixError error;
        QByteArray data;
    };

    void serialPortDidReceiveData(MLSerialPort *, const QByteArray &data) override
    {
        record({Kind::Data, {}, data});
    }
    void serialPortWasRemovedFromSystem(MLSerialPort *) override { record({Kind::Removed, {}, {}}); }
    void serialPortDidEncounterError(MLSerialPort *, const MLPosixError &error) override
    {
        record({Kind::Error, error, {}});
    }
    void serialPortWasOpened(MLSerialPort *) override { record({Kind::Opened, {}, {}}); }
    void serialPortWasClosed(MLSerialPort *) override { record({Kind::Closed, {}, {}}); }

    int count(Kind kind) const;
    std::vector<Kind> kinds() const;
    std::vector<MLPosixError> errors() const;
    QByteArray received() const;

    std::vector<Event> events;
    bool calledOffMainThread = false;

private:
    void record(Event event);
};

// Modem lines that a test sets and breaks at will (a pty has none).
class FakeModemLines : public MLModemLines
{
public:
    bool get(int fd, int &bits) override;
    bool set(int fd, int bits, bool on) override;

    std::atomic<int> lines{0};
    std::atomic<int> failGetWith{0}; // errno for get to fail with; 0 succeeds
    std::atomic<int> failSetWith{0};
    std::atomic<int> getCalls{0};
    std::atomic<int> setCalls{0};
};

// CPU time the whole process has used so far.
std::chrono::nanoseconds processCpuTime();
