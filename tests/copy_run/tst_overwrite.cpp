#include "copy_run_fixture.h"

#include "platform/formats.h"
#include "platform/twips.h"
#include "temp_drives.h"

#include <QFile>
#include <QLineEdit>
#include <QtTest>

namespace {

// A file's modification time, set to a known moment.
void setModified(const QByteArray& host, const QDateTime& when) {
    QFile f(QFile::decodeName(host));
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

// Where Tab goes from w.
QWidget* nextTabStop(QWidget* w) {
    do
        w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible());
    return w;
}

const QDateTime TargetTime(QDate(2021, 3, 4), QTime(5, 6, 7));
const QDateTime SourceTime(QDate(2023, 11, 12), QTime(13, 14, 15));

} // namespace

// The overwrite question: what it shows about both files, and which flag
// of the progress window each way of answering sets.
class TestOverwrite : public QObject {
    Q_OBJECT

    // The question as the copy run opens it, for file j into folder i.
    static Overwrite& ask(int j, int i) {
        Status::instance().Text1()->setText(platform::leadingSpaceDecimal(j));
        Status::instance().Text2()->setText(platform::leadingSpaceDecimal(i));
        return Overwrite::instance();
    }
    static QString text(const Overwrite& w, const char* label) {
        return control<QLabel>(w, label)->text();
    }

private Q_SLOTS:
    void cleanup() {
        if (Overwrite::exists())
            delete &Overwrite::instance();
        if (Status::exists())
            delete &Status::instance();
        discardClosedWindows();
    }

    void showsBothFiles_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<qint64>("targetSize");
        QTest::addColumn<qint64>("sourceSize");
        QTest::addColumn<QString>("targetPath");
        QTest::addColumn<QString>("targetText");
        QTest::addColumn<QString>("sourceText");

