#include "copy_runs.h"
#include "host_files.h"

#include "copy_run/overwrite.h"
#include "copy_run/status.h"
#include "platform/files/file_copier.h"
#include "platform/formats.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

#include <atomic>

#include <unistd.h>

using platform::Answer;
using L = QStringList;

namespace {

const QString All = QStringLiteral("Command2"), File = QStringLiteral("Command3"),
              Skip = QStringLiteral("Command4"), Cancel = QStringLiteral("Command1");

// Answers a question or closes a window: a button's name, "close" (the
// frame), "enter" (on the focused button), "escape X": Escape, which must
// leave the window open, then X, or "quit X": the progress window's frame
// closed first (which must not end the run), then X.
void act(QDialog& w, const QString& how) {
    if (how.startsWith(QLatin1String("escape "))) {
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY2(w.isVisible(), "Escape closed the window");
        act(w, how.section(u' ', 1));
    } else if (how.startsWith(QLatin1String("quit "))) {
        Status::instance().close();
        act(w, how.section(u' ', 1));
    } else if (how == QLatin1String("close"))
        w.close();
    else if (how == QLatin1String("enter"))
        QTest::keyClick(w.focusWidget(), Qt::Key_Return);
    else
        click(w, qPrintable(how));
}

} // namespace

// The copy run in the progress window, and the overwrite question and what it shows.
class TestCopyRun : public QObject, CopyRunFixture {
    Q_OBJECT
    // Per question: Overwrite's Label3, Status's Label1 + Label2, Label5,
    // ProgressBar1, ProgressBar2, and its flags Check1-3 after the answer.
    L m_seen;

