#include "main_window/application.h"
#include "main_window/caption_button.h"
#include "main_window/pelmora.h"
#include "platform/file_browser.h"
#include "platform/folder_browser.h"
#include "platform/panel_status_bar.h"
#include "platform/scripted_user.h"
#include "platform/tab_control.h"
#include "selection/selection_state.h"
#include "temp_drives.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QtTest>

using platform::Answer;

namespace {

const QString StartFolder = QStringLiteral("C:\\Start");
const QString FileA = QStringLiteral("C:\\Start\\a.txt");
const QString FileB = QStringLiteral("C:\\Start\\b.txt");
// The Exit button of each tab, in tab order.
const char* const ExitOnTab[] = {"ExitBtn2", "ExitBtn1", "ExitBtn4", "ExitBtn3"};

QString captionOf(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    return {};
}

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
        QStringList entries;
        for (int i = 0; i < m_window->selection().selFileCount(); ++i)
            entries << m_window->selection().selFile(i);
        for (int i = 0; i < m_window->selection().selDirCount(); ++i)
            entries << m_window->selection().selDir(i);
        return entries;
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

    void startUpState() {
        auto* bar = control<platform::PanelStatusBar>("StatusBar1");
        QCOMPARE(bar->panelText(1), QStringLiteral(" 0 File(s) Selected"));
        QCOMPARE(bar->panelText(2), QStringLiteral(" 0 Folder(s) Selected"));
        QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("0"));
        for (const char* name :
             {"RemFileBtn", "RemDirBtn", "ClrDirBtn", "ClrFileBtn", "CopyBtn1", "CopyBtn2"})
            QVERIFY2(!control(name)->isEnabled(), name);
        for (const char* name :
             {"AllFileBtn", "DirSelBtn", "ExitBtn1", "ExitBtn2", "ExitBtn3", "ExitBtn4"})
            QVERIFY2(control(name)->isEnabled(), name);
        for (const char* name : {"HidChkBox", "SysChkBox", "SSChkBox", "Check1"})
            QVERIFY2(!control<QCheckBox>(name)->isChecked(), name);

        QCOMPARE(tabs()->currentIndex(), 0);
        QVERIFY(control("Frame5")->isVisible());
        QVERIFY(!control("FilenameList")->isVisible());
        QCOMPARE(m_window->focusWidget(), tabs()->tabBar());
        QStringList captions;
        for (int i = 0; i < tabs()->tabBar()->count(); ++i)
            captions << tabs()->tabBar()->tabText(i);
        QCOMPARE(captions,
                 QStringList({"Copy File(s)", "To Folder(s)", "Options / Help", "About"}));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Pelmora By Orvane"));

        // A window and a status bar to a screen reader, laid out as drawn:
        // twips divided by fifteen, rounded, the 96-dpi pixels of the layout.
        QCOMPARE(m_window->statusBar(), control("StatusBar1"));
        QCOMPARE(m_window->statusBar()->geometry(), QRect(0, 352, 434, 21));
        QCOMPARE(m_window->statusBar()->findChildren<QLabel*>().constFirst()->geometry(),
                 QRect(0, 0, 133, 21));
        QCOMPARE(tabs()->geometry(), QRect(0, 0, 433, 353));
        QCOMPARE(m_window->size(), QSize(434, 373));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QCOMPARE(control("File1")->geometry(), QRect(216, 48, 193, 110));
        QCOMPARE(control("ExitBtn3")->geometry(), QRect(192, 304, 225, 33));

