#include "platform/formats.h"

#include <QLocale>
#include <QTest>

#include <limits>

using namespace platform;

namespace {
const QLocale Us(QLocale::English, QLocale::UnitedStates);
const QLocale German(QLocale::German, QLocale::Germany);

void row(const char* name, const QLocale& locale, qint64 value, const char* grouped,
         const char* plain) {
    QTest::newRow(name) << locale << value << QString::fromUtf8(grouped)
                        << QString::fromUtf8(plain);
}

void row(const char* name, const QLocale& locale, const QDateTime& when, const char* text) {
    QTest::newRow(name) << locale << when << QString::fromUtf8(text);
}
} // namespace

class TestFormats : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void numbers_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("grouped"); // bytePattern
        QTest::addColumn<QString>("plain");   // leadingSpaceDecimal
        row("zero", Us, 0, "0", " 0");
        row("three digits", Us, 999, "999", " 999");
        row("four digits", Us, 1000, "1,000", " 1000");
        row("4 GiB does not wrap", Us, qint64(4) << 30, "4,294,967,296", " 4294967296");
        row("negative", Us, -1024, "-1,024", "-1024");
        row("negative three digits", Us, -999, "-999", "-999");
        row("int64 min", Us, std::numeric_limits<qint64>::min(), "-9,223,372,036,854,775,808",
            "-9223372036854775808");
        row("C locale still groups", QLocale::c(), 1234567, "1,234,567", " 1234567");
        row("locale's separator", German, 1234567, "1.234.567", " 1234567");
        row("by three in India too", QLocale(QLocale::English, QLocale::India), 12345678,
            "12,345,678", " 12345678");
    }

    void numbers() {
        QFETCH(QLocale, locale);
        QFETCH(qint64, value);
        QLocale::setDefault(locale);
        QTEST(bytePattern(value), "grouped");
        QTEST(leadingSpaceDecimal(value), "plain");
    }

    void dateTime_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("expected");
        const QDate day(2024, 3, 5);
        row("afternoon", Us, QDateTime(day, QTime(14, 7, 9)), "3/5/24 2:07:09 PM");
        row("a second past midnight", Us, QDateTime(day, QTime(0, 0, 1)), "3/5/24 12:00:01 AM");
        // Midnight shows the date alone; milliseconds are not shown: what
        // reads as midnight is midnight.
        row("midnight and milliseconds", Us, QDateTime(day, QTime(0, 0, 0, 500)), "3/5/24");
        row("24-hour locale", German, QDateTime(day, QTime(14, 7, 9)), "05.03.24 14:07:09");
        row("invalid", Us, QDateTime(), "");
    }

    void dateTime() {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, when);
        QLocale::setDefault(locale);
        QTEST(shortDateLongTime(when), "expected");
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
