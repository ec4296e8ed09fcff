#include "selection_controls.h"
#include "temp_drives.h"

#include "platform/dialogs/scripted_user.h"
#include "platform/drives/drive_table.h"

#include <QtTest>

using platform::Answer;
using L = QStringList;

namespace {
struct SelectAll {
    QString folder;
    L before; // files clicked before; "-b": b removed since File1 listed it
    int presses;
    L selected;
    QString total, buttons; // E:\ selected unless pressed twice
};
} // namespace
Q_DECLARE_METATYPE(SelectAll)

// The handlers of both selection tabs on the main window's controls.
class TestSelection : public QObject {
    Q_OBJECT
    std::unique_ptr<TempDrives> m_drives;
    std::unique_ptr<platform::ScriptedUser> m_user;
    std::unique_ptr<SelectionControls> m_ui;

    // Files a, b, c, ... of the given sizes in C:\DATA, opened in File1.
    void openFiles(const QList<qint64>& sizes) {
        for (int k = 0; k < sizes.size(); ++k)
            m_drives->makeFile(QStringLiteral("C:\\DATA\\") + QChar(u'a' + k), sizes[k]);
        QVERIFY(m_ui->open1(QStringLiteral("C:\\DATA")));
    }
    void remove(const QString& drivePath) {
        QVERIFY(QFile::remove(QFile::decodeName(m_drives->host(drivePath))));
    }
    void add(const QString& folder) {
        QVERIFY(m_ui->highlight2(folder));
        m_ui->folders.DirSelBtn_Click();
    }

private Q_SLOTS:
    void init() {
        m_drives = std::make_unique<TempDrives>();
        for (const char* folder : {"C:\\DATA", "C:\\data", "C:\\EMPTY"})
            m_drives->mkdir(QLatin1String(folder));
        m_user = std::make_unique<platform::ScriptedUser>();
        m_ui = std::make_unique<SelectionControls>();
        QVERIFY(m_ui->dir2->setPath(QStringLiteral("C:\\")).ok());
    }
    void cleanup() {
        const QStringList problems = m_user->problems();
        m_ui.reset();
        m_user.reset();
        m_drives.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // Each file clicked is made first (100 bytes). Remove All follows a
    // click even when refused; Copy follows when a folder is selected.
    void clickFiles_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("messages");
        QTest::addColumn<bool>("folder");
        const QString a = QStringLiteral("C:\\DATA\\a.txt"), b = QStringLiteral("C:\\DATA\\b.txt");
        const QString A = QStringLiteral("C:\\DATA\\A.txt"), old = QStringLiteral("C:\\OLD\\a.txt");
        QTest::newRow("nested folder")
            << L{"C:\\DATA\\OLD\\a"} << L{"C:\\DATA\\OLD\\a"} << 0 << true;
        QTest::newRow("root of another drive") << L{"D:\\a.txt"} << L{"D:\\a.txt"} << 0 << false;
        QTest::newRow("again after another") << L{a, b, a} << L{a, b} << 1 << true;
        QTest::newRow("three times") << L{b, b, b} << L{b} << 2 << false;
        QTest::newRow("letter case differs") << L{a, A} << L{a, A} << 0 << false;
        QTest::newRow("same name, two folders") << L{a, old} << L{a, old} << 0 << false;
    }
    void clickFiles() {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, selected);
        QFETCH(int, messages);
        QFETCH(bool, folder);
        for (const QString& path : clicks)
            m_drives->makeFile(path, qint64(100));
        if (folder)
            m_ui->state.appendFolder(QStringLiteral("E:\\"));
        for (int i = 0; i < messages; ++i)
            m_user->expectBox(Answer::Ok, QStringLiteral("File Already Selected!"));

        for (const QString& path : clicks) { // by File1, its drive and folder opened first
            const int slash = path.lastIndexOf(u'\\');
            const QString folder = path.left(qMax(3, slash));
            if (m_ui->dir1->path() != folder) {
                m_ui->drive1->setDriveOf(folder);
                m_ui->open1(folder);
            }
            QVERIFY(m_ui->clickFile(path.mid(slash + 1)));
        }

