#include "copy_runs.h"
#include "host_files.h"
#include "network_shares.h"
#include "tmpfs_volume.h"

#include "copy_run/status.h"
#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "platform/files/file_copier.h"

#include <QtTest>

#include <atomic>

#include <sys/stat.h>

using platform::Answer;

namespace {

// What a copy must keep of its source.
struct Kept {
    QByteArray content;
    mode_t mode = 0;
    timespec mtime{};
};

const QByteArray Old("old content, on the share");
const QString A = QStringLiteral("a.txt"), B = QStringLiteral("b.bin");

} // namespace

// Copying into folders on network shares served by a real sshd on this
// machine and mounted with sshfs under /mnt, where they are drives: the
// copies, replacing, a connection lost before or during a run, a share that
// stops answering. One server and two shares for all cases; each case starts
// on freshly mounted shares. Needs root, sshd, sshfs and FUSE; skips
// elsewhere, saying why.
class TestNetworkShares : public QObject {
    Q_OBJECT
    std::unique_ptr<NetworkShares> m_net;
    QTemporaryDir m_sources; // on the host's root file system
    QMap<QString, Kept> m_files;
    QString m_root[2]; // the shares' drive roots ("E:\")
    std::unique_ptr<ActingUser> m_user;
    std::unique_ptr<SelectionControls> m_sel;

    QByteArray served(int share, const QString& name = {}) const {
        const QByteArray drop = m_net->served(share) + "/drop";
        return name.isEmpty() ? drop : drop + '/' + name.toUtf8();
    }
    QString folder(int share) const { return m_root[share] + QStringLiteral("drop\\"); }
    // Puts an old file at a target's name, through the mount as a user
    // would, or behind sshfs's back on the server's side.
    void putOld(int share, const QString& name, bool onServer = false) {
        const QByteArray at =
            onServer ? served(share, name) : m_net->mountPoint(share) + "/drop/" + name.toUtf8();
        QVERIFY(writeHost(at, Old, 0600, {1000000000, 0}));
    }
    // What the server holds in share's folder, less the run's folders of
    // copies written ahead, which a share whose connection was lost keeps
    // until it is back (never anything under a target's name).
    QStringList withoutRunFolders(int share) {
        QStringList names = entriesOf(served(share));
        names.removeIf(
            [](const QString& n) { return n.startsWith(QLatin1String(".pelmora-run-")); });
        return names;
    }
    // Each folder holds exactly these files, as the sources are (S), old (O);
    // `lost`: share 0 never came back during the run.
    void verifyTargets(const QString& expected, bool lost = false) {
        const QStringList perShare = expected.split(QLatin1Char(' '));
        for (int i = 0; i < 2; ++i) {
            QStringList names;
            for (const QString& file : {A, B}) {
                const QChar what = perShare.at(i).at(file == A ? 0 : 1);
                if (what == u'-')
                    continue;
                names << file;
                struct stat st;
                QVERIFY(::stat(served(i, file).constData(), &st) == 0);
                const Kept& want = m_files.value(file);
                QCOMPARE(readHost(served(i, file)), what == u'S' ? want.content : Old);
                if (what == u'O')
                    continue;
                QCOMPARE(mode_t(st.st_mode & 07777), want.mode);
                // SFTP carries modification times in whole seconds.
                QCOMPARE(st.st_mtim.tv_sec, want.mtime.tv_sec);
                QCOMPARE(st.st_mtim.tv_nsec, 0L);
            }
            // nothing temporary left
            QCOMPARE(lost && i == 0 ? withoutRunFolders(i) : entriesOf(served(i)), names);
        }
    }
    void run() {
        m_sel->select(
            {platform::drive_path::fromHost(QFile::encodeName(m_sources.filePath(A))).value(),
             platform::drive_path::fromHost(QFile::encodeName(m_sources.filePath(B))).value()},
            {folder(0), folder(1)});
        Status::instance().OkBtn_Click();
    }

private Q_SLOTS:
    void initTestCase() {
        m_net = std::make_unique<NetworkShares>(2);
        SKIP_UNLESS_SHARES(*m_net);
        QVERIFY(m_sources.isValid());
        // A whole-second time and one with a fraction; odd permission bits.
        m_files = {{A, {"alpha\n", 0640, {1577934245, 0}}},
                   {B, {randomBytes(300 * 1024), 0755, {1262347200, 500000000}}}};
        for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
            QVERIFY(writeHost(QFile::encodeName(m_sources.filePath(it.key())), it->content,
                              it->mode, it->mtime));
    }
    void cleanupTestCase() { m_net.reset(); }

