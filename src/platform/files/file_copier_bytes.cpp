#include "platform/files/file_copier_bytes_p.h"

#include "platform/files/file_copier_fd_p.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <unistd.h>

namespace platform::copier {

namespace {

// One call of copy_file_range, sendfile or write moves at most about 2 GiB;
// asking for 1 GiB at a time keeps every count well inside ssize_t.
constexpr off_t ChunkBytes = off_t(1) << 30;

class Mover {
public:
    Mover(const MoveJob& job, MoveBuffer& buffer)
        : m_job(job)
        , m_buffer(buffer)
        , m_route(job.first) {}

    MoveResult run() {
        m_hook = m_job.afterFirstPiece && *m_job.afterFirstPiece ? m_job.afterFirstPiece : nullptr;
        Outcome o;
        if (m_job.length == 0)
            o = copyUnsized();
        else if (m_job.keepHoles && off_t(m_job.blocks) * 512 < m_job.length)
            o = copySparse();
        else
            o = copyRange(0, m_job.length);
        return {o, m_refused};
    }

private:
    Outcome writeAll(const char* data, size_t size, off_t at) {
        for (size_t put = 0; put < size;) {
            const ssize_t w = ::pwrite(m_job.out, data + put, size - put, at + off_t(put));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return writeError(errno, m_job.out);
            if (w == 0)
                return FsError::Io;
            put += size_t(w);
        }
        return Outcome::success();
    }

    // Never endless: the source is a regular file opened non-blocking.
    Outcome copyUnsized() {
        char* const buffer = m_buffer.get();
        for (off_t done = 0;;) {
            const ssize_t n = ::pread(m_job.in, buffer, MoveBuffer::Bytes, done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return fromErrno(errno);
            if (n == 0)
                return Outcome::success();
            if (const Outcome o = writeAll(buffer, size_t(n), done); !o)
                return o;
            done += n;
            moved();
        }
    }

    // The data regions one by one; the length set last keeps a trailing hole.
    Outcome copySparse() {
        // A clone shares the extents, holes and all, in one call.
        if (m_job.first == Route::Range && ::ioctl(m_job.out, FICLONE, m_job.in) == 0) {
            moved();
            return Outcome::success();
        }
        for (off_t at = 0; at < m_job.length;) {
            off_t data = ::lseek(m_job.in, at, SEEK_DATA);
            off_t hole = m_job.length;
            if (data < 0 && errno == ENXIO)
                break; // nothing but hole from here on
            if (data < 0)
                data = at; // no answer: take the rest as data
            else if (const off_t h = ::lseek(m_job.in, data, SEEK_HOLE); h >= 0)
                hole = std::min(h, m_job.length);
            if (data >= m_job.length)
                break;
            if (const Outcome o = copyRange(data, hole); !o)
                return o;
            at = hole;
        }
        if (::ftruncate(m_job.out, m_job.length) != 0)
            return writeError(errno, m_job.out);
        return Outcome::success();
    }

    // Bytes [from, to) of the source to the same place in the target.
    Outcome copyRange(off_t from, off_t to) {
        off_t done = from;
        while (done < to) {
            const size_t chunk = size_t(std::min(to - done, ChunkBytes));
            ssize_t n = 0;
            if (m_route == Route::Range) {
                // Reflinks on file systems that share extents; elsewhere the
                // kernel copies without the data passing through us.
                loff_t in = done, out = done;
                n = ::copy_file_range(m_job.in, &in, m_job.out, &out, chunk, 0);
                if (n < 0 && (errno == EXDEV || errno == EOPNOTSUPP || errno == ENOSYS)) {
                    m_refused = true;
                    m_route = Route::Send;
                    continue;
                }
                // EINVAL, or 0 where some file systems cannot do it.
                if ((n < 0 && errno == EINVAL) || n == 0) {
                    m_route = Route::Send;
                    continue;
                }
            } else if (m_route == Route::Send) {
                // sendfile writes at the target's file position.
                if (m_outPosition != done) {
                    if (::lseek(m_job.out, done, SEEK_SET) != done)
                        return fromErrno(errno);
                    m_outPosition = done;
                }
                off_t in = done;
                n = ::sendfile(m_job.out, m_job.in, &in, chunk);
                if ((n < 0 && (errno == EINVAL || errno == ENOSYS)) || n == 0) {
                    m_route = Route::Plain;
                    continue;
                }
                if (n > 0)
                    m_outPosition += n;
            } else {
                char* const buffer = m_buffer.get();
                n = ::pread(m_job.in, buffer, std::min(chunk, MoveBuffer::Bytes), done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    return fromErrno(errno);
                if (n == 0)
                    return FsError::ShortCopy; // the source shrank under us
                if (const Outcome o = writeAll(buffer, size_t(n), done); !o)
                    return o;
            }
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return writeError(errno, m_job.out);
            }
            done += n;
            moved();
        }
        return Outcome::success();
    }

    void moved() {
        if (const std::function<void()>* hook = std::exchange(m_hook, nullptr))
            (*hook)();
    }

    const MoveJob& m_job;
    MoveBuffer& m_buffer;
    Route m_route;
    off_t m_outPosition = 0;
    bool m_refused = false;
    const std::function<void()>* m_hook = nullptr;
};

} // namespace

MoveResult moveBytes(const MoveJob& job, MoveBuffer& buffer) {
    return Mover(job, buffer).run();
}

} // namespace platform::copier
