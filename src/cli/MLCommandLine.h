#pragma once

#include "MLDeviceRecords.h"
#include "MLSettingsRules.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>

class MLDeviceManager;
class QCommandLineParser;
class QSocketNotifier;
class MLCommandLineListener;

// The command line for IT staff: lists, shows, watches and sets microphones
// and asks the update service, on the same libraries as the window. Texts are
// English and never translated: scripts parse them and logs keep them.
class MLCommandLine : public QObject
{
    Q_OBJECT

public:
    // The exit codes scripts decide by.
    enum Exit
    {
        Success = 0,
        UpdateServiceFailed = 1,
        UsageError = 2,
        NoMicrophone = 3,
        SeveralMicrophones = 4,
        RefusedInput = 5,
        MicrophoneFailed = 6,
        PortUnavailable = 7,
    };

    // manager: null for the process's own one.
    explicit MLCommandLine(MLDeviceManager *manager = nullptr, QObject *parent = nullptr);
    ~MLCommandLine() override;

    // How long the update service may take in all before it counts as unreachable
    // (a refused connection is never reported by the checker itself).
    void setUpdateDeadlineMs(int ms) { m_updateDeadlineMs = ms; }

    // args without the program name. Runs the event loop until the command is
    // done; watch and apply until SIGINT or SIGTERM.
    int run(const QStringList &args, QTextStream &out, QTextStream &err);

    // A profile of apply: every value optional; the name may hold "{n}".
    struct Profile
    {
        std::optional<QString> name;
        qint32 start = 1;
        std::optional<qint32> channel1;
        std::optional<qint32> channel2;
        std::optional<qint32> coverage;
        MLMicrophoneSettings over(const MLMicrophoneSettings &current, qint32 n) const;
    };
    // The profile read from JSON text, or the reason it is refused.
    static std::optional<Profile> parseProfile(const QByteArray &json, QString *problem);

private:
    friend class MLCommandLineListener;

    int list();
    int show();
    int watch();
    int firmware(const QString &baseUrl);
    // set, reset and apply: option values read, then the command run.
    int runSettingsCommand(const QString &name, const QCommandLineParser &parser);
    int set(const std::function<MLMicrophoneSettings(const MLMicrophoneSettings &)> &wanted, bool yes);
    int apply(const Profile &profile, int count, bool yes);

    // Starts the device link and waits for the microphones present to be announced.
    // Each returns an exit code; the message says why when it is not Success.
    int attachOne(QString &message);
    // The first query; fills the properties.
    int query(QString &message);
    int portProblem(QString &message) const;
    MLMicrophoneSettings currentSettings() const;
    QString refusal(const MLMicrophoneSettings &settings, bool yes) const;
    // The staged save; fills in "stages" and, when it fails, "failedStage" and "reason".
    bool save(const MLMicrophoneSettings &settings, QJsonObject &outcome);

    QJsonObject attachment() const;
    QJsonObject microphone() const;
    void emitLine(const QJsonObject &object);
    void say(const QString &line);  // a human line on stdout
    void note(const QString &line); // a human line on stderr
    int fail(int code, const QString &message);

    // Runs the event loop until done() holds, an interruption when it ends the
    // wait, or the time is up (-1: none). Returns done().
    bool spin(const std::function<bool()> &done, int timeoutMs = -1, bool interruptible = true);
    void installSignalHandlers();
    void removeSignalHandlers();

    MLDeviceManager *m_manager;
    std::shared_ptr<MLCommandLineListener> m_listener;
    QTextStream *m_out = nullptr;
    QTextStream *m_err = nullptr;
    bool m_json = false;
    bool m_interrupted = false;
    QSocketNotifier *m_notifier = nullptr;
    int m_updateDeadlineMs = 35000;
    int m_removals = 0;
    MLFailureReason m_queryFailure = MLFailureReason::None;
    std::function<void(const QString &event)> m_onEvent;
};
