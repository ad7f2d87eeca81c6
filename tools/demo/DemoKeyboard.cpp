#include "DemoKeyboard.h"

#include <QSocketNotifier>

#include <cerrno>

#include <unistd.h>

DemoKeyboard::DemoKeyboard(QObject *parent) : QObject(parent), m_terminal(isatty(STDIN_FILENO) == 1) {}

DemoKeyboard::~DemoKeyboard()
{
    restore();
}

void DemoKeyboard::start()
{
    if (m_notifier)
        return;
    if (m_terminal && tcgetattr(STDIN_FILENO, &m_saved) == 0) {
        struct termios raw = m_saved;
        // Keys without Enter and without echo; output processing and the
        // signal keys stay, so log lines end properly and Ctrl-C still works.
        raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        m_rawMode = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DemoKeyboard::onReadable);
}

void DemoKeyboard::restore()
{
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_rawMode) {
        tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
        m_rawMode = false;
    }
}

void DemoKeyboard::onReadable()
{
    char buffer[256];
    ssize_t count;
    do {
        count = read(STDIN_FILENO, buffer, sizeof buffer);
    } while (count < 0 && errno == EINTR);
    if (count <= 0) {
        // End of input (or a read error, which ends it just the same).
        m_notifier->setEnabled(false);
        emit inputEnded(m_anyKeys);
        return;
    }
    for (ssize_t i = 0; i < count; ++i) {
        const char key = buffer[i];
        if (key == ' ' || key == '\t' || key == '\r' || key == '\n')
            continue;
        m_anyKeys = true;
        emit keyPressed(key);
    }
}
