#include "platform/drive_table.h"
#include "platform/file_copier.h"
#include "temp_drives.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/un.h>
#include <unistd.h>

using platform::DriveTable;
using platform::FileCopier;
using platform::FsError;
using platform::Outcome;

Q_DECLARE_METATYPE(platform::FsError)

namespace {

QString nameOf(const Outcome& o) {
    if (o.ok())
        return QStringLiteral("success");
    static const char* const names[] = {"NotReady",     "NotFound",   "AccessDenied", "NotAFolder",
                                        "NotAFile",     "Unlistable", "NoSpace",      "ReadOnly",
                                        "UnsafeTarget", "SameFile",   "ShortCopy",    "Io"};
    return QString::fromLatin1(names[int(o.error)]);
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

void setTime(const QByteArray& path, timespec t) {
    const timespec times[2] = {t, t};
    ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}

// All a copy could touch in a folder: every entry, hidden ones included, with
// its kind, mode, size, time and content (or link text).
QStringList snapshot(const QByteArray& folder) {
    QStringList lines;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return {QStringLiteral("<no folder>")};
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        const struct stat st = lstatOf(path);
        QString line = QString::fromUtf8(name) + QStringLiteral(" %1 %2 %3.%4")
                                                     .arg(st.st_mode, 0, 8)
                                                     .arg(st.st_size)
                                                     .arg(st.st_mtim.tv_sec)
                                                     .arg(st.st_mtim.tv_nsec);
        if (S_ISREG(st.st_mode))
            line += QLatin1Char(' ') +
                    QString::fromLatin1(
                        QCryptographicHash::hash(readHost(path), QCryptographicHash::Sha1).toHex());
        if (S_ISLNK(st.st_mode))
            line += QStringLiteral(" -> ") + QFile::symLinkTarget(QFile::decodeName(path));
        lines << line;
    }
    ::closedir(dir);
    lines.sort();
    return lines;
}

// Every name in a folder, hidden ones included, sorted.
QStringList namesIn(const QByteArray& folder) {
    QStringList names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir)) {
        if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0)
            names << QString::fromUtf8(e->d_name);
    }
    ::closedir(dir);
    names.sort();
    return names;
}

