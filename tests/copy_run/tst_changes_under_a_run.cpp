#include "copy_runs.h"
#include "host_files.h"
#include "network_shares.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "platform/files/file_copier.h"

#include <QtTest>

#include <atomic>

#include <fcntl.h>
#include <unistd.h>

using platform::Answer;

// What a copy run finds changed under it: a source rewritten while it is
// copied, a target folder made anew while the question is open.
class TestChangesUnderARun : public QObject, CopyRunFixture {
    Q_OBJECT
    std::unique_ptr<NetworkShares> m_net; // made for the first test that needs them

private Q_SLOTS:
    void init() { startCopyRun(); }
    void cleanup() {
        const QStringList problems = finishCopyRun();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }
    void cleanupTestCase() { m_net.reset(); }

    // The folder chosen is its path: deleted and made again while the
    // question is open, the copies land in the new one, without a box.
    void folderMadeAgainWhileAsked() {
        m_drives->makeFile(QStringLiteral("D:\\to\\a.txt"), Old);
        m_sel->select({A, B}, {QStringLiteral("D:\\to\\")});
        m_user->expectWindow(QStringLiteral("Overwrite"), [this](QDialog& w) {
            const QString to = QFile::decodeName(m_drives->host(QStringLiteral("D:\\to")));
            m_user->check(QDir(to).removeRecursively() && QDir().mkpath(to),
                          "the folder could not be made again");
            click(w, "Command3");
        });

        run();

        QCOMPARE(m_drives->read(QStringLiteral("D:\\to\\a.txt")), NewA);
        QCOMPARE(m_drives->read(QStringLiteral("D:\\to\\b.txt")), NewB);
        QVERIFY(ended());
    }

    // A file takes the target's name while the copy is made, after the
    // existence test found none there: it is asked about (Skip File here),
    // never replaced unasked.
    void fileAppearsWhileCopied_data() {
        QTest::addColumn<bool>("ahead");
        QTest::newRow("one at a time") << false;
        QTest::newRow("written ahead") << true;
    }
    void fileAppearsWhileCopied() {
        QFETCH(bool, ahead);
        platform::FileCopier::setWriteAheadEverywhere(ahead);
        const QString folder = m_drives->mkdir(QStringLiteral("D:\\to\\"));
        const QByteArray appeared = m_drives->host(QStringLiteral("D:\\to\\a.txt"));
        int moves = 0;
        platform::FileCopier::setMoveHook([&] {
            if (moves++ == 0)
                m_user->check(writeHost(appeared, Old), "no file appeared");
        });
        const auto noHook = qScopeGuard([] {
            platform::FileCopier::setMoveHook({});
            platform::FileCopier::setWriteAheadEverywhere(false);
        });
        m_user->expectWindow(QStringLiteral("Overwrite"), [](QDialog& w) { click(w, "Command4"); });
        m_sel->select({A}, {folder});

        run();

        QCOMPARE(entriesOf(m_drives->host(QStringLiteral("D:\\to"))), QStringList{"a.txt"});
        QCOMPARE(readHost(appeared), Old);
        QVERIFY(ended());
    }

