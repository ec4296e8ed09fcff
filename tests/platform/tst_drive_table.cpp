#include "platform/drive_path.h"
#include "platform/drive_table.h"
#include "temp_drives.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

// mountinfo's way of writing space, tab, newline and backslash.
QByteArray escaped(const QByteArray& path) {
    QByteArray out;
    for (char c : path) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            out += '\\' + QByteArray::number(uchar(c), 8).rightJustified(3, '0');
        else
            out += c;
    }
    return out;
}

QByteArray mountLine(int id, const QByteArray& mountPoint, const QByteArray& fsType = "tmpfs",
                     const QByteArray& source = "tmpfs", const QByteArray& root = "/",
                     const QByteArray& superOptions = "rw") {
    return QByteArray::number(id) + " 1 0:" + QByteArray::number(id) + ' ' + escaped(root) + ' ' +
           escaped(mountPoint) + " rw,relatime shared:" + QByteArray::number(id) + " - " + fsType +
           ' ' + escaped(source) + ' ' + superOptions + '\n';
}

const QByteArray RootLine = mountLine(1, "/", "ext4", "/dev/vda");

// Places that do not exist on this host: a mount file for tests may name them.
QByteArray fakeBase() {
    return "/mnt/pelmora-fake-" + QByteArray::number(::getpid());
}

// A small tmpfs mounted for the life of the object; the folder goes too.
class Tmpfs {
public:
    Tmpfs() {
        static int count = 0;
        m_dir = "/mnt/pelmora-test-" + QByteArray::number(::getpid()) + '-' +
                QByteArray::number(++count);
        ::mkdir("/mnt", 0755);
        m_made = ::mkdir(m_dir.constData(), 0755) == 0;
    }
    ~Tmpfs() {
        unmount();
        ::unlink(QByteArray(m_dir + "/stray").constData());
        if (m_made)
            ::rmdir(m_dir.constData());
    }
    bool mount() {
        m_mounted = m_made && ::mount("tmpfs", m_dir.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                                      "size=1m") == 0;
        return m_mounted;
    }
    bool unmount() {
        if (!m_mounted)
            return true;
        if (::umount2(m_dir.constData(), 0) == 0) {
            m_mounted = false;
            return true;
        }
        if (::umount2(m_dir.constData(), MNT_DETACH) == 0)
            m_mounted = false;
        return false;
    }
    const QByteArray& dir() const { return m_dir; }

private:
    QByteArray m_dir;
    bool m_made = false;
    bool m_mounted = false;
};

bool makeFile(const QByteArray& at) {
    const int fd = ::open(at.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

std::optional<Drive> driveAt(const QByteArray& hostRoot) {
    for (const Drive& d : DriveTable::instance().drives()) {
        if (d.hostRoot == hostRoot && d.letter != QLatin1Char('C'))
            return d;
    }
    return std::nullopt;
}

} // namespace

class TestDriveTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void fixedLetterFor_data();
    void fixedLetterFor();
    void fixedDriveTakenOutOrReplaced();

    void whichMountsAreDrives_data();
    void whichMountsAreDrives();
    void mountedFileIsNoDrive();
    void letterRules_data();
    void letterRules();
    void lettersRunOutAtZ();

    void realVolumeComesAndGoes();
    void realBindMountsAreNoDrives();

private:
    QTemporaryDir m_dir;
    QByteArray m_mountFile;
    void writeMounts(const QByteArray& lines);
    QString describe();
};

void TestDriveTable::init() {
    QVERIFY(m_dir.isValid());
    m_mountFile = QFile::encodeName(m_dir.filePath(QStringLiteral("mountinfo")));
}

void TestDriveTable::cleanup() {
    DriveTable::instance().useHost();
}

void TestDriveTable::writeMounts(const QByteArray& lines) {
    QFile f(QFile::decodeName(m_mountFile));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(RootLine + lines);
}

