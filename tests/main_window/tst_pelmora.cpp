#include "acting_user.h"
#include "copy_run/status.h"
#include "main_window/application.h"
#include "main_window/pelmora.h"
#include "platform/widgets/file_browser.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/tab_control.h"
#include "selection/selection_state.h"
#include "selection_controls.h"
#include "temp_drives.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

using platform::Answer;

namespace {

const QString StartFolder = QStringLiteral("C:\\Start");
const QString FileA = QStringLiteral("C:\\Start\\a.txt");
const QString FileB = QStringLiteral("C:\\Start\\b.txt");
// The Exit button of each tab, in tab order.
const char* const ExitOnTab[] = {"ExitBtn2", "ExitBtn1", "ExitBtn4", "ExitBtn3"};

} // namespace

class TestPelmora : public QObject {
    Q_OBJECT

    template <typename T = QWidget> T* control(const QString& name) const {
        return m_window->findChild<T*>(name);
    }
    platform::TabControl* tabs() const { return control<platform::TabControl>("SSTab1"); }
    void clickTab(int index) {
        QTabBar* bar = tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Puts entries straight into the selection, as the handlers would have.
    void select(const QStringList& files, const QStringList& folders) {
        for (const QString& file : files)
            m_window->selection().appendFile(file, file.section(QLatin1Char('\\'), -1), 100);
        for (const QString& folder : folders)
            m_window->selection().appendFolder(folder);
    }

    // The selected files, then the selected folders.
    QStringList selected() const {
        return SelectionControls::entries(control<QListWidget>("SelFileList")) +
               SelectionControls::entries(control<QListWidget>("SelDirList"));
    }

    TempDrives m_drives;
    Pelmora* m_window = nullptr;
    int m_quits = 0;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_drives.isValid());
        m_drives.makeFile(FileA, qint64(1000));
        m_drives.makeFile(FileB, qint64(2000));
        m_drives.makeFile(QStringLiteral("C:\\Start\\.hidden.txt"), qint64(10));
        m_drives.mkdir(QStringLiteral("C:\\Start\\Sub1"));
        QVERIFY(QDir::setCurrent(QFile::decodeName(m_drives.host(StartFolder))));

        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        m_window = &Pelmora::instance();
        m_window->setQuitFunction([this] { ++m_quits; });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void init() { m_quits = 0; }
    void cleanup() {
        m_window->selection().resetSelection();
        tabs()->setCurrentIndex(0);
    }

    // The indicators, focus, title, tab captions and first tab at start: the
    // e2e tests; the buttons that act at once: the tests that click them.
    void startUpState() {
        for (const char* name :
             {"RemFileBtn", "RemDirBtn", "ClrDirBtn", "ClrFileBtn", "CopyBtn1", "CopyBtn2"})
            QVERIFY2(!control(name)->isEnabled(), name);
        QVERIFY(control("Frame5")->isVisible());
        QVERIFY(!control("FilenameList")->isVisible());
        // The browsers start in the current folder; hidden files stay out.
        for (const char* name : {"Dir1", "Dir2"})
            QCOMPARE(control<platform::FolderBrowser>(name)->path(), StartFolder);
        QCOMPARE(control<platform::FileBrowser>("File1")->path(), StartFolder);
        QCOMPARE(control<platform::FileBrowser>("File1")->fileCount(), 2);
    }

    void tabClick_data() {
        QTest::addColumn<bool>("files");
        QTest::addColumn<bool>("folders");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        // Into every tab both ways, from another tab and from the tab itself.
        for (int to = 0; to < 4; ++to) {
            const int other = (to + 1) % 4;
            QTest::addRow("both, %d to %d", other, to) << true << true << other << to;
            QTest::addRow("both, %d to %d", to, to) << true << true << to << to;
            QTest::addRow("files only, %d to %d", other, to) << true << false << other << to;
            QTest::addRow("folders only, %d to %d", to, to) << false << true << to << to;
        }
        QTest::newRow("nothing") << false << false << 0 << 1;
    }
    void tabClick() {
        QFETCH(bool, files);
        QFETCH(bool, folders);
        QFETCH(int, from);
        QFETCH(int, to);
        const bool enabled = files && folders;
        select(files ? QStringList{FileA} : QStringList{},
               folders ? QStringList{"D:\\"} : QStringList{});
        tabs()->setCurrentIndex(from);
        // The buttons start the other way round, so the click alone decides.
        for (const char* name : {"CopyBtn1", "CopyBtn2"})
            control(name)->setEnabled(!enabled);
        const bool removeBefore = control("RemFileBtn")->isEnabled();

        clickTab(to);
        QCOMPARE(tabs()->currentIndex(), to);
        for (const char* name : {"CopyBtn1", "CopyBtn2"})
            QCOMPARE(control(name)->isEnabled(), enabled);
        // The rule touches no other button.
        QVERIFY(control("AllFileBtn")->isEnabled());
        QCOMPARE(control("RemFileBtn")->isEnabled(), removeBefore);

        // Only the chosen tab's controls show.
        for (int tab = 0; tab < 4; ++tab)
            QVERIFY2(control(ExitOnTab[tab])->isVisible() == (tab == to), ExitOnTab[tab]);
        QVERIFY(!control("FilenameList")->isVisible());
        QVERIFY(control("StatusBar1")->isVisible());
    }

