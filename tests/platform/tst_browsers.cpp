#include "platform/drive_table.h"
#include "platform/file_browser.h"
#include "platform/folder_browser.h"

#include "temp_drives.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace platform;

namespace {

QStringList texts(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

QListWidgetItem* itemNamed(const QListWidget& list, const QString& text) {
    const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

QPoint centreOf(const QListWidget& list, const QString& text) {
    QListWidgetItem* item = itemNamed(list, text);
    return item != nullptr ? list.visualItemRect(item).center() : QPoint(-1, -1);
}

// What a person's double click delivers: a click, a press, the double
// click and a release (QTest::mouseDClick alone sends only the middle one).
void doubleClick(QListWidget& list, const QString& text) {
    const QPoint at = centreOf(list, text);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
}

bool removeFolder(const TempDrives& drives, const QString& drivePath) {
    return QDir(QFile::decodeName(drives.host(drivePath))).removeRecursively();
}

} // namespace

class TestBrowsers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void folderChainAndSubFolders_data();
    void folderChainAndSubFolders();
    void folderClickHighlightsWithoutOpening();
    void folderDoubleClickOpens();
    void folderKeysMoveAndOpen();
    void folderHighlightStaysOnOneEntry();
    void folderSetDriveRemembersLastFolder();
    void folderSetDriveNotReadyChangesNothing();
    void folderUnlistableChangesNothing();

    void fileSettingsRelist_data();
    void fileSettingsRelist();
    void fileClickAndKeyboardEmitClicked();
    void fileProgramRelistDoesNotClick();
    void fileVanishedFolderKeepsList();

private:
    std::unique_ptr<TempDrives> m_drives;
};

void TestBrowsers::init() {
    m_drives = std::make_unique<TempDrives>(QStringLiteral("CD"));
    QVERIFY(m_drives->isValid());
    m_drives->mkdir(QStringLiteral("C:\\DATA\\SUB1\\DEEP"));
    m_drives->mkdir(QStringLiteral("C:\\DATA\\sub2"));
    m_drives->mkdir(QStringLiteral("C:\\DATA\\.hidden"));
    m_drives->mkdir(QStringLiteral("C:\\OLD"));
    m_drives->makeFile(QStringLiteral("C:\\DATA\\a.txt"), QByteArray("a"));
    m_drives->makeFile(QStringLiteral("C:\\DATA\\B.txt"), QByteArray("b"));
    m_drives->makeFile(QStringLiteral("C:\\DATA\\.secret"), QByteArray("s"));
    m_drives->makeFile(QStringLiteral("C:\\root.txt"));
}

void TestBrowsers::cleanup() {
    m_drives.reset();
}

void TestBrowsers::folderChainAndSubFolders_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");        // as the browser reports it
    QTest::addColumn<QStringList>("entries"); // chain, then sub-folders
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("chain");

    QTest::newRow("root") << QStringLiteral("C:\\") << QStringLiteral("C:\\")
                          << QStringList{"C:\\", "DATA", "OLD"}
                          << QStringList{"C:\\", "C:\\DATA", "C:\\OLD"} << 1;
    QTest::newRow("below root") << QStringLiteral("C:\\DATA") << QStringLiteral("C:\\DATA")
                                << QStringList{"C:\\", "DATA", "SUB1", "sub2"}
                                << QStringList{"C:\\", "C:\\DATA", "C:\\DATA\\SUB1",
                                               "C:\\DATA\\sub2"}
                                << 2;
    QTest::newRow("leaf") << QStringLiteral("C:\\DATA\\SUB1\\DEEP")
                          << QStringLiteral("C:\\DATA\\SUB1\\DEEP")
                          << QStringList{"C:\\", "DATA", "SUB1", "DEEP"}
                          << QStringList{"C:\\", "C:\\DATA", "C:\\DATA\\SUB1",
                                         "C:\\DATA\\SUB1\\DEEP"}
                          << 4;
    QTest::newRow("folder entry form, lower-case letter")
        << QStringLiteral("c:\\DATA\\") << QStringLiteral("C:\\DATA")
        << QStringList{"C:\\", "DATA", "SUB1", "sub2"}
        << QStringList{"C:\\", "C:\\DATA", "C:\\DATA\\SUB1", "C:\\DATA\\sub2"} << 2;
}

void TestBrowsers::folderChainAndSubFolders() {
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, paths);
    QFETCH(int, chain);

    FolderBrowser dir;
    QSignalSpy changed(&dir, &FolderBrowser::changed);
    QVERIFY(dir.setPath(folder).ok());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(dir.path(), path);
    QCOMPARE(texts(dir), entries);
    for (int i = 0; i < dir.count(); ++i) {
        dir.setCurrentRow(i);
        QCOMPARE(dir.highlightedPath(), paths.at(i));
        QCOMPARE(dir.item(i)->data(Qt::AccessibleTextRole).toString(), entries.at(i));
    }
    // At first the current folder is the one entry highlighted.
    QVERIFY(dir.setPath(folder).ok());
    QCOMPARE(changed.size(), 1); // the same folder again is no change
    QCOMPARE(dir.selectedItems().size(), 1);
    QCOMPARE(dir.currentRow(), chain - 1);
    QCOMPARE(dir.highlightedPath(), path);
}