bool makeSocket(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    qstrncpy(addr.sun_path, path.constData(), sizeof addr.sun_path);
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// A small tmpfs of its own under /mnt, to play a full, write-protected or
// removed disk. Unmounted whatever happens.
class TmpfsMount {
public:
    explicit TmpfsMount(const char* options = "size=1m") {
        char folder[] = "/mnt/pelmora-test-XXXXXX";
        if (!::mkdtemp(folder))
            return;
        m_path = folder;
        m_mounted = ::mount("tmpfs", folder, "tmpfs", 0, options) == 0;
    }
    ~TmpfsMount() {
        if (m_path.isEmpty())
            return;
        // A failed test may have left files in the bare folder.
        if (unmount(MNT_DETACH))
            QDir(QFile::decodeName(m_path)).removeRecursively();
    }
    bool isMounted() const { return m_mounted; }
    const QByteArray& path() const { return m_path; }
    bool remountReadOnly() {
        return ::mount(nullptr, m_path.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    bool unmount(int flags = 0) {
        if (m_mounted && ::umount2(m_path.constData(), flags) == 0)
            m_mounted = false;
        return !m_mounted;
    }
    qint64 freeBytes() const {
        struct statfs fs;
        return ::statfs(m_path.constData(), &fs) == 0 ? qint64(fs.f_bavail) * fs.f_bsize : -1;
    }

private:
    QByteArray m_path;
    bool m_mounted = false;
};

// C: a temporary folder on the host's disk; D: and E: small tmpfs volumes
// of their own: the drive table while it lives.
struct Volumes {
    explicit Volumes(const char* options)
        : d(options)
        , e(options) {
        if (ok())
            DriveTable::instance().useFixedMap(
                {{QLatin1Char('C'), drives.hostRoot(QLatin1Char('C'))},
                 {QLatin1Char('D'), d.path()},
                 {QLatin1Char('E'), e.path()}});
    }
    bool ok() const { return d.isMounted() && e.isMounted(); }
    QByteArray host(QChar letter, const QByteArray& name) const {
        const QByteArray root = letter == QLatin1Char('C')   ? drives.hostRoot(letter)
                                : letter == QLatin1Char('D') ? d.path()
                                                             : e.path();
        return root + '/' + name;
    }

    TempDrives drives{QStringLiteral("C")};
    TmpfsMount d;
    TmpfsMount e;
};

// The drive-letter path of a host path through C: ("/" on the host's table).
QString viaC(const QByteArray& hostPath) {
    return QStringLiteral("C:") +
           QString::fromUtf8(hostPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

#define MOUNT_VOLUMES(name, options)                                                               \
    if (!runningAsRoot())                                                                          \
        QSKIP("needs root to mount small tmpfs volumes as drives");                                \
    Volumes name(options);                                                                         \
    if (!name.ok())                                                                                \
    QSKIP("cannot mount tmpfs here")

} // namespace

class TestFileCopier : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copies_data();
    void copies();
    void refusesUnsafeCopies_data();
    void refusesUnsafeCopies();
    void replacesLinkAtTarget_data();
    void replacesLinkAtTarget();
    void followsFolderReplacedBetweenCopies();
    void copiesFileThatHidesItsLength();
    void flushSyncsAndLetsGo();

    // Root only: real volumes.
    void fullDisk_data();
    void fullDisk();
    void writeProtectedVolume_data();
    void writeProtectedVolume();
    void removedVolume_data();
    void removedVolume();
    void acrossVolumes_data();
    void acrossVolumes();
    void fileOverTwoGiB();
};

void TestFileCopier::copies_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("oldSize"); // -1: no target yet
    QTest::addColumn<bool>("unnamed");

    for (const bool unnamed : {true, false}) {
        const char* route = unnamed ? "unnamed temporary" : "named temporary";
        QTest::addRow("new empty file, %s", route) << "a.txt" << 0 << 0644 << -1 << unnamed;
        QTest::addRow("new small file, %s", route) << "a.txt" << 17 << 0640 << -1 << unnamed;
        QTest::addRow("new 3 MiB executable, %s", route)
            << "tool" << 3 * 1024 * 1024 + 5 << 0755 << -1 << unnamed;
        QTest::addRow("new copy of a read-only file, %s", route)
            << "ro.txt" << 100 << 0444 << -1 << unnamed;
        QTest::addRow("new hidden file, %s", route) << ".profile" << 30 << 0600 << -1 << unnamed;
        QTest::addRow("name with spaces and newline, %s", route)
            << "a b\nc" << 10 << 0644 << -1 << unnamed;
        QTest::addRow("replace a smaller file, %s", route)
            << "a.txt" << 5000 << 0644 << 10 << unnamed;
        QTest::addRow("replace a larger file, %s", route)
            << "a.txt" << 10 << 0600 << 70000 << unnamed;
    }
}

void TestFileCopier::copies() {
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(int, mode);
    QFETCH(int, oldSize);
    QFETCH(bool, unnamed);

    TempDrives drives;
    const QByteArray content = randomBytes(size);
    const QString source = drives.makeFile(QStringLiteral("C:\\SRC\\") + name, content);
    const QByteArray sourceHost = drives.host(source);
    ::chmod(sourceHost.constData(), mode_t(mode));
    setTime(sourceHost, OldTime);
    drives.mkdir(QStringLiteral("D:\\OUT"));
    drives.makeFile(QStringLiteral("D:\\OUT\\other.txt"), QByteArray("stays"));
    const QString target = QStringLiteral("D:\\OUT\\") + name;
    if (oldSize >= 0)
        drives.makeFile(target, QByteArray(oldSize, 'x'));

    FileCopier copier;
    copier.setUnnamedTemporaries(unnamed);
    const Outcome outcome = copier.copy(source, target);
    QCOMPARE(nameOf(outcome), QStringLiteral("success"));

    const QByteArray targetHost = drives.host(target);
    const struct stat st = lstatOf(targetHost);
    QVERIFY(S_ISREG(st.st_mode));
    QCOMPARE(int(st.st_mode & 07777), mode);
    QCOMPARE(st.st_mtim.tv_sec, OldTime.tv_sec);
    QCOMPARE(st.st_mtim.tv_nsec, OldTime.tv_nsec);
    QCOMPARE(readHost(targetHost), content);
    QCOMPARE(drives.read(QStringLiteral("D:\\OUT\\other.txt")), QByteArray("stays"));
    // Nothing else arrived: no temporaries, hidden or not.
    QStringList expected{QStringLiteral("other.txt"), name};
    expected.sort();
    QCOMPARE(namesIn(drives.host(QStringLiteral("D:\\OUT"))), expected);
    QCOMPARE(readHost(sourceHost), content);
}

namespace {
enum class Unsafe {
    FolderAtTarget,
    FifoAtTarget,
    SocketAtTarget,
    HiddenTarget,
    ReadOnlyTarget,
    LinkToFolderAtTarget,
    FifoSource,
    FolderSource,
    MissingSource,
    MissingFolder,
    EmptyName,
    SamePath,
    HardLink,
    SymlinkedFolder,
    LinkToSourceAtTarget,
    TargetDriveNotReady,
    SourceDriveNotReady,
};
}
Q_DECLARE_METATYPE(Unsafe)

void TestFileCopier::refusesUnsafeCopies_data() {
    QTest::addColumn<Unsafe>("kind");
    QTest::addColumn<FsError>("expected");

    QTest::newRow("folder at target") << Unsafe::FolderAtTarget << FsError::UnsafeTarget;
    QTest::newRow("FIFO at target") << Unsafe::FifoAtTarget << FsError::UnsafeTarget;
    QTest::newRow("socket at target") << Unsafe::SocketAtTarget << FsError::UnsafeTarget;
    QTest::newRow("hidden file at target") << Unsafe::HiddenTarget << FsError::UnsafeTarget;
    QTest::newRow("read-only target 0444") << Unsafe::ReadOnlyTarget << FsError::ReadOnly;
    QTest::newRow("link to a folder at target")
        << Unsafe::LinkToFolderAtTarget << FsError::UnsafeTarget;
    QTest::newRow("FIFO as source") << Unsafe::FifoSource << FsError::NotAFile;
    QTest::newRow("folder as source") << Unsafe::FolderSource << FsError::NotAFile;
    QTest::newRow("source gone") << Unsafe::MissingSource << FsError::NotFound;
    QTest::newRow("target folder gone") << Unsafe::MissingFolder << FsError::NotFound;
    QTest::newRow("no name") << Unsafe::EmptyName << FsError::Unlistable;
    QTest::newRow("same path") << Unsafe::SamePath << FsError::SameFile;
    QTest::newRow("hard link to source") << Unsafe::HardLink << FsError::SameFile;
    QTest::newRow("source through a linked folder") << Unsafe::SymlinkedFolder << FsError::SameFile;
    QTest::newRow("link to source at target") << Unsafe::LinkToSourceAtTarget << FsError::SameFile;
    QTest::newRow("target drive not ready") << Unsafe::TargetDriveNotReady << FsError::NotReady;
    QTest::newRow("source drive not ready") << Unsafe::SourceDriveNotReady << FsError::NotReady;
}

void TestFileCopier::refusesUnsafeCopies() {
    QFETCH(Unsafe, kind);
    QFETCH(FsError, expected);

    TempDrives drives(QStringLiteral("CDE"));
    QString source = drives.makeFile(QStringLiteral("C:\\SRC\\a.txt"), QByteArray("new content"));
    setTime(drives.host(source), OldTime);
    drives.mkdir(QStringLiteral("D:\\OUT"));
    drives.makeFile(QStringLiteral("D:\\OUT\\b.txt"), QByteArray("neighbour"));
    QString target = QStringLiteral("D:\\OUT\\a.txt");
    QByteArray targetHost = drives.host(target);
    QString watched = QStringLiteral("D:\\OUT"); // the folder that must stay as it was

    switch (kind) {
    case Unsafe::FolderAtTarget:
        drives.mkdir(target);
        break;
    case Unsafe::FifoAtTarget:
        QVERIFY(::mkfifo(targetHost.constData(), 0644) == 0);
        break;
    case Unsafe::SocketAtTarget:
        QVERIFY(makeSocket(targetHost));
        break;
    case Unsafe::HiddenTarget:
        source = drives.makeFile(QStringLiteral("C:\\SRC\\.a.txt"), QByteArray("new content"));
        target = drives.makeFile(QStringLiteral("D:\\OUT\\.a.txt"), QByteArray("old"));
        break;
    case Unsafe::ReadOnlyTarget:
        drives.makeFile(target, QByteArray("old"));
        ::chmod(targetHost.constData(), 0444);
        break;
    case Unsafe::LinkToFolderAtTarget:
        drives.mkdir(QStringLiteral("D:\\ELSEWHERE"));
        QVERIFY(::symlink("../ELSEWHERE", targetHost.constData()) == 0);
        break;
    case Unsafe::FifoSource:
        source = QStringLiteral("C:\\SRC\\pipe");
        QVERIFY(::mkfifo(drives.host(source).constData(), 0644) == 0);
        break;
    case Unsafe::FolderSource:
        source = drives.mkdir(QStringLiteral("C:\\SRC\\sub"));
        break;
    case Unsafe::MissingSource:
        source = QStringLiteral("C:\\SRC\\gone.txt");
        break;
    case Unsafe::MissingFolder:
        target = QStringLiteral("D:\\NOWHERE\\a.txt");
        watched = QStringLiteral("D:\\");
        break;
    case Unsafe::EmptyName:
        target = QStringLiteral("D:\\OUT\\");
        break;
    case Unsafe::SamePath:
        target = source;
        watched = QStringLiteral("C:\\SRC");
        break;
    case Unsafe::HardLink:
        QVERIFY(::link(drives.host(source).constData(), targetHost.constData()) == 0);
        break;
    case Unsafe::SymlinkedFolder:
        QVERIFY(::symlink(drives.host(QStringLiteral("C:\\SRC")).constData(),
                          drives.host(QStringLiteral("C:\\LINKED")).constData()) == 0);
        target = QStringLiteral("C:\\LINKED\\a.txt");
        watched = QStringLiteral("C:\\SRC");
        break;
    case Unsafe::LinkToSourceAtTarget:
        QVERIFY(::symlink(drives.host(source).constData(), targetHost.constData()) == 0);
        break;
    case Unsafe::TargetDriveNotReady:
        DriveTable::instance().setFixedReady(QLatin1Char('D'), false);
        break;
    case Unsafe::SourceDriveNotReady:
        source = drives.makeFile(QStringLiteral("E:\\a.txt"), QByteArray("new content"));
        DriveTable::instance().setFixedReady(QLatin1Char('E'), false);
        break;
    }

    const QByteArray watchedHost = drives.host(watched);
    const QStringList before = snapshot(watchedHost);
    const QStringList sourceBefore = snapshot(drives.host(QStringLiteral("C:\\SRC")));

    FileCopier copier;
    QCOMPARE(nameOf(copier.copy(source, target)), nameOf(Outcome(expected)));

    QCOMPARE(snapshot(watchedHost), before);
    QCOMPARE(snapshot(drives.host(QStringLiteral("C:\\SRC"))), sourceBefore);
    QVERIFY(copier.flush().ok());
}

void TestFileCopier::replacesLinkAtTarget_data() {
    QTest::addColumn<bool>("dangling");
    QTest::newRow("dangling link") << true;
    QTest::newRow("link to a file elsewhere") << false;
}

// A link at the target name is replaced by the copy; its pointee is never
// written through it.
void TestFileCopier::replacesLinkAtTarget() {
    QFETCH(bool, dangling);

    TempDrives drives;
    const QString source = drives.makeFile(QStringLiteral("C:\\SRC\\a.txt"), QByteArray("copy"));
    const QByteArray pointee = drives.host(QStringLiteral("C:\\ELSEWHERE\\p.txt"));
    drives.mkdir(QStringLiteral("C:\\ELSEWHERE"));
    if (!dangling)
        drives.makeFile(QStringLiteral("C:\\ELSEWHERE\\p.txt"), QByteArray("pointee"));
    drives.mkdir(QStringLiteral("D:\\OUT"));
    const QByteArray link = drives.host(QStringLiteral("D:\\OUT\\a.txt"));
    QVERIFY(::symlink(pointee.constData(), link.constData()) == 0);
    const QStringList elsewhere = snapshot(drives.host(QStringLiteral("C:\\ELSEWHERE")));

    FileCopier copier;
    QCOMPARE(nameOf(copier.copy(source, QStringLiteral("D:\\OUT\\a.txt"))),
             QStringLiteral("success"));
    QVERIFY(S_ISREG(lstatOf(link).st_mode));
    QCOMPARE(readHost(link), QByteArray("copy"));
    QCOMPARE(snapshot(drives.host(QStringLiteral("C:\\ELSEWHERE"))), elsewhere);
    QCOMPARE(namesIn(drives.host(QStringLiteral("D:\\OUT"))), QStringList{QStringLiteral("a.txt")});
}

// The folder held open between copies is the one the path names now.
void TestFileCopier::followsFolderReplacedBetweenCopies() {
    TempDrives drives;
    const QString a = drives.makeFile(QStringLiteral("C:\\a.txt"), QByteArray("a"));
    const QString b = drives.makeFile(QStringLiteral("C:\\b.txt"), QByteArray("b"));
    drives.mkdir(QStringLiteral("D:\\OUT"));

    FileCopier copier;
    QVERIFY(copier.copy(a, QStringLiteral("D:\\OUT\\a.txt")).ok());
    QVERIFY(::rename(drives.host(QStringLiteral("D:\\OUT")).constData(),
                     drives.host(QStringLiteral("D:\\OLD")).constData()) == 0);
    QCOMPARE(nameOf(copier.copy(b, QStringLiteral("D:\\OUT\\b.txt"))), QStringLiteral("NotFound"));
    drives.mkdir(QStringLiteral("D:\\OUT"));
    QVERIFY(copier.copy(b, QStringLiteral("D:\\OUT\\b.txt")).ok());
    QCOMPARE(drives.read(QStringLiteral("D:\\OUT\\b.txt")), QByteArray("b"));
    QVERIFY(!drives.exists(QStringLiteral("D:\\OLD\\b.txt")));
    QCOMPARE(drives.read(QStringLiteral("D:\\OLD\\a.txt")), QByteArray("a"));
}

// Files under /proc say they are empty and are not: the copy has what a
// read gives, not nothing.
void TestFileCopier::copiesFileThatHidesItsLength() {
    TempDrives drives;
    DriveTable::instance().useFixedMap({{QLatin1Char('C'), drives.hostRoot(QLatin1Char('C'))},
                                        {QLatin1Char('D'), drives.hostRoot(QLatin1Char('D'))},
                                        {QLatin1Char('P'), QByteArray("/proc")}});
    QCOMPARE(lstatOf("/proc/version").st_size, 0);
    FileCopier copier;
    QCOMPARE(nameOf(copier.copy(QStringLiteral("P:\\version"), QStringLiteral("D:\\version"))),
             QStringLiteral("success"));
    const QByteArray copy = drives.read(QStringLiteral("D:\\version"));
    QVERIFY(copy.startsWith("Linux version"));
    QCOMPARE(copy, readHost("/proc/version"));
}

void TestFileCopier::flushSyncsAndLetsGo() {
    TempDrives drives;
    const QString a = drives.makeFile(QStringLiteral("C:\\a.txt"), QByteArray("a"));
    FileCopier copier;
    QVERIFY(copier.flush().ok()); // nothing written yet
    QVERIFY(copier.copy(a, QStringLiteral("D:\\a.txt")).ok());
    QVERIFY(copier.copy(a, QStringLiteral("C:\\b.txt")).ok());
    QVERIFY(copier.flush().ok());
    QVERIFY(copier.copy(a, QStringLiteral("D:\\c.txt")).ok()); // the folder is opened again
    QVERIFY(copier.flush().ok());
    QCOMPARE(drives.read(QStringLiteral("D:\\c.txt")), QByteArray("a"));
}

void TestFileCopier::fullDisk_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("oldSize"); // -1: no target yet
    QTest::addColumn<bool>("unnamed");

    QTest::newRow("new file larger than the disk") << 2'000'000 << -1 << true;
    QTest::newRow("new file larger than the disk, named") << 2'000'000 << -1 << false;
    QTest::newRow("replacement larger than the disk") << 2'000'000 << 1000 << true;
    QTest::newRow("replacement fits only without the old file") << 500'000 << 700'000 << true;
}

// A full disk leaves neither a partial target nor a temporary; an old target
// stays whole.
void TestFileCopier::fullDisk() {
    QFETCH(int, size);
    QFETCH(int, oldSize);
    QFETCH(bool, unnamed);
    MOUNT_VOLUMES(v, "size=1m");

    const QByteArray old = randomBytes(qMax(oldSize, 0));
    if (oldSize >= 0)
        QVERIFY(writeHost(v.host('D', "a.bin"), old));
    QVERIFY(writeHost(v.host('C', "a.bin"), randomBytes(size)));
    const QStringList before = snapshot(v.d.path());
    const qint64 freeBefore = v.d.freeBytes();

    FileCopier copier;
    copier.setUnnamedTemporaries(unnamed);
    QCOMPARE(nameOf(copier.copy(QStringLiteral("C:\\a.bin"), QStringLiteral("D:\\a.bin"))),
             QStringLiteral("NoSpace"));
    QCOMPARE(snapshot(v.d.path()), before);
    QCOMPARE(v.d.freeBytes(), freeBefore);
    QVERIFY(copier.flush().ok());

    // A file that fits still goes on the same disk afterwards.
    QVERIFY(writeHost(v.host('C', "small.bin"), randomBytes(1000)));
    QVERIFY(copier.copy(QStringLiteral("C:\\small.bin"), QStringLiteral("D:\\small.bin")).ok());
}

void TestFileCopier::writeProtectedVolume_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("new file") << false;
    QTest::newRow("replacement") << true;
}

