#include "main_window/application.h"
#include "main_window/caption_button.h"
#include "main_window/pelmora.h"
#include "platform/drive_selector.h"
#include "platform/file_browser.h"
#include "platform/folder_browser.h"
#include "platform/panel_status_bar.h"
#include "platform/scripted_user.h"
#include "platform/tab_control.h"
#include "selection/selection_state.h"
#include "temp_drives.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QtTest>

using platform::Answer;

namespace {

const QString StartFolder = QStringLiteral("C:\\Start");

// The design name of the tab page or frame a control sits on.
QString containerOf(const QWidget* control) {
    const QWidget* parent = control->parentWidget();
    if (auto* tabs =
            qobject_cast<const platform::TabControl*>(parent ? parent->parentWidget() : nullptr)) {
        for (int i = 0; i < 4; ++i) {
            if (tabs->page(i) == parent)
                return QStringLiteral("tab %1").arg(i);
        }
    }
    return parent ? parent->objectName() : QString();
}

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

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startUpState();
    void startsInTheCurrentFolder();
    void controls_data();
    void controls();
    void places_data();
    void places();
    void fonts();
    void captionsFit_data();
    void captionsFit();
    void onlyTheChosenTabShows_data();
    void onlyTheChosenTabShows();
    void tabClickAppliesCopyRule_data();
    void tabClickAppliesCopyRule();
    void copyButtonsShowStatus_data();
    void copyButtonsShowStatus();
    void exitQuestion_data();
    void exitQuestion();
    void controlsReachTheirHandlers_data();
    void controlsReachTheirHandlers();
    void listClickComesFromTheUser_data();
    void listClickComesFromTheUser();
    void tabOrder();
    void closingTheWindowEndsWithoutQuestion(); // last: it closes the window

private:
    template <typename T = QWidget> T* control(const QString& name) const {
        return m_window->findChild<T*>(name);
    }
    platform::TabControl* tabs() const { return control<platform::TabControl>("SSTab1"); }
    void clickTab(int index);
    void select(const QStringList& files, const QStringList& folders);

    TempDrives m_drives;
    Pelmora* m_window = nullptr;
    int m_quits = 0;
};

