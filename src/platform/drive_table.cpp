#include "drive_table.h"

#include <algorithm>
#include <array>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char SelfMountInfo[] = "/proc/self/mountinfo";

// One line of mountinfo, with the octal escapes of its paths decoded.
struct Mount {
    int id = -1;
    QByteArray root; // the folder of the file system seen at the mount point
    QByteArray mountPoint;
    QByteArray fsType;
    QByteArray source;
    QByteArray superOptions;
    dev_t device = 0; // filled in once the mount point is looked at
};

QByteArray readWholeFile(const QByteArray& path) {
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return data;
    std::array<char, 16384> buffer;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buffer.data(), n);
    }
    ::close(fd);
    return data;
}

// mountinfo writes space, tab, newline and backslash as \040, \011, \012, \134.
QByteArray unescape(const QByteArray& field) {
    if (!field.contains('\\'))
        return field;
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const char a = field.at(i + 1), b = field.at(i + 2), d = field.at(i + 3);
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && d >= '0' && d <= '7') {
                out.append(char(((a - '0') << 6) | ((b - '0') << 3) | (d - '0')));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

std::optional<Mount> parseLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.split(' ');
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
    if (fields.size() < 6 || dash < 0 || dash + 2 >= fields.size())
        return std::nullopt;
    Mount m;
    bool ok = false;
    m.id = fields.at(0).toInt(&ok);
    if (!ok)
        return std::nullopt;
    m.root = unescape(fields.at(3));
    m.mountPoint = unescape(fields.at(4));
    m.fsType = unescape(fields.at(dash + 1));
    m.source = unescape(fields.at(dash + 2));
    if (dash + 3 < fields.size())
        m.superOptions = fields.at(dash + 3);
    return m;
}

// Whether path is place or lies below it, name by name.
bool isAtOrBelow(const QByteArray& path, const QByteArray& place) {
    if (place == "/")
        return path.startsWith('/');
    return path == place || (path.startsWith(place) && path.at(place.size()) == '/');
}

bool isBelow(const QByteArray& path, const QByteArray& place) {
    return path != place && isAtOrBelow(path, place);
}

// Where removable and hand-mounted volumes go: any file system there is a drive.
bool inRemovablePlace(const QByteArray& mountPoint) {
    return isBelow(mountPoint, "/media") || isBelow(mountPoint, "/run/media") ||
           isBelow(mountPoint, "/mnt");
}

// Parts of the system itself, even when they are volumes of their own: they
// stay folders of C:.
bool inSystemPlace(const QByteArray& mountPoint) {
    static const char* const places[] = {
        "/bin",   "/boot",   "/dev", "/efi", "/etc",  "/home", "/lib", "/lib32",
        "/lib64", "/libx32", "/nix", "/opt", "/proc", "/root", "/run", "/sbin",
        "/snap",  "/srv",    "/sys", "/tmp", "/usr",  "/var",
    };
    for (const char* place : places) {
        if (isAtOrBelow(mountPoint, place))
            return true;
    }
    return false;
}

bool isNetworkFileSystem(const QByteArray& fsType) {
    static const char* const types[] = {
        "nfs",         "nfs4",      "cifs",        "smb3",      "smbfs",
        "ncpfs",       "afs",       "ceph",        "glusterfs", "fuse.sshfs",
        "fuse.rclone", "fuse.s3fs", "fuse.davfs2", "davfs",     "fuse.glusterfs",
    };
    return std::find_if(std::begin(types), std::end(types),
                        [&](const char* t) { return fsType == t; }) != std::end(types);
}

// A bind mount shows a folder of its file system, not the whole volume (a
// container's /etc/hosts, say); a btrfs subvolume mount looks alike but
// names the subvolume in its options.
bool showsWholeVolume(const Mount& m) {
    if (m.root == "/")
        return true;
    if (m.fsType == "btrfs") {
        for (const QByteArray& option : m.superOptions.split(',')) {
            if (option == "subvol=" + m.root)
                return true;
        }
    }
    return false;
}

bool isDrive(const Mount& m) {
    if (m.mountPoint == "/" || !m.mountPoint.startsWith('/'))
        return false;
    // Looking at an automount point would mount it (or wait on a network).
    if (m.fsType == "autofs")
        return false;
    if (!showsWholeVolume(m))
        return false;
    if (inRemovablePlace(m.mountPoint))
        return true;
    if (inSystemPlace(m.mountPoint))
        return false;
    return m.source.startsWith("/dev/") || isNetworkFileSystem(m.fsType);
}

