#include "copy_run/overwrite.h"
#include "copy_run/status.h"
#include "main_window/application.h"
#include "main_window/caption_button.h"
#include "main_window/pelmora.h"
#include "main_window/pelmora_layout.h"
#include "platform/widgets/tab_control.h"
#include "temp_drives.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
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
// read in full, at its place, in the tab order, showing the focus.
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
        // An empty start folder: File1, SelFileList and SelDirList are empty,
        // with no entry to carry a focus mark.
        QVERIFY(QDir::setCurrent(QFile::decodeName(m_drives.host(m_drives.mkdir("C:\\Start")))));
        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        m_window = &Pelmora::instance();
        m_window->setQuitFunction([] {});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        // The keyboard's first use, which makes every window mark its focus,
        // is an arrow on the tab row, not Tab, which alone would make the
        // style mark it.
        QTest::keyClick(tabs()->tabBar(), Qt::Key_Right);
        QTest::keyClick(tabs()->tabBar(), Qt::Key_Left);
    }

    // A window and a status bar to a screen reader, of a fixed size, with
    // every control inside the one holding it: none cut off or out of sight.
    void geometry() {
        QCOMPARE(m_window->statusBar(), control("StatusBar1"));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QCOMPARE(m_window->statusBar()->geometry().bottom(), m_window->height() - 1);
        for (const QWidget* w : m_window->findChildren<QWidget*>()) {
            if (!w->objectName().isEmpty() && !w->isWindow())
                QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                         qPrintable(w->objectName()));
        }
    }

    // A screen reader says what each list holds. (Controls found by their
    // names as descriptions, Enter on the button with the focus: the e2e tests.)
    void listsSayWhatTheyHold() {
        for (const pelmora_layout::Control& c : pelmora_layout::controls())
            if (qobject_cast<const QListWidget*>(control(QString::fromLatin1(c.name))))
                QVERIFY2(!control(QString::fromLatin1(c.name))->accessibleName().isEmpty(), c.name);
    }

    // Every caption must be readable in full at the layout's size: a font a
    // size too large (or a family with wider letters) cuts texts off here.
    void captionsFit_data() {
        QTest::addColumn<QWidget*>("widget");
        for (QWidget* widget : m_window->findChildren<QWidget*>())
            if (!widget->objectName().isEmpty() && !captionOf(widget).isEmpty())
                QTest::newRow(widget->objectName().toLatin1()) << widget;
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
        QStringList expected;
        for (const char* name : pelmora_layout::tabOrder())
            expected << QString::fromLatin1(name);
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

    // Once the keyboard is in use, every control that Tab visits shows where
    // the focus is: its pixels with the focus differ from those without it.
    // So do the buttons of a copy run's windows, opened after the keyboard was
    // used; they are all built alike: a row per window, and the question's
    // button the focus starts on and one it moves to.
    void focusShown_data() {
        QTest::addColumn<QString>("window"); // empty: the main window
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("elsewhere");
        const auto row = [](const char* name, const char* window, const char* button,
                            const char* elsewhere) {
            QTest::newRow(name) << QString::fromLatin1(window) << QString::fromLatin1(button)
                                << QString::fromLatin1(elsewhere);
        };
        for (const char* name : pelmora_layout::tabOrder())
            row(name, "", name, qstrcmp(name, "SSTab1") ? "SSTab1" : "ExitBtn2");
        row("Finish", "Status", "OkBtn", "CancelBtn");
        row("question: Cancel", "Overwrite", "Command1", "Command2");
        row("Overwrite File", "Overwrite", "Command3", "Command1");
    }
    void focusShown() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, elsewhere);
        QWidget* top = window.isEmpty() ? static_cast<QWidget*>(m_window)
                       : window == QLatin1String("Status")
                           ? static_cast<QWidget*>(&Status::instance())
                           : &Overwrite::instance();
        const auto find = [&](const QString& n) {
            return n == QLatin1String("SSTab1") ? tabs()->tabBar() : top->findChild<QWidget*>(n);
        };
        QWidget* widget = find(name);
        QVERIFY(widget);
        for (int tab = 0; tab < tabs()->tabBar()->count(); ++tab)
            if (tabs()->page(tab)->isAncestorOf(widget))
                tabs()->setCurrentIndex(tab);
        widget->setEnabled(true); // the buttons that start disabled
        top->show();
        QVERIFY(QTest::qWaitForWindowExposed(top));
        // The focus given as Tab gives it, from another control of its window.
        find(elsewhere)->setFocus(Qt::TabFocusReason);
        const QImage without = widget->grab().toImage();
        widget->setFocus(Qt::TabFocusReason);
        QVERIFY(widget->hasFocus() && widget->grab().toImage() != without);
    }
};

QTEST_MAIN(TestPelmoraLayout)
#include "tst_pelmora_layout.moc"
