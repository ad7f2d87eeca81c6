#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <ostream>

// Readable values in test failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << "bytes \"" << bytes.toStdString() << '"';
}
inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace mltest {

// Runs the Qt event loop until the condition holds or the time is up;
// returns whether it holds.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

// Runs the Qt event loop for the given time.
void processEventsFor(int ms);

// Runs pending events (deferred calls, queued hand-offs) without waiting.
void flushEvents();

// Captures platform-log records for its lifetime instead of writing them.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList records() const;
    int count(const QString &record) const;          // records equal to the text
    int countContaining(const QString &part) const;  // records containing the text
    void clear();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

// Empties the private user-defaults store the test main set up.
void clearUserDefaults();

// Folder for files a reviewer may look at (screenshots); created on demand.
QString outputDir();

} // namespace mltest
