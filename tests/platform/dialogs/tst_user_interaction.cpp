#include "platform/dialogs/scripted_user.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace platform;

Q_DECLARE_METATYPE(platform::Buttons)
Q_DECLARE_METATYPE(platform::Answer)

namespace {

MessageBox box(const QString& prompt, Buttons buttons = Buttons::Ok,
               const QString& title = QStringLiteral("Title")) {
    MessageBox b;
    b.prompt = prompt;
    b.title = title;
    b.buttons = buttons;
    return b;
}

QDialog* makeWindow(const QString& name, bool deleteOnClose = false) {
    auto* dialog = new QDialog;
    dialog->setObjectName(name);
    dialog->setAttribute(Qt::WA_DeleteOnClose, deleteOnClose);
    return dialog;
}

// A style that lays out a box's buttons as one desktop does.
class ButtonLayoutStyle : public QProxyStyle {
public:
    ButtonLayoutStyle(QStyle* style, int layout)
        : QProxyStyle(style)
        , m_layout(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        return hint == SH_DialogButtonLayout
                   ? m_layout
                   : QProxyStyle::styleHint(hint, option, widget, returned);
    }

private:
    int m_layout;
};

// "Fusion" or "Fusion/<QDialogButtonBox::ButtonLayout>".
void useStyle(const QString& name) {
    QStyle* style = QStyleFactory::create(name.section(u'/', 0, 0));
    QVERIFY2(style, qPrintable(name));
    if (name.contains(u'/'))
        style = new ButtonLayoutStyle(style, name.section(u'/', 1).toInt());
    QApplication::setStyle(style);
}

// The captions of a box's buttons, left to right on the screen.
QStringList buttonsLeftToRight(const QWidget* box) {
    QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [box](QPushButton* a, QPushButton* b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    QStringList captions;
    for (const QPushButton* button : buttons)
        if (button->isVisible())
            captions << button->text();
    return captions;
}

void row(const char* name, const char* queued, bool window, Buttons buttons, Answer answer,
         const char* failure, int pending) {
    QTest::newRow(name) << QString::fromUtf8(queued) << window << buttons << answer
                        << QString::fromUtf8(failure) << pending;
}

} // namespace

class TestUserInteraction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realBoxKeys_data() {
        QTest::addColumn<QString>("style"); // empty: as the program starts
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<bool>("tryToClose"); // Escape, then the frame's close
        QTest::addColumn<bool>("staysOpen");  // ...which must not answer
        QTest::addColumn<Answer>("expected");
        QTest::newRow("ok/cancel: escape")
            << "" << Buttons::OkCancel << 1 << true << false << Answer::Cancel;
        QTest::newRow("ok/cancel: enter")
            << "" << Buttons::OkCancel << 2 << false << false << Answer::Cancel;
        QTest::newRow("abort/retry/ignore: no escape, enter on retry")
            << "" << Buttons::AbortRetryIgnore << 2 << true << true << Answer::Retry;
        // Abort, Retry, Ignore from left to right in every style and on
        // every desktop's button layout; Enter chooses Ignore.
        const std::pair<const char*, QString> styles[] = {
            {"Fusion", QStringLiteral("Fusion")},
            {"Windows", QStringLiteral("Windows")},
            {"Windows layout", QStringLiteral("Fusion/%1").arg(QDialogButtonBox::WinLayout)},
            {"Mac layout", QStringLiteral("Fusion/%1").arg(QDialogButtonBox::MacLayout)},
            {"KDE layout", QStringLiteral("Fusion/%1").arg(QDialogButtonBox::KdeLayout)},
            {"GNOME layout", QStringLiteral("Fusion/%1").arg(QDialogButtonBox::GnomeLayout)},
            {"Android layout", QStringLiteral("Fusion/%1").arg(QDialogButtonBox::AndroidLayout)},
        };
        for (const auto& [name, style] : styles)
            QTest::addRow("abort/retry/ignore: enter on ignore, %s", name)
                << style << Buttons::AbortRetryIgnore << 3 << false << false << Answer::Ignore;
    }

