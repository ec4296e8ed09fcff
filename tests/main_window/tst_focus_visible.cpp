// Once the keyboard is in use, every control that Tab visits shows where the
// focus is: its pixels with the focus differ from its pixels without it.
// The lists start empty, with no entry to carry a focus mark.
#include "copy_run/overwrite.h"
#include "copy_run/status.h"
#include "main_window/application.h"
#include "main_window/pelmora.h"
#include "main_window/pelmora_layout.h"
#include "platform/widgets/tab_control.h"
#include "temp_drives.h"

#include <QApplication>
#include <QTabBar>
#include <QtTest>

namespace {

// Whether a control looks different once it has the focus (given as Tab
// gives it), from the focus on another control of its window.
bool showsFocus(QWidget* control, QWidget* elsewhere) {
    elsewhere->setFocus(Qt::TabFocusReason);
    const QImage without = control->grab().toImage();
    control->setFocus(Qt::TabFocusReason);
    return control->hasFocus() && control->grab().toImage() != without;
}

} // namespace

class TestFocusVisible : public QObject {
    Q_OBJECT

    TempDrives m_drives;
    Pelmora* m_window = nullptr;
    platform::TabControl* m_tabs = nullptr;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_drives.isValid());
        // An empty start folder: File1, SelFileList and SelDirList are empty.
        const QString start = m_drives.mkdir(QStringLiteral("C:\\Empty"));
        QVERIFY(QDir::setCurrent(QFile::decodeName(m_drives.host(start))));
        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        m_window = &Pelmora::instance();
        m_window->setQuitFunction([] {});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        m_tabs = m_window->findChild<platform::TabControl*>(QStringLiteral("SSTab1"));
        // The keyboard's first use is an arrow on the tab row, not Tab, which
        // alone would make the style mark the focus.
        QTest::keyClick(m_tabs->tabBar(), Qt::Key_Right);
        QTest::keyClick(m_tabs->tabBar(), Qt::Key_Left);
    }

    void mainWindow_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : pelmora_layout::tabOrder())
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void mainWindow() {
        QFETCH(QString, name);
        const bool tabRow = name == QLatin1String("SSTab1");
        QWidget* control = tabRow ? m_tabs->tabBar() : m_window->findChild<QWidget*>(name);
        QVERIFY(control);
        for (int tab = 0; tab < m_tabs->tabBar()->count(); ++tab)
            if (m_tabs->page(tab)->isAncestorOf(control))
                m_tabs->setCurrentIndex(tab);
        control->setEnabled(true); // the buttons that start disabled
        QWidget* elsewhere =
            tabRow ? m_window->findChild<QWidget*>(QStringLiteral("ExitBtn2")) : m_tabs->tabBar();
        QVERIFY(showsFocus(control, elsewhere));
    }

    // The windows of a copy run open after the keyboard was used.
    void dialogButton_data() {
        QTest::addColumn<bool>("status");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("elsewhere");
        QTest::newRow("Finish") << true << "OkBtn"
                                << "CancelBtn";
        QTest::newRow("Cancel") << true << "CancelBtn"
                                << "OkBtn";
        QTest::newRow("question: Cancel") << false << "Command1"
                                          << "Command2";
        QTest::newRow("Overwrite All") << false << "Command2"
                                       << "Command1";
        QTest::newRow("Overwrite File") << false << "Command3"
                                        << "Command1";
        QTest::newRow("Skip File") << false << "Command4"
                                   << "Command1";
    }
    void dialogButton() {
        QFETCH(bool, status);
        QFETCH(QString, button);
        QFETCH(QString, elsewhere);
        QDialog* window = status ? static_cast<QDialog*>(&Status::instance())
                                 : static_cast<QDialog*>(&Overwrite::instance());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(showsFocus(window->findChild<QWidget*>(button),
                           window->findChild<QWidget*>(elsewhere)));
    }
};

QTEST_MAIN(TestFocusVisible)
#include "tst_focus_visible.moc"
