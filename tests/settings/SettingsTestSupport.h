#pragma once

#include "MicSimulator.h"
#include "MLDeviceManager.h"
#include "MLSerialDeviceRegistry.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

namespace mlsettingstest {

// The simulated microphone on a pseudo-terminal, announced to the shared
// device manager as the one microphone attached (no discovery runs).
class SimulatedMicrophone
{
public:
    // Command time-out of the shared manager while the microphone is attached.
    static constexpr int kCommandTimeoutMs = 500;

    // False (with the reason) when the pseudo-terminal cannot be made.
    bool attach(QString *error = nullptr);
    // Cancels what is outstanding, closes the port and forgets the microphone.
    void detach();

    MicSimulator sim;
    QString path;

private:
    std::shared_ptr<MLSerialDeviceRegistry> m_previousRegistry;
    MLDeviceManagerTimings m_previousTimings;
    bool m_attached = false;
};

// The connected-devices table with `count` microphones on the same path.
QMap<quint32, MLSerialDeviceInfo> microphonesAt(const QString &path, int count = 1);

// What an alert showed.
struct SeenAlert
{
    QString text;
    QString informativeText;
    QStringList buttons;
    QString checkBoxText; // empty without a check box
    Qt::WindowModality modality = Qt::NonModal;
    QString screenshot; // file written, if any
};

// Answers modal message boxes (QMessageBox::exec and window-modal ones) as
// they appear: each takes the next scripted answer. An alert with no answer
// left is recorded as unexpected and closed with its escape button, so a test
// fails instead of hanging.
class AlertDriver : public QObject
{
public:
    // With a screenshot prefix, each alert is saved as <prefix>-<n>.png.
    explicit AlertDriver(QString screenshotPrefix = QString());

    // The button to click on the next alert, ticking its check box first.
    void answer(const QString &button, bool tickCheckBox = false);
    // Answers only once an alert has been open this long (a user reading it).
    void setAnswerDelayMs(int ms) { m_answerDelayMs = ms; }
    bool allAnswered() const { return m_answers.empty(); }

    std::vector<SeenAlert> seen;
    int unexpected = 0;

private:
    struct Answer
    {
        QString button;
        bool tick = false;
    };
    void poll();

    QTimer m_timer;
    std::deque<Answer> m_answers;
    QString m_prefix;
    int m_answerDelayMs = 0;
    QPointer<QMessageBox> m_current;
    QElapsedTimer m_currentSince;
};

// The settings tests' folder for pictures, created on demand.
QString screenshotPath(const QString &name);
// Saves the widget as drawn; returns the file written or an empty text.
QString saveScreenshot(QWidget *widget, const QString &name);

} // namespace mlsettingstest
