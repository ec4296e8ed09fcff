#pragma once

#include "platform/fs_error.h"

#include <unistd.h>

// What the parts of the copier share: an owned descriptor and the one
// reading of the system's error numbers as the program's errors.
namespace platform::copier {

class Fd {
public:
    explicit Fd(int fd = -1)
        : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and says whether the close succeeded: on some file systems
    // the last write errors only show here.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

FsError fromErrno(int e);

// A write error on the target. Some file systems report a full disk as a
// plain I/O error; the free space on the target tells the two apart.
FsError writeError(int e, int targetFd);

} // namespace platform::copier
