#include "copy_run_fixture.h"

#include "platform/twips.h"
#include "temp_drives.h"

#include <QLineEdit>
#include <QtTest>

// The copy-progress window itself: what it shows when it opens, its keys,
// and that every way of closing it resets the selection once and discards it.
class TestStatus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() {
        if (Status::exists())
            delete &Status::instance();
        discardClosedWindows();
    }

    void opensOnTheFirstFileAndFolder_data() {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("folders");
        QTest::addColumn<QString>("label5");

        QTest::newRow("four files, two folders") << 4 << 2 << " 0 of  2 Folders Complete";
        QTest::newRow("one file, one folder") << 1 << 1 << " 0 of  1 Folders Complete";
        QTest::newRow("two digits of folders") << 3 << 12 << " 0 of  12 Folders Complete";
    }
    void opensOnTheFirstFileAndFolder() {
        QFETCH(int, files);
        QFETCH(int, folders);
        QFETCH(QString, label5);

        SelectionControls sel;
        QStringList paths;
        for (int j = 0; j < files; ++j)
            paths << QStringLiteral("C:\\src\\file%1.txt").arg(j);
        QStringList entries;
        for (int i = 0; i < folders; ++i)
            entries << QStringLiteral("D:\\to\\f%1\\").arg(i);
        sel.select(paths, entries);

        Status& status = Status::instance();
        QCOMPARE(status.Label1()->text(), QStringLiteral("D:\\to\\f0\\"));
        QCOMPARE(status.Label2()->text(), QStringLiteral("file0.txt"));
        QCOMPARE(status.Label5()->text(), label5);
        for (QProgressBar* bar : {status.ProgressBar1(), status.ProgressBar2()}) {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->value(), 0);
        }
        QCOMPARE(status.ProgressBar1()->maximum(), files);
        QCOMPARE(status.ProgressBar2()->maximum(), folders);
        // Nothing handed over yet, no flag set.
        QCOMPARE(status.Text1()->text(), QStringLiteral("Text1"));
        QCOMPARE(status.Text2()->text(), QStringLiteral("Text2"));
        for (QCheckBox* flag : {status.Check1(), status.Check2(), status.Check3()})
            QVERIFY(!flag->isChecked());
        QVERIFY(status.OkBtn()->isEnabled());
    }

    void windowAndFocus() {
        SelectionControls sel;
        sel.select({QStringLiteral("C:\\a.txt")}, {QStringLiteral("D:\\")});
        Status& status = Status::instance();
        QCOMPARE(status.windowTitle(), QStringLiteral("Pelmora Status"));
        QCOMPARE(status.size(), QSize(platform::px(4935), platform::px(3225)));

        status.show();
        QVERIFY(QTest::qWaitForWindowExposed(&status));
        for (const char* hidden : {"Text1", "Text2", "Check1", "Check2", "Check3"})
            QVERIFY2(!control<QWidget>(status, hidden)->isVisible(), hidden);
        for (const char* described : {"Label1", "Label2", "Label5", "ProgressBar1", "ProgressBar2"})
            QCOMPARE(control<QWidget>(status, described)->accessibleDescription(),
                     QString::fromLatin1(described));

        // Finish, then Cancel, and nothing else takes the focus.
        QCOMPARE(status.focusWidget(), status.OkBtn());
        QStringList focusable;
        for (QWidget* w : status.findChildren<QWidget*>())
            if (w->isVisible() && w->focusPolicy() != Qt::NoFocus)
                focusable << w->objectName();
        focusable.sort();
        QCOMPARE(focusable, QStringList({QStringLiteral("CancelBtn"), QStringLiteral("OkBtn")}));
        QCOMPARE(status.OkBtn()->nextInFocusChain(), status.CancelBtn());
        QVERIFY(!status.OkBtn()->isDefault() && !status.CancelBtn()->isDefault());
    }

    // Every way of closing: the selection is reset exactly once, the
    // window is gone, and the next reference is a fresh window.
    void closingResetsTheSelectionOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("CancelBtn") << "CancelBtn";
        QTest::newRow("frame close") << "close";
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("Enter on CancelBtn") << "Enter on CancelBtn";
        QTest::newRow("reject") << "reject";
        QTest::newRow("closed before it was shown") << "close hidden";
    }
    void closingResetsTheSelectionOnce() {
        QFETCH(QString, how);
        TempDrives drives;
        SelectionControls sel;
        sel.select({drives.makeFile(QStringLiteral("C:\\src\\a.txt"), QByteArray("a"))},
                   {drives.mkdir(QStringLiteral("D:\\to\\"))});
        sel.check1->setChecked(true);

        QPointer<Status> status = &Status::instance();
        if (how != QLatin1String("close hidden")) {
            status->show();
            QVERIFY(QTest::qWaitForWindowExposed(status));
        }
        if (how == QLatin1String("CancelBtn"))
            QTest::mouseClick(status->CancelBtn(), Qt::LeftButton);
        else if (how == QLatin1String("Escape"))
            QTest::keyClick(status->OkBtn(), Qt::Key_Escape);
        else if (how == QLatin1String("Enter on CancelBtn")) {
            status->CancelBtn()->setFocus();
            QTest::keyClick(status->CancelBtn(), Qt::Key_Return);
        } else if (how == QLatin1String("reject"))
            status->reject();
        else
            status->close();

        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
        QVERIFY(sel.isEmpty());
        QVERIFY(sel.check1->isChecked()); // the options survive
        QVERIFY(!drives.exists(QStringLiteral("D:\\to\\a.txt")));
        QVERIFY(status && !status->isVisible()); // discarded later, not under its own feet

        // A second close of the old window changes nothing.
        status->close();
        QCOMPARE(sel.resets, 1);

        discardClosedWindows();
        QVERIFY(!status);
        QVERIFY(!Status::exists());
    }

    void nextReferenceIsAFreshWindow() {
        SelectionControls sel;
        sel.select({QStringLiteral("C:\\a.txt")}, {QStringLiteral("D:\\")});
        Status& first = Status::instance();
        first.Check1()->setChecked(true);
        first.OkBtn()->setEnabled(false);
        first.Text1()->setText(QStringLiteral(" 3"));
        first.close();

        sel.select({QStringLiteral("C:\\b.txt")}, {QStringLiteral("E:\\")});
        Status& second = Status::instance();
        QVERIFY(&second != &first);
        QVERIFY(!second.Check1()->isChecked());
        QVERIFY(second.OkBtn()->isEnabled());
        QCOMPARE(second.Text1()->text(), QStringLiteral("Text1"));
        QCOMPARE(second.Label2()->text(), QStringLiteral("b.txt"));
    }

    // Enter presses the focused button: Finish starts the run, Cancel closes.
    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("copied");
        QTest::newRow("on Finish, as opened") << "OkBtn" << true;
        QTest::newRow("on Cancel") << "CancelBtn" << false;
    }
    void enterPressesTheFocusedButton() {
        QFETCH(QString, focus);
        QFETCH(bool, copied);
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        sel.select({drives.makeFile(QStringLiteral("C:\\src\\a.txt"), QByteArray("alpha"))},
                   {drives.mkdir(QStringLiteral("D:\\to\\"))});

        Status& status = Status::instance();
        status.show();
        QVERIFY(QTest::qWaitForWindowExposed(&status));
        if (focus == QLatin1String("CancelBtn"))
            status.CancelBtn()->setFocus();
        QTest::keyClick(status.focusWidget(), Qt::Key_Return);

        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
        QCOMPARE(drives.exists(QStringLiteral("D:\\to\\a.txt")), copied);
        if (copied)
            QCOMPARE(drives.read(QStringLiteral("D:\\to\\a.txt")), QByteArray("alpha"));
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
    }

    // The whole window through the modal seam, as the Copy button shows it.
    void shownModallyAndFinished() {
        TempDrives drives;
        platform::ScriptedUser user;
        SelectionControls sel;
        sel.select(
            {drives.makeFile(QStringLiteral("C:\\src\\a.txt"), QByteArray("alpha"))},
            {drives.mkdir(QStringLiteral("D:\\one\\")), drives.mkdir(QStringLiteral("D:\\two\\"))});
        user.expectWindow(QStringLiteral("Status"), [](QDialog& w) { click(w, "OkBtn"); });

        platform::showModal(Status::instance());

        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
        QCOMPARE(drives.read(QStringLiteral("D:\\one\\a.txt")), QByteArray("alpha"));
        QCOMPARE(drives.read(QStringLiteral("D:\\two\\a.txt")), QByteArray("alpha"));
        QVERIFY(!Status::exists());
        QCOMPARE(sel.resets, 1);
        QVERIFY(sel.isEmpty());
    }
};

QTEST_MAIN(TestStatus)
#include "tst_status.moc"
