#pragma once

#include "DemoTestbed.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class DemoKeyboard;
class MicSimulator;
class QProcess;

// Runs the application against simulated microphones and acts on the keys
// typed in the demo's terminal, or walks through every state by itself.
// Optionally saves a screenshot of the screen after each step.
class Demo : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(Demo)

public:
    struct Options
    {
        QString appPath;
        QString screenshotDir; // empty: no screenshots
        bool tour = false;
        int settleMs = 1500; // time the application is given to show a change
        // More than 0: no keys and no tour, only a check that the application
        // shows the teacher microphone within this many seconds.
        int checkSeconds = 0;
    };

    Demo(const Options &options, DemoTestbed &testbed, QObject *parent = nullptr);
    ~Demo() override;

    // Plugs in the teacher microphone, starts the application and begins to
    // take keys (or the walk-through). False with a reason when it cannot.
    bool start(QString *error);
    static QString menu();

signals:
    // The application has ended and the demo is done.
    void finished(int exitCode);

public slots:
    // Closes the application; finished() follows.
    void quit();

private:
    struct Microphone
    {
        QString kind; // "teacher" or "student"
        QString port;
        quint16 product = 0;
        std::unique_ptr<MicSimulator> sim;
        DemoTestbed::Plugged plugged;
        QString describe() const;
    };
    // How long to wait before the application shows what an action did.
    struct Settle
    {
        int ms = 0;
        // When set: wait first for this microphone's next command.
        MicSimulator *nextCommandOf = nullptr;
        qsizetype commandsBefore = 0;
    };
    struct Outcome
    {
        bool known = true;
        QString shotName;
        Settle settle;
    };
    struct Step
    {
        QByteArray keys;
        QString shotName;
    };

    Outcome act(char key);
    bool plug(Microphone &mic);
    bool unplug(Microphone &mic);
    void onKey(char key);
    void onInputEnded(bool anyKeys);
    void afterLaunch();
    void startTour();
    void runNextStep();
    void runKeys(const QByteArray &keys, const std::function<void(const Outcome &)> &done);
    void afterSettle(const Settle &settle, const std::function<void()> &then);
    void shoot(const QString &name, const std::function<void()> &then = {});
    void onApplicationFinished(int exitCode);
    void startCheck();
    void onApplicationLog();
    Settle settleFor(int ms, MicSimulator *waitForCommand = nullptr) const;

    Options m_options;
    DemoTestbed &m_testbed;
    Microphone m_teacher;
    Microphone m_student;
    Microphone m_second;
    Microphone *m_main = &m_teacher; // the one in the first port: teacher or student
    QProcess *m_app = nullptr;
    DemoKeyboard *m_keyboard = nullptr;
    QList<Step> m_steps;
    bool m_stepRunning = false;
    bool m_sequential = false; // keys run one after the other, each given time to show
    bool m_quitting = false;
    int m_shotNumber = 0;
    QByteArray m_appLog; // in a check: the application's log, line by line
    bool m_checkPassed = false;
};
