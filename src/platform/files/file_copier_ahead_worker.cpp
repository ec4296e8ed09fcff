#include "platform/files/file_copier_ahead_worker_p.h"

#include "platform/files/file_copier_fd_p.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

namespace platform::copier {

Outcome WriteAhead::Worker::area(const HeldFolder& folder, int folderIndex, quint64 generation) {
    if (m_areaFolder == folderIndex && m_areaGeneration == generation)
        return Outcome::success();
    m_areaFolder = -1;
    for (int i = 0; i < 2; ++i) {
        const QByteArray name = m_owner.m_runName + '-' + QByteArray::number(m_index) + char('a' + i);
        if (::mkdirat(folder.fd.get(), name.constData(), 0700) != 0 && errno != EEXIST)
            return fromErrno(errno);
        const int fd =
            ::openat(folder.fd.get(), name.constData(), O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return fromErrno(errno);
        const int parent = ::fcntl(folder.fd.get(), F_DUPFD_CLOEXEC, 0);
        const std::lock_guard lock(m_owner.m_lock);
        m_owner.m_made.push_back(Made{parent, name, fd, folder.entry});
        m_dirs[i] = fd;
    }
    m_areaFolder = folderIndex;
    m_areaGeneration = generation;
    return Outcome::success();
}

WriteAhead::Slot WriteAhead::Worker::write(int k, quint64 generation) {
    Slot slot;
    slot.state = Slot::Failed;
    const int folderIndex = m_owner.m_plan.folderOf(k);
    const Result<TargetPlace> place = m_targets.place(m_owner.m_plan.target(k));
    if (!place)
        return slot;
    const HeldFolder& folder = *place->folder;
    slot.volume = folder.dev;
    {
        const std::lock_guard lock(m_owner.m_lock);
        m_owner.m_folderVolume[folderIndex] = folder.dev;
    }
    if (!area(folder, folderIndex, generation))
        return slot;

    struct stat src;
    QByteArray sourceName;
    const Result<int> opened = m_sources.open(m_owner.m_plan.source(k), src, sourceName);
    if (!opened)
        return slot;
    Fd in(*opened);
    if (!S_ISREG(src.st_mode))
        return slot;
    const auto clock = m_kernelClock.try_emplace(src.st_dev, false);
    if (clock.second)
        clock.first->second = stampedByThisKernel(in.get());
    const RacyWait racy = racyWait(src, clock.first->second);
    const std::pair<dev_t, dev_t> volumes{src.st_dev, folder.dev};
    const int sourceFolder = m_sources.fd();
    const auto moveAll = [&](int out) {
        const MoveJob job =
            MoveJob::whole(in.get(), out, src, m_noRange.count(volumes), !folder.fat);
        racy.wait();
        const MoveResult moved = moveBytes(job, m_buffer);
        if (moved.rangeRefused)
            m_noRange.insert(volumes);
        if (!moved.outcome)
            return moved.outcome;
        return sameSource(src, sourceFolder, sourceName.constData());
    };
    const int dir = m_dirs[m_turn];
    m_turn ^= 1;
    QByteArray temporary;
    if (!m_publisher.writeTemporary(src, dir, folder.plainModes, Fill(moveAll), temporary))
        return slot;
    slot.state = Slot::Written;
    slot.written = WriteAhead::Written{dir, temporary, src, folder.dev};
    return slot;
}

} // namespace platform::copier
