#include "platform/drive_path.h"
#include "platform/drive_table.h"
#include "platform/file_system.h"
#include "temp_drives.h"

#include <QtTest>

#include <memory>
#include <optional>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace platform;
namespace fs = platform::file_system;

Q_DECLARE_METATYPE(platform::FsError)

namespace {

// Root reads any folder; without these two capabilities it obeys the
// permission bits like anyone else. Restored when the object goes.
class PermissionsApplyToRoot {
public:
    PermissionsApplyToRoot() {
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~PermissionsApplyToRoot() {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    bool works() const { return ::geteuid() != 0 || m_lowered; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};

bool makeSymlink(const QByteArray& target, const QByteArray& at) {
    return ::symlink(target.constData(), at.constData()) == 0;
}

bool makeFile(const QByteArray& at) {
    const int fd = ::open(at.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

bool makeSocket(const QByteArray& at) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(at.size()) >= sizeof(address.sun_path))
        return false;
    qstrcpy(address.sun_path, at.constData());
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(s);
    return bound;
}

QStringList namesOf(const QList<fs::FileEntry>& entries) {
    QStringList names;
    for (const fs::FileEntry& e : entries)
        names.append(e.name);
    return names;
}

} // namespace

class TestFileSystem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void listing_data();
    void listing();
    void sortedCaseInsensitively();
    void unlistableNamesHaveNoPath_data();
    void unlistableNamesHaveNoPath();
    void failures_data();
    void failures();
    void longPaths();
    void manyFiles();
    void lengthAndDate_data();
    void lengthAndDate();
    void lookupOrdinaryFile_data();
    void lookupOrdinaryFile();
    void sameFile_data();
    void sameFile();

private:
    QByteArray host(const QString& drivePath) const { return m_drives->host(drivePath); }

    std::unique_ptr<TempDrives> m_drives;
    QStringList m_folders;
    QList<fs::FileEntry> m_files;
};

void TestFileSystem::initTestCase() {
    m_drives = std::make_unique<TempDrives>(QStringLiteral("CDE"));
    QVERIFY(m_drives->isValid());
    const TempDrives& d = *m_drives;

    // C:\mixed holds one of every kind of entry.
    d.mkdir(QStringLiteral("C:\\mixed"));
    for (const char* name : {"b.txt", "a.txt", "A.txt", "C.TXT", ".hidden", "with space.txt",
                             "\xc3\xbc.txt", "\xe6\x97\xa5\xe6\x9c\xac.txt"})
        QVERIFY(makeFile(host("C:\\mixed\\") + name));
    for (const char* name : {"Zeta", "alpha", "Beta", ".hiddendir"})
        d.mkdir(QStringLiteral("C:\\mixed\\") + QString::fromUtf8(name));
    d.makeFile(QStringLiteral("C:\\mixed\\alpha\\inner.txt"), QByteArray("inner"));
    d.makeFile(QStringLiteral("C:\\mixed\\.hiddendir\\f.txt"));
    const QByteArray mixed = host(QStringLiteral("C:\\mixed"));
    QVERIFY(makeSymlink("b.txt", mixed + "/link-to-file"));
    QVERIFY(makeSymlink("alpha", mixed + "/link-to-folder"));
    QVERIFY(makeSymlink(".", mixed + "/up"));
    QVERIFY(makeSymlink("nowhere", mixed + "/dangling"));
    QVERIFY(makeSymlink("loop", mixed + "/loop"));
    QVERIFY(makeSymlink("pong", mixed + "/ping"));
    QVERIFY(makeSymlink("ping", mixed + "/pong"));
    QVERIFY(makeSymlink("/dev/null", mixed + "/null-link"));
    QVERIFY(::mkfifo(QByteArray(mixed + "/pipe").constData(), 0644) == 0);
    QVERIFY(makeSymlink("pipe", mixed + "/link-to-pipe"));
    QVERIFY(makeSocket(mixed + "/sock"));
    if (::geteuid() == 0)
        QVERIFY(::mknod(QByteArray(mixed + "/device").constData(), S_IFCHR | 0644, makedev(1, 3)) ==
                0);
    // Names with no drive-letter form.
    QVERIFY(makeFile(mixed + "/back\\slash.txt"));
    QVERIFY(makeFile(mixed + "/latin\xe9.txt"));
    QVERIFY(::mkdir(QByteArray(mixed + "/back\\slash dir").constData(), 0755) == 0);
    QVERIFY(::mkdir(QByteArray(mixed + "/latin\xe9 dir").constData(), 0755) == 0);

    const Result<QStringList> folders = fs::folders(QStringLiteral("C:\\mixed"));
    QVERIFY(folders.ok());
    m_folders = *folders;
    const Result<QList<fs::FileEntry>> files = fs::files(QStringLiteral("C:\\mixed"));
    QVERIFY(files.ok());
    m_files = *files;
}

void TestFileSystem::cleanupTestCase() {
    // QTemporaryDir cannot see names that are not UTF-8, so cannot remove them.
    const QByteArray mixed = host(QStringLiteral("C:\\mixed"));
    ::unlink(QByteArray(mixed + "/latin\xe9.txt").constData());
    ::rmdir(QByteArray(mixed + "/latin\xe9 dir").constData());
    m_drives.reset();
}

void TestFileSystem::listing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<bool>("isFile");
    QTest::addColumn<bool>("hidden");

