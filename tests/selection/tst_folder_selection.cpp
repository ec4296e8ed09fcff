#include "selection_fixture.h"
#include "temp_drives.h"

#include "platform/drive_table.h"
#include "platform/scripted_user.h"

#include <QtTest>

using platform::Answer;

class TestFolderSelection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_drives = std::make_unique<TempDrives>();
        for (const char* folder : {"C:\\DATA\\OLD", "C:\\data", "D:\\T"})
            m_drives->mkdir(QLatin1String(folder));
        m_user = std::make_unique<platform::ScriptedUser>();
        m_ui = std::make_unique<SelectionUi>();
        QVERIFY(m_ui->dir2->setPath(QStringLiteral("C:\\")).ok());
    }
    void cleanup() {
        m_ui.reset();
        const QStringList problems = m_user->problems();
        m_user.reset();
        m_drives.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // Each step adds a folder of C:\ either with "Add Folder" ("add:") or
    // with a click in Dir2 while Speed Select is on ("click:").
    void adding_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("messages");
        QTest::newRow("root, add") << QStringList{"add:C:\\"} << QStringList{"C:\\"} << 0;
        QTest::newRow("root, click") << QStringList{"click:C:\\"} << QStringList{"C:\\"} << 0;
        QTest::newRow("folder, add")
            << QStringList{"add:C:\\DATA"} << QStringList{"C:\\DATA\\"} << 0;
        QTest::newRow("folder, click")
            << QStringList{"click:C:\\DATA"} << QStringList{"C:\\DATA\\"} << 0;
        QTest::newRow("twice, both ways")
            << QStringList{"add:C:\\DATA", "click:C:\\DATA", "add:C:\\DATA"}
            << QStringList{"C:\\DATA\\"} << 2;
        QTest::newRow("letter case differs") << QStringList{"add:C:\\DATA", "click:C:\\data"}
                                             << QStringList{"C:\\DATA\\", "C:\\data\\"} << 0;
        QTest::newRow("root and folder") << QStringList{"click:C:\\DATA", "add:C:\\", "add:C:\\"}
                                         << QStringList{"C:\\DATA\\", "C:\\"} << 1;
    }
    void adding() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, selected);
        QFETCH(int, messages);
        m_ui->ssChkBox->setChecked(true);
        m_ui->folders.SSChkBox_Click();
        for (int i = 0; i < messages; ++i)
            m_user->expectBox(Answer::Ok, QStringLiteral("Folder Already Selected!"));

        for (const QString& step : steps) {
            const QString way = step.section(u':', 0, 0);
            QVERIFY(m_ui->highlight2(step.section(u':', 1)));
            if (way == QLatin1String("add"))
                m_ui->folders.DirSelBtn_Click();
            else
                m_ui->folders.Dir2_Click();
        }

        QCOMPARE(SelectionUi::entries(m_ui->selDirList), selected);
        QCOMPARE(m_ui->state.folderCount(), selected.size());
        QCOMPARE(m_ui->folderPanel(), platform::leadingSpaceDecimal(selected.size()) +
                                          QStringLiteral(" Folder(s) Selected"));
        QCOMPARE(m_ui->buttons(), QStringLiteral("000100"));
        for (const platform::MessageBox& box : m_user->boxes())
            QCOMPARE(box.title, QStringLiteral("Repeated Selection"));
    }

    void speedSelectOffIgnoresClicks() {
        QCOMPARE(m_ui->ssChkBox->text(), QStringLiteral("OFF"));
        QVERIFY(m_ui->highlight2(QStringLiteral("C:\\DATA")));
        m_ui->folders.Dir2_Click();
        QCOMPARE(m_ui->selDirList->count(), 0);
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));

        for (const char* caption : {"ON", "OFF"}) {
            m_ui->ssChkBox->toggle();
            m_ui->folders.SSChkBox_Click();
            QCOMPARE(m_ui->ssChkBox->text(), QLatin1String(caption));
        }
        m_ui->folders.Dir2_Click();
        QCOMPARE(m_ui->selDirList->count(), 0);
    }

    void copyFollowsFiles_data() {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("no file") << false << "000100";
        QTest::newRow("a file") << true << "000111";
    }
    void copyFollowsFiles() {
        QFETCH(bool, withFile);
        if (withFile)
            m_ui->state.appendFile(QStringLiteral("C:\\a"), QStringLiteral("a"), 1);
        m_ui->folders.DirSelBtn_Click();
        QTEST(m_ui->buttons(), "buttons");
    }

    void removing() {
        m_ui->state.appendFile(QStringLiteral("C:\\a"), QStringLiteral("a"), 1);
        for (const char* folder : {"C:\\DATA", "C:\\data"}) {
            QVERIFY(m_ui->highlight2(QLatin1String(folder)));
            m_ui->folders.DirSelBtn_Click();
        }
        m_ui->clickSelDir(0);
        QCOMPARE(m_ui->buttons(), QStringLiteral("001111"));
        m_ui->folders.RemDirBtn_Click();
        QCOMPARE(SelectionUi::entries(m_ui->selDirList), QStringList{"C:\\data\\"});
        QCOMPARE(m_ui->folderPanel(), QStringLiteral(" 1 Folder(s) Selected"));
        QCOMPARE(m_ui->buttons(), QStringLiteral("000111"));

        // Pressed without a highlighted entry: nothing goes.
        m_ui->folders.RemDirBtn_Click();
        QCOMPARE(m_ui->state.folderCount(), 1);

        m_ui->clickSelDir(0);
        m_ui->folders.RemDirBtn_Click();
        QCOMPARE(m_ui->buttons(), QStringLiteral("000100")); // Remove All stays
        QCOMPARE(m_ui->folderPanel(), QStringLiteral(" 0 Folder(s) Selected"));

        m_ui->folders.ClrDirBtn_Click(); // on the empty list too
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));
        QCOMPARE(m_ui->state.fileCount(), 1);
        QVERIFY(m_ui->highlight2(QStringLiteral("C:\\DATA")));
        m_ui->folders.DirSelBtn_Click(); // selectable again
        QCOMPARE(m_ui->state.folderCount(), 1);
    }

    void limitOfFolders() {
        for (int i = 0; i < SelectionState::MaxCount; ++i)
            m_ui->state.appendFolder(QStringLiteral("C:\\%1\\").arg(i));
        m_user->expectBox(Answer::Ok, QStringLiteral("Cannot Select More Than 32,767 Folders."));
        m_ui->folders.DirSelBtn_Click();
        QCOMPARE(m_ui->state.folderCount(), SelectionState::MaxCount);
        QCOMPARE(m_ui->selDirList->count(), SelectionState::MaxCount);
        QVERIFY(!m_ui->state.containsFolder(QStringLiteral("C:\\")));
        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Selection Limit"));
    }

    void driveNotReady() {
        QVERIFY(m_ui->highlight2(QStringLiteral("C:\\DATA")));
        m_ui->folders.DirSelBtn_Click();
        platform::DriveTable::instance().setFixedReady(QLatin1Char('D'), false);
        m_user->expectBox(Answer::Ok, QStringLiteral("Drive Not Ready"));
        m_ui->drive2->setDriveOf(QStringLiteral("D:\\"));
        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Drive Error"));
        QCOMPARE(m_ui->drive2->drive(), QLatin1Char('C'));
        QCOMPARE(m_ui->dir2->path(), QStringLiteral("C:\\"));
        QCOMPARE(SelectionUi::entries(m_ui->selDirList), QStringList{"C:\\DATA\\"});

        platform::DriveTable::instance().setFixedReady(QLatin1Char('D'), true);
        m_ui->drive2->setDriveOf(QStringLiteral("D:\\"));
        QCOMPARE(m_ui->dir2->path(), QStringLiteral("D:\\"));
    }

private:
    std::unique_ptr<TempDrives> m_drives;
    std::unique_ptr<platform::ScriptedUser> m_user;
    std::unique_ptr<SelectionUi> m_ui;
};

QTEST_MAIN(TestFolderSelection)
#include "tst_folder_selection.moc"