        // The browsers start in the current folder; hidden files stay out.
        for (const char* name : {"Dir1", "Dir2"})
            QCOMPARE(control<platform::FolderBrowser>(name)->path(), StartFolder);
        QCOMPARE(control<platform::FileBrowser>("File1")->path(), StartFolder);
        QCOMPARE(control<platform::FileBrowser>("File1")->fileCount(), 2);
    }

    void controls_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        // The long texts of Options / Help and About.
        const char* label15 =
            "Tab by using the drive and folder boxes (left upper windows) to locate the file(s) "
            "to be copied and then clicking on the desired files in the filelist box (upper "
            "right window) or by pressing select all.  The selected files will appear in the "
            "lower selected list window.  Files may be added or removed from the selected list "
            "using the appropriate buttons.";
        const char* label18 =
            "Tab by using the drive and folder boxes to locate the desired folder and then "
            "clicking add folder.  Speed select enables folders to be selected with just a click "
            "in the folder window.  Folders may also be added or removed from the list.";
        const char* label19 =
            "Notice: A file and folder selection are required before Copy button is enabled.";
        const char* label28 =
            "Designed to send files to multiple student folders on a campus network system.";
        const char* label29 =
            "Copy files from multiple folders into a single folder (at one time) for backing up.";
        const char* label35 =
            "Now supports floppy disk spanning for copying large numbers of files to floppy.";
        const struct {
            const char *name, *kind, *caption;
        } rows[] = {
            // clang-format off
            {"SSTab1", "platform::TabControl", ""}, {"StatusBar1", "platform::PanelStatusBar", ""},
            {"Frame5", "QGroupBox", "Available Files"}, {"Drive1", "platform::DriveSelector", ""},
            {"Dir1", "platform::FolderBrowser", ""}, {"File1", "platform::FileBrowser", ""},
            {"Label34", "QLabel", "Pelmora Ver. 1.02"}, {"AllFileBtn", "QPushButton", "Select All"},
            {"Label1", "QLabel", "Select File(s) From List"},
            {"Frame6", "QGroupBox", "Selected Files"}, {"SelFileList", "QListWidget", ""},
            {"FilenameList", "QListWidget", ""}, {"Label2", "QLabel", "0"},
            {"Frame7", "QGroupBox", "Total Bytes Selected"}, {"CopyBtn2", "QPushButton", "Copy"},
            {"RemFileBtn", "QPushButton", "Remove Selected"}, {"ExitBtn2", "QPushButton", "Exit"},
            {"ClrFileBtn", "QPushButton", "Remove All"},
            {"Frame4", "QGroupBox", "Available Folders"}, {"Dir2", "platform::FolderBrowser", ""},
            {"Drive2", "platform::DriveSelector", ""}, {"Frame2", "QGroupBox", "Actions"},
            {"CopyBtn1", "QPushButton", "Copy"}, {"ExitBtn1", "QPushButton", "Exit"},
            {"Line1", "QFrame", ""}, {"DirSelBtn", "QPushButton", "Add Folder"},
            {"Label32", "QLabel", "Pelmora"}, {"Label33", "QLabel", "Ver. 1.02"},
            {"Image1", "QLabel", ""}, {"Frame1", "QGroupBox", "Speed Select"},
            {"SSChkBox", "QCheckBox", "OFF"}, {"RemDirBtn", "QPushButton", "Remove Selected"},
            {"ClrDirBtn", "QPushButton", "Remove All"}, {"SelDirList", "QListWidget", ""},
            {"Frame3", "QGroupBox", "Selected Folders"},
            {"Frame12", "QGroupBox", "Help"}, {"Image5", "QLabel", ""}, {"Image6", "QLabel", ""},
            {"Label5", "QLabel", "Select the files to be copied in the  "},
            {"Label11", "QLabel", "Copy File(s)  "}, {"Label15", "QLabel", label15},
            {"Label16", "QLabel", "Select the folder(s) to copy the files to in the"},
            {"Label17", "QLabel", "To Folder(s)"}, {"Label18", "QLabel", label18},
            {"Label19", "QLabel", label19}, {"Frame8", "QGroupBox", "View"},
            {"Label3", "QLabel", "Show Files Of These Types"},
            {"HidChkBox", "QCheckBox", "Hidden Files"}, {"SysChkBox", "QCheckBox", "System Files"},
            {"Frame10", "QGroupBox", "Settings"},
            {"Check1", "QCheckBox", "Don't Confirm Overwrites"},
            {"Image7", "QLabel", ""}, {"Image8", "QLabel", ""}, {"Label20", "QLabel", "Version"},
            {"Label21", "QLabel", "1.02"}, {"Label22", "QLabel", "Pelmora"},
            {"Label8", "QLabel", "A 32-Bit Multiple File-Folder Copy Utility"},
            {"Label23", "QLabel", "1/97"}, {"ExitBtn4", "QPushButton", "Exit"},
            {"Frame9", "QGroupBox", "About Pelmora"}, {"Image2", "QLabel", ""},
            {"Image3", "QLabel", ""}, {"Label12", "QLabel", "Version"},
            {"Label13", "QLabel", "1.02"},
            {"Label6", "QLabel", "Pelmora"}, {"Label14", "QLabel", "1/97"},
            {"Label7", "QLabel", "A 32-Bit Mutiple File-Folder Copy Utility"},
            {"Label28", "QLabel", label28}, {"Label29", "QLabel", label29},
            {"Label35", "QLabel", label35}, {"Label30", "QLabel", "Many other uses."},
            {"Frame11", "QGroupBox", "About Orvane"}, {"Label4", "QLabel", "Orvane Software"},
            {"ExitBtn3", "QPushButton", "Exit"},
            // clang-format on
        };
        for (const auto& row : rows)
            QTest::newRow(row.name)
                << QString::fromLatin1(row.kind) << QString::fromLatin1(row.caption);
    }
    void controls() {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        const QWidget* widget = control(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(widget);
        QVERIFY2(widget->inherits(kind.toLatin1()), widget->metaObject()->className());
        QCOMPARE(captionOf(widget), caption);
        // Assistive technology, and tests of the real program, find it by its name.
        QCOMPARE(widget->accessibleDescription(), widget->objectName());
        if (qobject_cast<const QListWidget*>(widget))
            QVERIFY2(!widget->accessibleName().isEmpty(), "says what it holds");
        if (auto* button = qobject_cast<const QPushButton*>(widget))
            QVERIFY(!button->autoDefault() && !button->isDefault());
    }

    // Every caption must be readable in full at the layout's size: a font a
    // size too large (or a family with wider letters) cuts texts off here.
    void captionsFit_data() {
        QTest::addColumn<QWidget*>("widget");
        for (QWidget* widget : m_window->findChildren<QWidget*>()) {
            if (!widget->objectName().isEmpty() && !captionOf(widget).isEmpty())
                QTest::newRow(widget->objectName().toLatin1()) << widget;
        }
    }
    void captionsFit() {
        QFETCH(QWidget*, widget);
        const QString caption = captionOf(widget);
        const QFontMetrics metrics(widget->font());
        QSize needed(metrics.horizontalAdvance(caption), metrics.height());
        QSize room;
        bool wraps = false;
        if (auto* button = qobject_cast<CaptionButton*>(widget)) {
            room = button->captionRect().size();
            wraps = true;
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(check);
            option.text = caption;
            room =
                check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).size();
        } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            room = QSize(frame->width() - 16, frame->height()); // the corners either side
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            room = label->size();
            wraps = label->wordWrap();
        } else {
            QFAIL("a captioned control of an unknown kind");
        }
        if (wraps)
            needed =
                metrics.boundingRect({0, 0, room.width(), 10000}, Qt::TextWordWrap, caption).size();
        QCOMPARE_LE(needed.width(), room.width());
        QCOMPARE_LE(needed.height(), room.height());
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

    void copyButtonsShowStatus_data() {
        QTest::addColumn<int>("tab");
        QTest::newRow("CopyBtn1") << 1;
        QTest::newRow("CopyBtn2") << 0;
    }
    void copyButtonsShowStatus() {
        QFETCH(int, tab);
        select({FileA}, {"D:\\"});
        clickTab(tab);
        platform::ScriptedUser user;
        bool mainWindowBlocked = false;
        user.expectWindow(QStringLiteral("Status"), [&](QDialog& status) {
            mainWindowBlocked = QApplication::activeModalWidget() == &status;
            status.reject();
        });
        QTest::mouseClick(control(QTest::currentDataTag()), Qt::LeftButton);

        QCOMPARE(user.windows(), QStringList{QStringLiteral("Status")});
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
        QVERIFY(mainWindowBlocked);
        // Closing the progress window without a copy still clears the selection.
        QVERIFY(selected().isEmpty());
        QCOMPARE(m_quits, 0);
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

        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
        QCOMPARE(user.boxes().size(), 1);
        const platform::MessageBox& box = user.boxes().constFirst();
        QCOMPARE(box.title, QStringLiteral("Quit Pelmora?"));
        QCOMPARE(box.buttons, platform::Buttons::OkCancel);
        QCOMPARE(box.icon, platform::Icon::Question);
        QCOMPARE(box.defaultButton, 1); // OK: Enter ends the program
        QCOMPARE(m_quits, answer == Answer::Ok ? 1 : 0);
        // Whatever the answer, the question itself changes nothing.
        QCOMPARE(selected(), QStringList{FileA});
        QCOMPARE(tabs()->currentIndex(), tab);
        QVERIFY(m_window->isVisible());
    }

    // Each control's event reaches the handler named after it, and a list's
    // click comes from the user alone: a highlight set in code leaves its
    // Remove button disabled.
    void controlsReachTheirHandlers() {
        const QString start = QStringLiteral("C:\\Start\\");
        const QString sub1 = QStringLiteral("C:\\Start\\Sub1\\");
        // Gestures: "Control", "List entry", "List =row" (set in code), "List <Down>".
        const std::pair<const char*, QStringList> steps[] = {
            // clang-format off
            {"File1 b.txt", {FileB}}, {"ClrFileBtn", {}}, {"AllFileBtn", {FileA, FileB}},
            {"SelFileList =1", {FileA, FileB}}, {"RemFileBtn", {FileA, FileB}},
            {"SelFileList a.txt", {FileA, FileB}}, {"RemFileBtn", {FileB}},
            {"SSTab1 1", {FileB}}, {"DirSelBtn", {FileB, start}}, {"SSChkBox", {FileB, start}},
            {"Dir2 Sub1", {FileB, start, sub1}}, {"SSChkBox", {FileB, start, sub1}},
            {"SelDirList <Down>", {FileB, start, sub1}}, {"RemDirBtn", {FileB, sub1}},
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
            } else if (entry == QLatin1String("<Down>")) {
                list->setFocus();
                QTest::keyClick(list, Qt::Key_Down);
            } else {
                const auto found = list->findItems(entry, Qt::MatchEndsWith);
                QVERIFY2(!found.isEmpty(), gesture);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(found.constFirst()).center());
            }
            QVERIFY2(selected() == expected, qPrintable(name + ": " + selected().join(' ')));
        }
        QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
    }

    // A check box's handler runs once for each change of its value, however
    // it was made: a click, Space, or a screen reader's toggle (toggle()
    // emits no clicked()). The file boxes re-list File1 once per change.
    void checkBoxes_data() {
        QTest::addColumn<QString>("gesture");
        for (const char* box : {"HidChkBox", "SysChkBox", "SSChkBox", "Check1"})
            for (const char* gesture : {"click", "Space", "toggle"})
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
            if (gesture == QLatin1String("click")) {
                QTest::mouseClick(box, Qt::LeftButton);
            } else if (gesture == QLatin1String("Space")) {
                box->setFocus();
                QTest::keyClick(box, Qt::Key_Space);
            } else {
                box->toggle();
            }
            QCOMPARE(box->isChecked(), on);
            QCOMPARE(relistings.size(), listsFiles ? 1 : 0);
            if (name == QLatin1String("HidChkBox"))
                QCOMPARE(file1->fileCount(), on ? 3 : 2); // .hidden.txt
            if (name == QLatin1String("SSChkBox"))
                QCOMPARE(box->text(), on ? QStringLiteral("ON") : QStringLiteral("OFF"));
        }
        QVERIFY(selected().isEmpty()); // the selection is not touched
    }

    void tabOrder() {
        const QStringList expected = {
            "SSTab1",    "RemFileBtn",  "SelDirList", "Drive2",     "Dir2",     "DirSelBtn",
            "SSChkBox",  "RemDirBtn",   "ExitBtn1",   "CopyBtn1",   "Drive1",   "Dir1",
            "File1",     "SelFileList", "ClrDirBtn",  "ClrFileBtn", "ExitBtn2", "AllFileBtn",
            "HidChkBox", "SysChkBox",   "CopyBtn2",   "ExitBtn3",   "Check1",   "ExitBtn4"};
        QWidget* start = tabs()->tabBar();
        QStringList visited = {QStringLiteral("SSTab1")};
        for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
            // A control that hands its focus on to a part of it is visited as that part.
            if (expected.contains(w->objectName()) && w->focusPolicy() & Qt::TabFocus &&
                !w->focusProxy())
                visited << w->objectName();
        }
        QCOMPARE(visited, expected);
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
