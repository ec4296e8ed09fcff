#include "platform/files/file_copier.h"

#include "platform/drives/drive_table.h"
#include "platform/files/file_copier_bytes_p.h"
#include "platform/files/file_copier_fd_p.h"
#include "platform/files/file_copier_publish_p.h"
#include "platform/files/file_copier_source_p.h"
#include "platform/files/file_copier_target_p.h"
#include "platform/files/file_copier_worker_p.h"
#include "platform/files/file_system.h"

#include <cerrno>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using namespace copier;

namespace {

std::function<void()>& moveHook() {
    static std::function<void()> hook;
    return hook;
}

} // namespace

struct FileCopier::Impl {
    TargetFolders folders;
    Publisher publisher;
    MoveBuffer buffer; // for the copies made on this thread
    std::function<void()> beforeWait;

    // The folder of the last source, held: the next one is most likely
    // beside it. A file opened there must be on the volume the folder was
    // placed on, else its path is placed again.
    struct SourceFolder {
        QString entry; // drive-letter folder
        Fd fd;         // O_PATH
        dev_t device = 0;
        bool anyDevice = false; // on C:, the whole host tree
    } sourceFolder;

    // What the last lookUp() found, for the copy right after it.
    struct LookedUp {
        bool valid = false;
        QString target;
        quint64 serial = 0; // of the held folder it was looked up in
        QByteArray name;
        SeenTarget seen;
    } looked;

    // Whether the last source volume's times come from this kernel's clock.
    dev_t stampsOf = 0;
    bool stampedHere = false;

    // Volume pairs between which copy_file_range said it cannot work, so
    // the next copy between them skips the refused call.
    std::set<std::pair<dev_t, dev_t>> noRange;
    // One open folder per volume written since the last flush, for syncfs.
    std::map<dev_t, int> written;

    ~Impl() {
        for (const auto& [dev, fd] : written)
            ::close(fd);
    }

    Result<int> openSource(const QString& source, struct stat& st, QByteArray& name);
    Outcome copyTo(const QString& source, const TargetPlace& place, const SeenTarget* seen);
    void noteWritten(int dirFd, dev_t dev) {
        if (written.count(dev))
            return;
        const int fd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0)
            written.emplace(dev, fd);
    }
};