void TestPelmora::initTestCase() {
    QVERIFY(m_drives.isValid());
    m_drives.makeFile(QStringLiteral("C:\\Start\\a.txt"), qint64(1000));
    m_drives.makeFile(QStringLiteral("C:\\Start\\b.txt"), qint64(2000));
    m_drives.makeFile(QStringLiteral("C:\\Start\\.hidden.txt"), qint64(10));
    m_drives.mkdir(QStringLiteral("C:\\Start\\Sub1"));
    m_drives.makeFile(QStringLiteral("D:\\d.txt"), qint64(5));
    QVERIFY(QDir::setCurrent(QFile::decodeName(m_drives.host(StartFolder))));

    setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    m_window = &Pelmora::instance();
    m_window->setQuitFunction([this] { ++m_quits; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestPelmora::init() {
    m_quits = 0;
}

void TestPelmora::cleanup() {
    m_window->selection().resetSelection();
    tabs()->setCurrentIndex(0);
}

void TestPelmora::clickTab(int index) {
    QTabBar* bar = tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// Puts entries straight into the selection, as the handlers would have.
void TestPelmora::select(const QStringList& files, const QStringList& folders) {
    SelectionState& state = m_window->selection();
    for (const QString& file : files)
        state.appendFile(file, file.section(QLatin1Char('\\'), -1), 100);
    for (const QString& folder : folders)
        state.appendFolder(folder);
}

void TestPelmora::startUpState() {
    auto* bar = control<platform::PanelStatusBar>("StatusBar1");
    QCOMPARE(bar->panelText(1), QStringLiteral(" 0 File(s) Selected"));
    QCOMPARE(bar->panelText(2), QStringLiteral(" 0 Folder(s) Selected"));
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("0"));

    for (const char* name :
         {"RemFileBtn", "RemDirBtn", "ClrDirBtn", "ClrFileBtn", "CopyBtn1", "CopyBtn2"})
        QVERIFY2(!control<QPushButton>(name)->isEnabled(), name);
    for (const char* name :
         {"AllFileBtn", "DirSelBtn", "ExitBtn1", "ExitBtn2", "ExitBtn3", "ExitBtn4"})
        QVERIFY2(control<QPushButton>(name)->isEnabled(), name);
    for (const char* name : {"HidChkBox", "SysChkBox", "SSChkBox", "Check1"})
        QVERIFY2(!control<QCheckBox>(name)->isChecked(), name);

    QCOMPARE(tabs()->currentIndex(), 0);
    QStringList captions;
    for (int i = 0; i < tabs()->tabBar()->count(); ++i)
        captions << tabs()->tabBar()->tabText(i);
    QCOMPARE(captions, QStringList({"Copy File(s)", "To Folder(s)", "Options / Help", "About"}));
    QVERIFY(control("Frame5")->isVisible());
    QVERIFY(!control("FilenameList")->isVisible());
    QCOMPARE(m_window->focusWidget(), tabs()->tabBar());

    QCOMPARE(m_window->windowTitle(), QStringLiteral("Pelmora By Orvane"));
    QCOMPARE(m_window->size(), QSize(434, 373)); // 6510 x 5595 twips
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QVERIFY(!QApplication::windowIcon().isNull());
    QCOMPARE(control<QLabel>("Image1")->pixmap().size(), QSize(32, 32));
}

void TestPelmora::startsInTheCurrentFolder() {
    QCOMPARE(control<platform::DriveSelector>("Drive1")->drive(), QLatin1Char('C'));
    QCOMPARE(control<platform::DriveSelector>("Drive2")->drive(), QLatin1Char('C'));
    QCOMPARE(control<platform::FolderBrowser>("Dir1")->path(), StartFolder);
    QCOMPARE(control<platform::FolderBrowser>("Dir2")->path(), StartFolder);
    auto* file1 = control<platform::FileBrowser>("File1");
    QCOMPARE(file1->path(), StartFolder);
    QCOMPARE(file1->fileCount(), 2);
    QCOMPARE(file1->fileName(0), QStringLiteral("a.txt"));
}

void TestPelmora::controls_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");

    const auto row = [](const char* name, const char* kind, const char* container,
                        const char* caption) {
        QTest::newRow(name) << QString::fromLatin1(kind) << QString::fromLatin1(container)
                            << QString::fromLatin1(caption);
    };
    row("SSTab1", "platform::TabControl", "Pelmora", "");
    row("StatusBar1", "platform::PanelStatusBar", "Pelmora", "");
    row("Frame5", "QGroupBox", "tab 0", "Available Files");
    row("Drive1", "platform::DriveSelector", "Frame5", "");
    row("Dir1", "platform::FolderBrowser", "Frame5", "");
    row("File1", "platform::FileBrowser", "Frame5", "");
    row("Label34", "QLabel", "Frame5", "Pelmora Ver. 1.02");
    row("Label1", "QLabel", "Frame5", "Select File(s) From List");
    row("AllFileBtn", "QPushButton", "Frame5", "Select All");
    row("Frame6", "QGroupBox", "tab 0", "Selected Files");
    row("SelFileList", "QListWidget", "Frame6", "");
    row("FilenameList", "QListWidget", "Frame6", "");
    row("Frame7", "QGroupBox", "tab 0", "Total Bytes Selected");
    row("Label2", "QLabel", "Frame7", "0"); // set by the load handler
    row("RemFileBtn", "QPushButton", "tab 0", "Remove Selected");
    row("ClrFileBtn", "QPushButton", "tab 0", "Remove All");
    row("CopyBtn2", "QPushButton", "tab 0", "Copy");
    row("ExitBtn2", "QPushButton", "tab 0", "Exit");

    row("Frame4", "QGroupBox", "tab 1", "Available Folders");
    row("Drive2", "platform::DriveSelector", "Frame4", "");
    row("Dir2", "platform::FolderBrowser", "Frame4", "");
    row("Frame2", "QGroupBox", "tab 1", "Actions");
    row("CopyBtn1", "QPushButton", "Frame2", "Copy");
    row("ExitBtn1", "QPushButton", "Frame2", "Exit");
    row("Line1", "QFrame", "Frame2", "");
    row("DirSelBtn", "QPushButton", "Frame2", "Add Folder");
    row("Label32", "QLabel", "Frame2", "Pelmora");
    row("Label33", "QLabel", "Frame2", "Ver. 1.02");
    row("Image1", "QLabel", "Frame2", "");
    row("Frame1", "QGroupBox", "Frame2", "Speed Select");
    row("SSChkBox", "QCheckBox", "Frame1", "OFF");
    row("RemDirBtn", "QPushButton", "Frame2", "Remove Selected");
    row("ClrDirBtn", "QPushButton", "Frame2", "Remove All");
    row("Frame3", "QGroupBox", "tab 1", "Selected Folders");
    row("SelDirList", "QListWidget", "Frame3", "");

    row("Frame12", "QGroupBox", "tab 2", "Help");
    row("Label5", "QLabel", "Frame12", "Select the files to be copied in the  ");
    row("Image5", "QLabel", "Frame12", "");
    row("Label11", "QLabel", "Frame12", "Copy File(s)  ");
    row("Label15", "QLabel", "Frame12",
        "Tab by using the drive and folder boxes (left upper windows) to locate the file(s) to "
        "be copied and then clicking on the desired files in the filelist box (upper right "
        "window) or by pressing select all.  The selected files will appear in the lower "
        "selected list window.  Files may be added or removed from the selected list using the "
        "appropriate buttons.");
    row("Label16", "QLabel", "Frame12", "Select the folder(s) to copy the files to in the");
    row("Image6", "QLabel", "Frame12", "");
    row("Label17", "QLabel", "Frame12", "To Folder(s)");
    row("Label18", "QLabel", "Frame12",
        "Tab by using the drive and folder boxes to locate the desired folder and then clicking "
        "add folder.  Speed select enables folders to be selected with just a click in the "
        "folder window.  Folders may also be added or removed from the list.");
    row("Label19", "QLabel", "Frame12",
        "Notice: A file and folder selection are required before Copy button is enabled.");
    row("Frame8", "QGroupBox", "tab 2", "View");
    row("Label3", "QLabel", "Frame8", "Show Files Of These Types");
    row("HidChkBox", "QCheckBox", "Frame8", "Hidden Files");
    row("SysChkBox", "QCheckBox", "Frame8", "System Files");
    row("Frame10", "QGroupBox", "tab 2", "Settings");
    row("Check1", "QCheckBox", "Frame10", "Don't Confirm Overwrites");
    row("Image7", "QLabel", "tab 2", "");
    row("Image8", "QLabel", "tab 2", "");
    row("Label20", "QLabel", "tab 2", "Version");
    row("Label21", "QLabel", "tab 2", "1.02");
    row("Label22", "QLabel", "tab 2", "Pelmora");
    row("Label8", "QLabel", "tab 2", "A 32-Bit Multiple File-Folder Copy Utility");
    row("Label23", "QLabel", "tab 2", "1/97");
    row("ExitBtn4", "QPushButton", "tab 2", "Exit");

    row("Frame9", "QGroupBox", "tab 3", "About Pelmora");
    row("Image2", "QLabel", "Frame9", "");
    row("Label12", "QLabel", "Frame9", "Version");
    row("Image3", "QLabel", "Frame9", "");
    row("Label13", "QLabel", "Frame9", "1.02");
    row("Label6", "QLabel", "Frame9", "Pelmora");
    row("Label7", "QLabel", "Frame9", "A 32-Bit Mutiple File-Folder Copy Utility");
    row("Label14", "QLabel", "Frame9", "1/97");
    row("Label28", "QLabel", "Frame9",
        "Designed to send files to multiple student folders on a campus network system.");
    row("Label29", "QLabel", "Frame9",
        "Copy files from multiple folders into a single folder (at one time) for backing up.");
    row("Label35", "QLabel", "Frame9",
        "Now supports floppy disk spanning for copying large numbers of files to floppy.");
    row("Label30", "QLabel", "Frame9", "Many other uses.");
    row("Frame11", "QGroupBox", "tab 3", "About Orvane");
    row("ExitBtn3", "QPushButton", "tab 3", "Exit");
}

void TestPelmora::controls() {
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    const QWidget* widget = control(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QVERIFY2(widget->inherits(kind.toLatin1()), widget->metaObject()->className());
    QCOMPARE(containerOf(widget), container);
    QCOMPARE(captionOf(widget), caption);
    // Assistive technology, and tests of the real program, find it by its name.
    QCOMPARE(widget->accessibleDescription(), widget->objectName());
    if (qobject_cast<const QListWidget*>(widget) || qobject_cast<const QComboBox*>(widget))
        QVERIFY2(!widget->accessibleName().isEmpty(), "says what it holds");
    if (auto* button = qobject_cast<const QPushButton*>(widget)) {
        QVERIFY(!button->autoDefault());
        QVERIFY(!button->isDefault());
    }
}

void TestPelmora::places_data() {
    QTest::addColumn<QRect>("pixels");
    // Twips divided by fifteen, rounded: the 96-dpi pixels of the layout.
    QTest::newRow("SSTab1") << QRect(0, 0, 433, 353);
    QTest::newRow("StatusBar1") << QRect(0, 352, 434, 21);
    QTest::newRow("Frame5") << QRect(8, 24, 417, 177);
    QTest::newRow("File1") << QRect(216, 48, 193, 110);
    QTest::newRow("SelFileList") << QRect(8, 16, 401, 82);
    QTest::newRow("RemFileBtn") << QRect(136, 312, 73, 33);
    QTest::newRow("CopyBtn1") << QRect(16, 16, 73, 41);
    QTest::newRow("SSChkBox") << QRect(24, 16, 57, 17);
    QTest::newRow("Label15") << QRect(16, 48, 209, 105);
    QTest::newRow("Image5") << QRect(16, 32, 16, 16);
    QTest::newRow("Check1") << QRect(16, 24, 137, 17);
    QTest::newRow("Label7") << QRect(16, 80, 129, 33);
    QTest::newRow("ExitBtn3") << QRect(192, 304, 225, 33);
}

void TestPelmora::places() {
    QFETCH(QRect, pixels);
    const QWidget* widget = control(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), pixels);
}

void TestPelmora::fonts() {
    QCOMPARE(QFontInfo(dialogFont()).family(), QStringLiteral("Liberation Sans"));
    for (const char* name : {"Label1", "Label15", "AllFileBtn", "Check1", "Frame5"}) {
        const QFont font = control(name)->font();
        QCOMPARE(font.pixelSize(), 11);
        QVERIFY2(!font.bold(), name);
    }
    // The product and maker names.
    for (const char* name : {"Label6", "Label22", "Label4"}) {
        const QFont font = control(name)->font();
        QCOMPARE(font.pixelSize(), 13);
        QVERIFY2(font.bold(), name);
    }
    QCOMPARE(control<QLabel>("Label4")->text(), QStringLiteral("Orvane Software"));
}

// Every caption must be readable in full at the layout's size: a font a
// size too large (or a family with wider letters) cuts texts off here.
void TestPelmora::captionsFit_data() {
    QTest::addColumn<QWidget*>("widget");
    const QList<QWidget*> all = m_window->findChildren<QWidget*>();
    for (QWidget* widget : all) {
        if (!widget->objectName().isEmpty() && !captionOf(widget).isEmpty())
            QTest::newRow(widget->objectName().toLatin1()) << widget;
    }
}

void TestPelmora::captionsFit() {
    QFETCH(QWidget*, widget);
    const QString caption = captionOf(widget);
    const QFontMetrics metrics(widget->font());
    const QSize oneLine(metrics.horizontalAdvance(caption), metrics.height());
    const auto wrapped = [&](int width) {
        return metrics.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, caption).size();
    };

    QSize needed;
    QSize room;
    if (auto* button = qobject_cast<CaptionButton*>(widget)) {
        room = button->captionRect().size();
        needed = wrapped(room.width());
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = caption;
        room = check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).size();
        needed = oneLine;
    } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        // The title leaves room for the frame's corners either side.
        room = QSize(frame->width() - 16, frame->height());
        needed = oneLine;
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        room = label->size();
        needed = label->wordWrap() ? wrapped(room.width()) : oneLine;
    } else {
        QFAIL("a captioned control of an unknown kind");
    }
    QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
             qPrintable(QStringLiteral("needs %1 x %2, has %3 x %4")
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(room.width())
                            .arg(room.height())));
}