void TestBrowsers::folderClickHighlightsWithoutOpening() {
    FolderBrowser dir;
    dir.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dir));
    QVERIFY(dir.setPath(QStringLiteral("C:\\DATA")).ok());
    QSignalSpy clicked(&dir, &FolderBrowser::clicked);
    QSignalSpy changed(&dir, &FolderBrowser::changed);

    QTest::mouseClick(dir.viewport(), Qt::LeftButton, {}, centreOf(dir, "sub2"));
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
    QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\sub2"));

    // The drive root in the chain is highlighted in its three-character form.
    QTest::mouseClick(dir.viewport(), Qt::LeftButton, {}, centreOf(dir, "C:\\"));
    QCOMPARE(clicked.size(), 2);
    QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\"));
    QCOMPARE(texts(dir).size(), 4);
}

void TestBrowsers::folderDoubleClickOpens() {
    FolderBrowser dir;
    dir.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dir));
    QVERIFY(dir.setPath(QStringLiteral("C:\\DATA")).ok());
    QSignalSpy changed(&dir, &FolderBrowser::changed);

    doubleClick(dir, "SUB1");
    QCOMPARE(changed.size(), 1);
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA\\SUB1"));
    QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\SUB1"));
    QCOMPARE(texts(dir), (QStringList{"C:\\", "DATA", "SUB1", "DEEP"}));

    // Up the chain: opening the root shows its folders again.
    doubleClick(dir, "C:\\");
    QCOMPARE(changed.size(), 2);
    QCOMPARE(dir.path(), QStringLiteral("C:\\"));
    QCOMPARE(texts(dir), (QStringList{"C:\\", "DATA", "OLD"}));
}

void TestBrowsers::folderKeysMoveAndOpen() {
    FolderBrowser dir;
    dir.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dir));
    QVERIFY(dir.setPath(QStringLiteral("C:\\DATA")).ok());
    QSignalSpy clicked(&dir, &FolderBrowser::clicked);
    QSignalSpy changed(&dir, &FolderBrowser::changed);

    QTest::keyClick(&dir, Qt::Key_Down);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\SUB1"));

    QTest::keyClick(&dir, Qt::Key_Return);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA\\SUB1"));
    QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\SUB1"));
    QCOMPARE(clicked.size(), 1); // opening is not a click
}

void TestBrowsers::folderHighlightStaysOnOneEntry() {
    FolderBrowser dir;
    dir.resize(200, 400); // room below the entries
    dir.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dir));
    QVERIFY(dir.setPath(QStringLiteral("C:\\OLD")).ok());

    QTest::mouseClick(dir.viewport(), Qt::LeftButton, {}, QPoint(20, 380));
    QCOMPARE(dir.selectedItems().size(), 1);
    QTest::mouseClick(dir.viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(dir, "OLD"));
    QCOMPARE(dir.selectedItems().size(), 1);
    QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\OLD"));
}

void TestBrowsers::folderSetDriveRemembersLastFolder() {
    m_drives->mkdir(QStringLiteral("D:\\STICK"));
    FolderBrowser dir;
    QSignalSpy changed(&dir, &FolderBrowser::changed);
    QVERIFY(dir.setPath(QStringLiteral("C:\\DATA\\sub2")).ok());

    QVERIFY(dir.setDrive(QChar(u'D')).ok()); // first time: the root
    QCOMPARE(dir.path(), QStringLiteral("D:\\"));
    QCOMPARE(texts(dir), (QStringList{"D:\\", "STICK"}));
    QVERIFY(dir.setPath(QStringLiteral("D:\\STICK")).ok());

    QVERIFY(dir.setDrive(QChar(u'c')).ok());
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA\\sub2"));
    QVERIFY(dir.setDrive(QChar(u'D')).ok());
    QCOMPARE(dir.path(), QStringLiteral("D:\\STICK"));
    QCOMPARE(changed.size(), 5);

    // The folder last shown there has gone: the drive's root instead.
    QVERIFY(removeFolder(*m_drives, QStringLiteral("C:\\DATA\\sub2")));
    QVERIFY(dir.setDrive(QChar(u'C')).ok());
    QCOMPARE(dir.path(), QStringLiteral("C:\\"));
}

