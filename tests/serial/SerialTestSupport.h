#pragma once

#include "MLModemLines.h"
#include "MLSerialPortDelegate.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

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

    void serialPortDidReceiveData(MLSerialPort *, const QByteArray &data) override { record({Kind::Data, {}, data}); }
    void serialPortWasRemovedFromSystem(MLSerialPort *) override { record({Kind::Removed, {}, {}}); }
    void serialPortDidEncounterError(MLSerialPort *, const MLPosixError &error) override
    {
        record({Kind::Error, error, {}});
    }
    void serialPortWasOpened(MLSerialPort *) override { record({Kind::Opened, {}, {}}); }
    void serialPortWasClosed(MLSerialPort *) override { record({Kind::Closed, {}, {}}); }

    int count(Kind kind) const
    {
        return int(std::count_if(events.begin(), events.end(), [kind](const Event &e) { return e.kind == kind; }));
    }
    std::vector<Kind> kinds() const
    {
        std::vector<Kind> kinds;
        for (const Event &event : events)
            kinds.push_back(event.kind);
        return kinds;
    }
    std::vector<MLPosixError> errors() const
    {
        std::vector<MLPosixError> errors;
        for (const Event &event : events) {
            if (event.kind == Kind::Error)
                errors.push_back(event.error);
        }
        return errors;
    }
    QByteArray received() const
    {
        QByteArray data;
        for (const Event &event : events)
            data += event.data;
        return data;
    }

    std::vector<Event> events;
    bool calledOffMainThread = false;

private:
    void record(Event event)
    {
        calledOffMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        events.push_back(std::move(event));
    }
};

// Modem lines that a test sets and breaks at will (a pty has none).
class FakeModemLines : public MLModemLines
{
public:
    bool get(int, int &bits) override
    {
        ++getCalls;
        if (const int error = failGetWith.load()) {
            errno = error;
            return false;
        }
        bits = lines.load();
        return true;
    }
    bool set(int, int bits, bool on) override
    {
        ++setCalls;
        if (const int error = failSetWith.load()) {
            errno = error;
            return false;
        }
        lines = on ? (lines | bits) : (lines & ~bits);
        return true;
    }

    std::atomic<int> lines{0};
    std::atomic<int> failGetWith{0}; // errno for get to fail with; 0 succeeds
    std::atomic<int> failSetWith{0};
    std::atomic<int> getCalls{0};
    std::atomic<int> setCalls{0};
};
