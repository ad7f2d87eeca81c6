#pragma once

#include <memory>

// How a serial port reads and drives its modem-control lines (TIOCM_* bits).
// The real one is ioctl on the descriptor. Pseudo-terminals have no modem
// lines, so tests and the idle benchmark put their own in its place. Called
// from the caller's thread and the port's background thread alike.
class MLModemLines
{
public:
    virtual ~MLModemLines() = default;
    // The lines now on; false with errno set when they cannot be read.
    virtual bool get(int fd, int &bits) = 0;
    // Raises (on) or drops the given lines; false with errno set on failure.
    virtual bool set(int fd, int bits, bool on) = 0;
};

// TIOCMGET, TIOCMBIS and TIOCMBIC.
class MLIoctlModemLines final : public MLModemLines
{
public:
    bool get(int fd, int &bits) override;
    bool set(int fd, int bits, bool on) override;
};