// "D=a E=b!": each drive but C: with its folder below the fake base, "!"
// when not ready.
QString TestDriveTable::describe() {
    QStringList parts;
    for (const Drive& d : DriveTable::instance().drives()) {
        if (d.letter == QLatin1Char('C'))
            continue;
        QByteArray place = d.hostRoot;
        if (place.startsWith(QByteArray(fakeBase() + '/')))
            place = place.mid(fakeBase().size() + 1);
        parts.append(QString(d.letter + QStringLiteral("=") + QString::fromUtf8(place) +
                             (d.ready ? QString() : QStringLiteral("!"))));
    }
    return parts.join(QLatin1Char(' '));
}

void TestDriveTable::fixedLetterFor_data() {
    QTest::addColumn<QByteArray>("below"); // below the temporary folder
    QTest::addColumn<QString>("letter");   // empty: no drive

    QTest::newRow("drive root") << QByteArray("/C") << "C";
    QTest::newRow("in a drive") << QByteArray("/C/a/b.txt") << "C";
    QTest::newRow("nested drive root") << QByteArray("/C/inner") << "D";
    QTest::newRow("in a nested drive") << QByteArray("/C/inner/x") << "D";
    QTest::newRow("name longer than the nested root") << QByteArray("/C/innerx") << "C";
    QTest::newRow("name longer than a root") << QByteArray("/Cx/a") << "E";
    QTest::newRow("above every drive") << QByteArray("") << "";
    QTest::newRow("beside every drive") << QByteArray("/other/a") << "";
}

void TestDriveTable::fixedLetterFor() {
    QFETCH(QByteArray, below);
    QFETCH(QString, letter);

    const QByteArray base = QFile::encodeName(m_dir.path());
    for (const char* folder : {"/C/inner", "/Cx", "/other"})
        QVERIFY(QDir().mkpath(QFile::decodeName(base + folder)));
    DriveTable::instance().useFixedMap({{QLatin1Char('C'), QByteArray(base + "/C")},
                                        {QLatin1Char('D'), QByteArray(base + "/C/inner")},
                                        {QLatin1Char('E'), QByteArray(base + "/Cx/")}});

    const std::optional<QChar> found = DriveTable::instance().letterFor(base + below);
    QCOMPARE(found ? QString(*found) : QString(), letter);
}

void TestDriveTable::fixedDriveTakenOutOrReplaced() {
    TempDrives drives(QStringLiteral("CDE"));
    DriveTable& table = DriveTable::instance();
    QCOMPARE(table.drives().size(), 3);
    QCOMPARE(table.hostRoot(QLatin1Char('d')), std::optional(drives.hostRoot(QLatin1Char('D'))));
    QVERIFY(table.volumeDevice(QLatin1Char('D')).has_value());

    table.setFixedReady(QLatin1Char('D'), false);
    QVERIFY(!table.hostRoot(QLatin1Char('D')));
    QVERIFY(!table.volumeDevice(QLatin1Char('D')));
    QVERIFY(!table.letterFor(drives.hostRoot(QLatin1Char('D')) + "/x"));
    QVERIFY(!table.drives().at(1).ready);
    table.setFixedReady(QLatin1Char('D'), true);
    QVERIFY(table.hostRoot(QLatin1Char('D')));

    // Another folder under the same name is another medium.
    const QString e = QFile::decodeName(drives.hostRoot(QLatin1Char('E')));
    QVERIFY(QDir().rename(e, e + QStringLiteral("-old")));
    QVERIFY(QDir().mkpath(e));
    QVERIFY(!table.hostRoot(QLatin1Char('E')));

    QVERIFY(!table.hostRoot(QLatin1Char('F')));
}

