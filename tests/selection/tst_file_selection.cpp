#include "selection_fixture.h"
#include "temp_drives.h"

#include "platform/drive_table.h"
#include "platform/scripted_user.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstdlib>
#include <sys/mount.h>

using platform::Answer;

namespace {
const QString AlreadySelected = QStringLiteral("File Already Selected!");
const QString TooMany = QStringLiteral("Cannot Select More Than 32,767 Files.");
} // namespace

class TestFileSelection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_drives = std::make_unique<TempDrives>();
        m_user = std::make_unique<platform::ScriptedUser>();
        m_ui = std::make_unique<SelectionUi>();
    }
    void cleanup() {
        m_ui.reset();
        if (!m_mountPoint.isEmpty()) {
            ::umount2(m_mountPoint.constData(), MNT_DETACH);
            QDir().rmdir(QFile::decodeName(m_mountPoint));
            m_mountPoint.clear();
        }
        const QStringList problems = m_user->problems();
        m_user.reset();
        m_drives.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    void sourcePath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("source");
        QTest::newRow("folder") << "C:\\DATA"
                                << "C:\\DATA\\a.txt";
        QTest::newRow("nested folder") << "C:\\DATA\\OLD"
                                       << "C:\\DATA\\OLD\\a.txt";
        QTest::newRow("drive root") << "C:\\"
                                    << "C:\\a.txt";
        QTest::newRow("root of another drive") << "D:\\"
                                               << "D:\\a.txt";
    }
    void sourcePath() {
        QFETCH(QString, folder);
        QFETCH(QString, source);
        m_drives->makeFile(source, qint64(1234));
        m_ui->drive1->setDriveOf(folder); // Drive1_Change brings Dir1 and File1 along
        QVERIFY(m_ui->open1(folder));
        QVERIFY(m_ui->clickFile(QStringLiteral("a.txt")));
        QCOMPARE(SelectionUi::entries(m_ui->selFileList), QStringList{source});
        QCOMPARE(SelectionUi::entries(m_ui->filenameList), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 1 File(s) Selected"));
        QCOMPARE(m_ui->total(), QStringLiteral("1,234"));
    }

    void clicks_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("messages");
        QTest::newRow("again after another")
            << QStringList{"a.txt", "b.txt", "a.txt"} << QStringList{"a.txt", "b.txt"} << 1;
        QTest::newRow("letter case differs")
            << QStringList{"a.txt", "A.txt"} << QStringList{"a.txt", "A.txt"} << 0;
        QTest::newRow("three times")
            << QStringList{"b.txt", "b.txt", "b.txt"} << QStringList{"b.txt"} << 2;
    }
    void clicks() {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, selected);
        QFETCH(int, messages);
        for (const char* name : {"a.txt", "A.txt", "b.txt"})
            m_drives->makeFile(QStringLiteral("C:\\DATA\\") + QLatin1String(name), qint64(100));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        for (int i = 0; i < messages; ++i)
            m_user->expectBox(Answer::Ok, AlreadySelected);

        for (const QString& name : clicks)
            QVERIFY(m_ui->clickFile(name));

        QCOMPARE(SelectionUi::entries(m_ui->filenameList), selected);
        QCOMPARE(m_ui->state.fileCount(), selected.size());
        QCOMPARE(m_ui->filePanel(), platform::leadingSpaceDecimal(selected.size()) +
                                        QStringLiteral(" File(s) Selected"));
        QCOMPARE(m_ui->total(), QString::number(100 * selected.size()));
        for (const platform::MessageBox& box : m_user->boxes()) {
            QCOMPARE(box.title, QStringLiteral("Repeated Selection"));
            QCOMPARE(box.buttons, platform::Buttons::Ok);
            QCOMPARE(box.icon, platform::Icon::Exclamation);
        }
        // A refused click still enables Remove All.
        QCOMPARE(m_ui->buttons(), QStringLiteral("010000"));
    }

    void sameNameInTwoFolders() {
        m_drives->makeFile(QStringLiteral("C:\\DATA\\a.txt"));
        m_drives->makeFile(QStringLiteral("C:\\OLD\\a.txt"));
        for (const char* folder : {"C:\\DATA", "C:\\OLD"}) {
            QVERIFY(m_ui->open1(QLatin1String(folder)));
            QVERIFY(m_ui->clickFile(QStringLiteral("a.txt")));
        }
        QCOMPARE(SelectionUi::entries(m_ui->selFileList),
                 (QStringList{"C:\\DATA\\a.txt", "C:\\OLD\\a.txt"}));
        QCOMPARE(SelectionUi::entries(m_ui->filenameList), (QStringList{"a.txt", "a.txt"}));
    }

    void selectAll_data() {
        QTest::addColumn<QStringList>("clickedBefore");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("total");
        QTest::newRow("all new") << QStringList{} << 1 << QStringList{"a", "b", "c"} << "6,000";
        QTest::newRow("the middle one selected")
            << QStringList{"b"} << 1 << QStringList{"b", "a"} << "3,000";
        QTest::newRow("the first one selected")
            << QStringList{"a"} << 1 << QStringList{"a"} << "1,000";
        QTest::newRow("pressed twice")
            << QStringList{} << 2 << QStringList{"a", "b", "c"} << "6,000";
    }
    void selectAll() {
        QFETCH(QStringList, clickedBefore);
        QFETCH(int, presses);
        QFETCH(QStringList, selected);
        m_drives->makeFile(QStringLiteral("C:\\DATA\\a"), qint64(1000));
        m_drives->makeFile(QStringLiteral("C:\\DATA\\b"), qint64(2000));
        m_drives->makeFile(QStringLiteral("C:\\DATA\\c"), qint64(3000));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        for (const QString& name : clickedBefore)
            QVERIFY(m_ui->clickFile(name));
        if (!clickedBefore.isEmpty() || presses > 1)
            m_user->expectBox(Answer::Ok, AlreadySelected); // one message, however many follow

        for (int i = 0; i < presses; ++i)
            m_ui->files.AllFileBtn_Click();

        QCOMPARE(SelectionUi::entries(m_ui->filenameList), selected);
        QCOMPARE(m_ui->state.selFile(0).left(8), QStringLiteral("C:\\DATA\\"));
        QTEST(m_ui->total(), "total");
        QCOMPARE(m_ui->filePanel(), platform::leadingSpaceDecimal(selected.size()) +
                                        QStringLiteral(" File(s) Selected"));
    }

    void selectAllInEmptyFolder() {
        m_ui->state.appendFolder(QStringLiteral("D:\\"));
        m_ui->state.refreshFolderIndicator();
        QVERIFY(m_ui->open1(m_drives->mkdir(QStringLiteral("C:\\EMPTY"))));
        m_ui->files.AllFileBtn_Click();
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));
        QCOMPARE(m_ui->state.fileCount(), 0);
        QCOMPARE(m_ui->total(), QStringLiteral("0"));
    }

    void copyFollowsFolders_data() {
        QTest::addColumn<bool>("withFolder");
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("click, no folder") << false << false << "010000";
        QTest::newRow("click, a folder") << true << false << "010011";
        QTest::newRow("select all, no folder") << false << true << "010000";
        QTest::newRow("select all, a folder") << true << true << "010011";
    }
    void copyFollowsFolders() {
        QFETCH(bool, withFolder);
        QFETCH(bool, selectAll);
        m_drives->makeFile(QStringLiteral("C:\\DATA\\a"));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        if (withFolder)
            m_ui->state.appendFolder(QStringLiteral("D:\\"));
        if (selectAll)
            m_ui->files.AllFileBtn_Click();
        else
            QVERIFY(m_ui->clickFile(QStringLiteral("a")));
        QTEST(m_ui->buttons(), "buttons");
    }

    void removeSelected() {
        m_drives->makeFile(QStringLiteral("C:\\DATA\\a"), qint64(1000));
        m_drives->makeFile(QStringLiteral("C:\\DATA\\b"), qint64(2000));
        m_drives->makeFile(QStringLiteral("C:\\DATA\\c"), qint64(500000));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        m_ui->state.appendFolder(QStringLiteral("D:\\"));
        m_ui->files.AllFileBtn_Click();
        QCOMPARE(m_ui->total(), QStringLiteral("503,000"));

        m_ui->clickSelFile(1);
        QCOMPARE(m_ui->buttons(), QStringLiteral("110011"));
        m_ui->files.RemFileBtn_Click();
        QCOMPARE(SelectionUi::entries(m_ui->filenameList), (QStringList{"a", "c"}));
        QCOMPARE(m_ui->state.selFile(1), QStringLiteral("C:\\DATA\\c"));
        QCOMPARE(m_ui->total(), QStringLiteral("501,000"));
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 2 File(s) Selected"));
        QCOMPARE(m_ui->buttons(), QStringLiteral("010011"));

        // Pressed without a highlighted entry: nothing goes.
        m_ui->files.RemFileBtn_Click();
        QCOMPARE(m_ui->state.fileCount(), 2);
        QCOMPARE(m_ui->selFileList->count(), 2);

        m_ui->clickSelFile(0);
        m_ui->files.RemFileBtn_Click();
        m_ui->clickSelFile(0);
        m_ui->files.RemFileBtn_Click();
        QCOMPARE(m_ui->buttons(), QStringLiteral("010000")); // Remove All stays
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 0 File(s) Selected"));
        QCOMPARE(m_ui->total(), QStringLiteral("0"));

        m_ui->files.ClrFileBtn_Click();
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));
        QCOMPARE(m_ui->state.folderCount(), 1);
        QVERIFY(m_ui->clickFile(QStringLiteral("b"))); // selectable again
        QCOMPARE(m_ui->total(), QStringLiteral("2,000"));
    }

    void vanishedFileIsNotSelected_data() {
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("clicked") << false << QStringList{} << "010000";
        QTest::newRow("select all") << true << QStringList{"a", "c"} << "010011";
    }
    void vanishedFileIsNotSelected() {
        QFETCH(bool, selectAll);
        for (const char* name : {"a", "b", "c"})
            m_drives->makeFile(QStringLiteral("C:\\DATA\\") + QLatin1String(name), qint64(5));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        m_ui->state.appendFolder(QStringLiteral("D:\\"));
        QVERIFY(QFile::remove(QFile::decodeName(m_drives->host(QStringLiteral("C:\\DATA\\b")))));

        if (selectAll)
            m_ui->files.AllFileBtn_Click();
        else
            QVERIFY(m_ui->clickFile(QStringLiteral("b")));

        QTEST(SelectionUi::entries(m_ui->filenameList), "selected");
        QCOMPARE(m_ui->state.fileCount(), m_ui->selFileList->count());
        QCOMPARE(m_ui->state.totalBytes(), qint64(5 * m_ui->selFileList->count()));
        QTEST(m_ui->buttons(), "buttons");
        QCOMPARE(m_ui->listed(), (QStringList{"a", "c"}));
        QVERIFY(m_user->boxes().isEmpty());
    }

    void removalSubtractsWhatWasAdded() {
        const QString grows = m_drives->makeFile(QStringLiteral("C:\\DATA\\grows"), qint64(1000));
        const QString goes = m_drives->makeFile(QStringLiteral("C:\\DATA\\goes"), qint64(2000));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        m_ui->files.AllFileBtn_Click();
        QCOMPARE(m_ui->total(), QStringLiteral("3,000"));

        m_drives->makeFile(grows, qint64(50000));
        QVERIFY(QFile::remove(QFile::decodeName(m_drives->host(goes))));
        for (int i = 0; i < 2; ++i) {
            m_ui->clickSelFile(0);
            m_ui->files.RemFileBtn_Click();
            QVERIFY(m_ui->state.totalBytes() >= 0);
        }
        QCOMPARE(m_ui->total(), QStringLiteral("0"));
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 0 File(s) Selected"));
    }

    void fourGiBFile() {
        const qint64 size = qint64(4) << 30; // sparse: costs no disk space
        m_drives->makeFile(QStringLiteral("C:\\BIG\\big.iso"), size);
        m_drives->makeFile(QStringLiteral("C:\\BIG\\small"), qint64(5));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\BIG")));
        m_ui->files.AllFileBtn_Click();
        QCOMPARE(m_ui->total(), QStringLiteral("4,294,967,301"));
        m_ui->clickSelFile(1);
        m_ui->files.RemFileBtn_Click();
        QCOMPARE(m_ui->total(), QStringLiteral("4,294,967,296"));
    }

    void limitOfFiles() {
        for (const char* name : {"a", "b", "c"})
            m_drives->makeFile(QStringLiteral("C:\\DATA\\") + QLatin1String(name), qint64(1));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        for (int i = 1; i < SelectionState::MaxCount; ++i)
            m_ui->state.appendFile(QStringLiteral("C:\\%1").arg(i), QString::number(i), 0);

        m_user->expectBox(Answer::Ok, TooMany);
        m_ui->files.AllFileBtn_Click(); // room for one more
        QCOMPARE(m_ui->state.fileCount(), SelectionState::MaxCount);
        QCOMPARE(m_ui->state.selFile(SelectionState::MaxCount - 1), QStringLiteral("C:\\DATA\\a"));
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 32767 File(s) Selected"));

        m_user->expectBox(Answer::Ok, TooMany);
        QVERIFY(m_ui->clickFile(QStringLiteral("c")));
        QCOMPARE(m_ui->selFileList->count(), SelectionState::MaxCount);
        QCOMPARE(m_ui->filenameList->count(), SelectionState::MaxCount);
        QCOMPARE(m_ui->total(), QStringLiteral("1"));
        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Selection Limit"));
    }

    void hiddenAndSystemToggles() {
        m_drives->makeFile(QStringLiteral("C:\\DATA\\.hidden"));
        m_drives->makeFile(QStringLiteral("C:\\DATA\\plain"));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        QCOMPARE(m_ui->listed(), QStringList{"plain"});

        m_ui->hidChkBox->setChecked(true);
        m_ui->files.HidChkBox_Click();
        QVERIFY(m_ui->clickFile(QStringLiteral(".hidden")));
        m_ui->hidChkBox->setChecked(false);
        m_ui->files.HidChkBox_Click();
        QCOMPARE(m_ui->listed(), QStringList{"plain"});
        QCOMPARE(SelectionUi::entries(m_ui->selFileList), QStringList{"C:\\DATA\\.hidden"});

        m_ui->sysChkBox->setChecked(true);
        m_ui->files.SysChkBox_Click();
        QVERIFY(m_ui->file1->showSystem());
        m_ui->sysChkBox->setChecked(false);
        m_ui->files.SysChkBox_Click();
        QVERIFY(!m_ui->file1->showSystem());
    }

    void unlistableFolderGoesBackSilently() {
        m_drives->makeFile(QStringLiteral("C:\\OLD\\x"));
        m_drives->mkdir(QStringLiteral("C:\\GONE"));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\OLD")));
        {
            const QSignalBlocker later(m_ui->dir1);
            QVERIFY(m_ui->dir1->setPath(QStringLiteral("C:\\GONE")).ok());
        }
        QVERIFY(QDir(QFile::decodeName(m_drives->host(QStringLiteral("C:\\GONE"))))
                    .removeRecursively());
        m_ui->files.Dir1_Change();
        QCOMPARE(m_ui->dir1->path(), QStringLiteral("C:\\OLD"));
        QCOMPARE(m_ui->file1->path(), QStringLiteral("C:\\OLD"));
    }

    void driveNotReady_data() {
        QTest::addColumn<Qt::ConnectionType>("changes");
        QTest::newRow("change events nested") << Qt::DirectConnection;
        QTest::newRow("change events afterwards") << Qt::QueuedConnection;
    }
    void driveNotReady() {
        QFETCH(Qt::ConnectionType, changes);
        m_ui = std::make_unique<SelectionUi>(changes);
        m_drives->makeFile(QStringLiteral("C:\\DATA\\a"));
        m_drives->makeFile(QStringLiteral("D:\\d"));
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
        QVERIFY(m_ui->clickFile(QStringLiteral("a")));
        platform::DriveTable::instance().setFixedReady(QLatin1Char('D'), false);

        m_user->expectBox(Answer::Ok, QStringLiteral("Drive Not Ready"));
        m_ui->drive1->setDriveOf(QStringLiteral("D:\\"));
        SelectionUi::settle();

        QCOMPARE(m_user->boxes().size(), 1);
        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Drive Error"));
        QCOMPARE(m_ui->drive1->drive(), QLatin1Char('C'));
        QCOMPARE(m_ui->dir1->path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(m_ui->file1->path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(SelectionUi::entries(m_ui->selFileList), QStringList{"C:\\DATA\\a"});

        // Once the medium is back, the drive is shown and File1 follows.
        platform::DriveTable::instance().setFixedReady(QLatin1Char('D'), true);
        m_ui->drive1->setDriveOf(QStringLiteral("D:\\"));
        SelectionUi::settle();
        QCOMPARE(m_ui->dir1->path(), QStringLiteral("D:\\"));
        QCOMPARE(m_ui->listed(), QStringList{"d"});
    }

    void removedVolumeIsNotReady() {
        if (!runningAsRoot())
            QSKIP("Mounting a tmpfs volume needs root.");
        QByteArray folder("/mnt/pelmora-selection-XXXXXX");
        if (!::mkdtemp(folder.data()))
            QSKIP("No folder can be made under /mnt.");
        if (::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=1m") != 0) {
            QDir().rmdir(QFile::decodeName(folder));
            QSKIP("This host does not allow mounting a tmpfs volume.");
        }
        m_mountPoint = folder;
        QFile f(QFile::decodeName(folder + "/f.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("12345") == 5);
        f.close();

        m_ui.reset();
        platform::DriveTable::instance().useHost();
        QChar letter;
        for (const platform::Drive& d : platform::DriveTable::instance().drives())
            if (d.hostRoot == folder && d.ready)
                letter = d.letter;
        QVERIFY2(!letter.isNull(), "the mounted volume got no drive letter");
        const QString root = QString(letter) + QStringLiteral(":\\");
        m_ui = std::make_unique<SelectionUi>();

        m_ui->drive1->setDriveOf(root);
        QCOMPARE(m_ui->dir1->path(), root);
        QVERIFY(m_ui->clickFile(QStringLiteral("f.txt")));
        m_ui->drive1->setDriveOf(QStringLiteral("C:\\"));
        QCOMPARE(m_ui->dir1->path().left(3), QStringLiteral("C:\\"));

        QCOMPARE(::umount2(folder.constData(), MNT_DETACH), 0);
        m_user->expectBox(Answer::Ok, QStringLiteral("Drive Not Ready"));
        m_ui->drive1->setDriveOf(root);
        QCOMPARE(m_ui->drive1->drive(), QLatin1Char('C'));
        QCOMPARE(m_ui->dir1->path().left(3), QStringLiteral("C:\\"));
        const QString selected = root + QStringLiteral("f.txt");
        QCOMPARE(SelectionUi::entries(m_ui->selFileList), QStringList{selected});
    }

private:
    std::unique_ptr<TempDrives> m_drives;
    std::unique_ptr<platform::ScriptedUser> m_user;
    std::unique_ptr<SelectionUi> m_ui;
    QByteArray m_mountPoint;
};

QTEST_MAIN(TestFileSelection)
#include "tst_file_selection.moc"