    void answer(const QString& how) {
        m_user->expectWindow(QStringLiteral("Overwrite"), [this, how](QDialog& w) {
            const Status& s = Status::instance();
            L seen{control<QLabel>(w, "Label3")->text(),
                   s.Label1()->text() + s.Label2()->text(),
                   s.Label5()->text(),
                   QString::number(s.ProgressBar1()->value()),
                   QString::number(s.ProgressBar2()->value()),
                   QString()};
            act(w, how);
            for (const QCheckBox* flag : {s.Check1(), s.Check2(), s.Check3()})
                seen.last() += flag->isChecked() ? u'1' : u'0';
            m_seen << seen.join(u'|');
        });
    }
    // Per target: N its source's new content, O the old one, - nothing.
    QString holds(const L& targets) const {
        QString got;
        for (const QString& t : targets) {
            const QByteArray now = m_drives->read(t);
            const QByteArray fresh = t.endsWith(QLatin1String("b.txt")) ? NewB : NewA;
            const bool there = QFileInfo::exists(QFile::decodeName(m_drives->host(t)));
            got += !there ? u'-' : now == Old ? u'O' : now == fresh ? u'N' : u'?';
        }
        return got;
    }

private Q_SLOTS:
    void init() {
        startCopyRun();
        m_seen.clear();
    }
    void cleanup() {
        const QStringList problems = finishCopyRun();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    void copiesEveryFileIntoEveryFolderInOrder() {
        const L folders{"D:\\f1\\", "D:\\f2\\", "D:\\f3\\"};
        L targets;
        for (const QString& f : folders) // every target there, so each copy is asked about
            targets << m_drives->makeFile(f + QStringLiteral("a.txt"), Old)
                    << m_drives->makeFile(f + QStringLiteral("b.txt"), Old);
        m_sel->select({A, B}, folders);
        for (int k = 0; k < 6; ++k)
            answer(File);

        run();

        // The file bar stays full into the next folder until its first file is done.
        QCOMPARE(m_seen, (L{"D:\\f1\\a.txt|D:\\f1\\a.txt| 0 of  3 Folders Complete|0|0|000",
                            "D:\\f1\\b.txt|D:\\f1\\b.txt| 0 of  3 Folders Complete|1|0|000",
                            "D:\\f2\\a.txt|D:\\f2\\a.txt| 1 of  3 Folders Complete|2|1|000",
                            "D:\\f2\\b.txt|D:\\f2\\b.txt| 1 of  3 Folders Complete|1|1|000",
                            "D:\\f3\\a.txt|D:\\f3\\a.txt| 2 of  3 Folders Complete|2|2|000",
                            "D:\\f3\\b.txt|D:\\f3\\b.txt| 2 of  3 Folders Complete|1|2|000"}));
        QCOMPARE(holds(targets), QStringLiteral("NNNNNN"));
        QVERIFY(ended());
    }

    // Two files into D:\f1\ and C:\, every target there already: the
    // answers in turn; ProgressBar1 and the flags (overwrite-all, cancel,
    // skip) at each question; what the targets hold. No answers: "Don't
    // Confirm Overwrites" is on. No answer carries over to the next run:
    // each row's run asks from the first file, after the row before.
    void overwriteAnswers_data() {
        QTest::addColumn<L>("answers");
        QTest::addColumn<QString>("questions");
        QTest::addColumn<QString>("result"); // f1\a f1\b C:\a C:\b
        const auto row = [](const char* name, const L& answers, const char* questions,
                            const char* result) {
            QTest::newRow(name) << answers << QString::fromLatin1(questions)
                                << QString::fromLatin1(result);
        };
        const char* asked4 = "0:000 1:000 2:000 1:000";
        const char* skipped4 = "0:001 1:001 2:001 1:001";
        row("Overwrite All at the third", L{File, Skip, All}, "0:000 1:001 2:100", "NONN");
        row("Cancel at the third", L{File, File, Cancel}, "0:000 1:000 2:010", "NNOO");
        row("frame close is Overwrite File", L(4, "close"), asked4, "NNNN");
        row("Escape answers nothing", L(4, "escape Command4"), skipped4, "OOOO");
        row("Enter at once is Cancel", L{"enter"}, "0:010", "OOOO");
        row("Don't Confirm Overwrites", L{}, "", "NNNN");
        // The progress window's frame close is CancelBtn: nothing during a run.
        row("progress window's frame close meanwhile", L(4, "quit " + File), asked4, "NNNN");
    }
    void overwriteAnswers() {
        QFETCH(L, answers);
        const L targets{"D:\\f1\\a.txt", "D:\\f1\\b.txt", "C:\\a.txt", "C:\\b.txt"};
        for (const QString& t : targets)
            m_drives->makeFile(t, Old);
        m_sel->select({A, B}, {QStringLiteral("D:\\f1\\"), QStringLiteral("C:\\")});
        m_sel->check1->setChecked(answers.isEmpty());
        for (const QString& how : answers)
            answer(how);

        run();

        L questions;
        for (const QString& seen : m_seen)
            questions << seen.section(u'|', 3, 3) + u':' + seen.section(u'|', 5);
        QTEST(questions.join(u' '), "questions");
        QTEST(holds(targets), "result");
        QVERIFY(ended());
        QCOMPARE(m_sel->check1->isChecked(), answers.isEmpty()); // an option: it stays
    }

    // A folder that is the folder of a selected file, however reached: the
    // run stops there, the window stays open, the source is whole. Also
    // when no question would be asked, and for a hidden file, which the
    // existence test never sees.
    void sameFileStopsTheRun_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("dontConfirm");
        QTest::addColumn<QString>("first"); // the first selected file
        const QString hidden = QStringLiteral("C:\\src\\.a.txt");
        QTest::newRow("in another letter case") << "C:\\SRC\\" << false << A;
        QTest::newRow("through a symbolic link") << "D:\\link\\" << false << A;
        QTest::newRow("hidden, through a symbolic link") << "D:\\link\\" << false << hidden;
        QTest::newRow("hidden, hard link") << "D:\\hard\\" << true << hidden;
    }
    void sameFileStopsTheRun() {
        QFETCH(QString, folder);
        QFETCH(QString, first);
        const QString name = first.section(u'\\', -1);
        m_drives->makeFile(first, NewA);
        QVERIFY(::symlink(m_drives->host(QStringLiteral("C:\\src")).constData(),
                          m_drives->host(QStringLiteral("D:\\link")).constData()) == 0);
        m_drives->mkdir(QStringLiteral("D:\\hard"));
        QVERIFY(::link(m_drives->host(first).constData(),
                       m_drives->host(QStringLiteral("D:\\hard\\") + name)) == 0);
        m_sel->select({first, B}, {m_drives->mkdir(QStringLiteral("D:\\out\\")), folder});
        QFETCH(bool, dontConfirm);
        m_sel->check1->setChecked(dontConfirm);
        m_user->expectBox(Answer::Ok, QStringLiteral("Cannot Replace File With Itself"));

        run();

        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Copy Error"));
        QCOMPARE(holds({"D:\\out\\" + name, "D:\\out\\b.txt", first, B}), QStringLiteral("NNNN"));
        QVERIFY(Status::exists());
        Status& status = Status::instance();
        QVERIFY(!status.OkBtn()->isEnabled() && status.CancelBtn()->isEnabled());
        QCOMPARE(status.ProgressBar1()->value(), 2);
        QCOMPARE(status.ProgressBar2()->value(), 1);
        QCOMPARE(m_sel->resets, 0);
        // Either closes it now: CancelBtn, or the frame (the rows not asking).
        if (dontConfirm)
            status.close();
        else
            status.CancelBtn()->click();
        QVERIFY(ended());
    }

