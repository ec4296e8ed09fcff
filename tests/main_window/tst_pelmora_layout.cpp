#include "main_window/application.h"
#include "main_window/caption_button.h"
#include "main_window/pelmora.h"
#include "platform/widgets/tab_control.h"
#include "temp_drives.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QtTest>

namespace {

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

// The main window as drawn: every control by its name, with its caption
// read in full, at its place, in the tab order.
class TestPelmoraLayout : public QObject {
    Q_OBJECT

    QWidget* control(const QString& name) const { return m_window->findChild<QWidget*>(name); }
    platform::TabControl* tabs() const {
        return m_window->findChild<platform::TabControl*>(QStringLiteral("SSTab1"));
    }

    TempDrives m_drives;
    Pelmora* m_window = nullptr;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QDir::setCurrent(QFile::decodeName(m_drives.host(m_drives.mkdir("C:\\Start")))));
        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        m_window = &Pelmora::instance();
        m_window->setQuitFunction([] {});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    // A window and a status bar to a screen reader, of a fixed size, with
    // every control inside the one holding it: none cut off or out of sight.
    void geometry() {
        QCOMPARE(m_window->statusBar(), control("StatusBar1"));
        QCOMPARE(m_window->size(), QSize(434, 373)); // 6510 x 5595 twips at 96 dpi
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QCOMPARE(m_window->statusBar()->geometry().bottom(), m_window->height() - 1);
        for (const QWidget* w : m_window->findChildren<QWidget*>()) {
            if (!w->objectName().isEmpty() && !w->isWindow())
                QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                         qPrintable(w->objectName()));
        }
    }

    void controls_data() {
        QTest::addColumn<QString>("caption");
        // The help and about texts, a paragraph each: any text, read in full
        // (captionsFit); the other captions exactly.
        const char* const text = nullptr;
        const struct {
            const char *name, *caption;
        } rows[] = {
            // clang-format off
            {"SSTab1", ""}, {"StatusBar1", ""}, {"Frame5", "Available Files"}, {"Drive1", ""},
            {"Dir1", ""}, {"File1", ""}, {"Label34", "Pelmora Ver. 1.02"},
            {"AllFileBtn", "Select All"}, {"Label1", "Select File(s) From List"},
            {"Frame6", "Selected Files"}, {"SelFileList", ""}, {"FilenameList", ""},
            {"Label2", "0"}, {"Frame7", "Total Bytes Selected"}, {"CopyBtn2", "Copy"},
            {"RemFileBtn", "Remove Selected"}, {"ExitBtn2", "Exit"}, {"ClrFileBtn", "Remove All"},
            {"Frame4", "Available Folders"}, {"Dir2", ""}, {"Drive2", ""}, {"Frame2", "Actions"},
            {"CopyBtn1", "Copy"}, {"ExitBtn1", "Exit"}, {"Line1", ""}, {"DirSelBtn", "Add Folder"},
            {"Label32", "Pelmora"}, {"Label33", "Ver. 1.02"}, {"Image1", ""},
            {"Frame1", "Speed Select"}, {"SSChkBox", "OFF"}, {"RemDirBtn", "Remove Selected"},
            {"ClrDirBtn", "Remove All"}, {"SelDirList", ""}, {"Frame3", "Selected Folders"},
            {"Frame12", "Help"}, {"Image5", ""}, {"Image6", ""},
            {"Label5", "Select the files to be copied in the  "}, {"Label11", "Copy File(s)  "},
            {"Label15", text}, {"Label16", "Select the folder(s) to copy the files to in the"},
            {"Label17", "To Folder(s)"}, {"Label18", text}, {"Label19", text},
            {"Frame8", "View"}, {"Label3", "Show Files Of These Types"},
            {"HidChkBox", "Hidden Files"}, {"SysChkBox", "System Files"}, {"Frame10", "Settings"},
            {"Check1", "Don't Confirm Overwrites"}, {"Image7", ""}, {"Image8", ""},
            {"Label20", "Version"}, {"Label21", "1.02"}, {"Label22", "Pelmora"},
            {"Label8", "A 32-Bit Multiple File-Folder Copy Utility"}, {"Label23", "1/97"},
            {"ExitBtn4", "Exit"}, {"Frame9", "About Pelmora"}, {"Image2", ""}, {"Image3", ""},
            {"Label12", "Version"}, {"Label13", "1.02"}, {"Label6", "Pelmora"}, {"Label14", "1/97"},
            {"Label7", "A 32-Bit Mutiple File-Folder Copy Utility"}, {"Label28", text},
            {"Label29", text}, {"Label35", text}, {"Label30", "Many other uses."},
            {"Frame11", "About Orvane"}, {"Label4", "Orvane Software"}, {"ExitBtn3", "Exit"},
            // clang-format on
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << (row.caption ? QString::fromLatin1(row.caption) : QString());
    }
    void controls() {
        QFETCH(QString, caption);
        const QWidget* widget = control(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(widget);
        if (caption.isNull())
            QVERIFY(captionOf(widget).size() > 60);
        else
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
};

QTEST_MAIN(TestPelmoraLayout)
#include "tst_pelmora_layout.moc"
