#include "platform/drive_path.h"
#include "platform/drive_table.h"
#include "temp_drives.h"

#include <QtTest>

using namespace platform;
namespace dp = platform::drive_path;

Q_DECLARE_METATYPE(platform::FsError)

class TestDrivePath : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pieces_data();
    void pieces();
    void toHost_data();
    void toHost();
    void toHostOfDriveTakenOut();
    void fromHost_data();
    void fromHost();
    void listableNames_data();
    void listableNames();
};

void TestDrivePath::pieces_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("joined");
    QTest::addColumn<QString>("parent");

    QTest::newRow("drive root") << "C:\\"
                                << "a.txt"
                                << "C:\\a.txt"
                                << "C:\\";
    QTest::newRow("folder") << "C:\\DATA"
                            << "a.txt"
                            << "C:\\DATA\\a.txt"
                            << "C:\\DATA";
    QTest::newRow("deep folder") << "D:\\a b\\ü"
                                 << "x y.txt"
                                 << "D:\\a b\\ü\\x y.txt"
                                 << "D:\\a b\\ü";
    QTest::newRow("folder entry") << "C:\\DATA\\"
                                  << "a.txt"
                                  << "C:\\DATA\\a.txt"
                                  << "C:\\DATA";
}

// join, parentOf and nameOf undo one another, in the root form too.
void TestDrivePath::pieces() {
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, joined);
    QFETCH(QString, parent);

    QCOMPARE(dp::join(folder, name), joined);
    QCOMPARE(dp::parentOf(joined), parent);
    QCOMPARE(dp::nameOf(joined), name);
    QCOMPARE(dp::driveOf(joined), std::optional<QChar>(joined.at(0)));
}

void TestDrivePath::toHost_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("host"); // "<letter>:" + rest below that drive's root
    QTest::addColumn<FsError>("error");

    const FsError none = FsError::Io; // unused when a host path is expected
    QTest::newRow("root C") << "C:\\"
                            << "C:" << none;
    QTest::newRow("root D") << "D:\\"
                            << "D:" << none;
    QTest::newRow("file") << "C:\\DATA\\a.txt"
                          << "C:/DATA/a.txt" << none;
    QTest::newRow("lower-case letter") << "d:\\x"
                                       << "D:/x" << none;
    QTest::newRow("folder entry") << "C:\\DATA\\"
                                  << "C:/DATA" << none;
    QTest::newRow("spaces and letters") << "D:\\My Files\\日本 ü.txt"
                                        << "D:/My Files/日本 ü.txt" << none;
    QTest::newRow("unknown drive") << "Q:\\x"
                                   << "" << FsError::NotReady;

    const FsError bad = FsError::Unlistable;
    QTest::newRow("empty") << ""
                           << "" << bad;
    QTest::newRow("no separator") << "C:"
                                  << "" << bad;
    QTest::newRow("relative to drive") << "C:DATA"
                                       << "" << bad;
    QTest::newRow("no drive") << "\\DATA"
                              << "" << bad;
    QTest::newRow("digit drive") << "1:\\DATA"
                                 << "" << bad;
    QTest::newRow("forward separator") << "C:/DATA"
                                       << "" << bad;
    QTest::newRow("double separator") << "C:\\a\\\\b"
                                      << "" << bad;
    QTest::newRow("root doubled") << "C:\\\\"
                                  << "" << bad;
    QTest::newRow("two trailing") << "C:\\a\\\\"
                                  << "" << bad;
    QTest::newRow("dot") << "C:\\a\\.\\b"
                         << "" << bad;
    QTest::newRow("dot dot") << "C:\\a\\..\\..\\etc"
                             << "" << bad;
    QTest::newRow("slash in name") << "C:\\a/../b"
                                   << "" << bad;
    QTest::newRow("nul in name") << QString(QStringLiteral("C:\\a") + QChar(0) + QLatin1Char('b'))
                                 << "" << bad;
    QTest::newRow("lone surrogate")
        << QString(QStringLiteral("C:\\a") + QChar(0xD800)) << "" << bad;
}

void TestDrivePath::toHost() {
    QFETCH(QString, path);
    QFETCH(QString, host);
    QFETCH(FsError, error);

    TempDrives drives;
    QVERIFY(drives.isValid());
    const Result<QByteArray> r = dp::toHost(path);
    if (host.isEmpty()) {
        QVERIFY(!r.ok());
        QCOMPARE(r.error(), error);
        return;
    }
    QVERIFY(r.ok());
    QCOMPARE(*r, drives.hostRoot(host.at(0)) + host.mid(2).toUtf8());
}

