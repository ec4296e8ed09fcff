#include "platform/drives/drive_table.h"

#include "platform/drives/host_mounts.h"

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
    const QList<host_mounts::Mount> seen = host_mounts::readDrives(m_mountInfoPath);

    QList<bool> placed(seen.size(), false);
    for (Entry& e : m_entries) {
        if (e.letter == QLatin1Char('C'))
            continue;
        bool still = false;
        for (qsizetype i = 0; i < seen.size() && e.ready; ++i) {
            const host_mounts::Mount& m = seen.at(i);
            if (!placed.at(i) && m.id == e.mountId && m.mountPoint == e.hostRoot &&
                m.device == e.device) {
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