        QCOMPARE(SelectionControls::entries(m_ui->selFileList), selected);
        QStringList names;
        for (const QString& path : selected)
            names << path.section(QLatin1Char('\\'), -1);
        QCOMPARE(SelectionControls::entries(m_ui->filenameList), names);
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" %1 File(s) Selected").arg(selected.size()));
        QCOMPARE(m_ui->total(), QString::number(100 * selected.size()));
        for (const platform::MessageBox& box : m_user->boxes())
            QCOMPARE(box.title, QStringLiteral("Repeated Selection"));
        QCOMPARE(m_ui->buttons(), folder ? QStringLiteral("010011") : QStringLiteral("010000"));
    }

    // "Select All" in C:\DATA (a, b, c: 1,000, 2,000 and 3,000 bytes) stops
    // at the first file already selected, with one message. A file gone since
    // File1 listed it ("-b" before: b removed) is not selected, clicked or
    // not, and File1 shows it gone.
    void selectAll_data() {
        QTest::addColumn<SelectAll>("run");
        const QString data = QStringLiteral("C:\\DATA");
        QTest::newRow("all new") << SelectAll{data, {}, 1, {"a", "b", "c"}, "6,000", "010011"};
        QTest::newRow("twice") << SelectAll{data, {}, 2, {"a", "b", "c"}, "6,000", "010000"};
        QTest::newRow("middle one selected")
            << SelectAll{data, {"b"}, 1, {"b", "a"}, "3,000", "010011"};
        QTest::newRow("first one selected") << SelectAll{data, {"a"}, 1, {"a"}, "1,000", "010011"};
        QTest::newRow("empty folder") << SelectAll{"C:\\EMPTY", {}, 1, {}, "0", "000000"};
        QTest::newRow("one gone") << SelectAll{data, {"-b"}, 1, {"a", "c"}, "4,000", "010011"};
        QTest::newRow("one gone, clicked") << SelectAll{data, {"-b", "b"}, 0, {}, "0", "010000"};
    }
    void selectAll() {
        QFETCH(SelectAll, run);
        const auto& [folder, clickedBefore, presses, selected, total, buttons] = run;
        openFiles({1000, 2000, 3000});
        QVERIFY(m_ui->open1(folder));
        if (presses == 1)
            m_ui->state.appendFolder(QStringLiteral("E:\\"));
        bool again = presses > 1; // Select All meets a file selected already
        for (const QString& name : clickedBefore) {
            again = again || selected.contains(name);
            if (name.startsWith(u'-'))
                remove(QStringLiteral("C:\\DATA\\") + name.mid(1));
            else
                QVERIFY(m_ui->clickFile(name));
        }
        if (again)
            m_user->expectBox(Answer::Ok, QStringLiteral("File Already Selected!"));

        for (int i = 0; i < presses; ++i)
            m_ui->files.AllFileBtn_Click();

        QCOMPARE(SelectionControls::entries(m_ui->filenameList), selected);
        QCOMPARE(m_ui->state.selFile(0).left(8), QString(selected.isEmpty() ? "" : "C:\\DATA\\"));
        QCOMPARE(m_ui->total(), total);
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" %1 File(s) Selected").arg(selected.size()));
        QCOMPARE(m_ui->buttons(), buttons);
        if (clickedBefore.contains(QStringLiteral("-b")))
            QCOMPARE(m_ui->listed(), (L{"a", "c"}));
    }

    // Removal subtracts what was added, past 32 bits, though a file grew
    // or vanished since.
    void removeFiles() {
        openFiles({qint64(4) << 30, 2000, 1000}); // sparse
        m_ui->state.appendFolder(QStringLiteral("D:\\"));
        m_ui->files.AllFileBtn_Click();
        QCOMPARE(m_ui->total(), QStringLiteral("4,294,970,296"));
        m_ui->clickSelFile(1);
        QCOMPARE(m_ui->buttons(), QStringLiteral("110011"));
        m_ui->files.RemFileBtn_Click();
        QCOMPARE(SelectionControls::entries(m_ui->selFileList), (L{"C:\\DATA\\a", "C:\\DATA\\c"}));
        QCOMPARE(SelectionControls::entries(m_ui->filenameList), (L{"a", "c"}));
        QCOMPARE(m_ui->total(), QStringLiteral("4,294,968,296"));
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 2 File(s) Selected"));
        QCOMPARE(m_ui->buttons(), QStringLiteral("010011"));
        m_ui->files.RemFileBtn_Click(); // nothing highlighted: nothing goes
        QCOMPARE(m_ui->state.fileCount(), 2);

        remove(QStringLiteral("C:\\DATA\\a"));
        m_drives->makeFile(QStringLiteral("C:\\DATA\\c"), qint64(50000));
        L totals;
        for (int i = 0; i < 2; ++i) {
            m_ui->clickSelFile(0);
            m_ui->files.RemFileBtn_Click();
            totals << m_ui->total();
        }
        QCOMPARE(totals, (L{"1,000", "0"}));
        QCOMPARE(m_ui->buttons(), QStringLiteral("010000")); // Remove All stays
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 0 File(s) Selected"));
        m_ui->files.ClrFileBtn_Click();
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));
        QCOMPARE(m_ui->state.folderCount(), 1);
        QVERIFY(m_ui->clickFile(QStringLiteral("b"))); // selectable again
        QCOMPARE(m_ui->total(), QStringLiteral("2,000"));
    }

    // Steps: "ss" toggles Speed Select; "add:" adds a folder with "Add
    // Folder", "click:" with a click in Dir2 (adds only with Speed Select on).
    void addFolders_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("messages");
        const QString DATA = QStringLiteral("C:\\DATA\\");
        QTest::newRow("root, click") << L{"ss", "click:C:\\"} << L{"C:\\"} << 0;
        QTest::newRow("click, Speed Select off") << L{"click:C:\\DATA"} << L{} << 0;
        QTest::newRow("click, Speed Select on and off") << L{"ss", "ss", "click:C:\\"} << L{} << 0;
        QTest::newRow("twice, both ways")
            << L{"ss", "add:C:\\DATA", "click:C:\\DATA", "add:C:\\DATA"} << L{DATA} << 2;
        QTest::newRow("letter case differs")
            << L{"ss", "add:C:\\DATA", "click:C:\\data"} << L{DATA, "C:\\data\\"} << 0;
        QTest::newRow("root and folder")
            << L{"ss", "click:C:\\DATA", "add:C:\\", "add:C:\\"} << L{DATA, "C:\\"} << 1;
    }
    void addFolders() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, selected);
        QFETCH(int, messages);
        for (int i = 0; i < messages; ++i)
            m_user->expectBox(Answer::Ok, QStringLiteral("Folder Already Selected!"));

        for (const QString& step : steps) {
            if (step == QLatin1String("ss")) {
                m_ui->ssChkBox->toggle();
                m_ui->folders.SSChkBox_Click();
                QCOMPARE(m_ui->ssChkBox->text(), m_ui->ssChkBox->isChecked() ? "ON" : "OFF");
                continue;
            }
            QVERIFY(m_ui->highlight2(step.section(u':', 1)));
            if (step.startsWith(QLatin1String("add:")))
                m_ui->folders.DirSelBtn_Click();
            else
                m_ui->folders.Dir2_Click();
        }

        QCOMPARE(SelectionControls::entries(m_ui->selDirList), selected);
        QCOMPARE(m_ui->state.folderCount(), selected.size());
        QCOMPARE(m_ui->folderPanel(),
                 QStringLiteral(" %1 Folder(s) Selected").arg(selected.size()));
        QCOMPARE(m_ui->buttons(), selected.isEmpty() ? "000000" : "000100");
        for (const platform::MessageBox& box : m_user->boxes())
            QCOMPARE(box.title, QStringLiteral("Repeated Selection"));
    }

    void removeFolders() {
        m_ui->state.appendFile(QStringLiteral("C:\\a"), QStringLiteral("a"), 1);
        add(QStringLiteral("C:\\DATA"));
        QCOMPARE(m_ui->buttons(), QStringLiteral("000111")); // Copy follows the files
        add(QStringLiteral("C:\\data"));
        m_ui->clickSelDir(0);
        QCOMPARE(m_ui->buttons(), QStringLiteral("001111"));
        m_ui->folders.RemDirBtn_Click();
        QCOMPARE(SelectionControls::entries(m_ui->selDirList), L{"C:\\data\\"});
        QCOMPARE(m_ui->folderPanel(), QStringLiteral(" 1 Folder(s) Selected"));
        QCOMPARE(m_ui->buttons(), QStringLiteral("000111"));

        m_ui->folders.RemDirBtn_Click(); // nothing highlighted: nothing goes
        QCOMPARE(m_ui->state.folderCount(), 1);
        m_ui->clickSelDir(0);
        m_ui->folders.RemDirBtn_Click();
        QCOMPARE(m_ui->buttons(), QStringLiteral("000100")); // Remove All stays
        QCOMPARE(m_ui->folderPanel(), QStringLiteral(" 0 Folder(s) Selected"));

        m_ui->folders.ClrDirBtn_Click();
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));
        QCOMPARE(m_ui->state.fileCount(), 1);
        add(QStringLiteral("C:\\DATA")); // selectable again
        QCOMPARE(m_ui->state.folderCount(), 1);
    }

    // At 32,767 files (Select All had room for one more) and folders.
    void limits() {
        openFiles({1, 1, 1});
        for (int i = 1; i < SelectionState::MaxCount; ++i)
            m_ui->state.appendFile(QStringLiteral("C:\\%1").arg(i), QString::number(i), 0);
        for (int i = 0; i < SelectionState::MaxCount; ++i)
            m_ui->state.appendFolder(QStringLiteral("C:\\%1\\").arg(i));
        m_ui->state.refreshFolderIndicator();
        const QString tooMany = QStringLiteral("Cannot Select More Than 32,767 Files.");
        m_user->expectBox(Answer::Ok, tooMany);
        m_ui->files.AllFileBtn_Click();
        m_user->expectBox(Answer::Ok, tooMany);
        QVERIFY(m_ui->clickFile(QStringLiteral("c")));
        m_user->expectBox(Answer::Ok, QStringLiteral("Cannot Select More Than 32,767 Folders."));
        m_ui->folders.DirSelBtn_Click();

        QCOMPARE(m_ui->state.selFile(SelectionState::MaxCount - 1), QStringLiteral("C:\\DATA\\a"));
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 32767 File(s) Selected"));
        QCOMPARE(m_ui->folderPanel(), QStringLiteral(" 32767 Folder(s) Selected"));
        QCOMPARE(m_ui->total(), QStringLiteral("1"));
        const QList<int> counts{m_ui->state.fileCount(), int(m_ui->selFileList->count()),
                                int(m_ui->filenameList->count()), m_ui->state.folderCount(),
                                int(m_ui->selDirList->count())};
        QCOMPARE(counts, QList<int>(5, SelectionState::MaxCount));
        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Selection Limit"));
    }

    // A drive not ready is refused with a message; the drive selector and
    // its folder browser stay where they were, File1 too.
    void driveNotReady_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<Qt::ConnectionType>("changes");
        QTest::newRow("Drive1, change events nested") << 1 << Qt::DirectConnection;
        QTest::newRow("Drive1, change events afterwards") << 1 << Qt::QueuedConnection;
        QTest::newRow("Drive2") << 2 << Qt::DirectConnection;
    }
    void driveNotReady() {
        QFETCH(int, tab);
        QFETCH(Qt::ConnectionType, changes);
        m_ui = std::make_unique<SelectionControls>(changes);
        platform::DriveSelector* drive = tab == 1 ? m_ui->drive1 : m_ui->drive2;
        platform::FolderBrowser* dir = tab == 1 ? m_ui->dir1 : m_ui->dir2;
        m_drives->makeFile(QStringLiteral("D:\\d"));
        openFiles({1});
        QVERIFY(m_ui->dir2->setPath(QStringLiteral("C:\\DATA")).ok());
        QVERIFY(m_ui->clickFile(QStringLiteral("a")));
        platform::DriveTable::instance().setFixedReady(QLatin1Char('D'), false);

        m_user->expectBox(Answer::Ok, QStringLiteral("Drive Not Ready"));
        drive->setDriveOf(QStringLiteral("D:\\"));
        SelectionControls::settle();

        QCOMPARE(m_user->boxes().value(0).title, QStringLiteral("Drive Error"));
        QCOMPARE(drive->drive(), QLatin1Char('C'));
        QCOMPARE(dir->path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(m_ui->file1->path(), QStringLiteral("C:\\DATA"));
        QCOMPARE(SelectionControls::entries(m_ui->selFileList), L{"C:\\DATA\\a"});

        // Once the medium is back the drive is shown (and File1 follows Drive1).
        platform::DriveTable::instance().setFixedReady(QLatin1Char('D'), true);
        drive->setDriveOf(QStringLiteral("D:\\"));
        SelectionControls::settle();
        QCOMPARE(dir->path(), QStringLiteral("D:\\"));
        QCOMPARE(m_ui->listed(), tab == 1 ? L{"d"} : L{"a"});
    }
};

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
