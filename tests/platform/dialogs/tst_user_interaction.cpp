#include "platform/dialogs/user_interaction.h"

#include <QDialogButtonBox>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace platform;

Q_DECLARE_METATYPE(platform::Buttons)
Q_DECLARE_METATYPE(platform::Answer)

class TestUserInteraction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realBoxKeys_data() {
        QTest::addColumn<int>("layout"); // of the buttons; -1: as the program starts
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<bool>("tryToClose"); // Escape, then the frame's close
        QTest::addColumn<bool>("staysOpen");  // ...which must not answer
        QTest::addColumn<Answer>("expected");
        QTest::newRow("ok/cancel: escape")
            << -1 << Buttons::OkCancel << 1 << true << false << Answer::Cancel;
        QTest::newRow("ok/cancel: enter")
            << -1 << Buttons::OkCancel << 2 << false << false << Answer::Cancel;
        QTest::newRow("abort/retry/ignore: no escape, enter on retry")
            << -1 << Buttons::AbortRetryIgnore << 2 << true << true << Answer::Retry;
        // Abort, Retry, Ignore from left to right on every desktop's button
        // layout; Enter chooses Ignore. These three order the roles each
        // its own way (accepting before rejecting, the reverse, mirrored).
        const std::pair<const char*, int> layouts[] = {{"Windows", QDialogButtonBox::WinLayout},
                                                       {"Mac", QDialogButtonBox::MacLayout},
                                                       {"GNOME", QDialogButtonBox::GnomeLayout}};
        for (const auto& [name, layout] : layouts)
            QTest::addRow("abort/retry/ignore: enter on ignore, %s layout", name)
                << layout << Buttons::AbortRetryIgnore << 3 << false << false << Answer::Ignore;
    }

    // The real user's boxes, answered from the keyboard while they are open:
    // Escape or closing must never answer a question without a safe way out.
    void realBoxKeys() {
        QFETCH(int, layout);
        if (layout >= 0) // as one desktop lays out a box's buttons
            qApp->setStyleSheet(
                QStringLiteral("QDialogButtonBox { button-layout: %1 }").arg(layout));
        QFETCH(Buttons, buttons);
        QFETCH(int, defaultButton);
        QFETCH(bool, tryToClose);
        const MessageBox asked{.prompt = QStringLiteral("Disk Full Or Write Protected Disk!"),
                               .title = QStringLiteral("Copy Error"),
                               .buttons = buttons,
                               .defaultButton = defaultButton};

        bool openAfterClose = false;
        QMap<int, QString> order; // the buttons' captions by their place on the screen
        QTimer watchdog;          // fails the test instead of hanging should the box never close
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
            for (const QPushButton* button : shown->findChildren<QPushButton*>())
                if (button->isVisible())
                    order.insert(button->mapTo(shown, QPoint()).x(), button->text());
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
            QCOMPARE(order.values(), (QStringList{"Abort", "Retry", "Ignore"}));
    }
};

QTEST_MAIN(TestUserInteraction)
#include "tst_user_interaction.moc"
