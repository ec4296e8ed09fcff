#include "host_files.h"
#include "temp_drives.h"
#include "tmpfs_volume.h"

#include "platform/drives/drive_table.h"
#include "platform/files/file_copier.h"

#include <QtTest>

#include <sys/mount.h>
#include <sys/stat.h>

using namespace platform;

namespace {

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

} // namespace

// The copier on real volumes (root only): full, write-protected, taken
// out, between file systems, and a file larger than one kernel call moves.
class TestFileCopierVolumes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void volumeRefuses_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("oldSize"); // -1: no target yet
        QTest::addColumn<bool>("unnamed");
        QTest::addColumn<bool>("readOnly"); // else full
        QTest::addColumn<bool>("sparse");   // the size in three extents over 64 MiB
        QTest::newRow("full: new file larger than the disk")
            << 2'000'000 << -1 << true << false << false;
        QTest::newRow("full: the same, named") << 2'000'000 << -1 << false << false << false;
        QTest::newRow("full: fits only without the old")
            << 500'000 << 700'000 << true << false << false;
        QTest::newRow("full: sparse, new") << 1'500'000 << -1 << true << false << true;
        QTest::newRow("full: sparse, named") << 1'500'000 << -1 << false << false << true;
        QTest::newRow("full: sparse replacement") << 1'500'000 << 5000 << true << false << true;
        QTest::newRow("write-protected: new file") << 10 << -1 << true << true << false;
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
            QVERIFY(::mount(nullptr, v.d.path().constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                            nullptr) == 0);
        const QStringList before = snapshot(v.d.path());
        const qint64 freeBefore = v.d.freeBytes();

        FileCopier copier;
        copier.setUnnamedTemporaries(unnamed);
        QCOMPARE(outcomeName(copier.copy(QStringLiteral("C:\\a.bin"), QStringLiteral("D:\\a.bin"))),
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
        QCOMPARE(outcomeName(copier.copy(source, folder + QStringLiteral("\\a.txt"))),
                 QStringLiteral("success"));
        if (flushFirst)
            QVERIFY(copier.flush().ok() && v.d.eject()); // flushed: nothing holds the disk
        else
            QVERIFY(v.d.eject(MNT_DETACH));
        DriveTable::instance().drives(); // the table notices the disk has gone
        QCOMPARE(outcomeName(copier.copy(source, folder + QStringLiteral("\\b.txt"))),
                 QStringLiteral("NotReady"));
        QCOMPARE(entriesOf(v.d.path()), QStringList());
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
        setOldTime(v.host(from, "src.bin"));
        FileCopier copier;
        for (int round = 0; round < 2; ++round) { // the second knows the way
            QCOMPARE(outcomeName(copier.copy(QLatin1Char(from) + QStringLiteral(":\\src.bin"),
                                             QLatin1Char(to) + QStringLiteral(":\\copy.bin"))),
                     QStringLiteral("success"));
            QVERIFY(readHost(v.host(to, "copy.bin")) == content);
            struct stat st {};
            QVERIFY(::stat(v.host(to, "copy.bin").constData(), &st) == 0);
            QCOMPARE(st.st_mtim.tv_nsec, OldTime.tv_nsec);
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

QTEST_MAIN(TestFileCopierVolumes)
#include "tst_file_copier_volumes.moc"
