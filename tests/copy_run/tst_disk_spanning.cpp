#include "copy_run_fixture.h"

#include "platform/drive_path.h"
#include "platform/drive_table.h"
#include "temp_drives.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>
#include <unistd.h>

using platform::Answer;

namespace {

// A small removable disk: a tmpfs mounted on a fresh folder under /mnt,
// which the drive table takes for a drive. Always unmounted at the end.
class Disk {
public:
    explicit Disk(QByteArray size)
        : m_size(std::move(size)) {
        char pattern[] = "/mnt/pelmora-disk.XXXXXX";
        if (::mkdtemp(pattern))
            m_mountPoint = pattern;
    }
    ~Disk() {
        while (m_mounted && eject()) {
        }
        if (!m_mountPoint.isEmpty())
            ::rmdir(m_mountPoint.constData());
    }
    Disk(const Disk&) = delete;
    Disk& operator=(const Disk&) = delete;

    const QByteArray& mountPoint() const { return m_mountPoint; }

    // Puts a fresh, empty disk in.
    bool insert() {
        const QByteArray options = "size=" + m_size + ",mode=0755";
        if (::mount("tmpfs", m_mountPoint.constData(), "tmpfs", 0, options.constData()) != 0)
            return false;
        m_mounted = true;
        return true;
    }
    bool eject() {
        if (::umount2(m_mountPoint.constData(), 0) != 0)
            return false;
        m_mounted = false;
        return true;
    }
    bool writeProtect(bool on) {
        const unsigned long flags = MS_REMOUNT | (on ? MS_RDONLY : 0);
        return ::mount("tmpfs", m_mountPoint.constData(), "tmpfs", flags, nullptr) == 0;
    }

    // Every entry on the disk, hidden ones too, with its content.
    QMap<QString, QByteArray> content() const {
        QMap<QString, QByteArray> all;
        const QString root = QFile::decodeName(m_mountPoint);
        const QStringList names = QDir(root).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            QFile f(root + QLatin1Char('/') + name);
            all.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<folder>"));
        }
        return all;
    }
    bool write(const QString& name, const QByteArray& data) const {
        QFile f(QFile::decodeName(m_mountPoint) + QLatin1Char('/') + name);
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }

private:
    QByteArray m_size;
    QByteArray m_mountPoint;
    bool m_mounted = false;
};

// The drive letter the host's drive table gave to a mount point.
QString rootOfDrive(const QByteArray& mountPoint) {
    for (const platform::Drive& d : platform::DriveTable::instance().drives())
        if (d.hostRoot == mountPoint && d.ready)
            return platform::drive_path::rootOf(d.letter);
    return {};
}

QByteArray pattern(int k, int size) {
    QByteArray data(size, char('a' + k));
    data.replace(0, 8, QByteArray::number(k).rightJustified(8, '#'));
    return data;
}

} // namespace

// Spreading files over several disks: a full or write-protected disk, a
// new disk put in while the copy-error box is open, and Retry going on
// there. Mounting needs root; elsewhere these tests skip.
class TestDiskSpanning : public QObject {
    Q_OBJECT

    QTemporaryDir m_sources;           // on C:, the host's root file system
    QMap<QString, QByteArray> m_files; // drive-letter path -> content

    // Source files on C:, named f0.bin, f1.bin, ...
    QStringList makeSources(int count, int size) {
        QStringList paths;
        for (int k = 0; k < count; ++k) {
            const QString host = m_sources.path() + QStringLiteral("/f%1.bin").arg(k);
            QFile f(host);
            if (!f.open(QIODevice::WriteOnly) || f.write(pattern(k, size)) != size)
                return {};
            f.close();
            const auto path = platform::drive_path::fromHost(QFile::encodeName(host));
            if (!path.ok())
                return {};
            paths << path.value();
            m_files.insert(path.value(), pattern(k, size));
        }
        return paths;
    }

private Q_SLOTS:
    void initTestCase() {
        if (!runningAsRoot())
            QSKIP("mounting a small disk (tmpfs) needs root; these tests run in CI");
        platform::DriveTable::instance().useHost();
        QVERIFY(m_sources.isValid());
    }
    void cleanup() {
        if (Status::exists())
            delete &Status::instance();
        discardClosedWindows();
        m_files.clear();
    }