    QTest::newRow("file") << "b.txt" << false << true << false;
    QTest::newRow("hidden file") << ".hidden" << false << true << true;
    QTest::newRow("spaces") << "with space.txt" << false << true << false;
    QTest::newRow("non-Latin") << "日本.txt" << false << true << false;
    QTest::newRow("link to file") << "link-to-file" << false << true << false;
    QTest::newRow("folder") << "alpha" << true << false << false;
    QTest::newRow("hidden folder, left out") << ".hiddendir" << false << false << true;
    QTest::newRow("link to folder") << "link-to-folder" << true << false << false;
    QTest::newRow("link to its own folder") << "up" << true << false << false;
    QTest::newRow("dangling link") << "dangling" << false << false << false;
    QTest::newRow("link to itself") << "loop" << false << false << false;
    QTest::newRow("link loop") << "ping" << false << false << false;
    QTest::newRow("link to a device") << "null-link" << false << false << false;
    QTest::newRow("FIFO") << "pipe" << false << false << false;
    QTest::newRow("link to a FIFO") << "link-to-pipe" << false << false << false;
    QTest::newRow("socket") << "sock" << false << false << false;
    QTest::newRow("device (made as root)") << "device" << false << false << false;
    QTest::newRow("backslash file") << "back\\slash.txt" << false << false << false;
    QTest::newRow("backslash folder") << "back\\slash dir" << false << false << false;
}

void TestFileSystem::listing() {
    QFETCH(QString, name);
    QFETCH(bool, isFolder);
    QFETCH(bool, isFile);
    QFETCH(bool, hidden);

    QCOMPARE(m_folders.contains(name), isFolder);
    const QStringList files = namesOf(m_files);
    QCOMPARE(files.contains(name), isFile);
    if (isFile)
        QCOMPARE(m_files.at(files.indexOf(name)).hidden, hidden);
}

void TestFileSystem::sortedCaseInsensitively() {
    QCOMPARE(m_folders, QStringList({"alpha", "Beta", "link-to-folder", "up", "Zeta"}));
    // Names differing only in case come in one fixed order, upper case first.
    QCOMPARE(namesOf(m_files),
             QStringList({".hidden", "A.txt", "a.txt", "b.txt", "C.TXT", "link-to-file",
                          "with space.txt", "ü.txt", "日本.txt"}));
    // Exactly the names above: latin-1 and backslash names are nowhere.
    for (const fs::FileEntry& e : m_files)
        QVERIFY2(!e.system, qPrintable(e.name));
}

void TestFileSystem::unlistableNamesHaveNoPath_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("backslash file") << QByteArray("back\\slash.txt");
    QTest::newRow("latin-1 file") << QByteArray("latin\xe9.txt");
    QTest::newRow("latin-1 folder") << QByteArray("latin\xe9 dir");
    QTest::newRow("below a backslash folder") << QByteArray("back\\slash dir/x");
}

void TestFileSystem::unlistableNamesHaveNoPath() {
    QFETCH(QByteArray, name);
    const Result<QString> path = drive_path::fromHost(host(QStringLiteral("C:\\mixed/")) + name);
    QVERIFY(!path.ok());
    QCOMPARE(path.error(), FsError::Unlistable);
}

void TestFileSystem::failures_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<FsError>("error");

    QTest::newRow("missing") << "C:\\no such folder" << FsError::NotFound;
    QTest::newRow("below a missing one") << "C:\\nothing\\here" << FsError::NotFound;
    QTest::newRow("a file") << "C:\\mixed\\b.txt" << FsError::NotAFolder;
    QTest::newRow("a FIFO") << "C:\\mixed\\pipe" << FsError::NotAFolder;
    QTest::newRow("a dangling link") << "C:\\mixed\\dangling" << FsError::NotFound;
    QTest::newRow("unknown drive") << "Q:\\" << FsError::NotReady;
    QTest::newRow("drive taken out") << "E:\\" << FsError::NotReady;
    QTest::newRow("malformed") << "C:\\mixed\\..\\.." << FsError::Unlistable;
    QTest::newRow("unreadable") << "C:\\locked" << FsError::AccessDenied;
}

