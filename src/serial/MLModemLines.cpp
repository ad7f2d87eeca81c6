#include "MLModemLines.h"

#include "RetryOnEintr.h"

#include <sys/ioctl.h>

bool MLIoctlModemLines::get(int fd, int &bits)
{
    return retryOnEintr([&] { return ::ioctl(fd, TIOCMGET, &bits); }) == 0;
}

bool MLIoctlModemLines::set(int fd, int bits, bool on)
{
    // TIOCMBIS/TIOCMBIC touch only the given lines, so a line the poll
    // reads meanwhile cannot be written back stale.
    return retryOnEintr([&] { return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits); }) == 0;
}