void TestFileCopier::writeProtectedVolume() {
    QFETCH(bool, replace);
    MOUNT_VOLUMES(v, "size=1m");

    if (replace)
        QVERIFY(writeHost(v.host('D', "a.txt"), "old"));
    QVERIFY(v.d.remountReadOnly());
    QVERIFY(writeHost(v.host('C', "a.txt"), "new"));
    const QStringList before = snapshot(v.d.path());

    FileCopier copier;
    QCOMPARE(nameOf(copier.copy(QStringLiteral("C:\\a.txt"), QStringLiteral("D:\\a.txt"))),
             QStringLiteral("ReadOnly"));
    QCOMPARE(snapshot(v.d.path()), before);
}

void TestFileCopier::removedVolume_data() {
    QTest::addColumn<bool>("flushFirst");
    QTest::addColumn<bool>("throughC");
    QTest::newRow("taken out after a flush") << true << false;
    QTest::newRow("torn out while held open") << false << false;
    QTest::newRow("its folder reached through C:") << true << true;
}

// After the volume is gone its bare mount-point folder is never written.
void TestFileCopier::removedVolume() {
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
        const auto drives = DriveTable::instance().drives();
        if (std::none_of(drives.begin(), drives.end(),
                         [&](const platform::Drive& d) { return d.hostRoot == v.d.path(); }))
            QSKIP("the host's drive table does not list this tmpfs");
        source = viaC(v.host('C', "a.txt"));
        folder = viaC(v.d.path());
    }

    FileCopier copier;
    QCOMPARE(nameOf(copier.copy(source, folder + QStringLiteral("\\a.txt"))),
             QStringLiteral("success"));
    if (flushFirst) {
        QVERIFY(copier.flush().ok());
        QVERIFY(v.d.unmount());
    } else {
        QVERIFY(v.d.unmount(MNT_DETACH));
    }
    DriveTable::instance().drives(); // the table notices the disk has gone
    QCOMPARE(nameOf(copier.copy(source, folder + QStringLiteral("\\b.txt"))),
             QStringLiteral("NotReady"));
    QCOMPARE(snapshot(v.d.path()), QStringList());
}

