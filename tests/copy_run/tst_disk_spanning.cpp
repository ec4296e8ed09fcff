#include "copy_runs.h"
#include "host_files.h"
#include "tmpfs_volume.h"

#include "copy_run/status.h"
#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "platform/files/file_copier.h"

#include <QtTest>

using platform::Answer;
using Content = QMap<QString, QByteArray>; // name -> bytes

namespace {

// Every entry of a folder, hidden ones too, with its content.
Content contentOf(const QByteArray& folder) {
    Content all;
    for (const QString& name : entriesOf(folder)) {
        const QByteArray path = folder + '/' + QFile::encodeName(name);
        all.insert(name, QFileInfo(QFile::decodeName(path)).isDir() ? "<folder>" : readHost(path));
    }
    return all;
}

} // namespace

// Spreading files over several disks, for real: a small tmpfs under /mnt
// that fills up, or is taken out and replaced by a new one while the
// copy-error box is open. Needs root; skips elsewhere.
class TestDiskSpanning : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_sources; // on the host's root file system
    std::unique_ptr<TmpfsVolume> m_disk;
    QString m_root; // the disk's drive letter root
    std::unique_ptr<ActingUser> m_user;
    std::unique_ptr<SelectionControls> m_sel;
    bool m_large = false; // rows named "large": files whose bytes move on the worker

    static constexpr qint64 LargeFile = (8 << 20) + 20000; // 2053 pages
    static constexpr qint64 pagesOf(qint64 bytes) { return (bytes + 4095) / 4096; }

private Q_SLOTS:
    void init() {
        m_large = QByteArray(QTest::currentDataTag()).startsWith("large");
        // Large: room for three large files and a little, as 64k is for three small ones.
        const QByteArray size =
            "size=" + QByteArray::number(m_large ? (3 * pagesOf(LargeFile) + 1) * 4096 : 65536);
        m_disk = std::make_unique<TmpfsVolume>(size.constData());
        SKIP_UNLESS_TMPFS(*m_disk);
        platform::DriveTable::instance().useHost();
        m_root = readyDriveRoot(m_disk->path());
        QVERIFY2(!m_root.isEmpty(), "the drive table has no letter for the mounted disk");
        m_sources = std::make_unique<QTemporaryDir>();
        m_user = std::make_unique<ActingUser>();
        m_sel = std::make_unique<SelectionControls>();
    }
    void cleanup() {
        const QStringList problems = endCopyRun(m_sel, m_user);
        m_disk.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // A full disk, then a new disk and Retry: every file lands whole on
    // exactly one of the disks, and nothing half-written is left anywhere.
    void newDiskAfterAFullOne_data() {
        QTest::addColumn<bool>("emptyDriveFirst");
        QTest::newRow("new disk at once") << false;
        QTest::newRow("Retry with the drive still empty") << true;
        QTest::newRow("large files, new disk at once") << false;
        // Copies written ahead fill the disk before the run gets there: the
        // box comes at the same file all the same.
        QTest::newRow("written ahead, new disk at once") << false;
    }
    void newDiskAfterAFullOne() {
        QFETCH(bool, emptyDriveFirst);
        platform::FileCopier::setWriteAheadEverywhere(
            QByteArray(QTest::currentDataTag()).startsWith("written ahead"));
        const auto everywhereOff =
            qScopeGuard([] { platform::FileCopier::setWriteAheadEverywhere(false); });
        // Five sources to the disk's root, each taking five of its sixteen
        // pages (three fit).
        Content files;
        QStringList paths;
        for (int k = 0; k < 5; ++k) {
            const QString name = QStringLiteral("f%1.bin").arg(k);
            QByteArray data(m_large ? LargeFile : 20000, char('a' + k));
            data.replace(0, 8, QByteArray::number(k).rightJustified(8, '#'));
            const QByteArray host = QFile::encodeName(m_sources->filePath(name));
            QVERIFY(writeHost(host, data));
            paths << platform::drive_path::fromHost(host).value();
            files.insert(name, data);
        }
        m_sel->select(paths, {m_root});
        Content first;
        const auto takeOut = [&] {
            first = contentOf(m_disk->path());
            m_user->check(m_disk->eject(), "eject failed");
        };
        const auto putIn = [&] {
            m_user->check(contentOf(m_disk->path()).isEmpty(), "written to the empty drive");
            m_user->check(m_disk->insertNew(), "insert failed");
        };
        const QString prompt = copyErrorPrompt(false);
        if (emptyDriveFirst) {
            m_user->expectBoxActing(takeOut, Answer::Retry, prompt);
            m_user->expectBoxActing(putIn, Answer::Retry, prompt);
        } else {
            m_user->expectBoxActing([&] { takeOut(), putIn(); }, Answer::Retry, prompt);
        }

        Status::instance().OkBtn_Click();

        const Content second = contentOf(m_disk->path());
        QCOMPARE(first.size(), 3);
        QCOMPARE(second.size(), 2);
        Content both = first;
        both.insert(second);
        QCOMPARE(both, files);
        QCOMPARE(contentOf(QFile::encodeName(m_sources->path())), files);
        QVERIFY(!Status::exists());
        QCOMPARE(m_sel->resets, 1);
    }
};

QTEST_MAIN(TestDiskSpanning)
#include "tst_disk_spanning.moc"
