#include "platform/drives/drive_table.h"
#include "platform/widgets/drive_selector.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/tab_control.h"
#include "temp_drives.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

using namespace platform;

namespace {

QStringList texts(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

void click(QListWidget& list, const QString& text, Qt::KeyboardModifiers keys = {}) {
    const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, keys,
                      list.visualItemRect(found.first()).center());
}

// What a person's double click delivers: a click, a press, the double
// click and a release (QTest::mouseDClick alone sends only the middle one).
void doubleClick(QListWidget& list, const QString& text) {
    click(list, text);
    const QPoint at = list.visualItemRect(list.findItems(text, Qt::MatchExactly).first()).center();
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
}

template <typename Widget> bool shown(Widget& widget) {
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_drives = std::make_unique<TempDrives>(QStringLiteral("CD"));
        for (const char* folder : {"C:\\DATA\\SUB1\\DEEP", "C:\\DATA\\sub2", "C:\\DATA\\.hidden",
                                   "C:\\OLD", "D:\\STICK"})
            m_drives->mkdir(QString::fromUtf8(folder));
        for (const char* file :
             {"C:\\DATA\\a.txt", "C:\\DATA\\B.txt", "C:\\DATA\\.secret", "C:\\root.txt"})
            m_drives->makeFile(QString::fromUtf8(file), QByteArray("x"));
    }

    void cleanup() { m_drives.reset(); }