        QTest::newRow("999 and 1000 bytes")
            << "D:\\to\\" << qint64(999) << qint64(1000) << "D:\\to\\b.txt"
            << "999 Bytes"
            << "1,000 Bytes";
        QTest::newRow("empty and a million")
            << "D:\\to\\" << qint64(0) << qint64(1234567) << "D:\\to\\b.txt"
            << "0 Bytes"
            << "1,234,567 Bytes";
        QTest::newRow("folder at a drive root") << "C:\\" << qint64(1) << qint64(2) << "C:\\b.txt"
                                                << "1 Bytes"
                                                << "2 Bytes";
        QTest::newRow("3 GiB, past 32 bits")
            << "D:\\to\\" << qint64(3) * 1024 * 1024 * 1024 << qint64(5) << "D:\\to\\b.txt"
            << "3,221,225,472 Bytes"
            << "5 Bytes";
    }
    void showsBothFiles() {
        QFETCH(QString, folder);
        QFETCH(qint64, targetSize);
        QFETCH(qint64, sourceSize);
        QFETCH(QString, targetPath);
        QFETCH(QString, targetText);
        QFETCH(QString, sourceText);

        TempDrives drives;
        SelectionControls sel;
        const QString source = QStringLiteral("C:\\src\\b.txt");
        drives.makeFile(source, sourceSize);
        drives.makeFile(targetPath, targetSize); // sparse where large
        setModified(drives.host(targetPath), TargetTime);
        setModified(drives.host(source), SourceTime);
        // The second file into the second folder: the indexes are read back.
        sel.select({QStringLiteral("C:\\src\\a.txt"), source},
                   {QStringLiteral("E:\\other\\"), folder});

        Overwrite& w = ask(1, 1);

        QCOMPARE(w.windowTitle(), QStringLiteral("Confirm Overwrite"));
        QCOMPARE(text(w, "Label3"), targetPath);
        QCOMPARE(text(w, "Label5"), source);
        QCOMPARE(text(w, "Label7"), targetText);
        QCOMPARE(text(w, "Label9"), sourceText);
        QCOMPARE(text(w, "Label11"), platform::shortDateLongTime(TargetTime));
        QCOMPARE(text(w, "Label13"), platform::shortDateLongTime(SourceTime));
        QVERIFY(text(w, "Label11") != text(w, "Label13"));
    }

    // A file gone (its disk taken out) between the run's look and the question.
    void fileNoLongerThere_data() {
        QTest::addColumn<bool>("targetGone");
        QTest::addColumn<bool>("sourceGone");
        QTest::newRow("target") << true << false;
        QTest::newRow("source") << false << true;
        QTest::newRow("both") << true << true;
    }
    void fileNoLongerThere() {
        QFETCH(bool, targetGone);
        QFETCH(bool, sourceGone);
        TempDrives drives;
        SelectionControls sel;
        const QString source = drives.makeFile(QStringLiteral("C:\\src\\a.txt"), QByteArray("12"));
        const QString target = drives.makeFile(QStringLiteral("D:\\to\\a.txt"), QByteArray("123"));
        sel.select({source}, {QStringLiteral("D:\\to\\")});
        if (targetGone)
            QFile::remove(QFile::decodeName(drives.host(target)));
        if (sourceGone)
            QFile::remove(QFile::decodeName(drives.host(source)));

        Overwrite& w = ask(0, 0);

        const QString na = QStringLiteral("(not available)");
        QCOMPARE(text(w, "Label3"), target);
        QCOMPARE(text(w, "Label5"), source);
        QCOMPARE(text(w, "Label7"), targetGone ? na : QStringLiteral("3 Bytes"));
        QCOMPARE(text(w, "Label11") == na, targetGone);
        QCOMPARE(text(w, "Label9"), sourceGone ? na : QStringLiteral("2 Bytes"));
        QCOMPARE(text(w, "Label13") == na, sourceGone);
    }

    // Flags before the question (overwrite-all, cancel, skip) and after the answer.
    void answersSetTheFlags_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");

        QTest::newRow("Overwrite All") << "Command2"
                                       << "011"
                                       << "100";
        QTest::newRow("Overwrite File") << "Command3"
                                        << "011"
                                        << "000";
        QTest::newRow("Skip File") << "Command4"
                                   << "011"
                                   << "001";
        QTest::newRow("Cancel") << "Command1"
                                << "011"
                                << "010";
        QTest::newRow("frame close") << "close"
                                     << "011"
                                     << "000";
        QTest::newRow("Escape") << "escape"
                                << "011"
                                << "000";
        QTest::newRow("Enter right after opening") << "enter"
                                                   << "011"
                                                   << "010";
        QTest::newRow("overwrite-all survives a load") << "Command3"
                                                       << "111"
                                                       << "100";
    }
    void answersSetTheFlags() {
        QFETCH(QString, how);
        QFETCH(QString, before);
        QFETCH(QString, after);

        TempDrives drives;
        SelectionControls sel;
        sel.select({drives.makeFile(QStringLiteral("C:\\a.txt"), QByteArray("a"))},
                   {QStringLiteral("D:\\")});
        Status& status = Status::instance();
        QCheckBox* flags[] = {status.Check1(), status.Check2(), status.Check3()};
        for (int k = 0; k < 3; ++k)
            flags[k]->setChecked(before.at(k) == QLatin1Char('1'));

        QPointer<Overwrite> w = &ask(0, 0);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        if (how == QLatin1String("close"))
            w->close();
        else if (how == QLatin1String("escape"))
            QTest::keyClick(w, Qt::Key_Escape);
        else if (how == QLatin1String("enter"))
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
        else
            QTest::mouseClick(control<QPushButton>(*w, qPrintable(how)), Qt::LeftButton);

        QString got;
        for (QCheckBox* f : flags)
            got += f->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(got, after);
        QVERIFY(!Overwrite::exists());
        QVERIFY(w && !w->isVisible());
        QVERIFY(&Overwrite::instance() != w.data()); // the next question is a fresh window
        discardClosedWindows();
        QVERIFY(!w);
        QVERIFY(Status::exists()); // answering never closes the run's window
    }

    void layoutAndFocus() {
        SelectionControls sel;
        sel.select({QStringLiteral("C:\\a.txt")}, {QStringLiteral("D:\\")});
        Overwrite& w = ask(0, 0);
        QCOMPARE(w.size(), QSize(platform::px(5535), platform::px(3930)));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // Cancel first, then Overwrite All, Overwrite File, Skip File.
        QStringList order;
        QWidget* f = w.focusWidget();
        QCOMPARE(f, control<QWidget>(w, "Command1"));
        for (int k = 0; k < 4; ++k, f = nextTabStop(f))
            order << f->objectName();
        QCOMPARE(order, QStringList({"Command1", "Command2", "Command3", "Command4"}));
        for (const char* b : {"Command1", "Command2", "Command3", "Command4"})
            QVERIFY2(control<QPushButton>(w, b)->autoDefault(), b);
        for (const char* described : {"Label3", "Label5", "Label7", "Label9", "Label11", "Label13"})
            QCOMPARE(control<QWidget>(w, described)->accessibleDescription(),
                     QString::fromLatin1(described));
        // A name is shown as it is, never as markup.
        QCOMPARE(control<QLabel>(w, "Label3")->textFormat(), Qt::PlainText);
    }
};

QTEST_MAIN(TestOverwrite)
#include "tst_overwrite.moc"
