#include "platform/files/file_copier.h"

#include "platform/drives/drive_table.h"
#include "platform/files/file_copier_ahead_p.h"
#include "platform/files/file_copier_bytes_p.h"
#include "platform/files/file_copier_fd_p.h"
#include "platform/files/file_copier_publish_p.h"
#include "platform/files/file_copier_source_p.h"
#include "platform/files/file_copier_target_p.h"
#include "platform/files/file_copier_worker_p.h"
#include "platform/files/file_system.h"

#include <cerrno>
#include <chrono>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::function<void()>& copier::MoveJob::moveHook() {
    static std::function<void()> hook;
    return hook;
}

using namespace copier;

namespace {

bool& aheadEverywhere() {
    static bool on = false;
    return on;
}

bool onNetwork(const QString& path) {
    return DriveTable::instance().onNetwork(path);
}

} // namespace

struct FileCopier::Impl {
    TargetFolders folders;
    Publisher publisher;
    MoveBuffer buffer; // for the copies made on this thread
    std::function<void()> beforeWait;

    SourceFolder sourceFolder; // of the last source, held

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

    // The run's copies written ahead; the plan's index the next call is searched from.
    std::unique_ptr<WriteAhead> ahead;
    int aheadAt = 0;
    // Existence tests on network volumes that waited a round trip, in a row.
    int slowLookUps = 0;

    ~Impl() {
        if (ahead)
            ahead->discardAll(); // flush() has left nothing, or the run never ended
        for (const auto& [dev, fd] : written)
            ::close(fd);
    }

    // work() where the calling thread may wait on nothing that a server
    // holds up: on a worker, while the window is served, when `network`.
    template <typename Work> void run(bool network, const Work& work) {
        if (network)
            runAside(work, beforeWait);
        else
            work();
    }
    // Writing ahead pays where a call waits a round trip on a network: it
    // starts once 16 existence tests in a row have taken that long (a few
    // in a row do on a busy machine, or while the server catches up).
    // On a share that answers at once the workers would only get in the
    // way of the run's own calls.
    void noteLookUp(std::chrono::steady_clock::duration took) {
        if (!ahead || ahead->started())
            return;
        slowLookUps = took >= std::chrono::microseconds(1500) ? slowLookUps + 1 : 0;
        if (slowLookUps >= 16)
            ahead->start();
    }
    // The copy written ahead for source and target published, if any was;
    // nullopt: make it now.
    std::optional<Outcome> publishAhead(const QString& source, const QString& target,
                                        const TargetPlace& place, const SeenTarget* seen);

    Outcome copyTo(const QString& source, const TargetPlace& place, const SeenTarget* seen);
    bool lookUp(const QString& target);
    // FileCopier::copy() and the copy of copyUnlessFound(), on this thread.
    Outcome copyNow(const QString& source, const QString& target);
    Outcome copyAfterLookUp(const QString& source, const QString& target);
    void noteWritten(int dirFd, dev_t dev) {
        if (written.count(dev))
            return;
        const int fd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0)
            written.emplace(dev, fd);
    }
};

Outcome FileCopier::Impl::copyTo(const QString& sourcePath, const TargetPlace& place,
                                 const SeenTarget* seen) {
    struct stat src;
    QByteArray sourceName;
    const Result<int> opened = sourceFolder.open(sourcePath, src, sourceName);
    if (!opened)
        return opened.error();
    Fd in(*opened);
    if (!S_ISREG(src.st_mode))
        return FsError::NotAFile;
    const int sourceFolderFd = sourceFolder.fd();
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
        const MoveJob job = MoveJob::whole(in.get(), out, src, noRange.count(volumes), !folder.fat);
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

std::optional<Outcome> FileCopier::Impl::publishAhead(const QString& source, const QString& target,
                                                      const TargetPlace& place,
                                                      const SeenTarget* seen) {
    if (!ahead)
        return std::nullopt;
    const int k = ahead->find(source, target, aheadAt);
    if (k < 0)
        return std::nullopt;
    aheadAt = k + 1; // asked again (Retry), it is copied alone
    std::optional<WriteAhead::Written> written;
    if (ahead->wouldWait(k))
        runAside([&] { written = ahead->take(k); }, beforeWait);
    else
        written = ahead->take(k);
    if (!written)
        return std::nullopt;
    const HeldFolder& folder = *place.folder;
    // Written to a volume that has since gone, or from a source that has
    // changed since: made again, now.
    if (written->volume != folder.dev || !sourceFolder.unchanged(source, written->source)) {
        ahead->discard(k);
        return std::nullopt;
    }
    const PublishPlace at{folder.fd.get(), place.name, folder.fat, folder.plainModes, folder.dev};
    const Outcome published =
        publisher.publishWritten(written->source, written->tempDir, written->temporary, at, seen);
    if (published) {
        ahead->published(k);
        noteWritten(folder.fd.get(), folder.dev);
        return published;
    }
    ahead->discard(k);
    // What the name is (or has become) decides; any other failure is judged
    // by the copy made again, alone.
    if (published.error == FsError::Appeared || published.error == FsError::SameFile ||
        published.error == FsError::UnsafeTarget || published.error == FsError::ReadOnly)
        return published;
    return std::nullopt;
}

FileCopier::FileCopier()
    : d(std::make_unique<Impl>()) {}

FileCopier::~FileCopier() = default;

void FileCopier::setWriteAheadEverywhere(bool on) {
    aheadEverywhere() = on;
}

void FileCopier::planRun(const QStringList& folders, const QStringList& sources,
                         const QStringList& names) {
    if (d->ahead)
        d->run(true, [this] { d->ahead->discardAll(); });
    d->ahead.reset();
    d->aheadAt = 0;
    RunPlan plan{folders, sources, names, {}};
    bool any = false;
    for (const QString& folder : folders) {
        plan.ahead.push_back(aheadEverywhere() || onNetwork(folder));
        any = any || plan.ahead.back();
    }
    if (any && !sources.isEmpty()) {
        d->ahead = std::make_unique<WriteAhead>(std::move(plan));
        d->slowLookUps = 0;
        if (aheadEverywhere())
            d->ahead->start();
    }
}

bool FileCopier::sameFile(const QString& source, const QString& target) {
    bool same = false;
    d->run(onNetwork(source) || onNetwork(target),
           [&] { same = file_system::sameFile(source, target); });
    return same;
}

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
    MoveJob::moveHook() = std::move(hook);
}

