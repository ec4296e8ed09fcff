#include "platform/drive_table.h"
#include "platform/file_copier.h"
#include "platform/file_copier_bytes.h"
#include "temp_drives.h"
#include "tmpfs_volume.h"

#include <QRandomGenerator>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

Q_DECLARE_METATYPE(platform::FsError)

namespace {

QString nameOf(const Outcome& o) {
    static const char* const names[] = {"NotReady",     "NotFound",   "AccessDenied", "NotAFolder",
                                        "NotAFile",     "Unlistable", "NoSpace",      "ReadOnly",
                                        "UnsafeTarget", "SameFile",   "ShortCopy",    "Io"};
    return QString::fromLatin1(o.ok() ? "success" : names[int(o.error)]);
}

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(quint32(size) * 2654435761u);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(gen.bounded(256));
    return data;
}

QByteArray readHost(const QByteArray& path) {
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeHost(const QByteArray& path, const QByteArray& data) {
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

struct stat lstatOf(const QByteArray& path) {
    struct stat st {};
    ::lstat(path.constData(), &st);
    return st;
}

// A past modification time with nanoseconds, to see it kept exactly.
constexpr timespec OldTime{981'173'106, 123'456'789};

void setTime(const QByteArray& path) {
    const timespec times[2] = {OldTime, OldTime};
    ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}

// Every name in a folder, hidden ones and temporaries included, sorted.
QStringList namesIn(const QByteArray& folder) {
    return QDir(QFile::decodeName(folder))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                   QDir::Name);
}

// All a copy could touch in a folder: each entry's kind, mode, size, time
// and content (or link text).
QStringList snapshot(const QByteArray& folder) {
    QStringList lines;
    for (const QString& name : namesIn(folder)) {
        const QByteArray path = folder + '/' + QFile::encodeName(name);
        const struct stat st = lstatOf(path);
        lines << name +
                     QString::asprintf(" %o %lld %lld.%ld %zx ", st.st_mode, qint64(st.st_size),
                                       qint64(st.st_mtim.tv_sec), st.st_mtim.tv_nsec,
                                       S_ISREG(st.st_mode) ? qHash(readHost(path)) : 0) +
                     QFile::symLinkTarget(QFile::decodeName(path));
    }
    lines.sort();
    return lines;
}

// A file's length followed by (offset, size) of each of its data extents.
using Layout = QList<qint64>;

// Makes a file of that layout: random data in the extents, holes between.
bool makeSparse(const QByteArray& path, const Layout& layout) {
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(layout.at(0)))
        return false;
    for (qsizetype k = 1; k + 1 < layout.size(); k += 2) {
        if (!f.seek(layout.at(k)) || f.write(randomBytes(layout.at(k + 1))) != layout.at(k + 1))
            return false;
    }
    return true;
}

// Where a file keeps data, as SEEK_DATA/SEEK_HOLE tell it, and its length.
QList<qint64> dataRegions(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    ::fstat(fd, &st);
    QList<qint64> regions{qint64(st.st_size)};
    for (off_t at = 0; fd >= 0 && at < st.st_size;) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0)
            break;
        at = ::lseek(fd, data, SEEK_HOLE);
        regions << qint64(data) << qint64(at);
    }
    ::close(fd);
    return regions;
}

// C: a temporary folder on the host's disk; D: and E: small tmpfs volumes
// of their own: the drive table while it lives.
struct Volumes {
    explicit Volumes(const char* options)
        : d(options)
        , e(options) {
        if (d.isMounted() && e.isMounted())
            DriveTable::instance().useFixedMap(
                {{QLatin1Char('C'), drives.hostRoot(QLatin1Char('C'))},
                 {QLatin1Char('D'), d.path()},
                 {QLatin1Char('E'), e.path()}});
    }

    QByteArray host(char letter, const QByteArray& name) const {
        return (letter == 'C'   ? drives.hostRoot(QLatin1Char('C'))
                : letter == 'D' ? d.path()
                                : e.path()) +
               '/' + name;
    }
    TempDrives drives{QStringLiteral("C")};
    TmpfsVolume d;
    TmpfsVolume e;
};