void TestPelmora::onlyTheChosenTabShows_data() {
    QTest::addColumn<int>("tab");
    QTest::newRow("Copy File(s)") << 0;
    QTest::newRow("To Folder(s)") << 1;
    QTest::newRow("Options / Help") << 2;
    QTest::newRow("About") << 3;
    QTest::newRow("back to Copy File(s)") << 0;
}

void TestPelmora::onlyTheChosenTabShows() {
    QFETCH(int, tab);
    tabs()->setCurrentIndex(tab == 0 ? 3 : 0);
    clickTab(tab);
    QCOMPARE(tabs()->currentIndex(), tab);

    const QList<QStringList> onTabs = {
        {"Frame5", "File1", "SelFileList", "CopyBtn2", "ExitBtn2"},
        {"Frame4", "Dir2", "SelDirList", "CopyBtn1", "ExitBtn1"},
        {"Frame12", "Label15", "HidChkBox", "Check1", "ExitBtn4"},
        {"Frame9", "Frame11", "Label6", "ExitBtn3"},
    };
    for (int i = 0; i < onTabs.size(); ++i) {
        for (const QString& name : onTabs.at(i))
            QVERIFY2(control(name)->isVisible() == (i == tab), qPrintable(name));
    }
    QVERIFY(!control("FilenameList")->isVisible());
    QVERIFY(control("StatusBar1")->isVisible());
}