void TestDrivePath::toHostOfDriveTakenOut() {
    TempDrives drives(QStringLiteral("CDE"));
    QVERIFY(dp::toHost(QStringLiteral("E:\\a")).ok());
    DriveTable::instance().setFixedReady(QLatin1Char('E'), false);
    QCOMPARE(dp::toHost(QStringLiteral("E:\\a")).error(), FsError::NotReady);
    QCOMPARE(dp::toHost(QStringLiteral("E:\\")).error(), FsError::NotReady);
    QVERIFY(dp::toHost(QStringLiteral("D:\\a")).ok());
}

void TestDrivePath::fromHost_data() {
    QTest::addColumn<QByteArray>("host"); // "<letter>:" + rest below that drive's root
    QTest::addColumn<QString>("path");
    QTest::addColumn<FsError>("error");

    const FsError none = FsError::Io;
    QTest::newRow("root C") << QByteArray("C:") << "C:\\" << none;
    QTest::newRow("root D, trailing slash") << QByteArray("D:/") << "D:\\" << none;
    QTest::newRow("file") << QByteArray("C:/DATA/a.txt") << "C:\\DATA\\a.txt" << none;
    QTest::newRow("doubled and dot") << QByteArray("C://DATA/./a.txt") << "C:\\DATA\\a.txt" << none;
    QTest::newRow("spaces and letters")
        << QByteArray("D:/My Files/日本 ü.txt") << "D:\\My Files\\日本 ü.txt" << none;
    QTest::newRow("newline is a name") << QByteArray("D:/a\nb") << "D:\\a\nb" << none;

    // A name holding "\" would read as two names.
    QTest::newRow("backslash in name") << QByteArray("C:/a\\b/c") << "" << FsError::Unlistable;
    QTest::newRow("latin-1 name") << QByteArray("C:/caf\xe9") << "" << FsError::Unlistable;
    QTest::newRow("overlong slash") << QByteArray("C:/a\xc0\xaf") << "" << FsError::Unlistable;
    QTest::newRow("dot dot") << QByteArray("D:/a/../b") << "" << FsError::Unlistable;
    QTest::newRow("relative") << QByteArray("DATA/a.txt") << "" << FsError::Unlistable;
    // Roots are compared name by name: <tmp>/Dx is not on D: (<tmp>/D).
    QTest::newRow("prefix of a name") << QByteArray("Dx/a") << "" << FsError::NotReady;
    QTest::newRow("outside every drive") << QByteArray("/") << "" << FsError::NotReady;
}

void TestDrivePath::fromHost() {
    QFETCH(QByteArray, host);
    QFETCH(QString, path);
    QFETCH(FsError, error);

    TempDrives drives;
    QVERIFY(drives.isValid());
    QByteArray hostPath = host;
    if (host.size() >= 2 && host.at(1) == ':')
        hostPath = drives.hostRoot(QLatin1Char(host.at(0))) + host.mid(2);
    else if (host.startsWith("Dx"))
        hostPath = drives.hostRoot(QLatin1Char('D')) + host.mid(1);

    const Result<QString> r = dp::fromHost(hostPath);
    if (path.isEmpty()) {
        QVERIFY(!r.ok());
        QCOMPARE(r.error(), error);
        return;
    }
    QVERIFY(r.ok());
    QCOMPARE(*r, path);
    // And back again, to the normalised host path.
    const Result<QByteArray> back = dp::toHost(*r);
    QVERIFY(back.ok());
    QCOMPARE(dp::fromHost(*back).value(), path);
}

void TestDrivePath::listableNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("listable");

    QTest::newRow("plain") << QByteArray("a.txt") << true;
    QTest::newRow("hidden") << QByteArray(".profile") << true;
    QTest::newRow("spaces") << QByteArray(" a b ") << true;
    QTest::newRow("two-byte") << QByteArray("\xc3\xbc") << true;
    QTest::newRow("three-byte") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac") << true;
    QTest::newRow("four-byte") << QByteArray("\xf0\x9f\x98\x80") << true;
    QTest::newRow("highest code point") << QByteArray("\xf4\x8f\xbf\xbf") << true;
    QTest::newRow("colon") << QByteArray("a:b") << true;

    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("dot") << QByteArray(".") << false;
    QTest::newRow("dot dot") << QByteArray("..") << false;
    QTest::newRow("backslash") << QByteArray("a\\b") << false;
    QTest::newRow("latin-1") << QByteArray("caf\xe9") << false;
    QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
    QTest::newRow("overlong") << QByteArray("\xc0\xaf") << false;
    QTest::newRow("overlong three-byte") << QByteArray("\xe0\x80\xaf") << false;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false;
    QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
    QTest::newRow("cut short") << QByteArray("a\xe6\x97") << false;
    QTest::newRow("0xFF") << QByteArray("\xff") << false;
}

void TestDrivePath::listableNames() {
    QFETCH(QByteArray, name);
    QFETCH(bool, listable);
    QCOMPARE(dp::isListableName(name), listable);
}

QTEST_GUILESS_MAIN(TestDrivePath)
#include "tst_drive_path.moc"
