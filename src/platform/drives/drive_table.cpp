#include "platform/drives/drive_table.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/host_mounts.h"

#include <QMutexLocker>

#include <algorithm>

namespace platform {

using host_mounts::isAtOrBelow;
using host_mounts::isMountedHere;
using host_mounts::labelOf;
using host_mounts::Look;
using host_mounts::look;

DriveTable& DriveTable::instance() {
    static DriveTable table;
    return table;
}

namespace {

Volume shownBy(const QByteArray& folder, const Look& l) {
    return Volume{l.device, folder, l.knowsMountId, l.uniqueMountId, l.mountId};
}

} // namespace

bool Volume::stillMounted() const {
    if (shownAt.isEmpty())
        return true;
    const std::optional<Look> now = look(shownAt, uniqueMountId);
    return now && now->folder && now->device == device &&
           (!now->knowsMountId || !knowsMount ||
            (now->uniqueMountId == uniqueMountId && now->mountId == mountId));
}

std::optional<Volume> Volume::of(const QByteArray& folder) {
    const std::optional<Look> l = look(folder, true);
    if (!l || !l->folder)
        return std::nullopt;
    return shownBy(folder, *l);
}

DriveTable::DriveTable() {
    startFresh();
}

void DriveTable::startFresh() {
    m_mounts.changed(); // from now on
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
    const QMutexLocker lock(&m_lock);
    if (!m_fixed)
        readHostMounts();
}

void DriveTable::catchUp() {
    if (!m_fixed && (!m_mountInfoPath.isEmpty() || m_mounts.changed()))
        readHostMounts();
}

void DriveTable::readHostMounts() {
    const QList<host_mounts::Mount> seen = host_mounts::readDrives(m_mountInfoPath);

    QList<bool> placed(seen.size(), false);
    for (Entry& e : m_entries) {
        if (e.letter == QLatin1Char('C'))
            continue;
        bool still = false;
        for (qsizetype i = 0; i < seen.size() && e.ready; ++i) {
            const host_mounts::Mount& m = seen.at(i);
            // A disk swapped at the same place may come back under the same
            // device number and mount id; its unique id tells.
            if (!placed.at(i) && m.id == e.mountId && m.mountPoint == e.hostRoot &&
                m.device == e.device && m.knowsUniqueId == e.knowsUniqueId &&
                m.uniqueId == e.uniqueId) {
                placed[i] = true;
                still = true;
                break;
            }
        }
        e.ready = still;
    }

    auto give = [&](Entry& e, const host_mounts::Mount& m) {
        e.hostRoot = m.mountPoint;
        e.label = labelOf(m.mountPoint);
        e.device = m.device;
        e.mountId = m.id;
        e.knowsUniqueId = m.knowsUniqueId;
        e.uniqueId = m.uniqueId;
        e.network = m.network;
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
    // ...any other disk the lowest letter of a gone disk, else the next free
    // one. Disks are swapped under one letter; a network share is not a disk
    // put in: it neither takes a gone disk's letter nor gives its own away
    // (it keeps it for its reconnection at its place), unless no letter is
    // left at all.
    const auto gone = [&](bool anyKind) {
        return std::find_if(m_entries.begin(), m_entries.end(),
                            [&](const Entry& e) { return !e.ready && (anyKind || !e.network); });
    };
    for (qsizetype i = 0; i < seen.size(); ++i) {
        if (placed.at(i))
            continue;
        const host_mounts::Mount& m = seen.at(i);
        if (auto swapped = gone(false); !m.network && swapped != m_entries.end()) {
            give(*swapped, m);
            continue;
        }
        const char16_t last = m_entries.constLast().letter.unicode();
        if (last < u'Z') {
            Entry e;
            e.letter = QChar(char16_t(last + 1));
            give(e, m);
            m_entries.append(e);
        } else if (auto any = gone(true); any != m_entries.end()) {
            give(*any, m);
        } // else no letter left: the volume stays out of the table
    }
}

QList<Drive> DriveTable::drives() {
    const QMutexLocker lock(&m_lock);
    if (!m_fixed)
        readHostMounts();
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

std::optional<Volume> DriveTable::identity(const Entry& e) const {
    if (!e.ready)
        return std::nullopt;
    if (!m_fixed && e.letter == QLatin1Char('C'))
        return Volume{e.device, {}, false, false, 0}; // the root file system cannot go away
    const std::optional<Look> l = look(e.hostRoot, true);
    if (!l || !l->folder || l->device != e.device)
        return std::nullopt;
    if (m_fixed) {
        if (l->inode != e.inode)
            return std::nullopt;
    } else if (!m_mountInfoPath.isEmpty()) {
        // Mount ids of a test file are made up.
    } else if (e.knowsUniqueId) {
        if (!l->uniqueMountId || l->mountId != e.uniqueId)
            return std::nullopt;
    } else if (const std::optional<Look> byId = l->uniqueMountId ? look(e.hostRoot) : l;
               !byId || !isMountedHere(e.hostRoot, *byId, e.mountId)) {
        return std::nullopt;
    }
    if (e.letter == QLatin1Char('C'))
        return Volume{e.device, {}, false, false, 0};
    return shownBy(e.hostRoot, *l);
}

const DriveTable::Entry* DriveTable::checkedEntry(QChar letter) {
    if (const Entry* e = find(letter); e && identity(*e))
        return e;
    if (m_fixed)
        return nullptr;
    // The volume was swapped or taken out, or a new one came: ask the host once.
    readHostMounts();
    if (const Entry* e = find(letter); e && identity(*e))
        return e;
    return nullptr;
}

std::optional<QByteArray> DriveTable::hostRoot(QChar letter) {
    const QMutexLocker lock(&m_lock);
    if (const Entry* e = checkedEntry(letter))
        return e->hostRoot;
    return std::nullopt;
}

const DriveTable::Entry* DriveTable::holderOf(const QByteArray& hostPath) const {
    const Entry* best = nullptr;
    for (const Entry& e : m_entries) {
        if (!e.ready || !isAtOrBelow(hostPath, e.hostRoot))
            continue;
        if (!best || e.hostRoot.size() > best->hostRoot.size())
            best = &e;
    }
    return best;
}

Result<Place> DriveTable::place(const QString& path) {
    const host_mounts::MountWatch mounts;
    const QChar letter = path.isEmpty() ? QChar() : path.at(0); // checked with the names
    const QMutexLocker lock(&m_lock);
    catchUp();
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            if (m_fixed)
                break;
            readHostMounts(); // something did not hold: the host's mounts say why
        }
        const Entry* drive = find(letter);
        if (!drive || !drive->ready)
            continue;
        Result<QByteArray> host = drive_path::hostPathUnder(drive->hostRoot, path);
        if (!host)
            return host.error();
        // The drive itself holds the path, unless another drive's folder
        // lies on the way to it.
        const Entry* holder = holderOf(*host);
        if (!holder)
            continue;
        // A drive that is not ready, with its root between the holder's
        // root and the path: the path is (in) its empty mount point.
        const bool inEmptyMountPoint =
            std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const Entry& e) {
                return !e.ready && e.hostRoot.size() > holder->hostRoot.size() &&
                       isAtOrBelow(*host, e.hostRoot);
            });
        if (inEmptyMountPoint)
            continue;
        const std::optional<Volume> volume = identity(*holder);
        if (!volume || (holder != drive && !identity(*drive)))
            continue;
        return Place{std::move(host.value()), *volume, holder->letter == QLatin1Char('C'),
                     !m_fixed && m_mountInfoPath.isEmpty(), mounts};
    }
    // A malformed path is refused as such whatever its drive.
    if (const Result<QByteArray> names = drive_path::hostPathUnder(QByteArrayLiteral("/"), path);
        !names)
        return names.error();
    return FsError::NotReady;
}