void TestPelmora::tabClickAppliesCopyRule_data() {
    QTest::addColumn<bool>("files");
    QTest::addColumn<bool>("folders");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("nothing selected") << false << false << 0 << 1 << false;
    QTest::newRow("files only, to To Folder(s)") << true << false << 0 << 1 << false;
    QTest::newRow("files only, to About") << true << false << 1 << 3 << false;
    QTest::newRow("files only, the tab already shown") << true << false << 0 << 0 << false;
    QTest::newRow("folders only, to Copy File(s)") << false << true << 1 << 0 << false;
    QTest::newRow("folders only, to Options / Help") << false << true << 1 << 2 << false;
    QTest::newRow("both, to To Folder(s)") << true << true << 0 << 1 << true;
    QTest::newRow("both, to Copy File(s)") << true << true << 1 << 0 << true;
    QTest::newRow("both, to Options / Help") << true << true << 0 << 2 << true;
    QTest::newRow("both, to About") << true << true << 2 << 3 << true;
    QTest::newRow("both, the tab already shown") << true << true << 3 << 3 << true;
}

void TestPelmora::tabClickAppliesCopyRule() {
    QFETCH(bool, files);
    QFETCH(bool, folders);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, enabled);

    select(files ? QStringList{"C:\\Start\\a.txt"} : QStringList{},
           folders ? QStringList{"D:\\"} : QStringList{});
    tabs()->setCurrentIndex(from);
    // The buttons start the other way round, so the click alone decides.
    auto* copy1 = control<QPushButton>("CopyBtn1");
    auto* copy2 = control<QPushButton>("CopyBtn2");
    copy1->setEnabled(!enabled);
    copy2->setEnabled(!enabled);
    auto* allFiles = control<QPushButton>("AllFileBtn");
    auto* remove = control<QPushButton>("RemFileBtn");
    const bool removeBefore = remove->isEnabled();

    clickTab(to);

    QCOMPARE(tabs()->currentIndex(), to);
    QCOMPARE(copy1->isEnabled(), enabled);
    QCOMPARE(copy2->isEnabled(), enabled);
    // The rule touches no other button.
    QVERIFY(allFiles->isEnabled());
    QCOMPARE(remove->isEnabled(), removeBefore);
}