void TestDriveTable::whichMountsAreDrives_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("root"); // the drive's folder; empty: no drive
    QTest::addColumn<QString>("label");

    QTest::newRow("tmpfs under /mnt")
        << mountLine(20, "/mnt/ram") << QByteArray("/mnt/ram") << "ram";
    QTest::newRow("stick under /media") << mountLine(20, "/media/ann/STICK", "vfat", "/dev/sdb1")
                                        << QByteArray("/media/ann/STICK") << "STICK";
    QTest::newRow("stick under /run/media")
        << mountLine(20, "/run/media/ann/DISK", "exfat", "/dev/sdc1")
        << QByteArray("/run/media/ann/DISK") << "DISK";
    QTest::newRow("space in the name") << mountLine(20, "/media/ann/My Stick", "vfat", "/dev/sdb1")
                                       << QByteArray("/media/ann/My Stick") << "My Stick";
    QTest::newRow("tab and backslash in the name")
        << mountLine(20, "/mnt/a\tb\\c", "ext4", "/dev/sdb1") << QByteArray("/mnt/a\tb\\c")
        << "a\tb\\c";
    QTest::newRow("disk elsewhere")
        << mountLine(20, "/data", "xfs", "/dev/nvme0n1p3") << QByteArray("/data") << "data";
    QTest::newRow("network share") << mountLine(20, "/shares/team", "cifs", "//server/team")
                                   << QByteArray("/shares/team") << "team";
    QTest::newRow("SSH") << mountLine(20, "/remote", "fuse.sshfs", "ann@host:")
                         << QByteArray("/remote") << "remote";
    QTest::newRow("btrfs subvolume")
        << mountLine(20, "/mnt/backup", "btrfs", "/dev/sdb2", "/@backup", "rw,subvol=/@backup")
        << QByteArray("/mnt/backup") << "backup";

    const QByteArray none;
    QTest::newRow("root") << mountLine(20, "/", "ext4", "/dev/sda2") << none << "";
    QTest::newRow("boot") << mountLine(20, "/boot/efi", "vfat", "/dev/sda1") << none << "";
    QTest::newRow("home") << mountLine(20, "/home", "ext4", "/dev/sda3") << none << "";
    QTest::newRow("snap") << mountLine(20, "/snap/core/1", "squashfs", "/dev/loop0") << none << "";
    QTest::newRow("proc") << mountLine(20, "/proc", "proc", "proc") << none << "";
    QTest::newRow("user runtime") << mountLine(20, "/run/user/1000") << none << "";
    QTest::newRow("tmpfs elsewhere") << mountLine(20, "/scratch") << none << "";
    QTest::newRow("/mnt itself") << mountLine(20, "/mnt") << none << "";
    QTest::newRow("name beginning with mnt") << mountLine(20, "/mntx/a") << none << "";
    QTest::newRow("automount point")
        << mountLine(20, "/mnt/auto", "autofs", "systemd-1") << none << "";
    QTest::newRow("container's hosts file")
        << mountLine(20, "/etc/hosts", "ext4", "/dev/vda", "/containers/c1/hosts") << none << "";
    QTest::newRow("bind-mounted folder")
        << mountLine(20, "/work", "ext4", "/dev/vda", "/srv/projects/work") << none << "";
    QTest::newRow("bind-mounted folder under /mnt")
        << mountLine(20, "/mnt/web", "ext4", "/dev/vda", "/var/www") << none << "";
    QTest::newRow("btrfs bind, not a subvolume")
        << mountLine(20, "/mnt/b", "btrfs", "/dev/sdb2", "/@backup/x", "rw,subvol=/@backup") << none
        << "";
}

void TestDriveTable::whichMountsAreDrives() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, root);
    QFETCH(QString, label);

    writeMounts(line);
    DriveTable::instance().setMountInfoPath(m_mountFile);
    const QList<Drive> drives = DriveTable::instance().drives();
    QCOMPARE(drives.first().letter, QLatin1Char('C'));
    QCOMPARE(drives.first().hostRoot, QByteArray("/"));
    QVERIFY(drives.first().ready);
    if (root.isEmpty()) {
        QCOMPARE(drives.size(), 1);
        return;
    }
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives.at(1).letter, QLatin1Char('D'));
    QCOMPARE(drives.at(1).hostRoot, root);
    QCOMPARE(drives.at(1).label, label);
    QVERIFY(drives.at(1).ready);
}