    // A copy that fails (of "first", before b.txt): Abort ends the run,
    // Ignore goes on, Retry goes back to the existence test (so the question
    // comes again). Nothing is left half-written; a failed target is as it was.
    void copyError_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("answers"); // Abort, Retry, Ignore
        QTest::addColumn<L>("left");          // in the target folder
        const L first{"first"}, both{"b.txt", "first"};
        QTest::newRow("folder in the way, Abort") << "folder" << false << "A" << first;
        QTest::newRow("folder in the way, Retry") << "folder" << false << "RI" << both;
        QTest::newRow("read-only, asked, Retry") << "readonly" << true << "RI" << both;
        QTest::newRow("read-only, not asked") << "readonly" << false << "I" << both;
        QTest::newRow("source gone since selected") << "gone" << false << "I" << L{"b.txt"};
    }
    void copyError() {
        QFETCH(QString, cause);
        QFETCH(bool, asked);
        QFETCH(QString, answers);
        const QString first = m_drives->makeFile(QStringLiteral("C:\\src\\first"), NewA);
        const QString target = m_drives->mkdir(QStringLiteral("D:\\to\\")) + "first";
        if (cause == QLatin1String("folder"))
            m_drives->mkdir(target);
        else if (cause != QLatin1String("gone"))
            QVERIFY(QFile::setPermissions(
                QFile::decodeName(m_drives->host(m_drives->makeFile(target, Old))),
                QFileDevice::ReadOwner));
        m_sel->select({first, B}, {QStringLiteral("D:\\to\\")});
        if (cause == QLatin1String("gone"))
            QVERIFY(QFile::remove(QFile::decodeName(m_drives->host(first))));
        m_sel->check1->setChecked(!asked);
        for (QChar a : answers) {
            if (asked)
                answer(File);
            m_user->expectBox(a == u'A'   ? Answer::Abort
                              : a == u'R' ? Answer::Retry
                                          : Answer::Ignore,
                              copyErrorPrompt(asked));
        }

        run();

        // Its buttons: the scripted user's answers; Enter on Ignore: e2e keyboard_only.
        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Copy Error"));
        QCOMPARE(m_drives->read(target), cause == QLatin1String("readonly") ? Old : QByteArray());
        QTEST(entriesOf(m_drives->host(QStringLiteral("D:\\to"))), "left");
        QVERIFY(ended());
    }

    // A large file's bytes move while the window lives: timer events keep
    // coming (the worker waits until it has seen some), and what arrives
    // meanwhile changes nothing: clicks on CancelBtn or a main-window button
    // (sent, posted, or a screen reader's press), or the window's frame close.
    void liveWindowDuringALargeCopy_data() {
        QTest::addColumn<QString>("meanwhile");
        for (const char* meanwhile : {"", "click CancelBtn", "post CancelBtn", "press CancelBtn",
                                      "click ClrFileBtn", "post ClrFileBtn", "close"})
            QTest::addRow("%s", *meanwhile ? meanwhile : "nothing") << meanwhile;
    }
    void liveWindowDuringALargeCopy() {
        QFETCH(QString, meanwhile);
        const QByteArray large = QByteArray(platform::FileCopier::LargeFileBytes, 'L') + NewA;
        m_drives->makeFile(A, large);
        m_sel->select({A, B}, {m_drives->mkdir(QStringLiteral("D:\\to\\"))});
        QObject::connect(m_sel->clrFileBtn, &QPushButton::clicked, &m_sel->window,
                         [this] { m_sel->files.ClrFileBtn_Click(); });
        m_sel->clrFileBtn->setEnabled(true);
        Status& status = Status::instance();
        QPushButton* button =
            meanwhile.endsWith(QLatin1String("CancelBtn")) ? status.CancelBtn() : m_sel->clrFileBtn;

        // What the window shows during the copy is brought up to date first.
        status.Label2()->setText(QStringLiteral("stale"));
        QString shownWhileCopying;
        std::atomic<int> ticks{0};
        std::atomic<bool> workerSawTicks{false};
        platform::FileCopier::setWorkerHook([&] {
            QDeadlineTimer guard(10'000); // only against a hang, never reached when all is well
            while (ticks.load() < 5 && !guard.hasExpired())
                QThread::msleep(1);
            workerSawTicks = ticks.load() >= 5;
        });
        QTimer timer;
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            if (ticks++ != 0)
                return;
            shownWhileCopying = status.Label2()->text();
            const QPoint middle = button->rect().center();
            if (meanwhile.startsWith(QLatin1String("click")))
                QTest::mouseClick(button, Qt::LeftButton, {}, middle);
            else if (meanwhile.startsWith(QLatin1String("post"))) {
                for (const QEvent::Type type :
                     {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(
                        button,
                        new QMouseEvent(type, middle, button->mapToGlobal(middle), Qt::LeftButton,
                                        type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                         : Qt::NoButton,
                                        Qt::NoModifier));
            } else if (meanwhile.startsWith(QLatin1String("press")))
                button->click();
            else if (meanwhile == QLatin1String("close"))
                Status::instance().close();
        });
        timer.start();

        run();

        timer.stop();
        platform::FileCopier::setWorkerHook({});
        QVERIFY(workerSawTicks);
        QCOMPARE(shownWhileCopying, QStringLiteral("a.txt"));
        QCOMPARE(m_drives->read(QStringLiteral("D:\\to\\a.txt")), large);
        QCOMPARE(holds({"D:\\to\\a.txt", "D:\\to\\b.txt"}).replace(u'?', u'N'),
                 QStringLiteral("NN"));
        QVERIFY(ended());
    }

    // Every way of closing the progress window resets the selection once,
    // keeps the options and discards the window. Enter presses the focused button.
    void closingTheProgressWindow_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("copied");
        QTest::newRow("frame close") << "close" << false;
        QTest::newRow("Escape does nothing, then CancelBtn") << "escape CancelBtn" << false;
        QTest::newRow("Enter on CancelBtn") << "enter CancelBtn" << false;
        QTest::newRow("Enter on Finish, as opened") << "enter" << true;
        QTest::newRow("closed before it was shown") << "hidden" << false;
    }
    void closingTheProgressWindow() {
        QFETCH(QString, how);
        QFETCH(bool, copied);
        m_sel->select({A}, {m_drives->mkdir(QStringLiteral("D:\\to\\"))});
        m_sel->check1->setChecked(true);
        QPointer<Status> status = &Status::instance();
        if (how != QLatin1String("hidden")) {
            status->show();
            QVERIFY(QTest::qWaitForWindowExposed(status));
        }
        if (how == QLatin1String("enter CancelBtn"))
            status->CancelBtn()->setFocus();
        act(*status, how == QLatin1String("hidden")           ? QStringLiteral("close")
                     : how.startsWith(QLatin1String("enter")) ? QStringLiteral("enter")
                                                              : how);

        QVERIFY(ended());
        QVERIFY(m_sel->check1->isChecked());
        QCOMPARE(holds({"D:\\to\\a.txt"}), QString(QLatin1Char(copied ? 'N' : '-')));
        QVERIFY(status && !status->isVisible()); // discarded later, not under its own feet
        status->close();                         // a second close changes nothing
        QCOMPARE(m_sel->resets, 1);
        discardClosedWindows();
        QVERIFY(!status && !Status::exists());
    }

    // The question for the second file into the second folder, as the run
    // opens it; a file gone since (its disk taken out) is "(not available)".
    void overwriteShowsBothFiles_data() {
        QTest::addColumn<qint64>("targetSize"); // -1: gone
        QTest::addColumn<qint64>("sourceSize");
        QTest::addColumn<QString>("sizes");
        QTest::newRow("3 GiB") << (3LL << 30) << 5LL << "3,221,225,472 Bytes|5 Bytes";
        QTest::newRow("target gone") << -1LL << 2LL << "(not available)|2 Bytes";
        QTest::newRow("source gone") << 3LL << -1LL << "3 Bytes|(not available)";
    }
    void overwriteShowsBothFiles() {
        QFETCH(qint64, targetSize);
        QFETCH(qint64, sourceSize);
        QFETCH(QString, sizes);
        const QDateTime targetTime(QDate(2021, 3, 4), QTime(5, 6, 7));
        const QDateTime sourceTime(QDate(2023, 11, 12), QTime(13, 14, 15));
        const QString source = QStringLiteral("C:\\src\\c.txt"),
                      target = QStringLiteral("D:\\to\\c.txt");
        L dates;
        for (const auto& [path, size, time] : {std::tuple{target, targetSize, targetTime},
                                               std::tuple{source, sourceSize, sourceTime}}) {
            QFile f(QFile::decodeName(m_drives->host(m_drives->makeFile(path, size))));
            QVERIFY(size < 0 ? f.remove()
                             : f.open(QIODevice::ReadWrite) &&
                                   f.setFileTime(time, QFileDevice::FileModificationTime));
            dates << (size < 0 ? QStringLiteral("(not available)")
                               : platform::shortDateLongTime(time));
        }
        m_sel->select({A, source}, {QStringLiteral("E:\\other\\"), QStringLiteral("D:\\to\\")});
        Status::instance().Text1()->setText(QStringLiteral(" 1"));
        Status::instance().Text2()->setText(QStringLiteral(" 1"));

        QPointer<Overwrite> w = &Overwrite::instance();

        L shown;
        for (const char* label : {"Label3", "Label5", "Label7", "Label9", "Label11", "Label13"})
            shown << control<QLabel>(*w, label)->text();
        QCOMPARE(shown, L({target, source}) + sizes.split(u'|') + dates);
        delete w;
    }
};

QTEST_MAIN(TestCopyRun)
#include "tst_copy_run.moc"
