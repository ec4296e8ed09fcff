#pragma once

#include <QByteArray>

#include <unistd.h>

// A small tmpfs of its own on a fresh folder under /mnt: a removable disk
// for tests, to be filled, write-protected, taken out and replaced by a new
// empty one at the same place. Needs root; unmounted and removed whatever
// happens. Use the SKIP_UNLESS_TMPFS macro to skip with the reason.
class TmpfsVolume {
public:
    explicit TmpfsVolume(const char* options = "size=1m");
    ~TmpfsVolume();
    TmpfsVolume(const TmpfsVolume&) = delete;
    TmpfsVolume& operator=(const TmpfsVolume&) = delete;

    bool isMounted() const { return m_mounted; }
    // The mount point (the bare folder once unmounted).
    const QByteArray& path() const { return m_path; }

    // Puts a new, empty disk in: a fresh tmpfs at the same place.
    bool insertNew();
    // Takes the disk out. MNT_DETACH (lazy) in flags works while files are open.
    bool eject(int flags = 0);
    qint64 freeBytes() const;

private:
    QByteArray m_path;
    QByteArray m_options;
    bool m_mounted = false;
};

// Skips the test (with the reason) unless a tmpfs volume can be mounted.
#define SKIP_UNLESS_TMPFS(volume)                                                                  \
    do {                                                                                           \
        if (::geteuid() != 0)                                                                      \
            QSKIP("needs root to mount a small tmpfs as a removable disk");                        \
        if (!(volume).isMounted())                                                                 \
            QSKIP("cannot mount tmpfs here");                                                      \
    } while (false)
