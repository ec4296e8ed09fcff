#include "platform/formats.h"

#include <QLocale>
#include <QTest>

#include <limits>

using namespace platform;

class TestFormats : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void leadingSpace_data();
    void leadingSpace();
    void bytes_data();
    void bytes();
    void dateTime_data();
    void dateTime();
};

void TestFormats::leadingSpace_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << qint64(0) << QStringLiteral(" 0");
    QTest::newRow("count") << qint64(12) << QStringLiteral(" 12");
    QTest::newRow("negative") << qint64(-3) << QStringLiteral("-3");
    QTest::newRow("no grouping") << qint64(32767) << QStringLiteral(" 32767");
}

void TestFormats::leadingSpace() {
    QFETCH(qint64, value);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(leadingSpaceDecimal(value), expected);
}

void TestFormats::bytes_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("expected");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("zero") << us << qint64(0) << QStringLiteral("0");
    QTest::newRow("three digits") << us << qint64(999) << QStringLiteral("999");
    QTest::newRow("four digits") << us << qint64(1000) << QStringLiteral("1,000");
    QTest::newRow("int32 max") << us << qint64(2147483647) << QStringLiteral("2,147,483,647");
    QTest::newRow("4 GiB does not wrap")
        << us << qint64(4294967296) << QStringLiteral("4,294,967,296");
    QTest::newRow("negative") << us << qint64(-1024) << QStringLiteral("-1,024");
    QTest::newRow("negative three digits") << us << qint64(-999) << QStringLiteral("-999");
    QTest::newRow("int64 min") << us << std::numeric_limits<qint64>::min()
                               << QStringLiteral("-9,223,372,036,854,775,808");
    // LANG=C must still group.
    QTest::newRow("C locale") << QLocale::c() << qint64(1234567) << QStringLiteral("1,234,567");
    QTest::newRow("locale separator") << QLocale(QLocale::German, QLocale::Germany)
                                      << qint64(1234567) << QStringLiteral("1.234.567");
    // Grouped by three whatever the locale's own grouping.
    QTest::newRow("three by three in India") << QLocale(QLocale::English, QLocale::India)
                                             << qint64(12345678) << QStringLiteral("12,345,678");
}

void TestFormats::bytes() {
    QFETCH(QLocale, locale);
    QFETCH(qint64, value);
    QFETCH(QString, expected);
    QLocale::setDefault(locale);
    QCOMPARE(bytePattern(value), expected);
}

void TestFormats::dateTime_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expected");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QDate day(2024, 3, 5);
    QTest::newRow("afternoon") << us << QDateTime(day, QTime(14, 7, 9))
                               << QStringLiteral("3/5/24 2:07:09 PM");
    QTest::newRow("one second past midnight")
        << us << QDateTime(day, QTime(0, 0, 1)) << QStringLiteral("3/5/24 12:00:01 AM");
    QTest::newRow("midnight shows the date alone")
        << us << QDateTime(day, QTime(0, 0)) << QStringLiteral("3/5/24");
    QTest::newRow("noon") << us << QDateTime(day, QTime(12, 0))
                          << QStringLiteral("3/5/24 12:00:00 PM");
    // Milliseconds are not shown, so a time that reads as midnight is one.
    QTest::newRow("midnight with milliseconds")
        << us << QDateTime(day, QTime(0, 0, 0, 500)) << QStringLiteral("3/5/24");
    QTest::newRow("24-hour locale")
        << QLocale(QLocale::German, QLocale::Germany) << QDateTime(day, QTime(14, 7, 9))
        << QStringLiteral("05.03.24 14:07:09");
    QTest::newRow("invalid") << us << QDateTime() << QString();
}

void TestFormats::dateTime() {
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, when);
    QFETCH(QString, expected);
    QLocale::setDefault(locale);
    QCOMPARE(shortDateLongTime(when), expected);
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