    // A full disk, then a new disk and Retry: every file lands whole on
    // exactly one of the disks, and nothing half-written is left anywhere.
    void newDiskAfterAFullOne_data() {
        QTest::addColumn<bool>("emptyDriveFirst");
        QTest::newRow("new disk at once") << false;
        QTest::newRow("Retry with the drive still empty") << true;
    }
    void newDiskAfterAFullOne() {
        QFETCH(bool, emptyDriveFirst);
        Disk disk("64k");
        QVERIFY(disk.insert());
        const QString root = rootOfDrive(disk.mountPoint());
        QVERIFY2(!root.isEmpty(), "the drive table has no letter for the mounted disk");
        // 20,000 bytes take five of the disk's sixteen pages: three fit.
        const QStringList sources = makeSources(5, 20000);
        QCOMPARE(sources.size(), 5);

        ActingUser user;
        SelectionControls sel;
        sel.select(sources, {root});
        QMap<QString, QByteArray> first;
        QStringList trouble;
        const QString prompt =
            QStringLiteral("Disk Full Or Write Protected Disk!\r\nAbort To Cancel.\r\n"
                           "Retry (Insert New Disk).\r\nIgnore To Skip File.");
        const auto takeOut = [&] {
            first = disk.content();
            if (!disk.eject())
                trouble << "eject failed";
        };
        const auto putIn = [&] {
            // Nothing may have gone into the bare mount folder meanwhile.
            if (!disk.content().isEmpty())
                trouble << "written to the empty drive: " + disk.content().keys().join(u',');
            if (!disk.insert())
                trouble << "insert failed";
        };
        if (emptyDriveFirst) {
            user.expectBoxActing(takeOut, Answer::Retry, prompt);
            user.expectBoxActing(putIn, Answer::Retry, prompt);
        } else {
            user.expectBoxActing(
                [&] {
                    takeOut();
                    putIn();
                },
                Answer::Retry, prompt);
        }

        Status::instance().OkBtn_Click();

        QVERIFY2(trouble.isEmpty(), qPrintable(trouble.join(u'\n')));
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
        const QMap<QString, QByteArray> second = disk.content();
        QCOMPARE(first.size(), 3);
        QCOMPARE(second.size(), 2);
        for (const QString& source : sources) {
            const QString name = platform::drive_path::nameOf(source);
            QVERIFY2(first.contains(name) != second.contains(name), qPrintable(name));
            QCOMPARE(first.contains(name) ? first.value(name) : second.value(name),
                     m_files.value(source));
        }
        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
    }

    // A write-protected disk: the question was answered, the copy fails;
    // the protection is taken off and Retry asks again and copies.
    void writeProtectedDisk() {
        Disk disk("1m");
        QVERIFY(disk.insert());
        const QString root = rootOfDrive(disk.mountPoint());
        QVERIFY(!root.isEmpty());
        const QStringList sources = makeSources(3, 1000);
        QCOMPARE(sources.size(), 3);
        QVERIFY(disk.write(QStringLiteral("f0.bin"), "old"));

        ActingUser user;
        SelectionControls sel;
        sel.select(sources, {root});
        QStringList trouble;
        user.expectWindow(QStringLiteral("Overwrite"), [&](QDialog& w) {
            if (!disk.writeProtect(true))
                trouble << "remount read-only failed";
            click(w, "Command3");
        });
        user.expectBoxActing(
            [&] {
                if (disk.content().value(QStringLiteral("f0.bin")) != "old")
                    trouble << "the old target changed";
                if (!disk.writeProtect(false))
                    trouble << "remount writable failed";
            },
            Answer::Retry,
            QStringLiteral("Disk Full Or Write Protected Disk!\r\nAbort to Cancel.\r\n"
                           "Retry (Insert New Disk).\r\nIgnore to Skip File."));
        user.expectWindow(QStringLiteral("Overwrite"), [](QDialog& w) { click(w, "Command3"); });

        Status::instance().OkBtn_Click();

        QVERIFY2(trouble.isEmpty(), qPrintable(trouble.join(u'\n')));
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
        QMap<QString, QByteArray> expected;
        for (const QString& source : sources)
            expected.insert(platform::drive_path::nameOf(source), m_files.value(source));
        QCOMPARE(disk.content(), expected);
    }

    // Replacing a file on a disk too full for the new one keeps the old.
    void fullDiskKeepsTheOldTarget_data() {
        QTest::addColumn<Answer>("answer");
        QTest::newRow("Ignore") << Answer::Ignore;
        QTest::newRow("Abort") << Answer::Abort;
    }
    void fullDiskKeepsTheOldTarget() {
        QFETCH(Answer, answer);
        Disk disk("64k");
        QVERIFY(disk.insert());
        const QString root = rootOfDrive(disk.mountPoint());
        QVERIFY(!root.isEmpty());
        const QStringList sources = makeSources(1, 20000);
        QCOMPARE(sources.size(), 1);
        const QByteArray old(16000, 'o');
        const QByteArray filler(40000, 'x');
        QVERIFY(disk.write(QStringLiteral("f0.bin"), old));
        QVERIFY(disk.write(QStringLiteral("filler"), filler));

        platform::ScriptedUser user;
        SelectionControls sel;
        sel.select(sources, {root});
        sel.check1->setChecked(true); // replace without asking
        user.expectBox(answer);

        Status::instance().OkBtn_Click();

        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
        const QMap<QString, QByteArray> after{{QStringLiteral("f0.bin"), old},
                                              {QStringLiteral("filler"), filler}};
        QCOMPARE(disk.content(), after);
        QVERIFY(!Status::exists());
    }
};

QTEST_MAIN(TestDiskSpanning)
#include "tst_disk_spanning.moc"