    // The chain from the root to the current folder, then its sub-folders
    // (hidden ones left out), the current folder highlighted. A click or a
    // key highlights (clicked()); a double click or Enter opens (changed()).
    void folderHighlightAndOpen() {
        FolderBrowser dir;
        dir.resize(200, 400); // room below the entries
        QVERIFY(shown(dir));
        QVERIFY(dir.setPath(QStringLiteral("c:\\DATA\\")).ok()); // folder-entry form
        QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(texts(dir), (QStringList{"C:\\", "DATA", "SUB1", "sub2"}));
        QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA"));
        QSignalSpy clicked(&dir, &FolderBrowser::clicked);
        QSignalSpy changed(&dir, &FolderBrowser::changed);
        QVERIFY(dir.setPath(QStringLiteral("C:\\DATA")).ok()); // the same folder: no change

        click(dir, QStringLiteral("sub2"));
        QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\sub2"));
        click(dir, QStringLiteral("C:\\")); // the root in its three-character form
        QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\"));
        QTest::keyClick(&dir, Qt::Key_Down);
        QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA"));
        QCOMPARE(clicked.size(), 3);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
        // Clicks beside the entries or with Ctrl leave exactly one highlighted.
        QTest::mouseClick(dir.viewport(), Qt::LeftButton, {}, QPoint(20, 380));
        click(dir, QStringLiteral("SUB1"), Qt::ControlModifier);
        QCOMPARE(dir.selectedItems().size(), 1);

        doubleClick(dir, QStringLiteral("SUB1"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(dir.path(), QStringLiteral("C:\\DATA\\SUB1"));
        QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\SUB1"));
        QCOMPARE(texts(dir), (QStringList{"C:\\", "DATA", "SUB1", "DEEP"}));
        doubleClick(dir, QStringLiteral("C:\\")); // up the chain
        QCOMPARE(texts(dir), (QStringList{"C:\\", "DATA", "OLD"}));
        QTest::keyClick(&dir, Qt::Key_Down);
        const int clicks = clicked.size();
        QTest::keyClick(&dir, Qt::Key_Return);
        QCOMPARE(changed.size(), 3);
        QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(clicked.size(), clicks); // opening is not a click
    }

    void folderFailuresChangeNothing() {
        FolderBrowser dir;
        QVERIFY(shown(dir));
        QVERIFY(dir.setPath(QStringLiteral("C:\\DATA")).ok());
        dir.setCurrentRow(3);
        const QStringList before = texts(dir);
        QSignalSpy changed(&dir, &FolderBrowser::changed);

        DriveTable::instance().setFixedReady(QChar(u'D'), false);
        QCOMPARE(dir.setDrive(QChar(u'D')).error, FsError::NotReady);
        QVERIFY(!dir.setPath(QStringLiteral("C:\\NOWHERE")).ok());
        QVERIFY(!dir.setPath(QStringLiteral("no drive")).ok());
        QCOMPARE(dir.highlightedPath(), QStringLiteral("C:\\DATA\\sub2"));
        // A listed sub-folder removed behind the browser's back is not opened.
        QVERIFY(removeFolder(QStringLiteral("C:\\DATA\\sub2")));
        doubleClick(dir, QStringLiteral("sub2"));
        QCOMPARE(dir.path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(texts(dir), before);
        QCOMPARE(changed.size(), 0);
    }

    void folderSetDriveRemembersLastFolder() {
        FolderBrowser dir;
        QSignalSpy changed(&dir, &FolderBrowser::changed);
        QVERIFY(dir.setPath(QStringLiteral("C:\\DATA\\sub2")).ok());
        QVERIFY(dir.setDrive(QChar(u'D')).ok()); // first time: the root
        QCOMPARE(texts(dir), (QStringList{"D:\\", "STICK"}));
        QVERIFY(dir.setPath(QStringLiteral("D:\\STICK")).ok());
        QVERIFY(dir.setDrive(QChar(u'c')).ok());
        QCOMPARE(dir.path(), QStringLiteral("C:\\DATA\\sub2"));
        QVERIFY(dir.setDrive(QChar(u'D')).ok());
        QCOMPARE(dir.path(), QStringLiteral("D:\\STICK"));
        QCOMPARE(changed.size(), 5);
        // The folder last shown there has gone: the drive's root instead.
        QVERIFY(removeFolder(QStringLiteral("C:\\DATA\\sub2")));
        QVERIFY(dir.setDrive(QChar(u'C')).ok());
        QCOMPARE(dir.path(), QStringLiteral("C:\\"));
    }

    // A folder that cannot be listed (gone, or gone since) leaves the list as
    // it was. (Hidden files re-listed at once: main_window/pelmora checkBoxes.)
    void fileListing() {
        FileBrowser file;
        QVERIFY(file.setPath(QStringLiteral("C:\\DATA")).ok());
        QCOMPARE(texts(file), (QStringList{"a.txt", "B.txt"}));
        QCOMPARE(file.fileName(2), QString());
        QVERIFY(!file.setPath(QStringLiteral("C:\\NOWHERE")).ok());
        QVERIFY(removeFolder(QStringLiteral("C:\\DATA")));
        file.reload();
        file.setShowHidden(true);
        QCOMPARE(file.path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(texts(file), (QStringList{"a.txt", "B.txt"}));
    }

    void fileClickAndKeysEmitClicked() {
        FileBrowser file;
        QVERIFY(shown(file));
        QVERIFY(file.setPath(QStringLiteral("C:\\DATA")).ok());
        QCOMPARE(file.highlightedName(), QString());
        QSignalSpy clicked(&file, &FileBrowser::clicked);

        click(file, QStringLiteral("B.txt"));
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(file.highlightedName(), QStringLiteral("B.txt"));
        // Each key that moves the highlight to another file is a click on it...
        QTest::keyClick(&file, Qt::Key_Up);
        QCOMPARE(clicked.size(), 2);
        QCOMPARE(file.highlightedName(), QStringLiteral("a.txt"));
        // ...a key that moves nowhere is not, nor is a list the program makes.
        QTest::keyClick(&file, Qt::Key_Home);
        file.setShowHidden(true);
        file.reload();
        QVERIFY(file.setPath(QStringLiteral("C:\\")).ok());
        QCOMPARE(texts(file), QStringList{"root.txt"});
        QCOMPARE(clicked.size(), 2);
    }

    void driveSelector() {
        DriveSelector selector;
        QVERIFY(shown(selector));
        QSignalSpy changed(&selector, &DriveSelector::changed);
        QTest::keyClick(&selector, Qt::Key_Down);
        QCOMPARE(selector.drive(), QChar(u'D'));
        // Only a path on another known drive is a change.
        for (const char* path : {"C:\\DATA", "c:\\", "Q:\\", "", "d:\\", "D:\\STICK"})
            selector.setDriveOf(QString::fromUtf8(path));
        QCOMPARE(changed.size(), 3);

        // A drive mounted since the list was read shows when the list opens,
        // one without its medium too; the choice stays, without a change.
        const QByteArray extra = m_drives->host(QStringLiteral("D:\\STICK"));
        DriveTable::instance().useFixedMap({{QChar(u'C'), m_drives->hostRoot(QChar(u'C'))},
                                            {QChar(u'D'), m_drives->hostRoot(QChar(u'D'))},
                                            {QChar(u'E'), extra}});
        DriveTable::instance().setFixedReady(QChar(u'E'), false);
        selector.showPopup();
        selector.hidePopup();
        QCOMPARE(selector.count(), 3);
        QVERIFY(selector.itemText(2).startsWith(QStringLiteral("e:")));
        QCOMPARE(selector.drive(), QChar(u'D'));
        QCOMPARE(changed.size(), 3);
    }

    void tabs() {
        TabControl tabs;
        tabs.resize(400, 300);
        QList<QPushButton*> buttons;
        for (const QString& caption : {QStringLiteral("One"), QStringLiteral("Two")}) {
            buttons << new QPushButton(caption, tabs.addTab(caption));
            buttons.last()->move(10, 40);
        }
        QVERIFY(shown(tabs));
        // Pages cover the control, placed from its corner; the tabs stay above them.
        QCOMPARE(buttons.at(0)->mapTo(&tabs, QPoint(0, 0)), QPoint(10, 40));
        QTabBar* bar = tabs.tabBar();
        QCOMPARE(tabs.childAt(bar->tabRect(1).center()), bar);

        // The handler of a click sees the clicked tab's page already shown.
        QStringList seen;
        connect(&tabs, &TabControl::tabClicked, this, [&](int index) {
            seen << QString::number(index) + (buttons.at(index)->isVisible() ? "+" : "-");
        });
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QTest::keyClick(bar, Qt::Key_Left);
        tabs.setCurrentIndex(1); // the program, not the user
        QCOMPARE(seen, (QStringList{"1+", "0+"}));
        QVERIFY(!buttons.at(0)->isVisible() && buttons.at(1)->isVisible());
    }

private:
    bool removeFolder(const QString& drivePath) {
        return QDir(QFile::decodeName(m_drives->host(drivePath))).removeRecursively();
    }
    std::unique_ptr<TempDrives> m_drives;
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
