#include "acting_user.h"
#include "host_files.h"
#include "network_shares.h"
#include "selection_controls.h"
#include "temp_drives.h"

#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"

#include <QtTest>

#include <atomic>

using platform::Answer;

// Browsing a network share whose server has stopped answering (its sshfs
// stopped, so every call into the mount waits): each browsing handler waits
// for it with the windows served (a timer keeps ticking on this thread), and
// ends with the listing once the share answers again, or as for a drive
// that is not ready or a folder that cannot be listed when the connection
// ends meanwhile. Needs root, sshd, sshfs and FUSE; skips elsewhere.
class TestBrowsingShares : public QObject {
    Q_OBJECT
    std::unique_ptr<NetworkShares> m_net;
    QTemporaryDir m_local; // on the host's root file system
    QString m_localPath, m_root, m_sub;
    std::unique_ptr<ActingUser> m_user;
    std::unique_ptr<SelectionControls> m_sel;

    // What the browsing handlers change.
    QString shown() const {
        return QStringList{m_sel->dir1->path(), m_sel->file1->path(), m_sel->listed().join(u','),
                           m_sel->dir2->path(),
                           SelectionControls::entries(m_sel->selFileList).join(u',')}
            .join(u'|');
    }

private Q_SLOTS:
    void initTestCase() {
        m_net = std::make_unique<NetworkShares>(1);
        SKIP_UNLESS_SHARES(*m_net);
        const QByteArray served = m_net->served(0);
        QVERIFY(QDir().mkpath(QFile::decodeName(served + "/sub")));
        for (const QByteArray name : {"a.txt", "b.txt", "sub/c.txt"})
            QVERIFY(writeHost(served + '/' + name, name));
        QVERIFY(writeHost(QFile::encodeName(m_local.filePath(QStringLiteral("l.txt")))));
        m_localPath = platform::drive_path::fromHost(QFile::encodeName(m_local.path())).value();
    }
    void cleanupTestCase() { m_net.reset(); }

    // Mounted afresh, with no attributes kept by the kernel: a length read
    // right after the listing must reach sshfs too.
    void init() {
        QVERIFY(m_net);
        QVERIFY(m_net->unmount(0));
        QVERIFY(
            m_net->mount(0, {QStringLiteral("attr_timeout=0"), QStringLiteral("entry_timeout=0")}));
        platform::DriveTable::instance().useHost();
        m_root = readyDriveRoot(m_net->mountPoint(0));
        QVERIFY(!m_root.isEmpty());
        m_sub = m_root + QStringLiteral("sub");
        m_user = std::make_unique<ActingUser>();
        m_sel = std::make_unique<SelectionControls>();
        QVERIFY(m_sel->open1(m_localPath));
        QVERIFY(m_sel->dir2->setPath(m_localPath).ok());
        m_sel->drive1->setDriveOf(m_localPath);
        m_sel->drive2->setDriveOf(m_localPath);
    }
    void cleanup() {
        if (m_net)
            m_net->pause(0, false); // should the handler have been stuck
        m_sel.reset();
        if (m_user)
            QVERIFY2(m_user->problems().isEmpty(), qPrintable(m_user->problems().join(u'\n')));
        m_user.reset();
    }

