#include "tmpfs_volume.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <sys/mount.h>
#include <sys/statfs.h>
#include <unistd.h>

TmpfsVolume::TmpfsVolume(const char* options)
    : m_options(options) {
    if (::geteuid() != 0)
        return;
    char folder[] = "/mnt/pelmora-test-XXXXXX";
    if (!::mkdtemp(folder))
        return;
    m_path = folder;
    insertNew();
}

TmpfsVolume::~TmpfsVolume() {
    if (m_path.isEmpty())
        return;
    while (m_mounted && eject(MNT_DETACH)) {
    }
    // A failed test may have written into the bare folder.
    QDir(QFile::decodeName(m_path)).removeRecursively();
}

bool TmpfsVolume::insertNew() {
    if (m_path.isEmpty() || m_mounted)
        return false;
    m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, m_options.constData()) == 0;
    return m_mounted;
}

bool TmpfsVolume::eject(int flags) {
    if (m_mounted && ::umount2(m_path.constData(), flags) == 0)
        m_mounted = false;
    return !m_mounted;
}

qint64 TmpfsVolume::freeBytes() const {
    struct statfs fs;
    return ::statfs(m_path.constData(), &fs) == 0 ? qint64(fs.f_bavail) * fs.f_bsize : -1;
}