void TestBrowsers::folderSetDriveNotReadyChangesNothing() {
    FolderBrowser dir;
    QVERIFY(dir.setPath(QStringLiteral("C:\\DATA")).ok());
    dir.setCurrentRow(3);
    const QStringList before = texts(dir);
    QSignalSpy changed(&dir, &FolderBrowser::changed);

    DriveTable::instance().setFixedReady(QChar(u'D'), false);
    const Outcome outcome = dir.setDrive(QChar(u'D'));
    QVERIFY(!outcome.ok());
    QCOMPARE(outcome.error, FsError::NotReady);
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
    QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\sub2"));
    QCOMPARE(texts(dir), before);
    QCOMPARE(changed.size(), 0);

    // An unknown letter is no more ready.
    QVERIFY(!dir.setDrive(QChar(u'Q')).ok());
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
}

void TestBrowsers::folderUnlistableChangesNothing() {
    FolderBrowser dir;
    dir.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dir));
    QVERIFY(dir.setPath(QStringLiteral("C:\\DATA")).ok());
    const QStringList before = texts(dir);
    QSignalSpy changed(&dir, &FolderBrowser::changed);

    QVERIFY(!dir.setPath(QStringLiteral("C:\\NOWHERE")).ok());
    QVERIFY(!dir.setPath(QStringLiteral("C:\\DATA\\a.txt")).ok());
    QVERIFY(!dir.setPath(QStringLiteral("no drive")).ok());
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));

    // A listed sub-folder removed behind the browser's back is not opened.
    QVERIFY(removeFolder(*m_drives, QStringLiteral("C:\\DATA\\sub2")));
    doubleClick(dir, "sub2");
    QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
    QCOMPARE(texts(dir), before);
    QCOMPARE(changed.size(), 0);
}

void TestBrowsers::fileSettingsRelist_data() {
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("hidden off") << false << QStringList{"a.txt", "B.txt"};
    QTest::newRow("hidden on") << true << QStringList{".secret", "a.txt", "B.txt"};
}

void TestBrowsers::fileSettingsRelist() {
    QFETCH(bool, hidden);
    QFETCH(QStringList, expected);

    FileBrowser file;
    QVERIFY(file.setPath(QStringLiteral("C:\\DATA")).ok());
    file.setShowHidden(hidden);
    QCOMPARE(file.showHidden(), hidden);
    QStringList listed = texts(file);
    listed.sort(Qt::CaseInsensitive); // the order is the file system layer's
    QCOMPARE(listed, expected);
    QCOMPARE(file.fileCount(), expected.size());

    // And back, at once.
    file.setShowHidden(!hidden);
    QCOMPARE(file.fileCount(), hidden ? 2 : 3);
    QCOMPARE(file.fileName(file.fileCount()), QString());
}

void TestBrowsers::fileClickAndKeyboardEmitClicked() {
    FileBrowser file;
    file.show();
    QVERIFY(QTest::qWaitForWindowExposed(&file));
    QVERIFY(file.setPath(QStringLiteral("C:\\DATA")).ok());
    QCOMPARE(file.highlightedName(), QString());
    QSignalSpy clicked(&file, &FileBrowser::clicked);

    QTest::mouseClick(file.viewport(), Qt::LeftButton, {}, centreOf(file, "B.txt"));
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(file.highlightedName(), QStringLiteral("B.txt"));

    // Each key that moves the highlight to another file is a click on it.
    const int row = file.currentRow();
    QTest::keyClick(&file, row == 0 ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(clicked.size(), 2);
    QCOMPARE(file.highlightedName(), QStringLiteral("a.txt"));
    QTest::keyClick(&file, row == 0 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(clicked.size(), 3);
    QCOMPARE(file.highlightedName(), QStringLiteral("B.txt"));

    // A key that moves nowhere is not.
    QTest::keyClick(&file, row == 0 ? Qt::Key_Home : Qt::Key_End);
    QCOMPARE(clicked.size(), 3);
}

void TestBrowsers::fileProgramRelistDoesNotClick() {
    FileBrowser file;
    file.show();
    QVERIFY(QTest::qWaitForWindowExposed(&file));
    QVERIFY(file.setPath(QStringLiteral("C:\\DATA")).ok());
    file.setCurrentRow(1);
    QSignalSpy clicked(&file, &FileBrowser::clicked);

    file.setShowHidden(true);
    file.reload();
    QVERIFY(file.setPath(QStringLiteral("C:\\")).ok());
    QCOMPARE(texts(file), QStringList{"root.txt"});
    QCOMPARE(clicked.size(), 0);
}

void TestBrowsers::fileVanishedFolderKeepsList() {
    FileBrowser file;
    QVERIFY(file.setPath(QStringLiteral("C:\\DATA")).ok());
    const QStringList before = texts(file);

    QVERIFY(!file.setPath(QStringLiteral("C:\\NOWHERE")).ok());
    QCOMPARE(file.path(), QStringLiteral("C:\\DATA"));
    QCOMPARE(texts(file), before);

    QVERIFY(removeFolder(*m_drives, QStringLiteral("C:\\DATA")));
    file.reload();
    file.setShowHidden(true);
    QCOMPARE(file.path(), QStringLiteral("C:\\DATA"));
    QCOMPARE(texts(file), before);
}

QTEST_MAIN(TestBrowsers)
#include "tst_browsers.moc"