    // A source that changes while it is copied (the copier's own hook
    // changes it once its first bytes have moved, so nothing depends on
    // timing): the copy fails with the box and nothing is in the target's
    // folder, not even a temporary; Retry copies the file as it is now.
    // Small files are copied inline, large ones (sparse here) on the worker;
    // on a share the source's times are whole seconds.
    void changingSource_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("where");
        for (const char* where : {"inline", "worker", "share"})
            for (const char* change : {"append", "rewrite", "truncate", "replace"})
                QTest::addRow("%s, %s", change, where) << change << where;
        QTest::newRow("rewrite, written ahead") << "rewrite" << "written ahead";
    }
    void changingSource() {
        QFETCH(QString, change);
        QFETCH(QString, where);
        static int round = 0;
        const QByteArray name = "f" + QByteArray::number(++round) + ".bin";
        const bool share = where == QLatin1String("share");
        if (share) {
            if (!m_net)
                m_net = std::make_unique<NetworkShares>(2);
            SKIP_UNLESS_SHARES(*m_net);
            platform::DriveTable::instance().useHost();
        }
        // On a share, a folder of its own per case, made through the mount:
        // sshfs knows it is empty.
        const QByteArray sourceHost =
            (share ? m_net->mountPoint(0) : m_drives->host(QStringLiteral("C:\\src"))) + '/' + name;
        const QByteArray folderHost = share
                                          ? m_net->mountPoint(1) + "/to" + QByteArray::number(round)
                                          : m_drives->host(QStringLiteral("D:\\to"));
        QVERIFY(QDir().mkpath(QFile::decodeName(folderHost)));
        const QString source = platform::drive_path::fromHost(sourceHost).value();
        const QString folder = platform::drive_path::fromHost(folderHost).value() + u'\\';
        const qint64 M = 1024 * 1024;
        QVERIFY(where == QLatin1String("worker") ? makeSparse(sourceHost, {9 * M, 0, M, 8 * M, M})
                                                 : writeHost(sourceHost, randomBytes(100 * 1024)));
        std::atomic<int> moves{0};
        platform::FileCopier::setMoveHook([&] {
            if (moves++ != 0)
                return;
            bool changed = false;
            if (change == QLatin1String("append")) {
                QFile f(QFile::decodeName(sourceHost));
                changed = f.open(QIODevice::Append) && f.write("appended") == 8;
            } else if (change == QLatin1String("rewrite")) {
                const int fd = ::open(sourceHost.constData(), O_WRONLY | O_CLOEXEC);
                changed = fd >= 0 && ::pwrite(fd, "REWRITTEN", 9, 0) == 9 && ::close(fd) == 0;
            } else if (change == QLatin1String("truncate")) {
                changed = ::truncate(sourceHost.constData(), 1000) == 0;
            } else {
                changed = writeHost(sourceHost + ".new", "the new one") &&
                          ::rename(QByteArray(sourceHost + ".new").constData(),
                                   sourceHost.constData()) == 0;
            }
            m_user->check(changed, "the source could not be changed");
        });
        const auto noHook = qScopeGuard([] { platform::FileCopier::setMoveHook({}); });
        m_sel->select({source}, {folder});
        // Written ahead of its turn and changed under that, the copy is made
        // again at its turn, from the source as it is then.
        const bool ahead = where == QLatin1String("written ahead");
        platform::FileCopier::setWriteAheadEverywhere(ahead);
        const auto everywhereOff =
            qScopeGuard([] { platform::FileCopier::setWriteAheadEverywhere(false); });
        if (ahead) {
            // An old file there: the run stops to ask, and goes on once the
            // copy written ahead has met the change.
            QVERIFY(writeHost(folderHost + '/' + name, Old));
            m_user->expectWindow(QStringLiteral("Overwrite"), [&](QDialog& w) {
                const QDeadlineTimer patience(10'000);
                while (moves == 0 && !patience.hasExpired())
                    QThread::msleep(5);
                QThread::msleep(50); // the worker's copy fails on the change
                click(w, "Command3");
            });
        } else {
            m_user->expectBoxActing(
                [&] { m_user->check(entriesOf(folderHost).isEmpty(), "a copy was left behind"); },
                Answer::Retry, copyErrorPrompt(false));
        }

        run();

        QCOMPARE(moves, 2);
        QCOMPARE(entriesOf(folderHost), QStringList{QString::fromLatin1(name)});
        QVERIFY(readHost(folderHost + '/' + name) == readHost(sourceHost));
        QVERIFY(ended());
    }
};

QTEST_MAIN(TestChangesUnderARun)
#include "tst_changes_under_a_run.moc"
