#pragma once

#include <cerrno>

// Repeats a POSIX call that a signal interrupted (-1 with EINTR).
template<typename Call> auto retryOnEintr(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}