    // Each handler from where it starts, and what the browsers show and the
    // selection holds afterwards: Dir1|File1|its files|Dir2|SelFileList, with
    // %R the share's root, %S its folder "sub" and %L a folder on this machine.
    void handlerWaitsServingTheWindows_data() {
        QTest::addColumn<bool>("connectionEnds");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* handler, const char* after, bool ends = false) {
            QTest::addRow("%s%s", handler, ends ? ", sshfs killed" : "")
                << ends << QString::fromLatin1(after);
        };
        row("Drive1_Change", "%R|%R|a.txt,b.txt|%L|");
        row("Dir1_Change", "%S|%S|c.txt|%L|");
        row("File1_Click", "%R|%R|a.txt,b.txt|%L|%Ra.txt");
        row("AllFileBtn_Click", "%R|%R|a.txt,b.txt|%L|%Ra.txt,%Rb.txt");
        row("Drive2_Change", "%L|%L|l.txt|%R|");
        row("Dir2 opens", "%L|%L|l.txt|%S|");
        // As for a drive that is not ready (the box), and for a folder that
        // cannot be listed (silently back to the folder File1 lists).
        row("Drive2_Change", "%L|%L|l.txt|%L|", true);
        row("Dir1_Change", "%L|%L|l.txt|%L|", true);
    }
    void handlerWaitsServingTheWindows() {
        QFETCH(bool, connectionEnds);
        QFETCH(QString, after);
        const QString handler = QString::fromLatin1(QTest::currentDataTag()).section(u',', 0, 0);
        SelectionControls& s = *m_sel;
        // Where each handler starts from, set while the share answers.
        if (handler == QLatin1String("Dir1_Change")) {
            const QSignalBlocker quiet(s.dir1);
            QVERIFY(s.dir1->setPath(m_sub).ok());
        } else if (handler.startsWith(QLatin1String("File1")) ||
                   handler.startsWith(QLatin1String("AllFile"))) {
            QVERIFY(s.open1(m_root));
            const QSignalBlocker quiet(s.file1);
            s.file1->setCurrentRow(0); // a.txt
        } else if (handler == QLatin1String("Dir2 opens")) {
            QVERIFY(s.dir2->setPath(m_root).ok());
            QVERIFY(s.highlight2(m_sub));
        }
        const QString before = shown();
        QVERIFY(m_net->pause(0, true));

        // The share answers again (or its connection ends) once the timer has
        // ticked three times inside the handler; a thread lets it answer after
        // a long while, so that a frozen handler fails instead of hanging.
        std::atomic<bool> resumed{false};
        bool inHandler = false, resumedByTimer = false, unchangedTillThen = false;
        bool handlersHeld = false; // what a screen reader presses waits for the end
        int ticks = 0;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, this, [&] {
            if (!inHandler || ++ticks != 3 || resumed.exchange(true))
                return;
            resumedByTimer = true;
            unchangedTillThen = shown() == before;
            handlersHeld = m_sel->state.runOn();
            if (connectionEnds)
                m_user->check(m_net->kill(0), "killing sshfs failed");
            else
                m_net->pause(0, false);
        });
        const std::unique_ptr<QThread> fallback(QThread::create([&] {
            const QDeadlineTimer guard(20'000);
            while (!resumed.load() && !guard.hasExpired())
                QThread::msleep(10);
            if (!resumed.exchange(true))
                m_net->pause(0, false);
        }));
        fallback->start();
        ticker.start();
        if (connectionEnds && handler == QLatin1String("Drive2_Change"))
            m_user->expectBox(Answer::Ok, QStringLiteral("Drive Not Ready"));

        const QHash<QString, std::function<void()>> handlers{
            {"Drive1_Change", [&] { s.drive1->setDriveOf(m_root); }},
            {"Drive2_Change", [&] { s.drive2->setDriveOf(m_root); }},
            {"Dir1_Change", [&] { s.files.Dir1_Change(); }},
            {"File1_Click", [&] { s.files.File1_Click(); }},
            {"AllFileBtn_Click", [&] { s.files.AllFileBtn_Click(); }},
            {"Dir2 opens", [&] { QTest::keyClick(s.dir2, Qt::Key_Return); }}};
        inHandler = true;
        handlers.value(handler)();
        inHandler = false;
        resumed = true;
        fallback->wait();

        QVERIFY2(resumedByTimer, "the window was not served while the handler waited");
        QVERIFY(unchangedTillThen);
        QVERIFY(handlersHeld);
        QCOMPARE(shown(),
                 after.replace("%S", m_sub).replace("%R", m_root).replace("%L", m_localPath));
        for (const platform::MessageBox& box : m_user->boxes())
            QCOMPARE(box.title, QStringLiteral("Drive Error"));
    }
};

QTEST_MAIN(TestBrowsingShares)
#include "tst_browsing_shares.moc"