void TestPelmora::copyButtonsShowStatus_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("tab");
    QTest::newRow("CopyBtn1") << QStringLiteral("CopyBtn1") << 1;
    QTest::newRow("CopyBtn2") << QStringLiteral("CopyBtn2") << 0;
}

void TestPelmora::copyButtonsShowStatus() {
    QFETCH(QString, button);
    QFETCH(int, tab);
    select({"C:\\Start\\a.txt"}, {"D:\\"});
    clickTab(tab);
    auto* copy = control<QPushButton>(button);
    QVERIFY(copy->isEnabled());

    platform::ScriptedUser user;
    bool mainWindowBlocked = false;
    user.expectWindow(QStringLiteral("Status"), [&](QDialog& status) {
        mainWindowBlocked = QApplication::activeModalWidget() == &status;
        status.reject();
    });
    QTest::mouseClick(copy, Qt::LeftButton);

    QCOMPARE(user.windows(), QStringList{QStringLiteral("Status")});
    QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
    QVERIFY(mainWindowBlocked);
    // Closing the progress window without a copy still clears the selection.
    QVERIFY(!m_window->selection().hasFiles());
    QVERIFY(!m_window->selection().hasFolders());
    QCOMPARE(m_quits, 0);
}

void TestPelmora::exitQuestion_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("tab");
    QTest::addColumn<Answer>("answer");

    const std::pair<const char*, int> buttons[] = {
        {"ExitBtn1", 1}, {"ExitBtn2", 0}, {"ExitBtn3", 3}, {"ExitBtn4", 2}};
    for (const auto& [button, tab] : buttons) {
        QTest::addRow("%s, OK", button) << QString::fromLatin1(button) << tab << Answer::Ok;
        // Cancel is also what Escape and the box's close control answer.
        QTest::addRow("%s, Cancel", button) << QString::fromLatin1(button) << tab << Answer::Cancel;
    }
}

