#include "platform/drive_selector.h"
#include "platform/drive_table.h"
#include "platform/tab_control.h"

#include "temp_drives.h"

#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

using namespace platform;

class TestControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void driveSelectorListsEveryDrive();
    void driveOfPath_data();
    void driveOfPath();
    void driveChosenByKeyboard();
    void dropDownReloadsQuietly();

    void tabClickAfterPageShown();
    void tabKeysAndProgram();
    void pagesCoverTheControl();
};

void TestControls::driveSelectorListsEveryDrive() {
    TempDrives drives(QStringLiteral("CDE"));
    DriveTable::instance().setFixedReady(QChar(u'E'), false);
    DriveSelector selector;
    QCOMPARE(selector.count(), 3); // a drive without its medium is still listed
    QVERIFY(selector.itemText(0).startsWith(QStringLiteral("c:")));
    QVERIFY(selector.itemText(2).startsWith(QStringLiteral("e:")));
    QCOMPARE(selector.drive(), QChar(u'C'));
}

void TestControls::driveOfPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QChar>("drive");
    QTest::addColumn<int>("changes");
    QTest::newRow("other drive") << QStringLiteral("D:\\STICK") << QChar(u'D') << 1;
    QTest::newRow("lower-case root") << QStringLiteral("d:\\") << QChar(u'D') << 1;
    QTest::newRow("same drive") << QStringLiteral("C:\\DATA") << QChar(u'C') << 0;
    QTest::newRow("unknown drive") << QStringLiteral("Q:\\") << QChar(u'C') << 0;
    QTest::newRow("no drive") << QString() << QChar(u'C') << 0;
}

void TestControls::driveOfPath() {
    QFETCH(QString, path);
    QFETCH(QChar, drive);
    QFETCH(int, changes);

    TempDrives drives(QStringLiteral("CD"));
    DriveSelector selector;
    QSignalSpy changed(&selector, &DriveSelector::changed);
    selector.setDriveOf(path);
    QCOMPARE(selector.drive(), drive);
    QCOMPARE(changed.size(), changes);
}

void TestControls::driveChosenByKeyboard() {
    TempDrives drives(QStringLiteral("CD"));
    DriveSelector selector;
    selector.show();
    QVERIFY(QTest::qWaitForWindowExposed(&selector));
    QSignalSpy changed(&selector, &DriveSelector::changed);
    QTest::keyClick(&selector, Qt::Key_Down);
    QCOMPARE(selector.drive(), QChar(u'D'));
    QCOMPARE(changed.size(), 1);
}

void TestControls::dropDownReloadsQuietly() {
    TempDrives drives(QStringLiteral("CD"));
    DriveSelector selector;
    selector.show();
    QVERIFY(QTest::qWaitForWindowExposed(&selector));
    selector.setDriveOf(QStringLiteral("D:\\"));
    QSignalSpy changed(&selector, &DriveSelector::changed);

    // A volume mounted since the list was read shows when the list opens.
    const QByteArray extra = drives.hostRoot(QChar(u'D')) + "/E";
    QVERIFY(QDir().mkpath(QString::fromUtf8(extra)));
    DriveTable::instance().useFixedMap({{QChar(u'C'), drives.hostRoot(QChar(u'C'))},
                                        {QChar(u'D'), drives.hostRoot(QChar(u'D'))},
                                        {QChar(u'E'), extra}});
    selector.showPopup();
    selector.hidePopup();
    QCOMPARE(selector.count(), 3);
    QCOMPARE(selector.drive(), QChar(u'D'));
    QCOMPARE(changed.size(), 0);
}

namespace {

struct ThreeTabs {
    TabControl tabs;
    QList<QPushButton*> buttons;
    ThreeTabs() {
        tabs.resize(400, 300);
        for (const char* caption : {"One", "Two", "Three"}) {
            auto* button = new QPushButton(QString::fromLatin1(caption),
                                           tabs.addTab(QString::fromLatin1(caption)));
            button->move(10, 40);
            buttons << button;
        }
    }
    QList<bool> visible() const {
        QList<bool> out;
        for (QPushButton* b : buttons)
            out << b->isVisible();
        return out;
    }
};

} // namespace

void TestControls::tabClickAfterPageShown() {
    ThreeTabs t;
    t.tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.tabs));
    QCOMPARE(t.visible(), (QList<bool>{true, false, false}));

    // The handler of a click sees the clicked tab's page already shown.
    QList<int> clicks;
    QList<bool> seenVisible;
    connect(&t.tabs, &TabControl::tabClicked, this, [&](int index) {
        clicks << index;
        seenVisible << (t.tabs.currentIndex() == index && t.buttons.at(index)->isVisible());
    });
    QTabBar* bar = t.tabs.tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QCOMPARE(clicks, QList<int>{1});
    QCOMPARE(t.visible(), (QList<bool>{false, true, false}));
    // A click on the tab already shown is a click too.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QCOMPARE(clicks, (QList<int>{1, 1}));
    QCOMPARE(seenVisible, (QList<bool>{true, true}));
}

void TestControls::tabKeysAndProgram() {
    ThreeTabs t;
    t.tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.tabs));
    QSignalSpy clicked(&t.tabs, &TabControl::tabClicked);

    QTest::keyClick(t.tabs.tabBar(), Qt::Key_Right);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 1);
    QCOMPARE(t.visible(), (QList<bool>{false, true, false}));

    t.tabs.setCurrentIndex(2);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(t.tabs.currentIndex(), 2);
    QCOMPARE(t.visible(), (QList<bool>{false, false, true}));
}

void TestControls::pagesCoverTheControl() {
    ThreeTabs t;
    t.tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.tabs));
    t.tabs.resize(500, 320);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(t.tabs.page(i)->geometry(), t.tabs.rect());
    QCOMPARE(t.buttons.at(0)->mapTo(&t.tabs, QPoint(0, 0)), QPoint(10, 40));
    // The tabs stay clickable above the pages.
    QCOMPARE(t.tabs.childAt(t.tabs.tabBar()->tabRect(2).center()), t.tabs.tabBar());
    QCOMPARE(t.tabs.tabBar()->width(), 500);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