    // Fresh shares with an empty folder "drop"; a "drop" folder in each bare
    // mount point too, where nothing may ever be written.
    void init() {
        QVERIFY(m_net);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(m_net->unmount(i));
            QDir(QFile::decodeName(m_net->served(i))).removeRecursively();
            QVERIFY(QDir().mkpath(QFile::decodeName(served(i))));
            QVERIFY(QDir().mkpath(QFile::decodeName(m_net->mountPoint(i) + "/drop")));
        }
        for (int i = 0; i < 2; ++i)
            QVERIFY(m_net->mount(i));
        platform::DriveTable::instance().useHost();
        for (int i = 0; i < 2; ++i) {
            m_root[i] = readyDriveRoot(m_net->mountPoint(i));
            QVERIFY2(!m_root[i].isEmpty(), "the drive table has no letter for a mounted share");
        }
        m_user = std::make_unique<ActingUser>();
        m_sel = std::make_unique<SelectionControls>();
    }
    void cleanup() {
        QStringList problems = endCopyRun(m_sel, m_user);
        for (int i = 0; m_net && i < 2; ++i) {
            m_net->unmount(i);
            if (!entriesOf(m_net->mountPoint(i) + "/drop").isEmpty())
                problems << QStringLiteral("written into the bare mount point of share %1").arg(i);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }
    // Another machine writes a file after the folder was listed here: it is
    // asked about and replaced. (New targets: the rows of connectionLost.)
    void replacesAFileTheServerHasJustWritten() {
        entriesOf(m_net->mountPoint(0) + "/drop"); // sshfs caches the empty listing
        putOld(0, B, true);
        m_user->expectWindow(QStringLiteral("Overwrite"), [](QDialog& w) { click(w, "Command2"); });

        run();

        QVERIFY(!Status::exists());
        QCOMPARE(m_sel->resets, 1);
        verifyTargets(QStringLiteral("SS SS"));
    }

    // The connection of the first share is cut before the run (its first
    // copy fails) or during it, while the question about b.bin is open.
    void connectionLost_data() {
        QTest::addColumn<bool>("during");
        QTest::addColumn<QString>("cut"); // killed, dropped
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("diskMeanwhile"); // a disk is put in while the share is gone
        const auto row = [](const char* name, bool during, const char* cut, Answer answer,
                            const char* result, bool disk = false) {
            QTest::newRow(name) << during << QString::fromLatin1(cut) << answer
                                << QString::fromLatin1(result) << disk;
        };
        row("before, sshfs killed, Ignore", false, "killed", Answer::Ignore, "-- SS");
        row("before, connection dropped, a disk put in, Retry", false, "dropped", Answer::Retry,
            "SS SS", true);
        row("during, sshfs killed, Retry", true, "killed", Answer::Retry, "SS SS");
        row("during, connection dropped, Ignore", true, "dropped", Answer::Ignore, "SO SS");
        row("during, sshfs killed, Abort", true, "killed", Answer::Abort, "SO --");
    }
    void connectionLost() {
        QFETCH(bool, during);
        QFETCH(QString, cut);
        QFETCH(Answer, answer);
        QFETCH(QString, result);
        QFETCH(bool, diskMeanwhile);
        std::unique_ptr<TmpfsVolume> disk;
        if (during)
            putOld(0, B);
        const auto cutShare = [&] {
            if (cut == QLatin1String("killed"))
                m_user->check(m_net->kill(0), "killing sshfs failed");
            else
                m_user->check(m_net->drop(0), "dropping the connection failed");
        };
        const auto restore = [&] {
            if (diskMeanwhile) {
                disk = std::make_unique<TmpfsVolume>();
                platform::DriveTable::instance().refresh(); // the drive list opened meanwhile
            }
            m_user->check(m_net->unmount(0) && m_net->mount(0), "mounting again failed");
        };
        if (during) {
            m_user->expectWindow(QStringLiteral("Overwrite"), [&](QDialog& w) {
                cutShare();
                click(w, "Command3");
            });
        } else {
            cutShare();
        }
        // Nothing half-written is under a name while the box is open.
        const auto retry = [&] {
            m_user->check(withoutRunFolders(0) == (during ? QStringList{A, B} : QStringList{}),
                          "a file was left on the share");
            restore();
        };
        if (answer == Answer::Retry) {
            m_user->expectBoxActing(retry, Answer::Retry, copyErrorPrompt(during));
            if (during) // b.bin is there again, old: asked about again
                m_user->expectWindow(QStringLiteral("Overwrite"),
                                     [](QDialog& w) { click(w, "Command3"); });
        } else {
            m_user->expectBox(answer, copyErrorPrompt(during));
            if (answer == Answer::Ignore && !during) // b.bin cannot go there either
                m_user->expectBox(Answer::Ignore, copyErrorPrompt(false));
        }

        run();

        QVERIFY(!Status::exists());
        QCOMPARE(m_sel->resets, 1);
        verifyTargets(result, answer != Answer::Retry);
        if (disk)
            QCOMPARE(entriesOf(disk->path()), QStringList());
    }

    // A share that stops answering in the middle of a run (its sshfs
    // stopped while a copy is made): the window is served all the while,
    // and once the share answers again the run ends with every file. This
    // share answers at once, so its copies are written ahead only when told.
    void stoppedMidRun_data() {
        QTest::addColumn<bool>("ahead");
        QTest::newRow("one at a time") << false;
        QTest::newRow("written ahead") << true;
    }
    void stoppedMidRun() {
        QFETCH(bool, ahead);
        platform::FileCopier::setWriteAheadEverywhere(ahead);
        QStringList sources, names;
        for (int k = 0; k < 30; ++k) {
            names << QStringLiteral("s%1.txt").arg(k);
            const QByteArray host = QFile::encodeName(m_sources.filePath(names.last()));
            QVERIFY(writeHost(host, "small file " + QByteArray::number(k)));
            sources << platform::drive_path::fromHost(host).value();
        }
        std::atomic<int> moves{0};
        std::atomic<bool> stopped{false}, resumed{false};
        platform::FileCopier::setMoveHook([&] {
            if (++moves == 10 && m_net->pause(0, true))
                stopped = true;
        });
        const auto noHook = qScopeGuard([] {
            platform::FileCopier::setMoveHook({});
            platform::FileCopier::setWriteAheadEverywhere(false);
        });
        int ticksWhileStopped = 0;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, this, [&] {
            if (stopped && !resumed && ++ticksWhileStopped == 20 && !resumed.exchange(true))
                m_net->pause(0, false);
        });
        // Should the window freeze, the share answers after a long while and
        // the test fails instead of hanging.
        const std::unique_ptr<QThread> fallback(QThread::create([&] {
            const QDeadlineTimer guard(20'000);
            while (!resumed && !guard.hasExpired())
                QThread::msleep(10);
            if (!resumed.exchange(true))
                m_net->pause(0, false);
        }));
        fallback->start();
        ticker.start();
        m_sel->select(sources, {folder(0)});

        Status::instance().OkBtn_Click();

        fallback->wait();
        QVERIFY(stopped);
        QCOMPARE(ticksWhileStopped, 20);
        names.sort();
        QCOMPARE(entriesOf(served(0)), names); // nothing else, nothing temporary
        for (int k = 0; k < 30; ++k)
            QCOMPARE(readHost(served(0, QStringLiteral("s%1.txt").arg(k))),
                     "small file " + QByteArray::number(k));
        QVERIFY(!Status::exists());
    }
};

QTEST_MAIN(TestNetworkShares)
#include "tst_network_shares.moc"
