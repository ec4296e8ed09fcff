#include "platform/files/file_copier_ahead_p.h"

#include "platform/drives/drive_table.h"
#include "platform/files/file_copier_ahead_worker_p.h"
#include "platform/files/file_copier_fd_p.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform::copier {

namespace {

QByteArray runName() {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray name(".pelmora-run-");
    for (int i = 0; i < 10; ++i)
        name += digits[QRandomGenerator::global()->bounded(int(sizeof digits - 1))];
    return name;
}

// Removes a folder of the run's and the temporaries in it (nothing else is
// ever put there); whether it is gone.
bool removeRunFolder(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    if (DIR* dir = ::fdopendir(fd)) {
        while (const dirent* e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                ::unlinkat(::dirfd(dir), e->d_name, 0);
        }
        ::closedir(dir);
    } else {
        ::close(fd);
    }
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT;
}

} // namespace

WriteAhead::WriteAhead(RunPlan plan)
    : m_plan(std::move(plan))
    , m_runName(runName())
    , m_folderVolume(m_plan.folders.size(), 0) {
    for (int i = 0; i < Workers; ++i)
        m_workers.push_back(std::make_unique<Worker>(*this, i));
}

WriteAhead::~WriteAhead() {
    {
        const std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    for (const Made& m : m_made) { // left by a discardAll() that was never made
        ::close(m.fd);
        ::close(m.parent);
    }
}

void WriteAhead::work(int index) {
    Worker& worker = *m_workers[index];
    std::unique_lock lock(m_lock);
    for (;;) {
        if (m_stopping)
            return;
        if (!m_removals.empty()) { // discarded temporaries go first: they hold room
            const std::pair<int, QByteArray> removal = std::move(m_removals.back());
            m_removals.pop_back();
            ++m_busy;
            ++m_removing;
            lock.unlock();
            ::unlinkat(removal.first, removal.second.constData(), 0);
            lock.lock();
            --m_busy;
            --m_removing;
            m_changed.notify_all();
            continue;
        }
        const int k = nextToWrite();
        if (k < 0) {
            m_changed.wait(lock);
            continue;
        }
        m_slots[k] = Slot{};
        ++m_busy;
        const quint64 generation = m_generation;
        lock.unlock();
        Slot written = worker.write(k, generation);
        lock.lock();
        --m_busy;
        const auto it = m_slots.find(k);
        const bool dropped = it == m_slots.end() || it->second.dropped;
        if (dropped) {
            if (it != m_slots.end())
                m_slots.erase(it);
            if (written.state == Slot::Written)
                m_removals.emplace_back(written.written.tempDir, written.written.temporary);
        } else {
            it->second = std::move(written);
        }
        m_changed.notify_all();
    }
}

void WriteAhead::start() {
    {
        const std::lock_guard lock(m_lock);
        m_started = true;
    }
    m_changed.notify_all();
    // Made only now: idle, they would still wake at every copy's turn, and
    // on a busy machine that costs a share which answers at once more than
    // the copies.
    for (int i = int(m_threads.size()); i < Workers; ++i)
        m_threads.emplace_back([this, i] { work(i); });
}

bool WriteAhead::started() const {
    const std::lock_guard lock(m_lock);
    return m_started;
}

int WriteAhead::nextToWrite() const {
    if (m_paused || m_stopping || !m_started)
        return -1;
    std::map<dev_t, std::pair<int, qint64>> load; // copies and bytes not yet published
    for (const auto& [k, slot] : m_slots) {
        if (slot.state == Slot::Cursor || slot.dropped)
            continue;
        auto& [copies, bytes] = load[m_folderVolume[m_plan.folderOf(k)]];
        ++copies;
        if (slot.state == Slot::Written)
            bytes += slot.written.source.st_size;
    }
    const int end = std::min(m_plan.count(), m_cursor + Window);
    for (int k = m_cursor; k < end; ++k) {
        const int folder = m_plan.folderOf(k);
        if (m_slots.count(k) || !m_plan.ahead[folder])
            continue;
        const dev_t volume = m_folderVolume[folder];
        if (m_heldBack.count(volume) || (volume == 0 && !m_heldBack.empty()))
            continue;
        const auto l = load.find(volume);
        if (l != load.end() && (l->second.first >= VolumeCopies || l->second.second >= VolumeBytes))
            continue;
        return k;
    }
    return -1;
}

WriteAhead::Slots::iterator WriteAhead::drop(Slots::iterator it) {
    if (it->second.state == Slot::Writing) {
        it->second.dropped = true; // its worker removes what it wrote
        return std::next(it);
    }
    if (it->second.state == Slot::Written)
        m_removals.emplace_back(it->second.written.tempDir, it->second.written.temporary);
    return m_slots.erase(it);
}

bool WriteAhead::writingOn(dev_t volume) const {
    for (const auto& [k, slot] : m_slots) {
        if (slot.state == Slot::Writing &&
            (volume == 0 || m_folderVolume[m_plan.folderOf(k)] == volume ||
             m_folderVolume[m_plan.folderOf(k)] == 0))
            return true;
    }
    return false;
}

int WriteAhead::find(const QString& source, const QString& target, int from) const {
    for (int k = std::max(from, 0); k < m_plan.count(); ++k) {
        if (m_plan.source(k) == source && m_plan.target(k) == target)
            return k;
    }
    return -1;
}

bool WriteAhead::wouldWait(int k) const {
    const std::lock_guard lock(m_lock);
    const auto it = m_slots.find(k);
    if (it != m_slots.end() && it->second.state == Slot::Written && !it->second.dropped)
        return false;
    return m_started && m_plan.ahead[m_plan.folderOf(k)];
}

std::optional<WriteAhead::Written> WriteAhead::take(int k) {
    std::unique_lock lock(m_lock);
    if (!m_started) {     // nothing was written, nor is being written
        m_cursor = k + 1; // k is copied now: writing ahead would begin after it
        return std::nullopt;
    }
    m_paused = false;
    // Every copy before k was published, skipped or ignored.
    for (auto it = m_slots.begin(); it != m_slots.end() && it->first < k;)
        it = drop(it);
    m_cursor = k;
    for (auto it = m_heldBack.begin(); it != m_heldBack.end();)
        it = it->second < k ? m_heldBack.erase(it) : std::next(it);
    m_changed.notify_all();
    auto it = m_slots.find(k);
    if (it != m_slots.end() && it->second.dropped) { // its worker takes it away when done
        m_changed.wait(lock, [&] { return !m_slots.count(k); });
        it = m_slots.end();
    }
    if (it != m_slots.end()) {
        m_changed.wait(lock, [&] { return it->second.state != Slot::Writing; });
        if (it->second.state == Slot::Written)
            return it->second.written;
    }
    // Not written ahead (not reached, or failed): judged now, in order.
    const int folder = m_plan.folderOf(k);
    const dev_t volume = it != m_slots.end() ? it->second.volume : m_folderVolume[folder];
    m_slots.insert_or_assign(k, Slot{Slot::Cursor, false, {}, 0});
    if (m_started && m_plan.ahead[folder])
        makeAlone(k, volume, lock);
    return std::nullopt;
}

void WriteAhead::makeAlone(int k, dev_t volume, std::unique_lock<std::mutex>& lock) {
    m_heldBack[volume] = k;
    m_changed.wait(lock, [&] { return !writingOn(volume); });
    for (auto later = m_slots.upper_bound(k); later != m_slots.end();) {
        const dev_t v = m_folderVolume[m_plan.folderOf(later->first)];
        later = volume == 0 || v == volume || v == 0 ? drop(later) : std::next(later);
    }
    // Gone before the copy is made: they hold room on the volume.
    const std::vector<std::pair<int, QByteArray>> removals = std::exchange(m_removals, {});
    m_changed.wait(lock, [&] { return m_removing == 0; });
    lock.unlock();
    for (const auto& [dir, name] : removals)
        ::unlinkat(dir, name.constData(), 0);
    lock.lock();
}

void WriteAhead::published(int k) {
    const std::lock_guard lock(m_lock);
    m_slots.erase(k);
    m_changed.notify_all();
}

void WriteAhead::discard(int k) {
    std::unique_lock lock(m_lock);
    const auto it = m_slots.find(k);
    if (it == m_slots.end())
        return;
    const dev_t volume = it->second.volume;
    drop(it);
    m_slots.emplace(k, Slot{Slot::Cursor, false, {}, 0});
    makeAlone(k, volume, lock);
}

void WriteAhead::discardAll() {
    std::vector<std::pair<int, QByteArray>> removals;
    std::vector<Made> made;
    {
        std::unique_lock lock(m_lock);
        m_paused = true;
        for (auto it = m_slots.begin(); it != m_slots.end();)
            it = drop(it);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_busy == 0; });
        // Idle and held back: their folders can go from under them.
        for (const std::unique_ptr<Worker>& worker : m_workers)
            worker->drop();
        m_slots.clear();
        m_heldBack.clear();
        removals = std::move(m_removals);
        m_removals.clear();
        made = std::move(m_made);
        m_made.clear();
        ++m_generation;
    }
    for (const auto& [dir, name] : removals)
        ::unlinkat(dir, name.constData(), 0);
    // Each in a thread of its own: those of different shares need not wait
    // for each other.
    std::mutex leftLock;
    std::vector<std::pair<QString, QByteArray>> left;
    const auto keep = [&](const QString& folder, const QByteArray& name) {
        const std::lock_guard lock(leftLock);
        left.emplace_back(folder, name);
    };
    std::vector<std::thread> removers;
    for (const Made& m : made) {
        removers.emplace_back([&m, &keep] {
            ::close(m.fd);
            if (::unlinkat(m.parent, m.name.constData(), AT_REMOVEDIR) != 0 && errno != ENOENT &&
                !removeRunFolder(m.parent, m.name.constData()))
                keep(m.folder, m.name);
            ::close(m.parent);
        });
    }
    const std::vector<std::pair<QString, QByteArray>> before = std::exchange(m_leftovers, {});
    for (const auto& [folder, name] : before) {
        removers.emplace_back([&folder = folder, &name = name, &keep] {
            const Result<Place> at = DriveTable::instance().place(folder);
            const int parent =
                at ? ::open(at->host.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
            if (parent < 0 || !removeRunFolder(parent, name.constData()))
                keep(folder, name);
            if (parent >= 0)
                ::close(parent);
        });
    }
    for (std::thread& t : removers)
        t.join();
    m_leftovers = std::move(left);
}

} // namespace platform::copier
