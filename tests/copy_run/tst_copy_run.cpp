#include "copy_run_fixture.h"

#include "temp_drives.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

using platform::Answer;

namespace {

const QString A = QStringLiteral("C:\\src\\a.txt");
const QString B = QStringLiteral("C:\\src\\b.txt");
const QByteArray NewA("alpha, the new one");
const QByteArray NewB("bravo, the new one");
const QByteArray Old("old");

QString copyErrorPrompt(const char* abortLine, const char* ignoreLine) {
    return QStringLiteral("Disk Full Or Write Protected Disk!\r\n") + QLatin1String(abortLine) +
           QStringLiteral("\r\nRetry (Insert New Disk).\r\n") + QLatin1String(ignoreLine);
}
const QString AskedNot = copyErrorPrompt("Abort To Cancel.", "Ignore To Skip File.");
const QString AskedFirst = copyErrorPrompt("Abort to Cancel.", "Ignore to Skip File.");

// What the overwrite question and the window under it showed, each time.
struct Question {
    QString target;     // Overwrite's Label3
    QString label5;     // Status's Label5
    int progress1 = -1; // Status's ProgressBar1
    int progress2 = -1;
};

QString problemsOf(const platform::ScriptedUser& user) {
    return user.problems().join(QLatin1Char('\n'));
}

} // namespace

// The copy run: order of work, the overwrite question and its answers,
// the same-file stop and the copy-error box.
class TestCopyRun : public QObject {
    Q_OBJECT

    // Expects the overwrite question and answers it: a button's name,
    // "close" (frame), "escape" or "enter" (on the focused button).
    void answerOverwrite(platform::ScriptedUser& user, const QString& how,
                         QList<Question>* seen = nullptr) {
        user.expectWindow(QStringLiteral("Overwrite"), [how, seen](QDialog& w) {
            if (seen) {
                const Status& s = Status::instance();
                seen->append({control<QLabel>(w, "Label3")->text(), s.Label5()->text(),
                              s.ProgressBar1()->value(), s.ProgressBar2()->value()});
            }
            if (how == QLatin1String("close"))
                w.close();
            else if (how == QLatin1String("escape"))
                QTest::keyClick(&w, Qt::Key_Escape);
            else if (how == QLatin1String("enter"))
                QTest::keyClick(w.focusWidget(), Qt::Key_Return);
            else
                click(w, qPrintable(how));
        });
    }

    static void run() { Status::instance().OkBtn_Click(); }

private Q_SLOTS:
    void cleanup() {
        if (Status::exists())
            delete &Status::instance();
        discardClosedWindows();
    }

    void copiesEveryFileIntoEveryFolderInOrder() {
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        drives.makeFile(A, NewA);
        drives.makeFile(B, NewB);
        QStringList folders;
        for (const char* f : {"D:\\f1\\", "D:\\f2\\", "D:\\f3\\"}) {
            folders << QString::fromLatin1(f);
            // Every target exists, so each copy is announced by a question.
            drives.makeFile(folders.last() + QStringLiteral("a.txt"), Old);
            drives.makeFile(folders.last() + QStringLiteral("b.txt"), Old);
        }
        sel.select({A, B}, folders);
        QList<Question> seen;
        for (int k = 0; k < 6; ++k)
            answerOverwrite(user, QStringLiteral("Command3"), &seen);

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        QStringList targets, label5s;
        QList<int> bar1, bar2;
        for (const Question& q : seen) {
            targets << q.target;
            label5s << q.label5;
            bar1 << q.progress1;
            bar2 << q.progress2;
        }
        QCOMPARE(targets, QStringList({"D:\\f1\\a.txt", "D:\\f1\\b.txt", "D:\\f2\\a.txt",
                                       "D:\\f2\\b.txt", "D:\\f3\\a.txt", "D:\\f3\\b.txt"}));
        QCOMPARE(label5s, QStringList({" 0 of  3 Folders Complete", " 0 of  3 Folders Complete",
                                       " 1 of  3 Folders Complete", " 1 of  3 Folders Complete",
                                       " 2 of  3 Folders Complete", " 2 of  3 Folders Complete"}));
        // The file bar stays full into the next folder until its first file is done.
        QCOMPARE(bar1, QList<int>({0, 1, 2, 1, 2, 1}));
        QCOMPARE(bar2, QList<int>({0, 0, 1, 1, 2, 2}));
        for (const QString& f : folders) {
            QCOMPARE(drives.read(f + QStringLiteral("a.txt")), NewA);
            QCOMPARE(drives.read(f + QStringLiteral("b.txt")), NewB);
        }
        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
        QVERIFY(sel.isEmpty());
    }