Outcome FileCopier::copy(const QString& source, const QString& target) {
    Outcome outcome;
    d->run(onNetwork(source) || onNetwork(target), [&] { outcome = d->copyNow(source, target); });
    return outcome;
}

Outcome FileCopier::Impl::copyNow(const QString& source, const QString& target) {
    looked = LookedUp{};
    const Result<TargetPlace> place = folders.place(target);
    if (!place)
        return place.error();
    if (const std::optional<Outcome> published = publishAhead(source, target, *place, nullptr))
        return *published;
    return copyTo(source, *place, nullptr);
}

bool FileCopier::lookUp(const QString& target) {
    bool found = false;
    d->run(onNetwork(target), [&] { found = d->lookUp(target); });
    return found;
}

bool FileCopier::Impl::lookUp(const QString& target) {
    looked = LookedUp{};
    const Result<TargetPlace> place = folders.place(target);
    if (!place) // no file can be there, or not a folder the copy would write into
        return place.error() != FsError::Unlistable &&
               !file_system::lookupOrdinaryFile(target).isEmpty();
    if (place->name.startsWith('.'))
        return false; // hidden
    const int dirFd = place->folder->fd.get();

    LookedUp now;
    const auto asked = std::chrono::steady_clock::now();
    const int statted =
        ::fstatat(dirFd, place->name.constData(), &now.seen.st, AT_SYMLINK_NOFOLLOW);
    const int error = errno;
    noteLookUp(std::chrono::steady_clock::now() - asked);
    if (statted == 0)
        now.seen.exists = true;
    else if (error != ENOENT)
        return false;
    now.valid = true;
    now.target = target;
    now.serial = folders.serial();
    now.name = place->name;
    looked = now;

    if (!now.seen.exists)
        return false;
    if (S_ISLNK(now.seen.st.st_mode)) // where the link leads decides
        return !file_system::lookupOrdinaryFile(target).isEmpty();
    if (!S_ISREG(now.seen.st.st_mode))
        return false;
    return !place->folder->fat ||
           (fatAttributes(dirFd, place->name.constData()) & (ATTR_HIDDEN | ATTR_SYS)) == 0;
}

std::optional<Outcome> FileCopier::copyUnlessFound(const QString& source, const QString& target,
                                                   bool replace) {
    std::optional<Outcome> outcome;
    d->run(onNetwork(source) || onNetwork(target), [&] {
        if (!d->lookUp(target) || replace)
            outcome = d->copyAfterLookUp(source, target);
    });
    return outcome;
}

Outcome FileCopier::Impl::copyAfterLookUp(const QString& source, const QString& target) {
    const LookedUp seenNow = std::exchange(looked, LookedUp{});
    const HeldFolder* folder = folders.held();
    if (!seenNow.valid || !folder || seenNow.target != target || seenNow.serial != folders.serial())
        return copyNow(source, target);
    const TargetPlace place{folder, seenNow.name};
    if (const std::optional<Outcome> published = publishAhead(source, target, place, &seenNow.seen))
        return *published;
    return copyTo(source, place, &seenNow.seen);
}

Outcome FileCopier::flush() {
    Outcome result;
    std::vector<int> volumes;
    for (const auto& [dev, fd] : d->written)
        volumes.push_back(fd);
    // Aside: a sync waits for every byte written since the last one.
    WriteAhead* const ahead = d->ahead.get();
    runAside(
        [&volumes, &result, ahead] {
            // Nothing written ahead may stay while the user can change a disk.
            if (ahead)
                ahead->discardAll();
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
    d->sourceFolder.drop();
    d->looked = Impl::LookedUp{};
}

} // namespace platform
