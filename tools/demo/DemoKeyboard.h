#pragma once

#include <QObject>

#include <termios.h>

class QSocketNotifier;

// Reads the demo's keys from standard input. On a terminal each key press
// counts at once (no Enter, no echo; Ctrl-C still interrupts); otherwise
// input is read line by line and each non-blank character is a key. The
// terminal's settings are restored by the destructor.
class DemoKeyboard : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DemoKeyboard)

public:
    explicit DemoKeyboard(QObject *parent = nullptr);
    ~DemoKeyboard() override;

    bool isTerminal() const { return m_terminal; }
    // Puts the terminal into single-key mode and starts reading.
    void start();
    // Undoes start() (also done on destruction).
    void restore();

signals:
    void keyPressed(char key);
    // Standard input ended; anyKeys tells whether a key was ever read.
    void inputEnded(bool anyKeys);

private:
    void onReadable();

    bool m_terminal = false;
    bool m_rawMode = false;
    bool m_anyKeys = false;
    termios m_saved = {};
    QSocketNotifier *m_notifier = nullptr;
};