    void newTargetsAreCopiedWithoutQuestions() {
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        sel.select({drives.makeFile(A, NewA), drives.makeFile(B, NewB)},
                   {drives.mkdir(QStringLiteral("D:\\f1\\")), QStringLiteral("C:\\")});

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        QVERIFY(user.boxes().isEmpty() && user.windows().isEmpty());
        QCOMPARE(drives.read(QStringLiteral("D:\\f1\\a.txt")), NewA);
        QCOMPARE(drives.read(QStringLiteral("D:\\f1\\b.txt")), NewB);
        QCOMPARE(drives.read(QStringLiteral("C:\\a.txt")), NewA);
        QCOMPARE(drives.read(QStringLiteral("C:\\b.txt")), NewB);
        QCOMPARE(QDir(QFile::decodeName(drives.host(QStringLiteral("D:\\f1"))))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"a.txt", "b.txt"}));
        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
    }

    // Two files into two folders, every target there already: the
    // answers given, in turn, and what each target holds afterwards.
    void overwriteAnswers_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QList<int>>("progressAtQuestions");
        QTest::addColumn<QString>("result"); // f1\a f1\b f2\a f2\b: N new, O old

        const QString all = QStringLiteral("Command2"), file = QStringLiteral("Command3"),
                      skip = QStringLiteral("Command4"), cancel = QStringLiteral("Command1");
        QTest::newRow("Overwrite File each time")
            << QStringList{file, file, file, file} << QList<int>{0, 1, 2, 1} << "NNNN";
        QTest::newRow("Overwrite All at once") << QStringList{all} << QList<int>{0} << "NNNN";
        QTest::newRow("Overwrite All at the third")
            << QStringList{file, skip, all} << QList<int>{0, 1, 2} << "NONN";
        QTest::newRow("Skip File each time")
            << QStringList{skip, skip, skip, skip} << QList<int>{0, 1, 2, 1} << "OOOO";
        QTest::newRow("skip clears before the next question")
            << QStringList{skip, file, skip, file} << QList<int>{0, 1, 2, 1} << "ONON";
        QTest::newRow("Cancel at once") << QStringList{cancel} << QList<int>{0} << "OOOO";
        QTest::newRow("Cancel at the third")
            << QStringList{file, file, cancel} << QList<int>{0, 1, 2} << "NNOO";
        QTest::newRow("frame close is Overwrite File")
            << QStringList{"close", "close", "close", "close"} << QList<int>{0, 1, 2, 1} << "NNNN";
        QTest::newRow("Escape is Overwrite File")
            << QStringList{"escape", "escape", "escape", "escape"} << QList<int>{0, 1, 2, 1}
            << "NNNN";
        QTest::newRow("Enter at once is Cancel") << QStringList{"enter"} << QList<int>{0} << "OOOO";
    }
    void overwriteAnswers() {
        QFETCH(QStringList, answers);
        QFETCH(QList<int>, progressAtQuestions);
        QFETCH(QString, result);

        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        const QStringList targets{"D:\\f1\\a.txt", "D:\\f1\\b.txt", "D:\\f2\\a.txt",
                                  "D:\\f2\\b.txt"};
        for (const QString& t : targets)
            drives.makeFile(t, Old);
        sel.select({drives.makeFile(A, NewA), drives.makeFile(B, NewB)},
                   {QStringLiteral("D:\\f1\\"), QStringLiteral("D:\\f2\\")});
        QList<Question> seen;
        for (const QString& answer : answers)
            answerOverwrite(user, answer, &seen);

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        QList<int> progress;
        for (const Question& q : seen)
            progress << q.progress1;
        QCOMPARE(progress, progressAtQuestions);
        QString got;
        for (const QString& t : targets) {
            const QByteArray content = drives.read(t);
            got += content == Old ? QLatin1Char('O')
                   : content == (t.endsWith(QLatin1String("a.txt")) ? NewA : NewB)
                       ? QLatin1Char('N')
                       : QLatin1Char('?');
        }
        QCOMPARE(got, result);
        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
        QVERIFY(sel.isEmpty());
    }

    void overwriteAllHoldsForOneRunOnly() {
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        drives.makeFile(A, NewA);
        drives.makeFile(B, NewB);
        for (const char* t : {"D:\\f1\\a.txt", "D:\\f1\\b.txt"})
            drives.makeFile(QString::fromLatin1(t), Old);

        sel.select({A, B}, {QStringLiteral("D:\\f1\\")});
        answerOverwrite(user, QStringLiteral("Command2"));
        run();
        QCOMPARE(user.windows().size(), 1);

        discardClosedWindows();
        sel.select({A, B}, {QStringLiteral("D:\\f1\\")});
        answerOverwrite(user, QStringLiteral("Command3"));
        answerOverwrite(user, QStringLiteral("Command4"));
        run();
        QCOMPARE(user.windows().size(), 3);
        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
    }

    void dontConfirmOverwritesReplacesWithoutAsking() {
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        drives.makeFile(QStringLiteral("D:\\f1\\a.txt"), Old);
        drives.makeFile(QStringLiteral("D:\\f2\\b.txt"), Old);
        sel.select({drives.makeFile(A, NewA), drives.makeFile(B, NewB)},
                   {QStringLiteral("D:\\f1\\"), QStringLiteral("D:\\f2\\")});
        sel.check1->setChecked(true);

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        QVERIFY(user.windows().isEmpty());
        for (const char* f : {"D:\\f1\\", "D:\\f2\\"}) {
            QCOMPARE(drives.read(QString::fromLatin1(f) + QStringLiteral("a.txt")), NewA);
            QCOMPARE(drives.read(QString::fromLatin1(f) + QStringLiteral("b.txt")), NewB);
        }
        QVERIFY(sel.check1->isChecked()); // kept for the next run
    }

    // A folder that is the folder of a selected file, however it is
    // reached: the run stops at that file and the window stays open.
    void sameFileStopsTheRun_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("in another letter case") << "C:\\SRC\\";
        QTest::newRow("through a symbolic link") << "D:\\link\\";
        QTest::newRow("holding a hard link") << "D:\\hard\\";
    }
    void sameFileStopsTheRun() {
        QFETCH(QString, folder);
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        drives.makeFile(A, NewA);
        drives.makeFile(B, NewB);
        QVERIFY(::symlink(drives.host(QStringLiteral("C:\\src")).constData(),
                          drives.host(QStringLiteral("D:\\link")).constData()) == 0);
        drives.mkdir(QStringLiteral("D:\\hard\\"));
        QVERIFY(::link(drives.host(A).constData(),
                       drives.host(QStringLiteral("D:\\hard\\a.txt"))) == 0);
        sel.select({A, B}, {drives.mkdir(QStringLiteral("D:\\out\\")), folder});
        user.expectBox(Answer::Ok, QStringLiteral("Cannot Replace File With Itself"));

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        const platform::MessageBox box = user.boxes().value(0);
        QCOMPARE(box.title, QStringLiteral("Copy Error"));
        QCOMPARE(box.buttons, platform::Buttons::Ok);
        QCOMPARE(box.icon, platform::Icon::Exclamation);
        // The copies before it remain, the source is whole, nothing after it ran.
        QCOMPARE(drives.read(QStringLiteral("D:\\out\\a.txt")), NewA);
        QCOMPARE(drives.read(QStringLiteral("D:\\out\\b.txt")), NewB);
        QCOMPARE(drives.read(A), NewA);
        QCOMPARE(drives.read(B), NewB);
        QVERIFY(Status::exists());
        Status& status = Status::instance();
        QVERIFY(!status.OkBtn()->isEnabled());
        QVERIFY(status.CancelBtn()->isEnabled());
        QCOMPARE(status.ProgressBar2()->value(), 1);
        QCOMPARE(status.ProgressBar1()->value(), 2);
        QCOMPARE(sel.resets, 0);
        QCOMPARE(sel.state.fileCount(), 2);

        status.CancelBtn()->click();
        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
        QVERIFY(sel.isEmpty());
    }

    // A copy that fails: the box's spelling follows whether the user was
    // asked first; Abort ends the run, Ignore goes on, Retry tries again
    // from the existence test.
    void copyError_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("secondCopied");

        using L = QList<Answer>;
        const L abort{Answer::Abort}, ignore{Answer::Ignore}, retry{Answer::Retry, Answer::Ignore};
        QTest::newRow("folder in the way, Abort")
            << "folder" << false << abort << AskedNot << false;
        QTest::newRow("folder in the way, Ignore")
            << "folder" << false << ignore << AskedNot << true;
        QTest::newRow("folder in the way, Retry") << "folder" << false << retry << AskedNot << true;
        QTest::newRow("write-protected target, asked, Abort")
            << "readonly" << true << abort << AskedFirst << false;
        QTest::newRow("write-protected target, asked, Ignore")
            << "readonly" << true << ignore << AskedFirst << true;
        QTest::newRow("write-protected target, asked, Retry")
            << "readonly" << true << retry << AskedFirst << true;
        QTest::newRow("write-protected target, not asked")
            << "readonly" << false << ignore << AskedNot << true;
        QTest::newRow("source gone since it was selected")
            << "gone" << false << ignore << AskedNot << true;
        QTest::newRow("hidden file at the target's name")
            << "hidden" << false << ignore << AskedNot << true;
    }
    void copyError() {
        QFETCH(QString, cause);
        QFETCH(bool, asked);
        QFETCH(QList<Answer>, answers);
        QFETCH(QString, prompt);
        QFETCH(bool, secondCopied);

        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        const QString first = cause == QLatin1String("hidden") ? QStringLiteral("C:\\src\\.first")
                                                               : QStringLiteral("C:\\src\\first");
        const QString name = first.mid(7);
        const QString target = QStringLiteral("D:\\to\\") + name;
        drives.makeFile(first, NewA);
        drives.makeFile(B, NewB);
        drives.mkdir(QStringLiteral("D:\\to\\"));
        QStringList before;
        if (cause == QLatin1String("folder")) {
            drives.mkdir(target);
        } else if (cause == QLatin1String("readonly") || cause == QLatin1String("hidden")) {
            drives.makeFile(target, Old);
            QFile::setPermissions(QFile::decodeName(drives.host(target)),
                                  QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                      QFileDevice::ReadOther);
        }
        sel.select({first, B}, {QStringLiteral("D:\\to\\")});
        if (cause == QLatin1String("gone"))
            QFile::remove(QFile::decodeName(drives.host(first)));
        sel.check1->setChecked(!asked);

        for (Answer answer : answers) {
            if (asked)
                answerOverwrite(user, QStringLiteral("Command3"));
            user.expectBox(answer, prompt);
        }

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        QCOMPARE(user.boxes().size(), answers.size());
        // Retry goes back to the existence test, so the question comes again.
        QCOMPARE(user.windows().size(), asked ? answers.size() : 0);
        for (const platform::MessageBox& box : user.boxes()) {
            QCOMPARE(box.title, QStringLiteral("Copy Error"));
            QCOMPARE(box.buttons, platform::Buttons::AbortRetryIgnore);
            QCOMPARE(box.icon, platform::Icon::Exclamation);
            QCOMPARE(box.defaultButton, 3);
        }
        QCOMPARE(drives.exists(QStringLiteral("D:\\to\\b.txt")), secondCopied);
        // The failed target is as it was, and nothing half-written is left.
        if (cause == QLatin1String("readonly") || cause == QLatin1String("hidden"))
            QCOMPARE(drives.read(target), Old);
        QStringList expected{name};
        if (cause == QLatin1String("gone"))
            expected.clear();
        if (secondCopied)
            expected << QStringLiteral("b.txt");
        expected.sort();
        QCOMPARE(
            QDir(QFile::decodeName(drives.host(QStringLiteral("D:\\to"))))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name),
            expected);
        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
        QVERIFY(sel.isEmpty());
    }

    // Retry once the cause is gone (the disk changed): the same file is
    // copied, then the run goes on.
    void retryAfterTheCauseIsGone_data() {
        QTest::addColumn<bool>("asked");
        QTest::newRow("copied without asking") << false;
        QTest::newRow("copied after the question") << true;
    }
    void retryAfterTheCauseIsGone() {
        QFETCH(bool, asked);
        TempDrives drives;
        ActingUser user;
        SelectionControls sel;
        const QString target = QStringLiteral("D:\\to\\a.txt");
        drives.makeFile(target, Old);
        const QString host = QFile::decodeName(drives.host(target));
        QFile::setPermissions(host, QFileDevice::ReadOwner);
        sel.select({drives.makeFile(A, NewA), drives.makeFile(B, NewB)},
                   {QStringLiteral("D:\\to\\")});
        sel.check1->setChecked(!asked);
        if (asked)
            answerOverwrite(user, QStringLiteral("Command3"));
        user.expectBoxActing(
            [host] {
                QFile::setPermissions(host, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            },
            Answer::Retry);
        if (asked)
            answerOverwrite(user, QStringLiteral("Command3"));

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        QCOMPARE(drives.read(target), NewA);
        QCOMPARE(drives.read(QStringLiteral("D:\\to\\b.txt")), NewB);
        QVERIFY(!Status::exists());
    }

    // With the real modal windows (nested event loops), each window closes
    // and is discarded while its own handlers are on the stack.
    void realModalWindows() {
        TempDrives drives;
        SelectionControls sel;
        drives.makeFile(QStringLiteral("D:\\to\\a.txt"), Old);
        sel.select({drives.makeFile(A, NewA), drives.makeFile(B, NewB)},
                   {QStringLiteral("D:\\to\\")});
        QStringList seen;
        QTimer user;
        QElapsedTimer patience;
        patience.start();
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || (!seen.isEmpty() && seen.last() == modal->objectName() &&
                           patience.elapsed() < 5000))
                return;
            seen << modal->objectName();
            if (patience.elapsed() >= 5000)
                modal->close(); // never hang
            else if (modal->objectName() == QLatin1String("Status"))
                QMetaObject::invokeMethod(control<QPushButton>(*modal, "OkBtn"), "click",
                                          Qt::QueuedConnection);
            else if (modal->objectName() == QLatin1String("Overwrite"))
                QMetaObject::invokeMethod(control<QPushButton>(*modal, "Command3"), "click",
                                          Qt::QueuedConnection);
        });
        user.start(10);

        QPointer<Status> status = &Status::instance();
        platform::showModal(*status);
        user.stop();

        QCOMPARE(seen, QStringList({"Status", "Overwrite"}));
        QCOMPARE(drives.read(QStringLiteral("D:\\to\\a.txt")), NewA);
        QCOMPARE(drives.read(QStringLiteral("D:\\to\\b.txt")), NewB);
        QVERIFY(!Status::exists() && !Overwrite::exists());
        QCOMPARE(sel.resets, 1);
        QTRY_VERIFY(!status);
    }

    // Only the boxes and windows the run opens take input; a window that
    // goes away while the question is open ends the run quietly.
    void progressWindowClosedDuringTheQuestion() {
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        drives.makeFile(QStringLiteral("D:\\to\\a.txt"), Old);
        sel.select({drives.makeFile(A, NewA), drives.makeFile(B, NewB)},
                   {QStringLiteral("D:\\to\\")});
        QPointer<Status> status = &Status::instance();
        user.expectWindow(QStringLiteral("Overwrite"), [status](QDialog& w) {
            status->close();
            click(w, "Command3");
        });

        run();

        QVERIFY2(user.problems().isEmpty(), qPrintable(problemsOf(user)));
        QCOMPARE(sel.resets, 1);
        QVERIFY(!drives.exists(QStringLiteral("D:\\to\\b.txt")));
        QCOMPARE(drives.read(QStringLiteral("D:\\to\\a.txt")), Old);
        discardClosedWindows();
        QVERIFY(!status);
    }
};

QTEST_MAIN(TestCopyRun)
#include "tst_copy_run.moc"
