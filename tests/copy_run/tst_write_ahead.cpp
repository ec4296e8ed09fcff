#include "copy_runs.h"
#include "host_files.h"
#include "temp_drives.h"
#include "tmpfs_volume.h"

#include "copy_run/status.h"
#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "platform/files/file_copier.h"

#include <QDir>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <sys/mount.h>
#include <sys/stat.h>

using platform::Answer;
using platform::FileCopier;

// Copies written ahead of their turn, as onto network shares (here onto
// every volume, by workers slowed down so that several copies are in flight
// whenever the run stops to ask): the run's steps are those of a run that
// copies one file at a time. After every box and at the end both target
// folders show the same names, and nothing of what was written ahead stays.
class TestWriteAhead : public QObject, CopyRunFixture {
    Q_OBJECT

    static constexpr int Files = 6;

    // The sources C:\in\f0.txt ... f5.txt, each with a time of the past.
    QStringList makeSources() {
        QStringList paths;
        for (int k = 0; k < Files; ++k) {
            const QString path = m_drives->makeFile(QStringLiteral("C:\\in\\f%1.txt").arg(k),
                                                    "file " + QByteArray::number(k));
            setOldTime(m_drives->host(path));
            paths << path;
        }
        return paths;
    }
    // The names each target folder shows, hidden ones left out.
    QString published() const {
        QStringList shown;
        for (const QString& folder : {QStringLiteral("D:\\one"), QStringLiteral("D:\\two")}) {
            QStringList names = entriesOf(m_drives->host(folder));
            names.removeIf([](const QString& n) { return n.startsWith(u'.'); });
            shown << folder + u':' + names.join(u',');
        }
        return shown.join(u' ');
    }

    // One run of the case; what the folders showed at each stop, then all
    // they hold at the end (hidden entries, modes, times and contents too).
    QStringList runCase(const QString& kase) {
        QStringList steps;
        const auto step = [&] { steps << published(); };
        const QStringList sources = makeSources();
        QStringList folders{m_drives->mkdir(QStringLiteral("D:\\one\\")),
                            m_drives->mkdir(QStringLiteral("D:\\two\\"))};
        const auto old = [&](const QString& path) { setOldTime(m_drives->host(m_drives->makeFile(path, Old))); };
        if (kase == QLatin1String("Abort at a file")) {
            // A folder: the copy-error box.
            setOldTime(m_drives->host(m_drives->mkdir(QStringLiteral("D:\\one\\f3.txt"))));
            m_user->expectBoxActing(step, Answer::Abort, copyErrorPrompt(false));
        } else if (kase.endsWith(QLatin1String("at the question"))) {
            old(QStringLiteral("D:\\two\\f1.txt"));
            const char* button = kase.startsWith(QLatin1String("Cancel")) ? "Command1" : "Command4";
            m_user->expectWindow(QStringLiteral("Overwrite"), [=](QDialog& w) {
                step();
                click(w, button);
            });
        } else if (kase == QLatin1String("the same file")) {
            folders.insert(1, QStringLiteral("C:\\in\\"));
            m_user->expectBoxActing(step, Answer::Ok);
        }
        m_sel->select(sources, folders);
        run();
        step();
        for (const QString& folder : {QStringLiteral("D:\\one"), QStringLiteral("D:\\two"), QStringLiteral("C:\\in")})
            steps << snapshot(m_drives->host(folder));
        return steps;
    }

private Q_SLOTS:
    void init() {
        startCopyRun();
        // Each copy's bytes take a while: the workers are still writing
        // when the run stops.
        FileCopier::setMoveHook([] { QThread::msleep(20); });
    }
    void cleanup() {
        FileCopier::setMoveHook({});
        FileCopier::setWriteAheadEverywhere(false);
        const QStringList problems = finishCopyRun();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    void sameStepsAsOneAtATime_data() {
        QTest::addColumn<QString>("kase");
        for (const char* kase : {"Abort at a file", "Cancel at the question",
                                 "Skip File at the question", "the same file", "no stop"})
            QTest::newRow(kase) << QString::fromLatin1(kase);
    }
    void sameStepsAsOneAtATime() {
        QFETCH(QString, kase);
        const QStringList oneAtATime = runCase(kase);
        QStringList problems = finishCopyRun();
        startCopyRun();
        FileCopier::setWriteAheadEverywhere(true);

        const QStringList ahead = runCase(kase);

        QCOMPARE(ahead, oneAtATime);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // Written ahead, then changed before its turn (while the question about
    // it is open): the source, or the disk the copy was written to. The copy
    // is made again from the source as it is; nothing stale is published.
    void changedBeforeItsTurn_data() {
        QTest::addColumn<bool>("swapDisk");
        QTest::newRow("source rewritten") << false;
        QTest::newRow("disk swapped") << true;
    }
    void changedBeforeItsTurn() {
        QFETCH(bool, swapDisk);
        FileCopier::setWriteAheadEverywhere(true);
        FileCopier::setMoveHook({});
        std::unique_ptr<TmpfsVolume> disk;
        QString folder = m_drives->mkdir(QStringLiteral("D:\\one\\"));
        QByteArray folderHost = m_drives->host(QStringLiteral("D:\\one"));
        if (swapDisk) {
            disk = std::make_unique<TmpfsVolume>();
            SKIP_UNLESS_TMPFS(*disk);
            platform::DriveTable::instance().useHost();
            folder = readyDriveRoot(disk->path());
            folderHost = disk->path();
        }
        const QByteArray sourceHost = m_drives->host(makeSources().at(0));
        const QString source = platform::drive_path::fromHost(sourceHost).value();
        QVERIFY(writeHost(folderHost + "/f0.txt", Old));
        m_user->expectWindow(QStringLiteral("Overwrite"), [&](QDialog& w) {
            // The copy is there, written ahead (its time set last), before
            // anything changes.
            const auto temporaries = [&] {
                QList<QByteArray> found;
                for (const QString& run : entriesOf(folderHost)) {
                    const QByteArray dir = folderHost + '/' + QFile::encodeName(run);
                    if (run.startsWith(QLatin1String(".pelmora-run-")))
                        for (const QString& name : entriesOf(dir))
                            found << dir + '/' + QFile::encodeName(name);
                }
                return found;
            };
            const auto written = [&] {
                struct stat st {};
                const QList<QByteArray> t = temporaries();
                return t.size() == 1 && ::stat(t.first().constData(), &st) == 0 &&
                       st.st_mtim.tv_sec == OldTime.tv_sec && st.st_mtim.tv_nsec == OldTime.tv_nsec;
            };
            const QDeadlineTimer patience(10'000);
            while (!written() && !patience.hasExpired())
                QThread::msleep(5);
            QThread::msleep(50); // closed, and taken for written
            m_user->check(written(), "nothing was written ahead");
            if (swapDisk) {
                m_user->check(disk->eject(MNT_DETACH) && disk->insertNew(), "the disk swap failed");
                m_user->check(writeHost(folderHost + "/f0.txt", Old), "no old file on the new disk");
            } else {
                m_user->check(writeHost(sourceHost, "file 0, rewritten"),
                              "the source could not be rewritten");
            }
            click(w, "Command3");
        });
        m_sel->select({source}, {folder});

        run();

        QCOMPARE(entriesOf(folderHost), QStringList{QStringLiteral("f0.txt")});
        QCOMPARE(readHost(folderHost + "/f0.txt"), readHost(sourceHost));
        QVERIFY(ended());
    }
};

QTEST_MAIN(TestWriteAhead)
#include "tst_write_ahead.moc"