bool DriveTable::onNetwork(const QString& path) {
    const QChar letter = path.isEmpty() ? QChar() : path.at(0);
    const QMutexLocker lock(&m_lock);
    catchUp();
    const Entry* drive = find(letter);
    if (!drive)
        return false;
    const Result<QByteArray> host = drive_path::hostPathUnder(drive->hostRoot, path);
    if (!host)
        return drive->network;
    const Entry* holder = holderOf(*host);
    return drive->network || (holder && holder->network);
}

std::optional<DriveTable::Location> DriveTable::locateLocked(const QByteArray& hostPath) const {
    if (const Entry* holder = holderOf(hostPath))
        return Location{holder->letter, holder->hostRoot};
    return std::nullopt;
}

std::optional<DriveTable::Location> DriveTable::locate(const QByteArray& hostPath) {
    const QMutexLocker lock(&m_lock);
    return locateLocked(hostPath);
}

std::optional<QChar> DriveTable::letterFor(const QByteArray& hostPath) {
    const QMutexLocker lock(&m_lock);
    if (const std::optional<Location> where = locateLocked(hostPath))
        return where->letter;
    return std::nullopt;
}

void DriveTable::useFixedMap(const QMap<QChar, QByteArray>& lettersToFolders) {
    const QMutexLocker lock(&m_lock);
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
        markFixed(m_entries.last(), true);
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.letter < b.letter; });
}

void DriveTable::setFixedReady(QChar letter, bool ready) {
    const QMutexLocker lock(&m_lock);
    if (Entry* e = find(letter); m_fixed && e)
        markFixed(*e, ready);
}

void DriveTable::markFixed(Entry& e, bool ready) {
    const std::optional<Look> l = ready ? look(e.hostRoot) : std::nullopt;
    e.ready = l && l->folder;
    if (e.ready) {
        e.device = l->device;
        e.inode = l->inode;
    }
}

void DriveTable::useHost() {
    const QMutexLocker lock(&m_lock);
    m_fixed = false;
    m_mountInfoPath.clear();
    startFresh();
}

void DriveTable::setMountInfoPath(const QByteArray& path) {
    const QMutexLocker lock(&m_lock);
    m_fixed = false;
    m_mountInfoPath = path;
    startFresh();
}

} // namespace platform
