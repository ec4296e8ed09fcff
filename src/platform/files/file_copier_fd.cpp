#include "platform/files/file_copier_fd_p.h"

#include <cerrno>

#include <sys/statfs.h>

namespace platform::copier {

FsError fromErrno(int e) {
    switch (e) {
    case ENOENT:
        return FsError::NotFound;
    case ENOTDIR:
        return FsError::NotAFolder;
    case EACCES:
    case EPERM:
        return FsError::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FsError::NoSpace;
    case EROFS:
        return FsError::ReadOnly;
    case EISDIR:
        return FsError::UnsafeTarget;
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ESTALE:
    case ENOTCONN:
        return FsError::NotReady;
    default:
        return FsError::Io;
    }
}

FsError writeError(int e, int targetFd) {
    if (e == EIO) {
        struct statfs fs;
        if (::fstatfs(targetFd, &fs) == 0 && fs.f_bavail == 0)
            return FsError::NoSpace;
    }
    return fromErrno(e);
}

} // namespace platform::copier