void TestDriveTable::mountedFileIsNoDrive() {
    if (!runningAsRoot())
        QSKIP("Making a file under /mnt needs root");
    Tmpfs place; // only for its folder under /mnt
    const QByteArray file = place.dir() + "/file";
    QVERIFY(makeFile(file));
    writeMounts(mountLine(20, file, "ext4", "/dev/vdb") +
                mountLine(21, place.dir(), "ext4", "/dev/vdc"));
    DriveTable::instance().setMountInfoPath(m_mountFile);
    const QList<Drive> drives = DriveTable::instance().drives();
    ::unlink(file.constData());
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives.at(1).hostRoot, place.dir());
}

void TestDriveTable::letterRules_data() {
    QTest::addColumn<QStringList>("looks"); // what is mounted at each look: "id@place ..."
    QTest::addColumn<QString>("drives");

    QTest::newRow("in the order first seen")
        << QStringList{"1@b 2@a", "1@b 2@a 3@c"} << "D=b E=a F=c";
    QTest::newRow("a gone volume keeps its letter") << QStringList{"1@a 2@b", "2@b"} << "D=a! E=b";
    QTest::newRow("all gone") << QStringList{"1@a 2@b", ""} << "D=a! E=b!";
    QTest::newRow("back at its place") << QStringList{"1@a 2@b", "2@b", "2@b 3@a"} << "D=a E=b";
    QTest::newRow("swapped between two looks") << QStringList{"1@a 2@b", "3@a 2@b"} << "D=a E=b";
    QTest::newRow("lowest gone letter")
        << QStringList{"1@a 2@b 3@c", "2@b", "2@b 4@d"} << "D=d E=b F=c!";
    QTest::newRow("own place before lowest letter")
        << QStringList{"1@a 2@b 3@c", "2@b", "4@x 2@b 5@c"} << "D=x E=b F=c";
    QTest::newRow("next letter when none is gone") << QStringList{"1@a", "1@a 2@b"} << "D=a E=b";
    QTest::newRow("a mount on top of another") << QStringList{"1@a 2@a"} << "D=a";
    QTest::newRow("the one on top goes") << QStringList{"1@a 2@a", "1@a"} << "D=a";
    QTest::newRow("escaped place") << QStringList{"1@my\\040stick"} << "D=my stick";
}

void TestDriveTable::letterRules() {
    QFETCH(QStringList, looks);
    QFETCH(QString, drives);

    writeMounts({});
    DriveTable::instance().setMountInfoPath(m_mountFile);
    for (const QString& look : looks) {
        QByteArray lines;
        for (const QString& mount : look.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int at = mount.indexOf(QLatin1Char('@'));
            const QByteArray place = fakeBase() + '/' + mount.mid(at + 1).toUtf8();
            // Written as given: the escapes are the file's own.
            lines += mountLine(mount.left(at).toInt(), "PLACE").replace("PLACE", place);
        }
        writeMounts(lines);
        describe();
    }
    QCOMPARE(describe(), drives);
}

void TestDriveTable::lettersRunOutAtZ() {
    QByteArray lines;
    for (int i = 0; i < 25; ++i)
        lines += mountLine(10 + i, fakeBase() + "/v" + QByteArray::number(i));
    writeMounts(lines);
    DriveTable::instance().setMountInfoPath(m_mountFile);
    const QList<Drive> drives = DriveTable::instance().drives();
    QCOMPARE(drives.size(), 24); // C: to Z:
    QCOMPARE(drives.last().letter, QLatin1Char('Z'));
    QCOMPARE(drives.last().hostRoot, fakeBase() + "/v22");
}