    // The real user's boxes, answered from the keyboard while they are open:
    // Escape or closing must never answer a question without a safe way out.
    void realBoxKeys() {
        QFETCH(QString, style);
        if (!style.isEmpty())
            useStyle(style);
        QFETCH(Buttons, buttons);
        QFETCH(int, defaultButton);
        QFETCH(bool, tryToClose);
        MessageBox asked = box(QStringLiteral("Disk Full Or Write Protected Disk!"), buttons,
                               QStringLiteral("Copy Error"));
        asked.defaultButton = defaultButton;

        bool openAfterClose = false;
        QStringList order;
        QTimer watchdog; // fails the test instead of hanging should the box never close
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->hide();
        });
        watchdog.start(10000);
        QTimer::singleShot(0, this, [&] {
            auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (shown == nullptr)
                return;
            order = buttonsLeftToRight(shown);
            if (tryToClose) {
                QTest::keyClick(shown, Qt::Key_Escape);
                if (shown->isVisible())
                    shown->close();
                openAfterClose = shown->isVisible();
                if (!openAfterClose)
                    return;
            }
            QTest::keyClick(shown, Qt::Key_Return);
        });

        const Answer answer = UserInteraction::current().ask(asked);
        QVERIFY(watchdog.isActive());
        QTEST(answer, "expected");
        QTEST(openAfterClose, "staysOpen");
        if (buttons == Buttons::AbortRetryIgnore)
            QCOMPARE(order, (QStringList{"Abort", "Retry", "Ignore"}));
    }

    void againstTheScript_data() {
        QTest::addColumn<QString>("queued"); // "box[:prompt]" (answered Ok) or a window's name
        QTest::addColumn<bool>("window");    // shown: the window "Overwrite", else a box
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<Answer>("answer"); // the safest the box has
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("pending");
        const char* unexpectedBox = "unexpected box: Oops: Surprise";
        const char* window = "unexpected window: Overwrite";
        row("abort/retry/ignore box", "", false, Buttons::AbortRetryIgnore, Answer::Abort,
            unexpectedBox, 0);
        row("box while a window is queued", "Status", false, Buttons::OkCancel, Answer::Cancel,
            unexpectedBox, 1);
        row("box saying something else", "box:File Already Selected!", false, Buttons::Ok,
            Answer::Ok, "box said \"Surprise\", expected \"File Already Selected!\"", 0);
        row("window while another is queued", "Status", true, Buttons::Ok, Answer::Ok, window, 1);
    }

    // Whatever went against the script is recorded and never waits.
    void againstTheScript() {
        QFETCH(QString, queued);
        QFETCH(bool, window);
        QFETCH(Buttons, buttons);
        ScriptedUser user;
        bool acted = false;
        if (queued.startsWith(QStringLiteral("box")))
            user.expectBox(Answer::Ok,
                           queued.size() > 4 ? std::optional(queued.mid(4)) : std::nullopt);
        else if (!queued.isEmpty())
            user.expectWindow(queued, [&acted](QDialog&) { acted = true; });

        if (window) {
            std::unique_ptr<QDialog> shown(makeWindow(QStringLiteral("Overwrite")));
            QSignalSpy finished(shown.get(), &QDialog::finished);
            showModal(*shown);
            QVERIFY(!shown->isVisible());
            QCOMPARE(finished.size(), 1);
        } else {
            QTEST(ask(box(QStringLiteral("Surprise"), buttons, QStringLiteral("Oops"))), "answer");
            QCOMPARE(user.boxes().size(), 1);
        }
        QVERIFY(!acted);
        QTEST(user.failures().join(u'\n'), "failure");
        QTEST(user.pending(), "pending");
    }

    void windowLeftOpen_data() {
        QTest::addColumn<bool>("closeInAction");
        QTest::newRow("left open") << false;
        QTest::newRow("closed") << true;
    }

    // As with a real modal show, a window that deletes itself on close lives
    // until the show returns, and not after; one left open is a failure.
    void windowLeftOpen() {
        QFETCH(bool, closeInAction);
        ScriptedUser user;
        bool aliveAfterClose = false;
        user.expectWindow(QStringLiteral("Overwrite"), [&](QDialog& window) {
            if (closeInAction) {
                window.close();
                aliveAfterClose = !window.isVisible(); // still a live object here
            }
        });
        QPointer<QDialog> window = makeWindow(QStringLiteral("Overwrite"), true);
        QSignalSpy finished(window.data(), &QDialog::finished);
        showModal(*window);

        QCOMPARE(finished.size(), 1);
        QCOMPARE(aliveAfterClose, closeInAction);
        QCOMPARE(user.failures(), closeInAction
                                      ? QStringList()
                                      : QStringList{QStringLiteral("window left open: Overwrite")});
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(TestUserInteraction)
#include "tst_user_interaction.moc"