    void exitQuestion_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<Answer>("answer");
        for (int tab = 0; tab < 4; ++tab) {
            QTest::addRow("%s", ExitOnTab[tab]) << tab << Answer::Ok;
            // Cancel is also what Escape and the box's close control answer.
            QTest::addRow("%s Cancel", ExitOnTab[tab]) << tab << Answer::Cancel;
        }
    }
    void exitQuestion() {
        QFETCH(int, tab);
        QFETCH(Answer, answer);
        select({FileA}, {});
        clickTab(tab);
        platform::ScriptedUser user;
        user.expectBox(answer, QStringLiteral("Are You Sure You Want To Exit Pelmora?"));
        const QString button = QString::fromLatin1(QTest::currentDataTag()).section(' ', 0, 0);
        QTest::mouseClick(control(button), Qt::LeftButton);

        // One box, its buttons the rows' answers; its title and Enter on OK: e2e.
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
        QCOMPARE(user.boxes().constFirst().icon, platform::Icon::Question);
        QCOMPARE(m_quits, answer == Answer::Ok ? 1 : 0);
        // Whatever the answer, the question itself changes nothing.
        QCOMPARE(selected(), QStringList{FileA});
        QCOMPARE(tabs()->currentIndex(), tab);
        QVERIFY(m_window->isVisible());
    }

    // Each control's event reaches the handler named after it, and a list's
    // click comes from the user alone: a highlight set in code leaves its
    // Remove button disabled. Ctrl+click keeps the entry highlighted that
    // Remove Selected then removes.
    void controlsReachTheirHandlers() {
        const QString start = QStringLiteral("C:\\Start\\");
        const QString sub1 = QStringLiteral("C:\\Start\\Sub1\\");
        // Gestures: "Control", "List entry", "List ^entry" (Ctrl+click),
        // "List =row" (set in code), "List <Up>".
        const std::pair<const char*, QStringList> steps[] = {
            // clang-format off
            {"File1 b.txt", {FileB}}, {"ClrFileBtn", {}}, {"AllFileBtn", {FileA, FileB}},
            {"SelFileList =1", {FileA, FileB}}, {"RemFileBtn", {FileA, FileB}},
            {"SelFileList a.txt", {FileA, FileB}}, {"SelFileList ^a.txt", {FileA, FileB}},
            {"RemFileBtn", {FileB}},
            {"SSTab1 1", {FileB}}, {"DirSelBtn", {FileB, start}}, {"SSChkBox", {FileB, start}},
            {"Dir2 Sub1", {FileB, start, sub1}}, {"SSChkBox", {FileB, start, sub1}},
            {"SelDirList =1", {FileB, start, sub1}}, {"SelDirList <Up>", {FileB, start, sub1}},
            {"RemDirBtn", {FileB, sub1}},
            {"ClrDirBtn", {FileB}},
            // clang-format on
        };
        platform::ScriptedUser user;
        for (const auto& [gesture, expected] : steps) {
            const QString name = QString::fromLatin1(gesture).section(' ', 0, 0);
            const QString entry = QString::fromLatin1(gesture).section(' ', 1);
            QWidget* target = control(name);
            QVERIFY2(target, gesture);
            auto* list = qobject_cast<QListWidget*>(target);
            if (target == tabs()) {
                clickTab(entry.toInt());
            } else if (!list) {
                QTest::mouseClick(target, Qt::LeftButton);
            } else if (entry.startsWith('=')) {
                list->setCurrentRow(entry.mid(1).toInt());
            } else if (entry == QLatin1String("<Up>")) {
                list->setFocus();
                QTest::keyClick(list, Qt::Key_Up);
            } else {
                const bool ctrl = entry.startsWith('^');
                const auto found = list->findItems(entry.mid(ctrl ? 1 : 0), Qt::MatchEndsWith);
                QVERIFY2(!found.isEmpty(), gesture);
                QTest::mouseClick(list->viewport(), Qt::LeftButton,
                                  ctrl ? Qt::ControlModifier : Qt::NoModifier,
                                  list->visualItemRect(found.constFirst()).center());
                QVERIFY2(found.constFirst()->isSelected(), gesture);
            }
            QVERIFY2(selected() == expected, qPrintable(name + ": " + selected().join(' ')));
        }
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
    }

    // While a copy run is on (it serves the windows), what reaches a
    // control waits for the run's end, however it came: a screen reader's
    // press or toggle, a click. Then it acts, in order.
    void handlersWaitForTheRun() {
        select({FileA, FileB}, {"D:\\"});
        auto* file1 = control<platform::FileBrowser>("File1");
        SelectionState& sel = m_window->selection();
        sel.setRunOn(true);
        control<QCheckBox>("HidChkBox")->toggle();
        control<QCheckBox>("Check1")->toggle(); // what the run reads keeps its value
        for (const char* button : {"RemFileBtn", "ClrDirBtn"})
            control<QPushButton>(button)->setEnabled(true);
        auto* list = control<QListWidget>("SelFileList");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        control<QPushButton>("RemFileBtn")->click();
        control<QPushButton>("ClrDirBtn")->click();
        QCoreApplication::processEvents();
        QCOMPARE(selected(), (QStringList{FileA, FileB, "D:\\"}));
        QCOMPARE(file1->fileCount(), 2);
        QVERIFY(!control<QCheckBox>("Check1")->isChecked());

        sel.setRunOn(false);
        QTRY_COMPARE(selected(), QStringList{FileB});
        QCOMPARE(file1->fileCount(), 3); // .hidden.txt
        QVERIFY(control<QCheckBox>("Check1")->isChecked());
        control<QCheckBox>("HidChkBox")->toggle();
        control<QCheckBox>("Check1")->toggle();
    }

    // Select All serves the windows while it adds (a timer ticks), and a
    // press that comes in meanwhile waits for its end: after the "File
    // Already Selected!" box, whose loop it must not run in.
    void selectAllServesTheWindows() {
        control<platform::FolderBrowser>("Dir1")->setPath(QStringLiteral("C:\\Start"));
        select({FileB}, {});
        QTest::qWait(40); // a frame since anything was served
        bool tickedDuring = false;
        QTimer::singleShot(0, this, [&] {
            tickedDuring = m_window->selection().runOn();
            control<QPushButton>("ClrFileBtn")->click();
        });
        ActingUser user;
        QStringList underTheBox;
        user.expectBoxActing(
            [&] {
                QCoreApplication::processEvents(); // as the box's own loop would
                underTheBox = selected();
            },
            Answer::Ok, QStringLiteral("File Already Selected!"));
        m_window->AllFileBtn_Click();
        QVERIFY(tickedDuring);
        QCOMPARE(underTheBox, (QStringList{FileB, FileA}));
        QTRY_COMPARE(selected(), QStringList{}); // then the press acts
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
    }

    // A Copy button shows the progress window. While it is open, before
    // "Finish" or after the same-file stop, the main window takes no input
    // however it comes: a screen reader's press of a button or a tab or
    // toggle of a check box changes nothing and asks nothing; nor does a
    // toggle or a tab's press during the run that then stops (it waits for
    // the run's end). Closing the window empties the selection.
    void nothingActsBehindStatus_data() {
        QTest::addColumn<QString>("when"); // "open", "stopped", "during the run"
        const QStringList controls =
            QStringLiteral("HidChkBox SysChkBox SSChkBox Check1 tab1 tab2 tab3 CopyBtn1 CopyBtn2 "
                           "ExitBtn1 ExitBtn2 ExitBtn3 ExitBtn4 AllFileBtn RemFileBtn ClrFileBtn "
                           "DirSelBtn RemDirBtn ClrDirBtn")
                .split(' ');
        for (const char* when : {"open", "stopped", "during the run"})
            for (const QString& name : controls) // a press clicks 0.1 s later: after any run
                if (qstrcmp(when, "during the run") != 0 || !name.endsWith("Btn"))
                    QTest::addRow("%s, %s", qPrintable(name), when) << QString::fromLatin1(when);
    }
    void nothingActsBehindStatus() {
        QFETCH(QString, when);
        const QString name = QString::fromLatin1(QTest::currentDataTag()).section(',', 0, 0);
        QAccessibleInterface* target = name.startsWith(QLatin1String("tab"))
                                           ? QAccessible::queryAccessibleInterface(tabs()->tabBar())
                                                 ->child(name.mid(3).toInt())
                                           : QAccessible::queryAccessibleInterface(control(name));
        QVERIFY(target && target->actionInterface());
        const QString action = qobject_cast<QCheckBox*>(control(name))
                                   ? QAccessibleActionInterface::toggleAction()
                                   : QAccessibleActionInterface::pressAction();
        const auto press = [&] { target->actionInterface()->doAction(action); };
        // The folder of the selected file as the target: "Finish" stops at once.
        select({FileA}, {StartFolder + '\\'});
        for (const char* list : {"SelFileList", "SelDirList"})
            control<QListWidget>(list)->setCurrentRow(0);
        for (const char* button :
             {"RemFileBtn", "ClrFileBtn", "RemDirBtn", "ClrDirBtn", "CopyBtn1", "CopyBtn2"})
            control(button)->setEnabled(true);
        // A handler that ran changed one of these: none runs unless its box changed.
        const auto state = [this] {
            QStringList now = selected() << QString::number(tabs()->currentIndex());
            for (const char* box : {"HidChkBox", "SysChkBox", "SSChkBox", "Check1"})
                now << QString::number(control<QCheckBox>(box)->isChecked());
            return now;
        };
        const QStringList before = state();
        QStringList behind;
        ActingUser user;
        user.expectWindow(QStringLiteral("Status"), [&](QDialog& window) {
            const QPointer<Status> status = static_cast<Status*>(&window);
            if (when != QLatin1String("open")) {
                const bool during = when == QLatin1String("during the run");
                user.expectBoxActing(during ? std::function<void()>(press) : nullptr, Answer::Ok,
                                     QStringLiteral("Cannot Replace File With Itself"));
                status->OkBtn()->click();
            }
            if (when != QLatin1String("during the run"))
                press();
            QTest::qWait(150); // a press clicks 0.1 s later
            behind = state();
            if (status) // a press that went through may have closed it
                status->CancelBtn()->click();
        });
        if (when == QLatin1String("open"))
            QTest::mouseClick(control("CopyBtn2"), Qt::LeftButton); // on the tab shown
        else
            control<QPushButton>("CopyBtn1")->click();
        QCOMPARE(behind, before);
        QCOMPARE(m_quits, 0);
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
        QVERIFY(selected().isEmpty());
    }

    // A check box's handler runs once for each change of its value, however
    // it was made: a click (Space clicks the same way), or a screen reader's
    // toggle (toggle() emits no clicked()). The file boxes re-list File1 once
    // per change. The boxes start unchecked: the first change checks them.
    void checkBoxes_data() {
        QTest::addColumn<QString>("gesture");
        for (const char* box : {"HidChkBox", "SysChkBox", "SSChkBox", "Check1"})
            for (const char* gesture : {"click", "toggle"})
                QTest::addRow("%s %s", box, gesture) << QString::fromLatin1(gesture);
    }
    void checkBoxes() {
        QFETCH(QString, gesture);
        const QString name = QString::fromLatin1(QTest::currentDataTag()).section(' ', 0, 0);
        auto* box = control<QCheckBox>(name);
        auto* file1 = control<platform::FileBrowser>("File1");
        tabs()->setCurrentIndex(name == QLatin1String("SSChkBox") ? 1 : 2);
        QSignalSpy relistings(file1->model(), &QAbstractItemModel::modelReset);
        const bool listsFiles = name == QLatin1String("HidChkBox") || name == "SysChkBox";

        for (const bool on : {true, false}) {
            relistings.clear();
            if (gesture == QLatin1String("click"))
                QTest::mouseClick(box, Qt::LeftButton);
            else
                box->toggle();
            QCOMPARE(box->isChecked(), on);
            QCOMPARE(relistings.size(), listsFiles ? 1 : 0);
            if (name == QLatin1String("HidChkBox"))
                QCOMPARE(file1->fileCount(), on ? 3 : 2); // .hidden.txt
            if (name == QLatin1String("SSChkBox"))
                QCOMPARE(box->text(), on ? QStringLiteral("ON") : QStringLiteral("OFF"));
        }
        QVERIFY(selected().isEmpty()); // the selection is not touched
    }

    void closingTheWindowEndsWithoutQuestion() { // last: it closes the window
        platform::ScriptedUser user;
        QVERIFY(m_window->close());
        QCOMPARE(m_quits, 1);
        QVERIFY(user.boxes().isEmpty() && user.problems().isEmpty());
    }
};

QTEST_MAIN(TestPelmora)
#include "tst_pelmora.moc"