void TestPelmora::exitQuestion() {
    QFETCH(QString, button);
    QFETCH(int, tab);
    QFETCH(Answer, answer);
    select({"C:\\Start\\a.txt"}, {});
    clickTab(tab);

    platform::ScriptedUser user;
    user.expectBox(answer, QStringLiteral("Are You Sure You Want To Exit Pelmora?"));
    QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);

    QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
    QCOMPARE(user.boxes().size(), 1);
    const platform::MessageBox& box = user.boxes().constFirst();
    QCOMPARE(box.title, QStringLiteral("Quit Pelmora?"));
    QCOMPARE(box.buttons, platform::Buttons::OkCancel);
    QCOMPARE(box.icon, platform::Icon::Question);
    QCOMPARE(box.defaultButton, 1); // OK: Enter ends the program

    QCOMPARE(m_quits, answer == Answer::Ok ? 1 : 0);
    // Whatever the answer, the question itself changes nothing.
    QCOMPARE(m_window->selection().selFile(0), QStringLiteral("C:\\Start\\a.txt"));
    QCOMPARE(tabs()->currentIndex(), tab);
    QVERIFY(m_window->isVisible());
}

// Each control's event reaches the handler named after it: a gesture on
// the control leaves the selection the handler makes.
void TestPelmora::controlsReachTheirHandlers_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");

    const QString a = QStringLiteral("C:\\Start\\a.txt");
    const QString b = QStringLiteral("C:\\Start\\b.txt");
    QTest::newRow("File1 click") << 0 << "click File1 a.txt" << QStringList{a} << QStringList{};
    QTest::newRow("AllFileBtn") << 0 << "click AllFileBtn" << QStringList{a, b} << QStringList{};
    QTest::newRow("ClrFileBtn") << 0 << "click AllFileBtn, click ClrFileBtn" << QStringList{}
                                << QStringList{};
    QTest::newRow("RemFileBtn") << 0 << "click AllFileBtn, click SelFileList 0, click RemFileBtn"
                                << QStringList{b} << QStringList{};
    QTest::newRow("DirSelBtn") << 1 << "click DirSelBtn" << QStringList{}
                               << QStringList{"C:\\Start\\"};
    QTest::newRow("RemDirBtn") << 1 << "click DirSelBtn, click SelDirList 0, click RemDirBtn"
                               << QStringList{} << QStringList{};
    QTest::newRow("ClrDirBtn") << 1 << "click DirSelBtn, click ClrDirBtn" << QStringList{}
                               << QStringList{};
    QTest::newRow("Dir2 click with Speed Select")
        << 1 << "click SSChkBox, click Dir2 Sub1, click SSChkBox" << QStringList{}
        << QStringList{"C:\\Start\\Sub1\\"};
}

