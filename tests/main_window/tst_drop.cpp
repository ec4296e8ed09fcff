#include "main_window/application.h"
#include "main_window/pelmora.h"
#include "platform/dialogs/scripted_user.h"
#include "platform/widgets/panel_status_bar.h"
#include "platform/widgets/tab_control.h"
#include "selection_controls.h"
#include "temp_drives.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using L = QStringList;

namespace {

const QString FileA = QStringLiteral("C:\\Start\\a.txt"); // 1,000 bytes
const QString FileB = QStringLiteral("C:\\Start\\b.txt"); // 2,000 bytes
const QString FileC = QStringLiteral("D:\\Data\\c.txt");  //   300 bytes
const QString Sub = QStringLiteral("C:\\Start\\Sub");
const QString Data = QStringLiteral("D:\\Data");
const QString AlreadyFile = QStringLiteral("File Already Selected!");
const QString AlreadyFolder = QStringLiteral("Folder Already Selected!");
constexpr auto Any = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// A drop on a tab, and what the selection shows afterwards.
struct Drop {
    int tab;
    L before; // selected already: files, and folder entries "...\"
    L dropped;
    bool taken;
    L files, folders;
    QString total;
    L boxes = {};
    Qt::DropActions actions = Any;
};

} // namespace

Q_DECLARE_METATYPE(Drop)

// Files and folders dropped on the main window from a file manager, sent
// as the drag events the toolkit delivers.
class TestDrop : public QObject {
    Q_OBJECT
    TempDrives m_drives;
    QTemporaryDir m_outside; // on no drive
    Pelmora* m_window = nullptr;

