#pragma once

#include <unistd.h>

#include <utility>

// Owns one POSIX descriptor and closes it when it goes, so that no error path
// can leak one. Negative means "none". Not thread-safe: one owner at a time.
class MLFileDescriptor
{
public:
    MLFileDescriptor() = default;
    explicit MLFileDescriptor(int fd) : m_fd(fd) {}
    ~MLFileDescriptor() { reset(); }

    MLFileDescriptor(const MLFileDescriptor &) = delete;
    MLFileDescriptor &operator=(const MLFileDescriptor &) = delete;
    MLFileDescriptor(MLFileDescriptor &&other) noexcept : m_fd(other.release()) {}
    MLFileDescriptor &operator=(MLFileDescriptor &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }
    // Closes the one held, if any, and takes `fd`. The close is not retried on
    // EINTR: Linux has released the descriptor by then, and a retry could
    // close one that another thread has just been given.
    void reset(int fd = -1)
    {
        const int old = std::exchange(m_fd, fd);
        if (old >= 0)
            ::close(old);
    }

private:
    int m_fd = -1;
};
