#include "host_files.h"
#include "platform/drives/drive_table.h"
#include "platform/files/file_copier.h"
#include "platform/files/file_copier_bytes_p.h"
#include "temp_drives.h"
#include "tmpfs_volume.h"

#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace platform;

Q_DECLARE_METATYPE(platform::FsError)

namespace {

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
        QTest::addColumn<int>("mode");        // asked with the umask 022
        QTest::addColumn<int>("oldSize");     // NoTarget, a link, or the old file's size
        QTest::addColumn<bool>("defaultAcl"); // the folder's, one that gives others nothing
        QTest::addColumn<bool>("unnamed");
        for (const bool unnamed : {true, false}) {
            const auto row = [unnamed](const char* name, const char* file, int size, int mode,
                                       int oldSize = NoTarget, bool defaultAcl = false) {
                QTest::addRow("%s, %s", name, unnamed ? "unnamed temporary" : "named temporary")
                    << file << size << mode << oldSize << defaultAcl << unnamed;
            };
            row("new empty file the umask takes group write from", "a.txt", 0, 0664);
            row("new 3 MiB set-group-ID executable", "tool", 3 * 1024 * 1024 + 5, 02755);
            row("new copy of a read-only file", "ro.txt", 100, 0444);
            row("new hidden file", ".profile", 30, 0600);
            row("name with newline", "a b\nc", 10, 0644);
            row("into a folder with a default ACL", "a.txt", 10, 0644, NoTarget, true);
            row("replace a larger file", "a.txt", 10, 0600, 70000);
            // The link is replaced, its pointee never written through it.
            row("replace a link", "a.txt", 10, 0644, LinkToFile);
            row("replace a dangling link", "a.txt", 10, 0644, DanglingLink);
        }
    }

    // The target ends as the source's twin: kind, mode (whatever the umask or
    // the folder's default ACL would make of the mode asked at creation),
    // size, time to the nanosecond and content. Nothing else changes; no
    // temporary is left.
    void copies() {
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(int, mode);
        QFETCH(int, oldSize);
        QFETCH(bool, defaultAcl);
        QFETCH(bool, unnamed);
        TempDrives drives;
        const QString source =
            drives.makeFile(QStringLiteral("C:\\SRC\\") + name, randomBytes(size));
        ::chmod(drives.host(source).constData(), mode_t(mode));
        setOldTime(drives.host(source));
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
        if (defaultAcl) {
            // version 2; owner rw-, owning group r--, others ---
            const quint32 acl[] = {2, 0x01 | 6u << 16, ~0u, 0x04 | 4u << 16, ~0u, 0x20, ~0u};
            if (::setxattr(out.constData(), "system.posix_acl_default", acl, sizeof acl, 0) != 0)
                QSKIP("this file system keeps no ACLs");
        }

        const mode_t umaskBefore = ::umask(022);
        FileCopier copier; // takes the umask now
        copier.setUnnamedTemporaries(unnamed);
        const Outcome copied = copier.copy(source, target);
        ::umask(umaskBefore);
        QCOMPARE(outcomeName(copied), QStringLiteral("success"));
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
        setOldTime(drives.host(drives.makeFile(c.source, QByteArray("new content"))));
        drives.makeFile(QStringLiteral("D:\\OUT\\b.txt"), QByteArray("neighbour"));
        prepare(drives, c);
        const QByteArray watched = drives.host(c.watched);
        const QByteArray sources = drives.host(QStringLiteral("C:\\SRC"));
        const QStringList before = snapshot(watched);
        const QStringList sourcesBefore = snapshot(sources);

        FileCopier copier;
        QCOMPARE(outcomeName(copier.copy(c.source, c.target)), outcomeName(Outcome(expected)));
        QCOMPARE(snapshot(watched), before);
        QCOMPARE(snapshot(sources), sourcesBefore);
    }

    void namesInAHeldFolder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("host"); // empty: refused, nothing written
        QTest::newRow("non-Latin") << QStringLiteral("ü 日本.txt") << QByteArray("ü 日本.txt");
        QTest::newRow("slash") << QStringLiteral("x/..") << QByteArray();
        QTest::newRow("slash after non-Latin") << QStringLiteral("ü/x") << QByteArray();
        QTest::newRow("nul") << QStringLiteral("a") + QChar(0) + u'b' << QByteArray();
        QTest::newRow("lone surrogate") << QStringLiteral("a") + QChar(0xD800) << QByteArray();
        QTest::newRow("dot dot") << QStringLiteral("..") << QByteArray();
    }

    // A name written into the folder already held is checked as a first
    // copy's path is.
    void namesInAHeldFolder() {
        QFETCH(QString, name);
        QFETCH(QByteArray, host);
        TempDrives drives;
        const QString source = drives.makeFile(QStringLiteral("C:\\a.txt"), QByteArray("a"));
        drives.mkdir(QStringLiteral("D:\\OUT"));
        FileCopier copier;
        QVERIFY(copier.copy(source, QStringLiteral("D:\\OUT\\a.txt")).ok());
        const Outcome copied = copier.copy(source, QStringLiteral("D:\\OUT\\") + name);
        QStringList expected{QStringLiteral("a.txt")};
        if (!host.isEmpty())
            expected.append(QString::fromUtf8(host));
        expected.sort();
        QCOMPARE(outcomeName(copied), QLatin1String(host.isEmpty() ? "Unlistable" : "success"));
        QCOMPARE(entriesOf(drives.host(QStringLiteral("D:\\OUT"))), expected);
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
        QCOMPARE(outcomeName(copier.copy(b, QStringLiteral("D:\\OUT\\c.txt"))),
                 QStringLiteral("NotFound"));
        drives.mkdir(QStringLiteral("D:\\OUT"));
        QVERIFY(copier.copy(b, QStringLiteral("D:\\OUT\\c.txt")).ok());
        QCOMPARE(entriesOf(drives.host(QStringLiteral("D:\\OUT"))),
                 QStringList{QStringLiteral("c.txt")});
        QCOMPARE(entriesOf(drives.host(QStringLiteral("D:\\OLD"))),
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
            QCOMPARE(outcomeName(copier.copy(drive + "src.img", drive + "copy.img")),
                     QStringLiteral("success"));
        } else {
            const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
            const int out = ::open(copy.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            QVERIFY(in >= 0 && out >= 0);
            struct stat st {};
            ::fstat(in, &st);
            copier::MoveBuffer buffer;
            const copier::MoveResult moved = copier::moveBytes({.in = in,
                                                                .out = out,
                                                                .length = st.st_size,
                                                                .blocks = st.st_blocks,
                                                                .first = copier::Route(route)},
                                                               buffer);
            ::close(in);
            QVERIFY(::close(out) == 0);
            QCOMPARE(outcomeName(moved.outcome), QStringLiteral("success"));
        }
        QCOMPARE(dataRegions(copy), dataRegions(source));
        QVERIFY(readHost(copy) == readHost(source));
    }
};

QTEST_MAIN(TestFileCopier)
#include "tst_file_copier.moc"
