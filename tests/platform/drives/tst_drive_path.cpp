#include "platform/drives/drive_path.h"
#include "platform/drives/drive_table.h"
#include "temp_drives.h"

#include <QtTest>

using namespace platform;
namespace dp = platform::drive_path;

Q_DECLARE_METATYPE(platform::FsError)

namespace {
// A host path is written "<letter>:" and the rest below that drive's root.
void row(const char* name, const QString& path, const QByteArray& host, FsError error = {}) {
    QTest::newRow(name) << path << host << error;
}
const FsError Bad = FsError::Unlistable;
} // namespace

class TestDrivePath : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void toHost_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("host"); // empty: fails with the error
        QTest::addColumn<FsError>("error");
        row("root C", "C:\\", "C:");
        row("root D", "D:\\", "D:");
        row("file", "C:\\DATA\\a.txt", "C:/DATA/a.txt");
        row("lower-case letter", "d:\\x", "D:/x");
        row("folder entry", "C:\\DATA\\", "C:/DATA");
        row("non-Latin", "D:\\My Files\\日本 ü.txt", "D:/My Files/日本 ü.txt");
        row("unknown drive", "Q:\\x", {}, FsError::NotReady);
        row("drive taken out", "E:\\a", {}, FsError::NotReady);
        row("root of a drive taken out", "E:\\", {}, FsError::NotReady);
        row("empty", "", {}, Bad);
        row("no separator", "C:", {}, Bad);
        row("no drive", "\\DATA", {}, Bad);
        row("forward separator", "C:/DATA", {}, Bad);
        row("double separator", "C:\\a\\\\b", {}, Bad);
        row("dot", "C:\\a\\.\\b", {}, Bad);
        row("dot dot", "C:\\a\\..\\..\\etc", {}, Bad);
        row("slash in name", "C:\\a/../b", {}, Bad);
        row("nul in name", QStringLiteral("C:\\a") + QChar(0) + u'b', {}, Bad);
        row("lone surrogate", QStringLiteral("C:\\a") + QChar(0xD800), {}, Bad);
    }

    void toHost() {
        QFETCH(QString, path);
        QFETCH(QByteArray, host);
        TempDrives drives(QStringLiteral("CDE"));
        DriveTable::instance().setFixedReady(QLatin1Char('E'), false);
        const Result<QByteArray> r = dp::toHost(path);
        QCOMPARE(r.ok(), !host.isEmpty());
        if (!r.ok())
            QTEST(r.error(), "error");
        else
            QCOMPARE(*r, drives.hostRoot(QLatin1Char(host.at(0))) + host.mid(2));
    }

    void fromHost_data() {
        QTest::addColumn<QString>("path"); // empty: fails with the error
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<FsError>("error");
        row("root C", "C:\\", "C:");
        row("root D, trailing slash", "D:\\", "D:/");
        row("file", "C:\\DATA\\a.txt", "C:/DATA/a.txt");
        row("doubled and dot", "C:\\DATA\\a.txt", "C://DATA/./a.txt");
        row("non-Latin", "D:\\My Files\\日本 ü.txt", "D:/My Files/日本 ü.txt");
        row("newline is a name", "D:\\a\nb", "D:/a\nb");
        // Such names would read as other paths: never listed, never translated.
        row("backslash in a folder's name", "", "C:/a\\b/c", Bad);
        row("latin-1 name", "", "C:/caf\xe9", Bad);
        row("overlong slash", "", "C:/a\xc0\xaf", Bad);
        row("dot dot", "", "D:/a/../b", Bad);
        row("relative", "", "DATA/a.txt", Bad);
        // Roots are compared name by name: <tmp>/Dx is not on D: (<tmp>/D).
        row("prefix of a root's name", "", "Dx/a", FsError::NotReady);
        row("outside every drive", "", "/", FsError::NotReady);
    }

    void fromHost() {
        QFETCH(QString, path);
        QFETCH(QByteArray, host);
        TempDrives drives;
        if (host.size() >= 2 && host.at(1) == ':')
            host = drives.hostRoot(QLatin1Char(host.at(0))) + host.mid(2);
        else if (host.startsWith("Dx"))
            host = drives.hostRoot(QLatin1Char('D')) + host.mid(1);
        const Result<QString> r = dp::fromHost(host);
        QCOMPARE(r.ok(), !path.isEmpty());
        if (!r.ok()) {
            QTEST(r.error(), "error");
            return;
        }
        QCOMPARE(*r, path);
        QCOMPARE(dp::fromHost(dp::toHost(path).value()).value(), path); // and back
    }

    void listableNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("listable");
        for (const char* name :
             {"a.txt", ".profile", " a b ", "a:b", "\xc3\xbc", "\xe6\x97\xa5\xe6\x9c\xac",
              "\xf0\x9f\x98\x80", "\xf4\x8f\xbf\xbf"})
            QTest::addRow("listable %s", name) << QByteArray(name) << true;
        for (const char* name :
             {"", ".", "..", "a\\b", "caf\xe9", "a\x80", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
              "\xf4\x90\x80\x80", "a\xe6\x97", "\xff"})
            QTest::addRow("unlistable %s", QByteArray(name).toHex().constData())
                << QByteArray(name) << false;
    }

    void listableNames() {
        QFETCH(QByteArray, name);
        QTEST(dp::isListableName(name), "listable");
    }
};

QTEST_GUILESS_MAIN(TestDrivePath)
#include "tst_drive_path.moc"
