#include "copy_runs.h"
#include "temp_drives.h"

#include "copy_run/overwrite.h"
#include "copy_run/status.h"
#include "platform/formats.h"

#include <QFile>
#include <QLineEdit>
#include <QtTest>

using L = QStringList;

// What the overwrite question shows of the two files.
class TestOverwrite : public QObject {
    Q_OBJECT
    std::unique_ptr<TempDrives> m_drives;
    std::unique_ptr<ActingUser> m_user;
    std::unique_ptr<SelectionControls> m_sel;

private Q_SLOTS:
    void init() {
        m_drives = std::make_unique<TempDrives>();
        m_user = std::make_unique<ActingUser>();
        m_sel = std::make_unique<SelectionControls>();
    }
    void cleanup() {
        const QStringList problems = endCopyRun(m_sel, m_user);
        m_drives.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // The question for the second file into the second folder, as the run
    // opens it; a file gone since (its disk taken out) is "(not available)".
    void overwriteShowsBothFiles_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<qint64>("targetSize"); // -1: gone
        QTest::addColumn<qint64>("sourceSize");
        QTest::addColumn<QString>("sizes");
        const QString to = QStringLiteral("D:\\to\\");
        QTest::newRow("999 and 1000") << to << 999LL << 1000LL << "999 Bytes|1,000 Bytes";
        QTest::newRow("0 and 1234567") << to << 0LL << 1234567LL << "0 Bytes|1,234,567 Bytes";
        QTest::newRow("3 GiB") << to << (3LL << 30) << 5LL << "3,221,225,472 Bytes|5 Bytes";
        QTest::newRow("folder at a drive root") << "C:\\" << 1LL << 2LL << "1 Bytes|2 Bytes";
        QTest::newRow("target gone") << to << -1LL << 2LL << "(not available)|2 Bytes";
        QTest::newRow("source gone") << to << 3LL << -1LL << "3 Bytes|(not available)";
        QTest::newRow("both gone") << to << -1LL << -1LL << "(not available)|(not available)";
    }
    void overwriteShowsBothFiles() {
        QFETCH(QString, folder);
        QFETCH(qint64, targetSize);
        QFETCH(qint64, sourceSize);
        QFETCH(QString, sizes);
        const QDateTime targetTime(QDate(2021, 3, 4), QTime(5, 6, 7));
        const QDateTime sourceTime(QDate(2023, 11, 12), QTime(13, 14, 15));
        const QString source = QStringLiteral("C:\\src\\c.txt"), target = folder + "c.txt";
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
        const QString first = m_drives->makeFile(QStringLiteral("C:\\src\\a.txt"), qint64(1));
        m_sel->select({first, source}, {QStringLiteral("E:\\other\\"), folder});
        Status::instance().Text1()->setText(QStringLiteral(" 1"));
        Status::instance().Text2()->setText(QStringLiteral(" 1"));

        QPointer<Overwrite> w = &Overwrite::instance();

        QCOMPARE(w->windowTitle(), QStringLiteral("Confirm Overwrite"));
        L shown;
        for (const char* label : {"Label3", "Label5", "Label7", "Label9", "Label11", "Label13"})
            shown << control<QLabel>(*w, label)->text();
        QCOMPARE(shown, L({target, source}) + sizes.split(u'|') + dates);
        delete w;
    }
};

QTEST_MAIN(TestOverwrite)
#include "tst_overwrite.moc"
