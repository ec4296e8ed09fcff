#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "platform/files/file_copier.h"
#include "platform/files/file_system.h"
#include "temp_drives.h"

#include <QtTest>

#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace platform;
namespace dp = platform::drive_path;
namespace fs = platform::file_system;

Q_DECLARE_METATYPE(platform::FsError)

namespace {

bool makeFile(const QByteArray& at) {
    const int fd = ::open(at.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

void row(const char* name, const QString& path, const QString& found) {
    QTest::newRow(name) << path << found;
}

void row(const char* name, const QString& a, const QString& b, bool same) {
    QTest::newRow(name) << a << b << same;
}

void pathRow(const char* name, const QString& path, const QByteArray& host, FsError error) {
    QTest::newRow(name) << path << host << error;
}

const FsError Bad = FsError::Unlistable;

} // namespace

class TestFileSystem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_drives = std::make_unique<TempDrives>(QStringLiteral("CDE"));
        QVERIFY(m_drives->isValid());
        // Open to all, so that a test may look as another user.
        QVERIFY(::chmod(QByteArray(host(QStringLiteral("C:\\")) + "/..").constData(), 0755) == 0);
        // C:\mixed holds one of every kind of entry.
        const QByteArray mixed = host(m_drives->mkdir(QStringLiteral("C:\\mixed")));
        for (const char* name :
             {"b.txt", "a.txt", "A.txt", "C.TXT", ".hidden", "with space.txt", "\xc3\xbc.txt",
              "\xe6\x97\xa5\xe6\x9c\xac.txt", "back\\slash.txt", "latin\xe9.txt"})
            QVERIFY(makeFile(mixed + '/' + name));
        for (const char* name :
             {"Zeta", "alpha", "Beta", ".hiddendir", "back\\slash dir", "latin\xe9 dir"})
            QVERIFY(::mkdir(QByteArray(mixed + '/' + name).constData(), 0755) == 0);
        QVERIFY(makeFile(mixed + "/alpha/inner.txt") && makeFile(mixed + "/.hiddendir/f.txt"));
        for (const QByteArray& link : QByteArray("b.txt>link-to-file alpha>link-to-folder .>up "
                                                 "nowhere>dangling loop>loop pong>ping ping>pong "
                                                 "/dev/null>null-link pipe>link-to-pipe")
                                          .split(' '))
            QVERIFY(::symlink(link.split('>')[0], QByteArray(mixed + '/' + link.split('>')[1])) ==
                    0);
        QVERIFY(::mkfifo(QByteArray(mixed + "/pipe").constData(), 0644) == 0);
        if (::geteuid() == 0)
            QVERIFY(::mknod(QByteArray(mixed + "/device").constData(), S_IFCHR | 0644,
                            makedev(1, 3)) == 0);
        m_drives->makeFile(QStringLiteral("E:\\e.txt"));
        m_drives->makeFile(QStringLiteral("D:\\same\\data.txt"), QByteArray("lower"));
        m_drives->makeFile(QStringLiteral("D:\\same\\Data.txt"), QByteArray("upper"));
        QVERIFY(::link(host(QStringLiteral("D:\\same\\data.txt")).constData(),
                       host(QStringLiteral("D:\\same\\hard link.txt"))) == 0);
    }

    void cleanupTestCase() {
        // QTemporaryDir cannot see names that are not UTF-8, so cannot remove them.
        const QByteArray mixed = host(QStringLiteral("C:\\mixed"));
        ::unlink(QByteArray(mixed + "/latin\xe9.txt").constData());
        ::rmdir(QByteArray(mixed + "/latin\xe9 dir").constData());
    }

    void init() { DriveTable::instance().setFixedReady(QLatin1Char('E'), false); }
    void cleanup() { DriveTable::instance().setFixedReady(QLatin1Char('E'), true); }
    // Sorted as a person expects; special files, dangling links, loops, hidden
    // folders and names with no drive-letter form (backslash, latin-1) are
    // never listed; hidden files are, marked.
    void listing() {
        const Result<QStringList> folders = fs::folders(QStringLiteral("C:\\mixed"));
        QCOMPARE(folders.value(), QStringList({"alpha", "Beta", "link-to-folder", "up", "Zeta"}));
        const Result<QList<fs::FileEntry>> files = fs::files(QStringLiteral("C:\\mixed"));
        QStringList names;
        for (const fs::FileEntry& e : files.value())
            names << e.name + (e.hidden ? QStringLiteral(" hidden") : QString()) +
                         (e.system ? QStringLiteral(" system") : QString());
        // Names differing only in case come in one fixed order, upper case first.
        QCOMPARE(names, QStringList({".hidden hidden", "A.txt", "a.txt", "b.txt", "C.TXT",
                                     "link-to-file", "with space.txt", "ü.txt", "日本.txt"}));
    }

