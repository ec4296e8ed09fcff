#pragma once

#include "platform/files/file_copier_fd_p.h"
#include "platform/fs_error.h"

#include <QByteArray>
#include <QString>

#include <ctime>

#include <sys/stat.h>

// A copy of a source that changes while it is copied is a failed copy: it
// may hold pieces of several versions, or be cut at an old length. The
// source's identity and state (device, inode, size, modification and
// change time) are taken when it is opened and again after its last byte
// has moved; if they differ, nothing is published.
//
// Times tell a change only when the change gets a time of its own. A file
// system stamps with a clock of some granularity (the kernel's coarse clock,
// a few milliseconds; a server's whole seconds): a change within the same
// granule as the change before the copy began could leave every time as it
// was, with the size too when bytes are rewritten in place. Such a "racy"
// first look is made safe by waiting, before the first byte is read, until
// that granule is over: every later change then gets a later time, and a
// change within the granule came before any byte was read. Plain values and
// descriptors: it may run on any thread.
namespace platform::copier {

// Whether the times of files on fd's volume come from this kernel's clock
// (a local file system: the wait is one tick at most) rather than from a
// server's (two seconds).
bool stampedByThisKernel(int fd);

// Until when a copy of a source seen as `st` must wait before its first
// byte is read; nothing to wait for when the times are old enough.
struct RacyWait {
    bool needed = false;
    bool kernelClock = false; // waits on the kernel's coarse clock, else on the real-time one
    timespec until{};         // the clock must have passed this

    // The wait may outlast a display frame: it is made on the worker.
    bool isLong() const { return needed && !kernelClock; }
    // Sleeps until the clock has passed `until` (not at all when it has).
    void wait() const;
};
RacyWait racyWait(const struct stat& st, bool stampedByThisKernel);

// After the last byte: the source's name in dirFd (an O_PATH folder) still
// leads to the file opened (a file renamed over it, or its removal, is a
// change), and that file is as `before`, its descriptor's stat, saw it.
// SourceChanged when not. One stat of the name tells both: while it leads
// to the same file, it is that file's stat.
Outcome sameSource(const struct stat& before, int dirFd, const char* name);

// Opens sources by their drive-letter paths, holding the folder of the last
// one: the next is most likely beside it. A file opened there must be on
// the volume the folder was placed on, else its path is placed again: a
// file found in the bare mount-point folder of a gone volume is not the one
// selected. One per thread.
class SourceFolder {
public:
    // The source opened for reading (never waiting on a FIFO), with its stat
    // and its bare host name in the folder now held.
    Result<int> open(const QString& path, struct stat& st, QByteArray& name);
    // sameSource() of the file `path` names, against `before`.
    Outcome unchanged(const QString& path, const struct stat& before);
    // The folder held (O_PATH), or -1.
    int fd() const { return m_fd.get(); }
    void drop() { m_fd.reset(); }

private:
    QString m_entry; // drive-letter folder
    Fd m_fd;         // O_PATH
    dev_t m_device = 0;
    bool m_anyDevice = false; // on C:, the whole host tree
};

} // namespace platform::copier