void TestFileSystem::failures() {
    QFETCH(QString, folder);
    QFETCH(FsError, error);

    m_drives->mkdir(QStringLiteral("C:\\locked"));
    QVERIFY(::chmod(host(QStringLiteral("C:\\locked")).constData(), 0) == 0);
    DriveTable::instance().setFixedReady(QLatin1Char('E'), false);
    std::optional<PermissionsApplyToRoot> permissions;
    permissions.emplace();
    const bool usable = permissions->works() || error != FsError::AccessDenied;

    const Result<QStringList> folders = fs::folders(folder);
    const Result<QList<fs::FileEntry>> files = fs::files(folder);
    const Outcome listable = fs::canList(folder);

    permissions.reset();
    ::chmod(host(QStringLiteral("C:\\locked")).constData(), 0755);
    DriveTable::instance().setFixedReady(QLatin1Char('E'), true);
    if (!usable)
        QSKIP("Root cannot give up its right to read every folder here");

    QVERIFY(!folders.ok());
    QCOMPARE(folders.error(), error);
    QVERIFY(!files.ok());
    QCOMPARE(files.error(), error);
    QVERIFY(!listable.ok());
    QCOMPARE(listable.error, error);
}

void TestFileSystem::longPaths() {
    QString path = QStringLiteral("D:\\");
    for (int level = 0; level < 10; ++level)
        path = drive_path::join(path, QStringLiteral("Folder with a rather long name, level %1 ü")
                                          .arg(level, 2, 10, QLatin1Char('0')));
    m_drives->mkdir(path);
    const QString file =
        m_drives->makeFile(drive_path::join(path, QStringLiteral("deep.txt")), QByteArray("12345"));
    QVERIFY(file.size() > 400);

    QCOMPARE(fs::files(path)->size(), 1);
    QCOMPARE(fs::files(path)->first().name, QStringLiteral("deep.txt"));
    QVERIFY(fs::folders(path)->isEmpty());
    QCOMPARE(fs::folders(drive_path::parentOf(path))->size(), 1);
    QCOMPARE(fs::length(file).value(), 5);
    QCOMPARE(fs::lookupOrdinaryFile(file), QStringLiteral("deep.txt"));
    QCOMPARE(drive_path::fromHost(host(file)).value(), file);
}

void TestFileSystem::manyFiles() {
    const int count = 32767;
    const QByteArray folder = host(QStringLiteral("D:\\many"));
    QVERIFY(::mkdir(folder.constData(), 0755) == 0);
    // Made in reverse and with alternating case, so the order is the listing's own.
    for (int i = count - 1; i >= 0; --i) {
        const QByteArray name =
            (i % 2 ? "File " : "file ") + QByteArray::number(i).rightJustified(5, '0');
        QVERIFY(makeFile(folder + '/' + name));
    }
    const Result<QList<fs::FileEntry>> files = fs::files(QStringLiteral("D:\\many"));
    QVERIFY(files.ok());
    QCOMPARE(files->size(), count);
    for (int i = 0; i < count; ++i) {
        const QString expected = QString::number(i).rightJustified(5, QLatin1Char('0'));
        if (!files->at(i).name.endsWith(expected))
            QFAIL(qPrintable(QStringLiteral("Position %1 holds %2").arg(i).arg(files->at(i).name)));
    }
}

void TestFileSystem::lengthAndDate_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("msecs");

    QTest::newRow("empty") << qint64(0) << qint64(0);
    QTest::newRow("small, with milliseconds") << qint64(17) << qint64(1700000000123);
    QTest::newRow("past 2 GiB") << (qint64(3) << 30) << qint64(951782400999);
    QTest::newRow("past 4 GiB") << (qint64(5) << 30) << qint64(4102444800000);
}

void TestFileSystem::lengthAndDate() {
    QFETCH(qint64, size);
    QFETCH(qint64, msecs);

    const QString path = m_drives->makeFile(QStringLiteral("D:\\sized.bin"), size); // sparse
    const timespec times[2] = {{msecs / 1000, (msecs % 1000) * 1000000 + 456},
                               {msecs / 1000, (msecs % 1000) * 1000000 + 456}};
    QVERIFY(::utimensat(AT_FDCWD, host(path).constData(), times, 0) == 0);

    QCOMPARE(fs::length(path).value(), size);
    const QDateTime when = fs::modified(path).value();
    QCOMPARE(when.timeSpec(), Qt::LocalTime);
    QCOMPARE(when.toMSecsSinceEpoch(), msecs);
}