void TestPelmora::controlsReachTheirHandlers() {
    QFETCH(int, tab);
    QFETCH(QString, gesture);
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    clickTab(tab);

    platform::ScriptedUser user;
    for (const QString& step : gesture.split(QStringLiteral(", "))) {
        const QStringList words = step.split(QLatin1Char(' '));
        QWidget* target = control(words.at(1));
        QVERIFY2(target, qPrintable(step));
        if (auto* list = qobject_cast<QListWidget*>(target); list && words.size() > 2) {
            bool isRow = false;
            int row = words.at(2).toInt(&isRow);
            if (!isRow) {
                const auto found = list->findItems(words.at(2), Qt::MatchEndsWith);
                QVERIFY2(!found.isEmpty(), qPrintable(step));
                row = list->row(found.constFirst());
            }
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        } else {
            QTest::mouseClick(target, Qt::LeftButton);
        }
    }

    QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join('\n')));
    const SelectionState& state = m_window->selection();
    QStringList selectedFiles, selectedFolders;
    for (int i = 0; i < state.selFileCount(); ++i)
        selectedFiles << state.selFile(i);
    for (int i = 0; i < state.selDirCount(); ++i)
        selectedFolders << state.selDir(i);
    QCOMPARE(selectedFiles, files);
    QCOMPARE(selectedFolders, folders);
    QVERIFY(!control<QCheckBox>("SSChkBox")->isChecked());
}

void TestPelmora::listClickComesFromTheUser_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("removeButton");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<bool>("enabled");

    for (const auto& [list, button] :
         {std::pair{"SelFileList", "RemFileBtn"}, std::pair{"SelDirList", "RemDirBtn"}}) {
        QTest::addRow("%s, mouse", list) << list << button << "mouse" << true;
        QTest::addRow("%s, arrow key", list) << list << button << "key" << true;
        QTest::addRow("%s, program moves highlight", list) << list << button << "program" << false;
        QTest::addRow("%s, entry removed", list) << list << button << "remove" << false;
    }
}

void TestPelmora::listClickComesFromTheUser() {
    QFETCH(QString, list);
    QFETCH(QString, removeButton);
    QFETCH(QString, gesture);
    QFETCH(bool, enabled);
    select({"C:\\Start\\a.txt", "C:\\Start\\b.txt"}, {"C:\\Start\\", "D:\\"});
    clickTab(list == QLatin1String("SelFileList") ? 0 : 1);
    auto* entries = control<QListWidget>(list);
    auto* remove = control<QPushButton>(removeButton);
    QVERIFY(!remove->isEnabled());

    if (gesture == QLatin1String("mouse")) {
        QTest::mouseClick(entries->viewport(), Qt::LeftButton, {},
                          entries->visualItemRect(entries->item(1)).center());
    } else if (gesture == QLatin1String("key")) {
        entries->setFocus();
        QTest::keyClick(entries, Qt::Key_Down);
        QVERIFY(entries->currentRow() >= 0);
    } else if (gesture == QLatin1String("program")) {
        entries->setCurrentRow(1);
    } else {
        entries->setCurrentRow(0);
        delete entries->takeItem(0);
    }
    QCOMPARE(remove->isEnabled(), enabled);
}

void TestPelmora::tabOrder() {
    const QStringList expected = {
        "SSTab1",    "RemFileBtn",  "SelDirList", "Drive2",     "Dir2",     "DirSelBtn",
        "SSChkBox",  "RemDirBtn",   "ExitBtn1",   "CopyBtn1",   "Drive1",   "Dir1",
        "File1",     "SelFileList", "ClrDirBtn",  "ClrFileBtn", "ExitBtn2", "AllFileBtn",
        "HidChkBox", "SysChkBox",   "CopyBtn2",   "ExitBtn3",   "Check1",   "ExitBtn4"};
    QWidget* start = tabs()->tabBar();
    QStringList visited = {QStringLiteral("SSTab1")};
    for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
        // A control that hands its focus on to a part of it (the tab row) is
        // visited as that part.
        if (expected.contains(w->objectName()) && w->focusPolicy() & Qt::TabFocus &&
            !w->focusProxy())
            visited << w->objectName();
    }
    QCOMPARE(visited, expected);
}

void TestPelmora::closingTheWindowEndsWithoutQuestion() {
    platform::ScriptedUser user;
    QVERIFY(m_window->close());
    QCOMPARE(m_quits, 1);
    QVERIFY(user.boxes().isEmpty());
    QVERIFY(user.problems().isEmpty());
}

QTEST_MAIN(TestPelmora)
#include "tst_pelmora.moc"