void TestFileCopier::acrossVolumes_data() {
    QTest::addColumn<QChar>("from");
    QTest::addColumn<QChar>("to");
    QTest::newRow("tmpfs to tmpfs") << QChar('D') << QChar('E');
    QTest::newRow("disk to tmpfs") << QChar('C') << QChar('D');
    QTest::newRow("tmpfs to disk") << QChar('D') << QChar('C');
    QTest::newRow("within one tmpfs") << QChar('D') << QChar('D');
}

// Where the kernel cannot copy between file systems the fallbacks copy every
// byte.
void TestFileCopier::acrossVolumes() {
    QFETCH(QChar, from);
    QFETCH(QChar, to);
    MOUNT_VOLUMES(v, "size=16m");

    const QByteArray content = randomBytes(5 * 1024 * 1024 + 3);
    QVERIFY(writeHost(v.host(from, "src.bin"), content));
    setTime(v.host(from, "src.bin"), OldTime);

    FileCopier copier;
    for (int round = 0; round < 2; ++round) { // the second knows the way
        QCOMPARE(nameOf(copier.copy(QString(from) + QStringLiteral(":\\src.bin"),
                                    QString(to) + QStringLiteral(":\\copy.bin"))),
                 QStringLiteral("success"));
        QVERIFY(readHost(v.host(to, "copy.bin")) == content);
        QCOMPARE(lstatOf(v.host(to, "copy.bin")).st_mtim.tv_nsec, OldTime.tv_nsec);
    }
    QVERIFY(copier.flush().ok());
}

// One kernel call moves at most about 2 GiB: larger files need every
// call's count added up.
void TestFileCopier::fileOverTwoGiB() {
    MOUNT_VOLUMES(v, "size=3g");

    // Sparse, with marks near both ends and across the 2 GiB line.
    const qint64 size = (qint64(5) << 29) + 12345; // 2.5 GiB and a bit
    const qint64 marks[] = {0, (qint64(1) << 31) - 3, size - 8};
    {
        QFile f(QFile::decodeName(v.host('D', "big.bin")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(size));
        for (qint64 at : marks)
            QVERIFY(f.seek(at) && f.write("MARKMARK") == 8);
    }
    FileCopier copier;
    QCOMPARE(nameOf(copier.copy(QStringLiteral("D:\\big.bin"), QStringLiteral("E:\\big.bin"))),
             QStringLiteral("success"));
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

QTEST_MAIN(TestFileCopier)
#include "tst_file_copier.moc"