void TestDriveTable::realVolumeComesAndGoes() {
    if (!runningAsRoot())
        QSKIP("Mounting a tmpfs needs root");
    DriveTable& table = DriveTable::instance();
    table.useHost();
    Tmpfs volume;
    QVERIFY(volume.mount());

    const std::optional<Drive> drive = driveAt(volume.dir());
    QVERIFY(drive && drive->ready);
    const QChar letter = drive->letter;
    QCOMPARE(table.letterFor(volume.dir() + "/a.txt"), std::optional(letter));
    QCOMPARE(table.hostRoot(letter), std::optional(volume.dir()));
    struct stat st;
    QVERIFY(::stat(volume.dir().constData(), &st) == 0);
    QCOMPARE(table.volumeDevice(letter), std::optional(st.st_dev));
    const QString onDrive = drive_path::rootOf(letter) + QStringLiteral("a.txt");
    QCOMPARE(drive_path::toHost(onDrive).value(), volume.dir() + "/a.txt");
    QVERIFY(makeFile(volume.dir() + "/a.txt"));
    QCOMPARE(drive_path::fromHost(volume.dir() + "/a.txt").value(), onDrive);

    // Taken out: the bare folder left behind is never the drive.
    QVERIFY(volume.unmount());
    QVERIFY(!table.hostRoot(letter));
    QCOMPARE(drive_path::toHost(onDrive).error(), FsError::NotReady);
    QVERIFY(makeFile(volume.dir() + "/stray"));
    QVERIFY(!table.hostRoot(letter));
    const std::optional<Drive> gone = driveAt(volume.dir());
    QVERIFY(gone && !gone->ready);
    QCOMPARE(gone->letter, letter);
    QCOMPARE(table.letterFor(volume.dir() + "/stray"), std::optional(QLatin1Char('C')));

    // A new volume at the same place answers under the same letter, at once.
    QVERIFY(volume.mount());
    QCOMPARE(table.hostRoot(letter), std::optional(volume.dir()));
    QCOMPARE(driveAt(volume.dir())->letter, letter);
    QVERIFY(!QFile::exists(QFile::decodeName(volume.dir() + "/a.txt")));

    // Swapped without anyone looking in between.
    QVERIFY(makeFile(volume.dir() + "/b.txt"));
    QVERIFY(volume.unmount());
    QVERIFY(volume.mount());
    QCOMPARE(table.hostRoot(letter), std::optional(volume.dir()));
    QVERIFY(!QFile::exists(QFile::decodeName(volume.dir() + "/b.txt")));
}

void TestDriveTable::realBindMountsAreNoDrives() {
    if (!runningAsRoot())
        QSKIP("Bind mounts need root");
    DriveTable::instance().useHost();
    Tmpfs volume, folderBind;
    QVERIFY(volume.mount());
    QVERIFY(::mkdir(QByteArray(volume.dir() + "/sub").constData(), 0755) == 0);
    const QByteArray fileBind = volume.dir() + "/file-target";
    QVERIFY(makeFile(volume.dir() + "/file"));
    QVERIFY(makeFile(fileBind));
    // A folder of the volume, and a single file of it, mounted elsewhere.
    QVERIFY(::mount(QByteArray(volume.dir() + "/sub").constData(), folderBind.dir().constData(),
                    nullptr, MS_BIND, nullptr) == 0);
    QVERIFY(::mount(QByteArray(volume.dir() + "/file").constData(), fileBind.constData(), nullptr,
                    MS_BIND, nullptr) == 0);
    const bool folderIsDrive = driveAt(folderBind.dir()).has_value();
    const bool fileIsDrive = driveAt(fileBind).has_value();
    ::umount2(fileBind.constData(), MNT_DETACH);
    ::umount2(folderBind.dir().constData(), MNT_DETACH);
    QVERIFY(driveAt(volume.dir()).has_value());
    QVERIFY(!folderIsDrive);
    QVERIFY(!fileIsDrive);
}

QTEST_GUILESS_MAIN(TestDriveTable)
#include "tst_drive_table.moc"
