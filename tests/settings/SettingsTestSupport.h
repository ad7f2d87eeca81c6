#pragma once

#include "MicSimulator.h"
#include "MLDeviceManager.h"
#include "PtyAsOnlySerialPort.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <optional>
#include <vector>

namespace mlsettingstest {

// The simulated microphone on a pseudo-terminal, announced to the shared
// device manager as the one microphone attached (no discovery runs).
class SimulatedMicrophone
{
public:
    // Command time-out of the shared manager while the microphone is attached.
    static constexpr int kCommandTimeoutMs = 500;

    bool attach(QString *error = nullptr);
    // Cancels what is outstanding, closes the port and forgets the microphone.
    void detach();
    // The microphone takes every command but never acknowledges the one that starts so.
    void neverAnswer(const QByteArray &commandStart);

    MicSimulator sim;
    QString path;

private:
    std::optional<PtyAsOnlySerialPort> m_port;
    MLDeviceManagerTimings m_previousTimings;
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
    void answer(const QString &button, bool tickCheckBox = false) { m_answers.push_back({button, tickCheckBox}); }
    // Answers only once an alert has been open this long (a user reading it).
    void setAnswerDelayMs(int ms) { m_answerDelayMs = ms; }
    bool allAnswered() const { return m_answers.empty(); }

    std::vector<SeenAlert> seen;
    int unexpected = 0;

private:
    void poll();

    QTimer m_timer;
    std::deque<std::pair<QString, bool>> m_answers;
    QString m_prefix;
    int m_answerDelayMs = 0;
    QPointer<QMessageBox> m_current;
    QElapsedTimer m_currentSince;
};

// Saves the widget as drawn into the settings tests' folder for pictures.
void saveScreenshot(QWidget *widget, const QString &name);

} // namespace mlsettingstest
