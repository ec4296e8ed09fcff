#include "host_files.h"
#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "temp_drives.h"
#include "tmpfs_volume.h"

#include <QtTest>

#include <unistd.h>

using namespace platform;

namespace {

// A mountinfo line (paths written as given: escapes are the file's own).
QByteArray mountLine(const QByteArray& mountPoint, const QByteArray& fsType = "tmpfs",
                     const QByteArray& source = "tmpfs", const QByteArray& root = "/",
                     const QByteArray& superOptions = "rw", int id = 20) {
    const QByteArray n = QByteArray::number(id);
    return n + " 1 0:" + n + ' ' + root + ' ' + mountPoint + " rw,relatime shared:" + n + " - " +
           fsType + ' ' + source + ' ' + superOptions + '\n';
}

// Places that do not exist on this host: a mount file for tests may name them.
QByteArray fakeBase() {
    return "/mnt/pelmora-fake-" + QByteArray::number(::getpid());
}

void row(const char* name, const QByteArray& line, const QByteArray& root = {}) {
    QTest::newRow(name) << line << root;
}

} // namespace

class TestDriveTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { DriveTable::instance().useHost(); }

    void whichMountsAreDrives_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("root"); // the drive's folder; empty: no drive
        row("tmpfs under /mnt", mountLine("/mnt/ram"), "/mnt/ram");
        row("stick under /media", mountLine("/media/ann/STICK", "vfat", "/dev/sdb1"),
            "/media/ann/STICK");
        row("stick under /run/media", mountLine("/run/media/ann/DISK", "exfat", "/dev/sdc1"),
            "/run/media/ann/DISK");
        row("tab and backslash in the name", mountLine("/mnt/a\\011b\\134c", "ext4", "/dev/sdb1"),
            "/mnt/a\tb\\c");
        row("disk elsewhere", mountLine("/data", "xfs", "/dev/nvme0n1p3"), "/data");
        row("network share", mountLine("/shares/team", "cifs", "//server/team"), "/shares/team");
        row("btrfs subvolume",
            mountLine("/mnt/backup", "btrfs", "/dev/sdb2", "/@backup", "rw,subvol=/@backup"),
            "/mnt/backup");

        row("root", mountLine("/", "ext4", "/dev/sda2"));
        row("home", mountLine("/home", "ext4", "/dev/sda3"));
        row("tmpfs elsewhere", mountLine("/scratch"));
        row("/mnt itself", mountLine("/mnt"));
        row("name beginning with mnt", mountLine("/mntx/a"));
        row("automount point", mountLine("/mnt/auto", "autofs", "systemd-1"));
        row("bind-mounted folder under /mnt",
            mountLine("/mnt/web", "ext4", "/dev/vda", "/var/www"));
        row("btrfs bind, not a subvolume",
            mountLine("/mnt/b", "btrfs", "/dev/sdb2", "/@backup/x", "rw,subvol=/@backup"));
    }

    void whichMountsAreDrives() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, root);
        useMounts(line);
        const QList<Drive> drives = DriveTable::instance().drives();
        QCOMPARE(drives.first().letter, QLatin1Char('C'));
        QCOMPARE(drives.first().hostRoot, QByteArray("/"));
        QCOMPARE(drives.size(), root.isEmpty() ? 1 : 2);
        if (root.isEmpty())
            return;
        QCOMPARE(drives.at(1).letter, QLatin1Char('D'));
        QCOMPARE(drives.at(1).hostRoot, root);
        QCOMPARE(drives.at(1).label, QString::fromUtf8(root.mid(root.lastIndexOf('/') + 1)));
        QVERIFY(drives.at(1).ready);
    }

    void letterRules_data() {
        // What is mounted at each look: "id@place ..."; "id@place~" is a network share.
        QTest::addColumn<QStringList>("looks");
        QTest::addColumn<QString>("drives");
        const auto row = [](const char* name, const QStringList& looks, const QString& drives) {
            QTest::newRow(name) << looks << drives;
        };
        row("in the order first seen", {"1@b 2@a", "1@b 2@a 3@c"}, "D=b E=a F=c");
        row("a gone volume keeps its letter", {"1@a 2@b", "2@b"}, "D=a! E=b");
        row("back at its place", {"1@a 2@b", "2@b", "2@b 3@a"}, "D=a E=b");
        row("swapped between two looks", {"1@a 2@b", "3@a 2@b"}, "D=a E=b");
        row("lowest gone letter", {"1@a 2@b 3@c", "2@b", "2@b 4@d"}, "D=d E=b F=c!");
        row("own place before lowest letter", {"1@a 2@b 3@c", "2@b", "4@x 2@b 5@c"}, "D=x E=b F=c");
        row("a mount on top of another", {"1@a 2@a"}, "D=a");
        row("the one on top goes", {"1@a 2@a", "1@a"}, "D=a");
        row("a gone share's letter waits for its place",
            {"1@s~ 2@b", "2@b", "2@b 3@c", "2@b 3@c 4@s~"}, "D=s E=b F=c");
        row("a share takes no gone disk's letter", {"1@a 2@b", "2@b", "2@b 3@s~", "2@b 3@s~ 4@d"},
            "D=d E=b F=s");
        row("a share back elsewhere takes a new letter", {"1@s~", "", "2@t~"}, "D=s! E=t");
        QStringList many, lettered;
        for (int i = 0; i < 25; ++i) {
            many << QStringLiteral("%1@v%2").arg(10 + i).arg(i);
            if (i < 23) // D: to Z:
                lettered << QStringLiteral("%1=v%2").arg(QChar(u'D' + i)).arg(i);
        }
        row("letters run out at Z", {many.join(u' ')}, lettered.join(u' '));
    }

    void letterRules() {
        QFETCH(QStringList, looks);
        useMounts({});
        for (const QString& look : looks) {
            QByteArray lines;
            for (const QString& mount : look.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const int at = mount.indexOf(QLatin1Char('@'));
                const bool share = mount.endsWith(QLatin1Char('~'));
                const QByteArray place =
                    fakeBase() + '/' + mount.mid(at + 1).chopped(share ? 1 : 0).toUtf8();
                lines +=
                    share ? mountLine(place, "fuse.sshfs", "ann@server:/srv", "/", "rw",
                                      mount.left(at).toInt())
                          : mountLine(place, "tmpfs", "tmpfs", "/", "rw", mount.left(at).toInt());
            }
            useMounts(lines, false);
            describe();
        }
        QTEST(describe(), "drives");
    }

    // Root only: real volumes. A path in the bare folder a taken-out volume
    // leaves behind belongs to C:. (Toward and from drive paths, not ready
    // once out, and a new volume at the place under the same letter, also
    // swapped unseen: tst_disk_spanning's runs over a disk swapped for real.)
    void realVolumeComesAndGoes() {
        TmpfsVolume volume;
        SKIP_UNLESS_TMPFS(volume);
        DriveTable& table = DriveTable::instance();
        const QByteArray at = volume.path();
        const QString root = readyDriveRoot(at);
        QVERIFY(!root.isEmpty());
        const QChar letter = root.at(0);
        QCOMPARE(table.letterFor(at + "/a.txt"), std::optional(letter));
        const QString onDrive = root + QStringLiteral("a.txt");
        // The same folder through C:, the whole host tree.
        const QString throughC = QStringLiteral("C:") + QString::fromUtf8(at).replace(u'/', u'\\');
        for (const QString& path : QStringList{onDrive, throughC + QStringLiteral("\\a.txt")}) {
            const Result<Place> place = table.place(path);
            QCOMPARE(place.value().host, at + "/a.txt");
            QCOMPARE(place->volume.shownAt, at);
            QVERIFY(!place->onC && place->volume.stillMounted());
        }
        QVERIFY(writeHost(at + "/a.txt"));
        QCOMPARE(drive_path::fromHost(at + "/a.txt").value(), onDrive);
        const Volume seen = table.place(onDrive)->volume;

        // Taken out: the bare folder left behind is never the drive, nor
        // reached through C:.
        QVERIFY(volume.eject());
        QVERIFY(!seen.stillMounted());
        QCOMPARE(table.place(throughC).error(), FsError::NotReady);
        QVERIFY(writeHost(at + "/stray"));
        QVERIFY(!table.hostRoot(letter));
        QCOMPARE(table.letterFor(at + "/stray"), std::optional(QLatin1Char('C')));

        // What was seen of the old volume does not hold for a new one there.
        QVERIFY(volume.insertNew());
        QVERIFY(!seen.stillMounted());
    }

    // A file that mountinfo shows as a whole volume is no drive: only a real
    // file tells. (A bind mount of a folder or of a file names the bound
    // part as its root: the bind rows of whichMountsAreDrives.)
    void fileMountIsNoDrive() {
        TmpfsVolume volume;
        SKIP_UNLESS_TMPFS(volume);
        const QByteArray at = volume.path();
        QVERIFY(writeHost(at + "/file"));
        useMounts(mountLine(at + "/file", "ext4", "/dev/vdb") + mountLine(at, "ext4", "/dev/vdc"));
        const QList<Drive> drives = DriveTable::instance().drives();
        QCOMPARE(drives.size(), 2);
        QCOMPARE(drives.at(1).hostRoot, at);
    }

private:
    QTemporaryDir m_dir;
    // The table reads these mounts (after the root's) from now on.
    void useMounts(const QByteArray& lines, bool fresh = true) {
        const QByteArray file = QFile::encodeName(m_dir.filePath(QStringLiteral("mountinfo")));
        QVERIFY(writeHost(file, mountLine("/", "ext4", "/dev/vda", "/", "rw", 1) + lines));
        if (fresh)
            DriveTable::instance().setMountInfoPath(file);
    }

    // "D=a E=b!": each drive but C: with its folder below the fake base, "!"
    // when not ready.
    QString describe() {
        QStringList parts;
        for (const Drive& d : DriveTable::instance().drives()) {
            if (d.letter != QLatin1Char('C'))
                parts << d.letter + QStringLiteral("=") +
                             QString::fromUtf8(d.hostRoot.mid(fakeBase().size() + 1)) +
                             (d.ready ? QString() : QStringLiteral("!"));
        }
        return parts.join(QLatin1Char(' '));
    }
};

QTEST_GUILESS_MAIN(TestDriveTable)
#include "tst_drive_table.moc"