QString labelOf(const QByteArray& mountPoint) {
    const qsizetype slash = mountPoint.lastIndexOf('/');
    return QString::fromUtf8(mountPoint.mid(slash + 1));
}

struct Look {
    bool folder = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool knowsMountId = false;
    quint64 mountId = 0;
    bool knowsMountRoot = false;
    bool mountRoot = false;
};

// One statx call: the volume, the mount and the kind of a folder. Cached
// attributes do (a network volume is not asked), automounts are not set off.
std::optional<Look> look(const QByteArray& path) {
    struct statx sx;
    if (::statx(AT_FDCWD, path.constData(), AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
                STATX_TYPE | STATX_INO | STATX_MNT_ID, &sx) != 0)
        return std::nullopt;
    Look l;
    l.folder = S_ISDIR(sx.stx_mode);
    l.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    l.inode = sx.stx_ino;
    l.knowsMountId = (sx.stx_mask & STATX_MNT_ID) != 0;
    l.mountId = sx.stx_mnt_id;
    l.knowsMountRoot = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0;
    l.mountRoot = (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return l;
}

QByteArray parentFolder(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// Whether the folder at path is where the mount `mountId` sits now, and not
// the bare folder left behind after an unmount or one hidden by a later mount.
bool isMountedHere(const QByteArray& path, const Look& l, int mountId) {
    if (l.knowsMountId)
        return l.mountId == quint64(mountId);
    if (l.knowsMountRoot)
        return l.mountRoot;
    const std::optional<Look> parent = look(parentFolder(path));
    return parent && parent->device != l.device;
}

} // namespace

DriveTable& DriveTable::instance() {
    static DriveTable table;
    return table;
}

DriveTable::DriveTable() {
    startFresh();
}

void DriveTable::startFresh() {
    m_entries.clear();
    Entry c;
    c.letter = QLatin1Char('C');
    c.hostRoot = "/";
    c.ready = true;
    if (const std::optional<Look> l = look("/"))
        c.device = l->device;
    m_entries.append(c);
    readHostMounts();
}

void DriveTable::refresh() {
    if (!m_fixed)
        readHostMounts();
}

void DriveTable::readHostMounts() {
    const bool realMounts = m_mountInfoPath.isEmpty();
    const QByteArray text = readWholeFile(realMounts ? QByteArray(SelfMountInfo) : m_mountInfoPath);

    // Volumes seen now, in mountinfo order; a later mount on the same place
    // hides an earlier one.
    QList<Mount> seen;
    for (const QByteArray& line : text.split('\n')) {
        std::optional<Mount> m = parseLine(line);
        if (!m || !isDrive(*m))
            continue;
        seen.removeIf([&](const Mount& s) { return s.mountPoint == m->mountPoint; });
        if (const std::optional<Look> l = look(m->mountPoint)) {
            // A mount point that is not a folder is a bind-mounted file.
            if (!l->folder)
                continue;
            if (realMounts && !isMountedHere(m->mountPoint, *l, m->id))
                continue;
            m->device = l->device;
        } else if (realMounts) {
            continue; // out of reach (another user's volume, say)
        }
        // A test file may name places that do not exist here: they still
        // take part in the letter rules, and never resolve.
        seen.append(*m);
    }

    QList<bool> placed(seen.size(), false);
    for (Entry& e : m_entries) {
        if (e.letter == QLatin1Char('C'))
            continue;
        bool still = false;
        for (qsizetype i = 0; i < seen.size() && e.ready; ++i) {
            const Mount& m = seen.at(i);
            if (!placed.at(i) && m.id == e.mountId && m.mountPoint == e.hostRoot &&
                m.device == e.device) {
                placed[i] = true;
                still = true;
                break;
            }
        }
        e.ready = still;
    }

    auto give = [&](Entry& e, const Mount& m) {
        e.hostRoot = m.mountPoint;
        e.label = labelOf(m.mountPoint);
        e.device = m.device;
        e.mountId = m.id;
        e.ready = true;
    };

    // A volume back at the place of a gone one takes its letter...
    for (qsizetype i = 0; i < seen.size(); ++i) {
        if (placed.at(i))
            continue;
        for (Entry& e : m_entries) {
            if (!e.ready && e.hostRoot == seen.at(i).mountPoint) {
                give(e, seen.at(i));
                placed[i] = true;
                break;
            }
        }
    }
    // ...any other the lowest letter of a gone volume, else the next free one.
    for (qsizetype i = 0; i < seen.size(); ++i) {
        if (placed.at(i))
            continue;
        auto gone = std::find_if(m_entries.begin(), m_entries.end(),
                                 [](const Entry& e) { return !e.ready; });
        if (gone != m_entries.end()) {
            give(*gone, seen.at(i));
            continue;
        }
        const char16_t last = m_entries.constLast().letter.unicode();
        if (last >= u'Z')
            continue; // no letter left: the volume stays out of the table
        Entry e;
        e.letter = QChar(char16_t(last + 1));
        give(e, seen.at(i));
        m_entries.append(e);
    }
}

QList<Drive> DriveTable::drives() {
    refresh();
    QList<Drive> list;
    list.reserve(m_entries.size());
    for (const Entry& e : m_entries)
        list.append(Drive{e.letter, e.hostRoot, e.label, e.ready});
    return list;
}

DriveTable::Entry* DriveTable::find(QChar letter) {
    letter = letter.toUpper();
    for (Entry& e : m_entries) {
        if (e.letter == letter)
            return &e;
    }
    return nullptr;
}

bool DriveTable::identityHolds(const Entry& e) const {
    if (!m_fixed && e.letter == QLatin1Char('C'))
        return true; // the root file system cannot go away
    const std::optional<Look> l = look(e.hostRoot);
    if (!l || !l->folder || l->device != e.device)
        return false;
    if (m_fixed)
        return l->inode == e.inode;
    if (!m_mountInfoPath.isEmpty())
        return true; // mount ids of a test file are made up
    return isMountedHere(e.hostRoot, *l, e.mountId);
}

const DriveTable::Entry* DriveTable::checkedEntry(QChar letter) {
    if (const Entry* e = find(letter); e && e->ready && identityHolds(*e))
        return e;
    if (m_fixed)
        return nullptr;
    // The volume was swapped or taken out, or a new one came: ask the host once.
    readHostMounts();
    if (const Entry* e = find(letter); e && e->ready && identityHolds(*e))
        return e;
    return nullptr;
}

std::optional<QByteArray> DriveTable::hostRoot(QChar letter) {
    if (const Entry* e = checkedEntry(letter))
        return e->hostRoot;
    return std::nullopt;
}

std::optional<dev_t> DriveTable::volumeDevice(QChar letter) {
    if (const Entry* e = checkedEntry(letter))
        return e->device;
    return std::nullopt;
}

std::optional<DriveTable::Location> DriveTable::locate(const QByteArray& hostPath) {
    const Entry* best = nullptr;
    for (const Entry& e : m_entries) {
        if (!e.ready || !isAtOrBelow(hostPath, e.hostRoot))
            continue;
        if (!best || e.hostRoot.size() > best->hostRoot.size())
            best = &e;
    }
    if (!best)
        return std::nullopt;
    return Location{best->letter, best->hostRoot};
}

std::optional<QChar> DriveTable::letterFor(const QByteArray& hostPath) {
    if (const std::optional<Location> where = locate(hostPath))
        return where->letter;
    return std::nullopt;
}

void DriveTable::useFixedMap(const QMap<QChar, QByteArray>& lettersToFolders) {
    m_fixed = true;
    m_entries.clear();
    for (auto it = lettersToFolders.cbegin(); it != lettersToFolders.cend(); ++it) {
        Entry e;
        e.letter = it.key().toUpper();
        e.hostRoot = it.value();
        while (e.hostRoot.size() > 1 && e.hostRoot.endsWith('/'))
            e.hostRoot.chop(1);
        e.label = labelOf(e.hostRoot);
        m_entries.append(e);
        setFixedReady(e.letter, true);
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.letter < b.letter; });
}

void DriveTable::setFixedReady(QChar letter, bool ready) {
    Entry* e = find(letter);
    if (!m_fixed || !e)
        return;
    const std::optional<Look> l = ready ? look(e->hostRoot) : std::nullopt;
    e->ready = l && l->folder;
    if (e->ready) {
        e->device = l->device;
        e->inode = l->inode;
    }
}

void DriveTable::useHost() {
    m_fixed = false;
    m_mountInfoPath.clear();
    startFresh();
}

void DriveTable::setMountInfoPath(const QByteArray& path) {
    m_fixed = false;
    m_mountInfoPath = path;
    startFresh();
}

} // namespace platform