#define MOUNT_VOLUMES(name, options)                                                               \
    Volumes name(options);                                                                         \
    SKIP_UNLESS_TMPFS(name.d);                                                                     \
    SKIP_UNLESS_TMPFS(name.e)

// An unsafe copy: what it copies, where, and the folder that must stay as it was.
struct Copy {
    QString source = QStringLiteral("C:\\SRC\\a.txt");
    QString target = QStringLiteral("D:\\OUT\\a.txt");
    QString watched = QStringLiteral("D:\\OUT");
};
using Prepare = std::function<void(const TempDrives&, Copy&)>;

// What is at the target's name before a copy, when not an old file.
constexpr int NoTarget = -1, LinkToFile = -2, DanglingLink = -3;

} // namespace

Q_DECLARE_METATYPE(Prepare)
Q_DECLARE_METATYPE(Layout)

class TestFileCopier : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copies_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("oldSize"); // NoTarget, a link, or the old file's size
        QTest::addColumn<bool>("unnamed");
        for (const bool unnamed : {true, false}) {
            const char* way = unnamed ? "unnamed temporary" : "named temporary";
            QTest::addRow("new empty file, %s", way) << "a.txt" << 0 << 0644 << NoTarget << unnamed;
            QTest::addRow("new 3 MiB executable, %s", way)
                << "tool" << 3 * 1024 * 1024 + 5 << 0755 << NoTarget << unnamed;
            QTest::addRow("new copy of a read-only file, %s", way)
                << "ro.txt" << 100 << 0444 << NoTarget << unnamed;
            QTest::addRow("new hidden file, %s", way)
                << ".profile" << 30 << 0600 << NoTarget << unnamed;
            QTest::addRow("name with newline, %s", way)
                << "a b\nc" << 10 << 0644 << NoTarget << unnamed;
            QTest::addRow("replace a smaller file, %s", way)
                << "a.txt" << 5000 << 0644 << 10 << unnamed;
            QTest::addRow("replace a larger file, %s", way)
                << "a.txt" << 10 << 0600 << 70000 << unnamed;
            // The link is replaced, its pointee never written through it.
            QTest::addRow("replace a link, %s", way)
                << "a.txt" << 10 << 0644 << LinkToFile << unnamed;
            QTest::addRow("replace a dangling link, %s", way)
                << "a.txt" << 10 << 0644 << DanglingLink << unnamed;
        }
    }

    // The target ends as the source's twin: kind, mode, size, time to the
    // nanosecond and content. Nothing else changes; no temporary is left.
    void copies() {
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(int, mode);
        QFETCH(int, oldSize);
        QFETCH(bool, unnamed);
        TempDrives drives;
        const QString source =
            drives.makeFile(QStringLiteral("C:\\SRC\\") + name, randomBytes(size));
        ::chmod(drives.host(source).constData(), mode_t(mode));
        setTime(drives.host(source));
        drives.makeFile(QStringLiteral("D:\\OUT\\other.txt"), QByteArray("stays"));
        const QByteArray sources = drives.host(QStringLiteral("C:\\SRC"));
        const QByteArray out = drives.host(QStringLiteral("D:\\OUT"));
        const QStringList sourceBefore = snapshot(sources);
        QStringList expected = sourceBefore + snapshot(out);
        expected.sort();

        const QString target = QStringLiteral("D:\\OUT\\") + name;
        const QByteArray elsewhere = drives.host(drives.mkdir(QStringLiteral("C:\\ELSEWHERE")));
        if (oldSize == LinkToFile)
            QVERIFY(writeHost(elsewhere + "/p.txt", "pointee"));
        if (oldSize >= 0)
            drives.makeFile(target, QByteArray(oldSize, 'x'));
        else if (oldSize != NoTarget)
            QVERIFY(::symlink(QByteArray(elsewhere + "/p.txt").constData(), drives.host(target)) ==
                    0);
        const QStringList elsewhereBefore = snapshot(elsewhere);

        FileCopier copier;
        copier.setUnnamedTemporaries(unnamed);
        QCOMPARE(nameOf(copier.copy(source, target)), QStringLiteral("success"));
        QCOMPARE(snapshot(out), expected);
        QCOMPARE(snapshot(sources), sourceBefore);
        QCOMPARE(snapshot(elsewhere), elsewhereBefore);
    }

    void refusesUnsafeCopies_data() {
        QTest::addColumn<Prepare>("prepare");
        QTest::addColumn<FsError>("expected");
        const auto add = [](const char* name, FsError expected, Prepare prepare) {
            QTest::newRow(name) << prepare << expected;
        };
        using D = const TempDrives&;
        add("folder at target", FsError::UnsafeTarget, [](D d, Copy& c) { d.mkdir(c.target); });
        add("FIFO at target", FsError::UnsafeTarget,
            [](D d, Copy& c) { QVERIFY(::mkfifo(d.host(c.target).constData(), 0644) == 0); });
        add("hidden file at target", FsError::UnsafeTarget, [](D d, Copy& c) {
            c.source = d.makeFile(QStringLiteral("C:\\SRC\\.a.txt"), QByteArray("new content"));
            c.target = d.makeFile(QStringLiteral("D:\\OUT\\.a.txt"), QByteArray("old"));
        });
        add("read-only target 0444", FsError::ReadOnly, [](D d, Copy& c) {
            ::chmod(d.host(d.makeFile(c.target, QByteArray("old"))).constData(), 0444);
        });
        add("link to a folder at target", FsError::UnsafeTarget, [](D d, Copy& c) {
            d.mkdir(QStringLiteral("D:\\ELSEWHERE"));
            QVERIFY(::symlink("../ELSEWHERE", d.host(c.target).constData()) == 0);
        });
        // Opening a FIFO waits for a writer unless told not to.
        add("FIFO as source", FsError::NotAFile, [](D d, Copy& c) {
            c.source = QStringLiteral("C:\\SRC\\pipe");
            QVERIFY(::mkfifo(d.host(c.source).constData(), 0644) == 0);
        });
        add("target folder gone", FsError::NotFound, [](D, Copy& c) {
            c.target = QStringLiteral("D:\\NOWHERE\\a.txt");
            c.watched = QStringLiteral("D:\\");
        });
        add("same path", FsError::SameFile, [](D, Copy& c) {
            c.target = c.source;
            c.watched = QStringLiteral("C:\\SRC");
        });
        add("hard link to source", FsError::SameFile, [](D d, Copy& c) {
            QVERIFY(::link(d.host(c.source).constData(), d.host(c.target).constData()) == 0);
        });
        add("link to source at target", FsError::SameFile, [](D d, Copy& c) {
            QVERIFY(::symlink(d.host(c.source).constData(), d.host(c.target).constData()) == 0);
        });
        add("target drive not ready", FsError::NotReady,
            [](D, Copy&) { DriveTable::instance().setFixedReady(QLatin1Char('D'), false); });
    }

    // Each fails touching nothing, neither the target's folder nor the source's.
    void refusesUnsafeCopies() {
        QFETCH(Prepare, prepare);
        QFETCH(FsError, expected);
        TempDrives drives;
        Copy c;
        setTime(drives.host(drives.makeFile(c.source, QByteArray("new content"))));
        drives.makeFile(QStringLiteral("D:\\OUT\\b.txt"), QByteArray("neighbour"));
        prepare(drives, c);
        const QByteArray watched = drives.host(c.watched);
        const QByteArray sources = drives.host(QStringLiteral("C:\\SRC"));
        const QStringList before = snapshot(watched);
        const QStringList sourcesBefore = snapshot(sources);

        FileCopier copier;
        QCOMPARE(nameOf(copier.copy(c.source, c.target)), nameOf(Outcome(expected)));
        QCOMPARE(snapshot(watched), before);
        QCOMPARE(snapshot(sources), sourcesBefore);
    }

    // The folder is held from one copy to the next, also when it is renamed
    // meanwhile; a flush (before a box, at the end of a run) lets it go and
    // the path is followed anew.
    void holdsTheFolderUntilAFlush() {
        TempDrives drives;
        const QString a = drives.makeFile(QStringLiteral("C:\\a.txt"), QByteArray("a"));
        const QString b = drives.makeFile(QStringLiteral("C:\\b.txt"), QByteArray("b"));
        drives.mkdir(QStringLiteral("D:\\OUT"));
        FileCopier copier;
        QVERIFY(copier.copy(a, QStringLiteral("D:\\OUT\\a.txt")).ok());
        QVERIFY(::rename(drives.host(QStringLiteral("D:\\OUT")).constData(),
                         drives.host(QStringLiteral("D:\\OLD")).constData()) == 0);
        QVERIFY(copier.copy(b, QStringLiteral("D:\\OUT\\b.txt")).ok());
        QVERIFY(copier.flush().ok());
        QCOMPARE(nameOf(copier.copy(b, QStringLiteral("D:\\OUT\\c.txt"))),
                 QStringLiteral("NotFound"));
        drives.mkdir(QStringLiteral("D:\\OUT"));
        QVERIFY(copier.copy(b, QStringLiteral("D:\\OUT\\c.txt")).ok());
        QCOMPARE(namesIn(drives.host(QStringLiteral("D:\\OUT"))),
                 QStringList{QStringLiteral("c.txt")});
        QCOMPARE(namesIn(drives.host(QStringLiteral("D:\\OLD"))),
                 (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    }

    // Only the data regions are copied, on every way of moving bytes and
    // through the copier (a large file through its worker): the copy has the
    // source's regions, length and bytes.
    void holesKept_data() {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<bool>("onTmpfs"); // else the host's disk
        QTest::addColumn<int>("route");    // copier::Route, or -1: FileCopier::copy
        constexpr qint64 K = 4096, M = 1024 * 1024;
        const QList<std::pair<const char*, Layout>> layouts{
            {"all hole", {5 * M}},
            {"hole at the start", {2 * M + 100, 2 * M, 100}},
            {"hole at the end", {3 * M, 0, 64 * K}},
            {"holes in the middle", {M, 0, K, 40 * K, 8 * K, M - K, K}},
            {"no holes", {300 * K, 0, 300 * K}},
            {"large, three extents",
             {40 * M, 0, 300 * K, 17 * M, 400 * K, 40 * M - 324 * K, 324 * K}},
        };
        const QList<std::pair<const char*, int>> routes{{"kernel copy", int(copier::Route::Range)},
                                                        {"sendfile", int(copier::Route::Send)},
                                                        {"read/write", int(copier::Route::Plain)},
                                                        {"copier", -1}};
        for (const bool tmpfs : {false, true})
            for (const auto& [layoutName, layout] : layouts)
                for (const auto& [routeName, route] : routes)
                    QTest::addRow("%s, %s, %s", tmpfs ? "tmpfs" : "host disk", layoutName,
                                  routeName)
                        << layout << tmpfs << route;
    }
    void holesKept() {
        QFETCH(Layout, layout);
        QFETCH(bool, onTmpfs);
        QFETCH(int, route);
        TempDrives drives(QStringLiteral("C"));
        std::unique_ptr<TmpfsVolume> volume;
        QByteArray folder = drives.hostRoot(QLatin1Char('C'));
        if (onTmpfs) {
            volume = std::make_unique<TmpfsVolume>("size=128m");
            SKIP_UNLESS_TMPFS(*volume);
            folder = volume->path();
            DriveTable::instance().useFixedMap(
                {{QLatin1Char('C'), drives.hostRoot(QLatin1Char('C'))},
                 {QLatin1Char('D'), folder}});
        }
        const QString drive = onTmpfs ? QStringLiteral("D:\\") : QStringLiteral("C:\\");
        const QByteArray source = folder + "/src.img", copy = folder + "/copy.img";
        QVERIFY(makeSparse(source, layout));

        if (route < 0) {
            FileCopier copier;
            QCOMPARE(nameOf(copier.copy(drive + "src.img", drive + "copy.img")),
                     QStringLiteral("success"));
        } else {
            const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
            const int out = ::open(copy.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            QVERIFY(in >= 0 && out >= 0);
            struct stat st {};
            ::fstat(in, &st);
            copier::MoveJob job;
            job.in = in;
            job.out = out;
            job.length = st.st_size;
            job.blocks = st.st_blocks;
            job.first = copier::Route(route);
            copier::MoveBuffer buffer;
            const copier::MoveResult moved = copier::moveBytes(job, buffer);
            ::close(in);
            QVERIFY(::close(out) == 0);
            QCOMPARE(nameOf(moved.outcome), QStringLiteral("success"));
        }
        QCOMPARE(dataRegions(copy), dataRegions(source));
        QVERIFY(readHost(copy) == readHost(source));
    }

    // Root only: real volumes.
    void volumeRefuses_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("oldSize"); // -1: no target yet
        QTest::addColumn<bool>("unnamed");
        QTest::addColumn<bool>("readOnly"); // else full
        QTest::addColumn<bool>("sparse");   // the size in three extents over 64 MiB
        QTest::newRow("full: new file larger than the disk")
            << 2'000'000 << -1 << true << false << false;
        QTest::newRow("full: the same, named") << 2'000'000 << -1 << false << false << false;
        QTest::newRow("full: larger replacement") << 2'000'000 << 1000 << true << false << false;
        QTest::newRow("full: fits only without the old")
            << 500'000 << 700'000 << true << false << false;
        QTest::newRow("full: sparse, new") << 1'500'000 << -1 << true << false << true;
        QTest::newRow("full: sparse, named") << 1'500'000 << -1 << false << false << true;
        QTest::newRow("full: sparse replacement") << 1'500'000 << 5000 << true << false << true;
        QTest::newRow("write-protected: new file") << 10 << -1 << true << true << false;
        QTest::newRow("write-protected: replacement") << 10 << 3 << true << true << false;
    }

    // No partial target, no temporary, no space taken; an old target stays whole.
    void volumeRefuses() {
        QFETCH(int, size);
        QFETCH(int, oldSize);
        QFETCH(bool, unnamed);
        QFETCH(bool, readOnly);
        QFETCH(bool, sparse);
        MOUNT_VOLUMES(v, "size=1m");
        if (oldSize >= 0)
            QVERIFY(writeHost(v.host('D', "a.bin"), randomBytes(oldSize)));
        const qint64 third = size / 3, M = 1024 * 1024;
        QVERIFY(sparse ? makeSparse(v.host('C', "a.bin"),
                                    {64 * M, M, third, 30 * M, third, 64 * M - third, third})
                       : writeHost(v.host('C', "a.bin"), randomBytes(size)));
        if (readOnly)
            QVERIFY(v.d.remountReadOnly());
        const QStringList before = snapshot(v.d.path());
        const qint64 freeBefore = v.d.freeBytes();

        FileCopier copier;
        copier.setUnnamedTemporaries(unnamed);
        QCOMPARE(nameOf(copier.copy(QStringLiteral("C:\\a.bin"), QStringLiteral("D:\\a.bin"))),
                 QLatin1String(readOnly ? "ReadOnly" : "NoSpace"));
        QCOMPARE(snapshot(v.d.path()), before);
        QCOMPARE(v.d.freeBytes(), freeBefore);
        QVERIFY(copier.flush().ok());
        if (readOnly)
            return;
        // A file that fits still goes on the same disk afterwards.
        QVERIFY(writeHost(v.host('C', "small.bin"), randomBytes(1000)));
        QVERIFY(copier.copy(QStringLiteral("C:\\small.bin"), QStringLiteral("D:\\small.bin")).ok());
    }

    void removedVolume_data() {
        QTest::addColumn<bool>("flushFirst");
        QTest::addColumn<bool>("throughC");
        QTest::newRow("taken out after a flush") << true << false;
        QTest::newRow("torn out while held open") << false << false;
        QTest::newRow("its folder reached through C:") << true << true;
    }

    // After the volume is gone its bare mount-point folder is never written.
    void removedVolume() {
        QFETCH(bool, flushFirst);
        QFETCH(bool, throughC);
        MOUNT_VOLUMES(v, "size=1m");
        QVERIFY(writeHost(v.host('C', "a.txt"), "data"));
        QString source = QStringLiteral("C:\\a.txt");
        QString folder = QStringLiteral("D:");
        if (throughC) {
            // The host's own table: C: is "/", the tmpfs under /mnt a drive of
            // its own that goes not ready.
            DriveTable::instance().useHost();
            const auto viaC = [](const QByteArray& hostPath) -> QString {
                return QStringLiteral("C:") + QString::fromUtf8(hostPath).replace(u'/', u'\\');
            };
            source = viaC(v.host('C', "a.txt"));
            folder = viaC(v.d.path());
        }

        FileCopier copier;
        QCOMPARE(nameOf(copier.copy(source, folder + QStringLiteral("\\a.txt"))),
                 QStringLiteral("success"));
        if (flushFirst)
            QVERIFY(copier.flush().ok() && v.d.eject()); // flushed: nothing holds the disk
        else
            QVERIFY(v.d.eject(MNT_DETACH));
        DriveTable::instance().drives(); // the table notices the disk has gone
        QCOMPARE(nameOf(copier.copy(source, folder + QStringLiteral("\\b.txt"))),
                 QStringLiteral("NotReady"));
        QCOMPARE(namesIn(v.d.path()), QStringList());
    }

    void acrossVolumes_data() {
        QTest::addColumn<char>("from");
        QTest::addColumn<char>("to");
        QTest::newRow("tmpfs to tmpfs") << 'D' << 'E';
        QTest::newRow("disk to tmpfs") << 'C' << 'D';
        QTest::newRow("tmpfs to disk") << 'D' << 'C';
        QTest::newRow("within one tmpfs") << 'D' << 'D';
    }

    // Where the kernel cannot copy between file systems the fallbacks copy every byte.
    void acrossVolumes() {
        QFETCH(char, from);
        QFETCH(char, to);
        MOUNT_VOLUMES(v, "size=16m");
        const QByteArray content = randomBytes(5 * 1024 * 1024 + 3);
        QVERIFY(writeHost(v.host(from, "src.bin"), content));
        setTime(v.host(from, "src.bin"));
        FileCopier copier;
        for (int round = 0; round < 2; ++round) { // the second knows the way
            QCOMPARE(nameOf(copier.copy(QLatin1Char(from) + QStringLiteral(":\\src.bin"),
                                        QLatin1Char(to) + QStringLiteral(":\\copy.bin"))),
                     QStringLiteral("success"));
            QVERIFY(readHost(v.host(to, "copy.bin")) == content);
            QCOMPARE(lstatOf(v.host(to, "copy.bin")).st_mtim.tv_nsec, OldTime.tv_nsec);
        }
    }

    // One kernel call moves at most about 2 GiB: larger files need every
    // call's count added up.
    void fileOverTwoGiB() {
        MOUNT_VOLUMES(v, "size=3g");
        // Sparse, with marks near both ends and across the 2 GiB line.
        const qint64 size = (qint64(5) << 29) + 12345;
        const qint64 marks[] = {0, (qint64(1) << 31) - 3, size - 8};
        {
            QFile f(QFile::decodeName(v.host('D', "big.bin")));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(size));
            for (qint64 at : marks)
                QVERIFY(f.seek(at) && f.write("MARKMARK") == 8);
        }
        FileCopier copier;
        QVERIFY(copier.copy(QStringLiteral("D:\\big.bin"), QStringLiteral("E:\\big.bin")).ok());
        QFile copy(QFile::decodeName(v.host('E', "big.bin")));
        QCOMPARE(copy.size(), size);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        for (qint64 at : marks) {
            QVERIFY(copy.seek(at));
            QCOMPARE(copy.read(8), QByteArray("MARKMARK"));
        }
        QVERIFY(copy.seek(qint64(3) << 29));
        QCOMPARE(copy.read(4), QByteArray(4, '\0'));
    }
};

QTEST_MAIN(TestFileCopier)
#include "tst_file_copier.moc"