// The source opened, and seen to be on the volume its folder was placed on:
// a file found in the bare mount-point folder of a gone volume is not the
// one selected.
Result<int> FileCopier::Impl::openSource(const QString& path, struct stat& st, QByteArray& name) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    constexpr int Flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const qsizetype length = folderLength(path);
    Result<QByteArray> hostFileName = hostName(QStringView(path).mid(path.lastIndexOf(u'\\') + 1));
    if (length < 0 || !hostFileName) // names no file
        return FsError::Unlistable;
    name = std::move(hostFileName.value());
    const auto openIn = [&](int dirFd) -> Result<int> {
        Fd in(::openat(dirFd, name.constData(), Flags));
        if (!in.valid())
            return errno == ENOTDIR ? FsError::NotFound : fromErrno(errno);
        if (::fstat(in.get(), &st) != 0)
            return fromErrno(errno);
        return in.release();
    };
    if (sourceFolder.fd.valid() && QStringView(path).left(length) == sourceFolder.entry) {
        const Result<int> in = openIn(sourceFolder.fd.get());
        if (!in || sourceFolder.anyDevice || st.st_dev == sourceFolder.device)
            return in;
        ::close(*in); // the volume may have changed: placed again
    }
    sourceFolder.fd.reset();
    const Result<Place> at = DriveTable::instance().place(path.left(length));
    if (!at)
        return at.error();
    Fd folder(::open(at->host.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return errno == ENOTDIR ? FsError::NotFound : fromErrno(errno);
    // Just placed: a file on another device than the drive's lies on a
    // volume inside it (a subvolume, say).
    const Result<int> in = openIn(folder.get());
    if (in) {
        sourceFolder.entry = path.left(length);
        sourceFolder.fd.reset(folder.release());
        sourceFolder.device = at->volume.device;
        sourceFolder.anyDevice = at->onC;
    }
    return in;
}

Outcome FileCopier::Impl::copyTo(const QString& sourcePath, const TargetPlace& place,
                                 const SeenTarget* seen) {
    struct stat src;
    QByteArray sourceName;
    const Result<int> opened = openSource(sourcePath, src, sourceName);
    if (!opened)
        return opened.error();
    Fd in(*opened);
    if (!S_ISREG(src.st_mode))
        return FsError::NotAFile;
    const int sourceFolderFd = sourceFolder.fd.get();
    if (stampsOf != src.st_dev) {
        stampsOf = src.st_dev;
        stampedHere = stampedByThisKernel(in.get());
    }
    // The times seen now must tell any change from now on.
    const RacyWait racy = racyWait(src, stampedHere);

    const HeldFolder& folder = *place.folder;
    const std::pair<dev_t, dev_t> volumes{src.st_dev, folder.dev};
    const bool large = isLarge(src.st_size);
    const bool aside = large || racy.isLong();
    bool rangeRefused = false;
    std::optional<MoveBuffer> ownBuffer; // the worker's
    const auto moveAll = [&](int out) {
        MoveJob job;
        job.in = in.get();
        job.out = out;
        job.length = src.st_size;
        job.blocks = src.st_blocks;
        job.first = noRange.count(volumes) ? Route::Send : Route::Range;
        job.keepHoles = !folder.fat;
        job.afterFirstPiece = &moveHook();
        racy.wait();
        const MoveResult moved = moveBytes(job, aside ? ownBuffer.emplace() : buffer);
        rangeRefused = rangeRefused || moved.rangeRefused;
        if (!moved.outcome)
            return moved.outcome;
        return sameSource(src, sourceFolderFd, sourceName.constData());
    };
    const Fill fill = moveAll;
    const PublishPlace at{folder.fd.get(), place.name, folder.fat, folder.plainModes, folder.dev};
    std::optional<Outcome> outcome;
    bool allowUnnamed = true;
    for (int attempt = 0; attempt < 3 && !outcome; ++attempt) {
        // What the lookup saw stands for the first attempt only.
        const SeenTarget* const seenNow = attempt == 0 ? seen : nullptr;
        if (aside) {
            // A large file, or a wait for the source's times. The whole of
            // it aside, not the bytes alone: closing, linking and above all
            // renaming over an old file can wait for the data to reach the
            // disk. The worker has a publisher of its own.
            Publisher aside = publisher;
            runAside([&] { outcome = aside.publish(src, at, allowUnnamed, seenNow, fill); },
                     beforeWait);
            publisher = aside;
        } else {
            outcome = publisher.publish(src, at, allowUnnamed, seenNow, fill);
        }
        allowUnnamed = false;
    }
    if (rangeRefused)
        noRange.insert(volumes);
    if (outcome) {
        if (outcome->ok())
            noteWritten(folder.fd.get(), folder.dev);
        return *outcome;
    }
    return FsError::Io; // the name keeps appearing and vanishing under us
}

FileCopier::FileCopier()
    : d(std::make_unique<Impl>()) {}

FileCopier::~FileCopier() = default;

void FileCopier::setUnnamedTemporaries(bool on) {
    d->publisher.unnamed = on;
}

void FileCopier::setBeforeWait(std::function<void()> paint) {
    d->beforeWait = std::move(paint);
}

void FileCopier::setWorkerHook(std::function<void()> hook) {
    copier::setWorkerHook(std::move(hook));
}

void FileCopier::setMoveHook(std::function<void()> hook) {
    moveHook() = std::move(hook);
}

Outcome FileCopier::copy(const QString& source, const QString& target) {
    d->looked = Impl::LookedUp{};
    const Result<TargetPlace> place = d->folders.place(target);
    if (!place)
        return place.error();
    return d->copyTo(source, *place, nullptr);
}

bool FileCopier::lookUp(const QString& target) {
    d->looked = Impl::LookedUp{};
    const Result<TargetPlace> place = d->folders.place(target);
    if (!place) // no file can be there, or not a folder the copy would write into
        return place.error() != FsError::Unlistable &&
               !file_system::lookupOrdinaryFile(target).isEmpty();
    if (place->name.startsWith('.'))
        return false; // hidden
    const int dirFd = place->folder->fd.get();

    Impl::LookedUp looked;
    if (::fstatat(dirFd, place->name.constData(), &looked.seen.st, AT_SYMLINK_NOFOLLOW) == 0)
        looked.seen.exists = true;
    else if (errno != ENOENT)
        return false;
    looked.valid = true;
    looked.target = target;
    looked.serial = d->folders.serial();
    looked.name = place->name;
    d->looked = looked;

    if (!looked.seen.exists)
        return false;
    if (S_ISLNK(looked.seen.st.st_mode)) // where the link leads decides
        return !file_system::lookupOrdinaryFile(target).isEmpty();
    if (!S_ISREG(looked.seen.st.st_mode))
        return false;
    return !place->folder->fat ||
           (fatAttributes(dirFd, place->name.constData()) & (ATTR_HIDDEN | ATTR_SYS)) == 0;
}

Outcome FileCopier::copyAfterLookUp(const QString& source, const QString& target) {
    const Impl::LookedUp looked = std::exchange(d->looked, Impl::LookedUp{});
    const HeldFolder* folder = d->folders.held();
    if (!looked.valid || !folder || looked.target != target || looked.serial != d->folders.serial())
        return copy(source, target);
    return d->copyTo(source, TargetPlace{folder, looked.name}, &looked.seen);
}

Outcome FileCopier::flush() {
    Outcome result;
    std::vector<int> volumes;
    for (const auto& [dev, fd] : d->written)
        volumes.push_back(fd);
    // Aside: a sync waits for every byte written since the last one.
    runAside(
        [&volumes, &result] {
            for (const int fd : volumes) {
                if (::syncfs(fd) != 0 && result.ok())
                    result = Outcome(fromErrno(errno));
            }
        },
        d->beforeWait);
    for (const auto& [dev, fd] : d->written)
        ::close(fd);
    d->written.clear();
    d->publisher.forgetVolumes();
    d->noRange.clear();
    resolveFoldersAgain();
    return result;
}

void FileCopier::resolveFoldersAgain() {
    d->folders.drop();
    d->sourceFolder.fd.reset();
    d->looked = Impl::LookedUp{};
}

} // namespace platform