    void failures_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<FsError>("error");
        QTest::newRow("missing") << "C:\\no such folder" << FsError::NotFound;
        QTest::newRow("a file") << "C:\\mixed\\b.txt" << FsError::NotAFolder;
        QTest::newRow("a FIFO") << "C:\\mixed\\pipe" << FsError::NotAFolder;
        QTest::newRow("a dangling link") << "C:\\mixed\\dangling" << FsError::NotFound;
        QTest::newRow("unknown drive") << "Q:\\" << FsError::NotReady;
        QTest::newRow("drive taken out") << "E:\\" << FsError::NotReady;
        QTest::newRow("malformed") << "C:\\mixed\\..\\.." << FsError::Unlistable;
        QTest::newRow("unreadable") << "C:\\locked" << FsError::AccessDenied;
    }

    void failures() {
        QFETCH(QString, folder);
        QFETCH(FsError, error);
        QVERIFY(::chmod(host(m_drives->mkdir(QStringLiteral("C:\\locked"))).constData(), 0) == 0);
        // Root reads any folder; as another user it obeys the permission bits.
        // (A user of a thread's own: the calls then run on that thread.)
        std::optional<Result<QStringList>> folders;
        std::optional<Result<QList<fs::FileEntry>>> files;
        Outcome listable;
        std::thread([&] {
            ::setfsuid(65534);
            folders = fs::folders(folder);
            files = fs::files(folder);
            listable = fs::canList(folder);
        }).join();
        QVERIFY(!folders->ok() && !files->ok() && !listable.ok());
        QCOMPARE(folders->error(), error);
        QCOMPARE(files->error(), error);
        QCOMPARE(listable.error, error);
    }

    // Where a drive-letter path leads: the host path (written "C:" and the
    // rest below that drive's folder), or why it leads nowhere.
    void places_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("host"); // empty: fails with the error
        QTest::addColumn<FsError>("error");
        pathRow("root", "C:\\", "C:", {});
        pathRow("lower-case letter", "d:\\x", "D:/x", {});
        pathRow("folder entry", "C:\\DATA\\", "C:/DATA", {});
        pathRow("non-Latin", "D:\\My Files\\日本 ü.txt", "D:/My Files/日本 ü.txt", {});
        pathRow("unknown drive", "Q:\\x", {}, FsError::NotReady);
        pathRow("drive taken out", "E:\\a", {}, FsError::NotReady);
        pathRow("malformed, on a drive taken out", "E:\\a\\..\\b", {}, Bad);
        pathRow("empty", "", {}, Bad);
        pathRow("forward separator", "C:/DATA", {}, Bad);
        pathRow("double separator", "C:\\a\\\\b", {}, Bad);
        pathRow("dot", "C:\\a\\.\\b", {}, Bad);
        pathRow("dot dot", "C:\\a\\..\\..\\etc", {}, Bad);
        pathRow("slash in name", "C:\\a/../b", {}, Bad);
        pathRow("nul in name", QStringLiteral("C:\\a") + QChar(0) + u'b', {}, Bad);
        pathRow("lone surrogate", QStringLiteral("C:\\a") + QChar(0xD800), {}, Bad);
    }

    void places() {
        QFETCH(QString, path);
        QFETCH(QByteArray, host);
        const Result<Place> r = DriveTable::instance().place(path);
        QCOMPARE(r.ok(), !host.isEmpty());
        if (!r.ok()) {
            QTEST(r.error(), "error");
            return;
        }
        QCOMPARE(r->host, m_drives->hostRoot(QLatin1Char(host.at(0))) + host.mid(2));
        QString back = path.endsWith(u'\\') && path.size() > 3 ? path.chopped(1) : path;
        back[0] = back.at(0).toUpper();
        QCOMPARE(dp::fromHost(r->host).value(), back); // and back
    }

    void fromHost_data() {
        QTest::addColumn<QString>("path"); // empty: fails with the error
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<FsError>("error");
        pathRow("doubled and dot, trailing slash", "C:\\DATA\\a.txt", "C://DATA/./a.txt/", {});
        pathRow("newline is a name", "D:\\a\nb", "D:/a\nb", {});
        // Such names would read as other paths: never listed, never translated.
        pathRow("latin-1 name", "", "C:/caf\xe9", Bad);
        pathRow("dot dot", "", "D:/a/../b", Bad);
        pathRow("relative", "", "DATA/a.txt", Bad);
        // Roots are compared name by name: <tmp>/Dx is not on D: (<tmp>/D).
        pathRow("prefix of a root's name", "", "Dx/a", FsError::NotReady);
        pathRow("outside every drive", "", "/", FsError::NotReady);
    }

    void fromHost() {
        QFETCH(QString, path);
        QFETCH(QByteArray, host);
        if (host.size() >= 2 && host.at(1) == ':')
            host = m_drives->hostRoot(QLatin1Char(host.at(0))) + host.mid(2);
        else if (host.startsWith("Dx"))
            host = m_drives->hostRoot(QLatin1Char('D')) + host.mid(1);
        const Result<QString> r = dp::fromHost(host);
        QCOMPARE(r.ok(), !path.isEmpty());
        if (r.ok())
            QCOMPARE(*r, path);
        else
            QTEST(r.error(), "error");
    }

    void listableNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("listable");
        for (const char* name :
             {".profile", " a b ", "a:b", "\xc3\xbc", "\xf0\x9f\x98\x80", "\xf4\x8f\xbf\xbf"})
            QTest::addRow("listable %s", name) << QByteArray(name) << true;
        for (const char* name : {"", ".", "..", "a\\b", "caf\xe9", "\xc0\xaf", "\xe0\x80\xaf",
                                 "\xed\xa0\x80", "\xf4\x90\x80\x80", "a\xe6\x97", "\xff"})
            QTest::addRow("unlistable %s", QByteArray(name).toHex().constData())
                << QByteArray(name) << false;
    }

    void listableNames() {
        QFETCH(QByteArray, name);
        QTEST(dp::isListableName(name), "listable");
    }

    void longPaths() {
        QString path = QStringLiteral("D:\\");
        for (int level = 0; level < 10; ++level)
            path = dp::join(path, QStringLiteral("Folder with a rather long name, level %1 ü")
                                      .arg(level, 2, 10, QLatin1Char('0')));
        m_drives->mkdir(path);
        const QString file =
            m_drives->makeFile(dp::join(path, QStringLiteral("deep.txt")), QByteArray("12345"));
        QVERIFY(file.size() > 400);
        QCOMPARE(fs::files(path)->first().name, QStringLiteral("deep.txt"));
        QCOMPARE(fs::folders(dp::parentOf(path))->size(), 1);
        QCOMPARE(fs::length(file).value(), 5);
        QCOMPARE(fs::lookupOrdinaryFile(file), QStringLiteral("deep.txt"));
        QCOMPARE(dp::fromHost(host(file)).value(), file);
    }

    void lengthAndDate_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("msecs");
        QTest::newRow("empty, at the epoch") << qint64(0) << qint64(0);
        QTest::newRow("small, with milliseconds") << qint64(17) << qint64(1700000000123);
        QTest::newRow("past 4 GiB, in 2100") << (qint64(5) << 30) << qint64(4102444800999);
    }

    void lengthAndDate() {
        QFETCH(qint64, size);
        QFETCH(qint64, msecs);
        const QString path = m_drives->makeFile(QStringLiteral("D:\\sized.bin"), size); // sparse
        const timespec t{msecs / 1000, (msecs % 1000) * 1000000 + 456};
        const timespec times[2] = {t, t};
        QVERIFY(::utimensat(AT_FDCWD, host(path).constData(), times, 0) == 0);
        QCOMPARE(fs::length(path).value(), size);
        const QDateTime when = fs::modified(path).value();
        QCOMPARE(when.timeSpec(), Qt::LocalTime);
        QCOMPARE(when.toMSecsSinceEpoch(), msecs);
    }

    void lookupOrdinaryFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("found");
        row("file", "C:\\mixed\\b.txt", "b.txt");
        row("link to file", "C:\\mixed\\link-to-file", "link-to-file");
        row("file in a hidden folder", "C:\\mixed\\.hiddendir\\f.txt", "f.txt");
        row("through a linked folder", "C:\\mixed\\link-to-folder\\inner.txt", "inner.txt");
        row("hidden file", "C:\\mixed\\.hidden", "");
        row("link to folder", "C:\\mixed\\link-to-folder", "");
        row("dangling link", "C:\\mixed\\dangling", "");
        row("FIFO", "C:\\mixed\\pipe", "");
        row("other case", "C:\\mixed\\B.TXT", "");
        row("drive taken out", "E:\\e.txt", "");
    }

    void lookupOrdinaryFile() {
        QFETCH(QString, path);
        QTEST(fs::lookupOrdinaryFile(path), "found");
        // The copier's own lookup, through the folder it holds, agrees.
        QFETCH(QString, found);
        QCOMPARE(platform::FileCopier().lookUp(path), !found.isEmpty());
    }

    void sameFile_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        row("symlinked folder", "C:\\mixed\\alpha\\inner.txt",
            "C:\\mixed\\link-to-folder\\inner.txt", true);
        row("hard link", "D:\\same\\data.txt", "D:\\same\\hard link.txt", true);
        row("names differing in case", "D:\\same\\data.txt", "D:\\same\\Data.txt", false);
        row("missing", "C:\\mixed\\b.txt", "C:\\mixed\\gone.txt", false);
        row("drive taken out", "E:\\e.txt", "E:\\e.txt", false);
    }

    void sameFile() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QTEST(fs::sameFile(a, b), "same");
    }

private:
    QByteArray host(const QString& drivePath) const { return m_drives->host(drivePath); }
    std::unique_ptr<TempDrives> m_drives; // E: is taken out during each test
};

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_file_system.moc"