    // A drive path, a name in C:\Start by its host name, "outside" (on no drive) or "web".
    QUrl urlOf(const QString& item) const {
        if (item == QLatin1String("web"))
            return QUrl(QStringLiteral("https://example.org/a.txt"));
        const QString start = QFile::decodeName(m_drives.host(QStringLiteral("C:\\Start")));
        return QUrl::fromLocalFile(item == QLatin1String("outside")
                                       ? m_outside.filePath(QStringLiteral("x.txt"))
                                   : item.contains(u':') ? QFile::decodeName(m_drives.host(item))
                                                         : start + u'/' + item);
    }
    template <typename T = QWidget> T* control(const char* name) const {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    L entries(const char* list) const {
        return SelectionControls::entries(control<QListWidget>(list));
    }
    bool enabled(const char* button) const { return control(button)->isEnabled(); }

    // Enter, move and drop at a list of the window; whether each was taken.
    QList<bool> drag(const L& items, Qt::DropActions actions) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& item : items)
            urls << urlOf(item);
        data.setUrls(urls);
        const QPoint at = control("SelFileList")->geometry().center();
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, {});
        QDragMoveEvent move(at + QPoint(1, 1), actions, &data, Qt::LeftButton, {});
        QDropEvent drop(at + QPoint(1, 1), actions, &data, Qt::LeftButton, {});
        QList<bool> taken;
        for (QDropEvent* event :
             {static_cast<QDropEvent*>(&enter), static_cast<QDropEvent*>(&move), &drop}) {
            QApplication::sendEvent(m_window, event);
            taken << (event->isAccepted() && event->dropAction() == Qt::CopyAction);
        }
        QCoreApplication::processEvents(); // what was dropped goes in after the drop
        return taken;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_drives.isValid() && m_outside.isValid());
        m_drives.makeFile(FileA, qint64(1000));
        m_drives.makeFile(FileB, qint64(2000));
        m_drives.makeFile(FileC, qint64(300));
        m_drives.mkdir(Sub);
        const QByteArray start = m_drives.host(QStringLiteral("C:\\Start"));
        QVERIFY(QFile(m_outside.filePath(QStringLiteral("x.txt"))).open(QIODevice::WriteOnly));
        QVERIFY(QFile(QFile::decodeName(start + "/back\\slash.txt")).open(QIODevice::WriteOnly));
        QVERIFY(::mkfifo(QByteArray(start + "/fifo").constData(), 0644) == 0);
        QVERIFY(::symlink("nowhere.txt", QByteArray(start + "/dangling").constData()) == 0);
        QVERIFY(QDir::setCurrent(QFile::decodeName(start)));

        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        m_window = &Pelmora::instance();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup() { m_window->selection().resetSelection(); }

    void drops_data() {
        QTest::addColumn<Drop>("drop");
        const QString sub = Sub + '\\', data = Data + '\\';
        const auto row = [](const char* name, const Drop& drop) { QTest::newRow(name) << drop; };
        // clang-format off
        row("files, in the order dragged",
            {0, {}, {FileB, FileA}, true, {FileB, FileA}, {}, "3,000"});
        row("files from two drives, a folder left out",
            {0, {data}, {Sub, FileA, FileC}, true, {FileA, FileC}, {data}, "1,300"});
        row("folders only, on the files tab", {0, {}, {Sub, Data}, false, {}, {}, "0"});
        row("duplicates: one box each",
            {0, {FileA}, {FileB, FileA, FileB}, true, {FileA, FileB}, {}, "2,100",
             {AlreadyFile, AlreadyFile}});
        row("folders, a drive root, a file left out",
            {1, {FileA}, {Sub, FileB, Data, "C:\\"}, true, {FileA}, {sub, data, "C:\\"}, "100"});
        row("a folder already selected",
            {1, {sub}, {Data, Sub}, true, {}, {sub, data}, "0", {AlreadyFolder}});
        row("files only, on the folders tab", {1, {}, {FileA}, false, {}, {}, "0"});
        row("unnamable items left out",
            {0, {}, {"web", "outside", "back\\slash.txt", "fifo", "dangling", "a.txt"}, true,
             {FileA}, {}, "1,000"});
        row("nothing nameable",
            {0, {}, {"outside", "back\\slash.txt", "fifo", "dangling", "web"}, false, {}, {}, "0"});
        row("Options / Help tab", {2, {}, {FileA, Sub}, false, {}, {}, "0"});
        row("a drag that would move the files",
            {0, {}, {FileA}, false, {}, {}, "0", {}, Qt::MoveAction});
        // clang-format on
    }
    void drops() {
        QFETCH(Drop, drop);
        const auto& [tab, before, dropped, taken, files, folders, total, boxes, actions] = drop;
        SelectionState& selection = m_window->selection();
        for (const QString& entry : before) {
            if (entry.endsWith('\\'))
                selection.appendFolder(entry);
            else
                selection.appendFile(entry, entry.section('\\', -1), 100);
        }
        selection.refreshFileIndicators();
        selection.refreshFolderIndicator();
        control<platform::TabControl>("SSTab1")->setCurrentIndex(tab);
        platform::ScriptedUser user;
        for (const QString& box : boxes)
            user.expectBox(platform::Answer::Ok, box);

        QCOMPARE(drag(dropped, actions), QList<bool>({taken, taken, taken}));
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
        QCOMPARE(entries("SelFileList"), files);
        QCOMPARE(entries("SelDirList"), folders);
        QCOMPARE(entries("FilenameList").size(), files.size());
        QCOMPARE(control<QLabel>("Label2")->text(), total);
        auto* bar = control<platform::PanelStatusBar>("StatusBar1");
        QCOMPARE(bar->panelText(1), QStringLiteral(" %1 File(s) Selected").arg(files.size()));
        QCOMPARE(bar->panelText(2), QStringLiteral(" %1 Folder(s) Selected").arg(folders.size()));
        // The buttons as the tab's own adding sets them.
        QCOMPARE(enabled("ClrFileBtn"), taken && tab == 0);
        QCOMPARE(enabled("ClrDirBtn"), taken && tab == 1);
        for (const char* copy : {"CopyBtn1", "CopyBtn2"})
            QCOMPARE(enabled(copy), taken && !files.isEmpty() && !folders.isEmpty());
    }

    // The progress window is modal: the main window beneath takes no drop.
    void noDropWhileStatusIsOpen() {
        m_window->selection().appendFolder(QStringLiteral("D:\\"));
        platform::ScriptedUser user;
        QList<bool> taken;
        L during;
        user.expectWindow(QStringLiteral("Status"), [&](QDialog& status) {
            taken = drag({FileA}, Any);
            during = entries("SelFileList");
            status.reject();
        });
        m_window->CopyBtn1_Click();
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
        QCOMPARE(taken, QList<bool>({false, false, false}));
        QCOMPARE(during, L{});
    }
};

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