void TestFileSystem::lookupOrdinaryFile_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("found");

    QTest::newRow("file") << "C:\\mixed\\b.txt"
                          << "b.txt";
    QTest::newRow("link to file") << "C:\\mixed\\link-to-file"
                                  << "link-to-file";
    QTest::newRow("file in a hidden folder") << "C:\\mixed\\.hiddendir\\f.txt"
                                             << "f.txt";
    QTest::newRow("through a linked folder") << "C:\\mixed\\link-to-folder\\inner.txt"
                                             << "inner.txt";
    QTest::newRow("hidden file") << "C:\\mixed\\.hidden"
                                 << "";
    QTest::newRow("folder") << "C:\\mixed\\alpha"
                            << "";
    QTest::newRow("hidden folder") << "C:\\mixed\\.hiddendir"
                                   << "";
    QTest::newRow("link to folder") << "C:\\mixed\\link-to-folder"
                                    << "";
    QTest::newRow("dangling link") << "C:\\mixed\\dangling"
                                   << "";
    QTest::newRow("FIFO") << "C:\\mixed\\pipe"
                          << "";
    QTest::newRow("link to a device") << "C:\\mixed\\null-link"
                                      << "";
    QTest::newRow("missing") << "C:\\mixed\\nothing.txt"
                             << "";
    QTest::newRow("other case") << "C:\\mixed\\B.TXT"
                                << "";
    QTest::newRow("drive root") << "C:\\"
                                << "";
    QTest::newRow("drive taken out") << "E:\\e.txt"
                                     << "";
    QTest::newRow("unknown drive") << "Q:\\b.txt"
                                   << "";
}

void TestFileSystem::lookupOrdinaryFile() {
    QFETCH(QString, path);
    QFETCH(QString, found);

    m_drives->makeFile(QStringLiteral("E:\\e.txt"));
    DriveTable::instance().setFixedReady(QLatin1Char('E'), false);
    const QString result = fs::lookupOrdinaryFile(path);
    DriveTable::instance().setFixedReady(QLatin1Char('E'), true);
    QCOMPARE(result, found);
}

void TestFileSystem::sameFile_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("one path") << "C:\\mixed\\b.txt"
                              << "C:\\mixed\\b.txt" << true;
    QTest::newRow("symlinked folder") << "C:\\mixed\\alpha\\inner.txt"
                                      << "C:\\mixed\\link-to-folder\\inner.txt" << true;
    QTest::newRow("folder linked to itself") << "C:\\mixed\\b.txt"
                                             << "C:\\mixed\\up\\up\\b.txt" << true;
    QTest::newRow("symlinked file") << "C:\\mixed\\b.txt"
                                    << "C:\\mixed\\link-to-file" << true;
    QTest::newRow("hard link") << "D:\\same\\data.txt"
                               << "D:\\same\\hard link.txt" << true;
    QTest::newRow("names differing in case") << "D:\\same\\data.txt"
                                             << "D:\\same\\Data.txt" << false;
    QTest::newRow("other file") << "C:\\mixed\\a.txt"
                                << "C:\\mixed\\b.txt" << false;
    QTest::newRow("missing") << "C:\\mixed\\b.txt"
                             << "C:\\mixed\\gone.txt" << false;
    QTest::newRow("both missing") << "C:\\gone.txt"
                                  << "C:\\gone.txt" << false;
    QTest::newRow("drive taken out") << "E:\\e.txt"
                                     << "E:\\e.txt" << false;
}

void TestFileSystem::sameFile() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);

    m_drives->makeFile(QStringLiteral("D:\\same\\data.txt"), QByteArray("lower"));
    m_drives->makeFile(QStringLiteral("D:\\same\\Data.txt"), QByteArray("upper"));
    ::unlink(host(QStringLiteral("D:\\same\\hard link.txt")).constData());
    QVERIFY(::link(host(QStringLiteral("D:\\same\\data.txt")).constData(),
                   host(QStringLiteral("D:\\same\\hard link.txt"))) == 0);
    m_drives->makeFile(QStringLiteral("E:\\e.txt"));
    DriveTable::instance().setFixedReady(QLatin1Char('E'), false);
    const bool result = fs::sameFile(a, b);
    DriveTable::instance().setFixedReady(QLatin1Char('E'), true);
    QCOMPARE(result, same);
}

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_file_system.moc"
