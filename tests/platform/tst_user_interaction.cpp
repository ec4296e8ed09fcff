#include "platform/user_interaction.h"

#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace platform;

Q_DECLARE_METATYPE(platform::Buttons)
Q_DECLARE_METATYPE(platform::Answer)

// The real user's message boxes, answered from the keyboard while they are
// open: what Escape, closing and Enter do is what keeps a user from
// answering a question they were not asked.
class TestUserInteraction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
};

void TestUserInteraction::keys_data() {
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<bool>("tryToClose"); // Escape, then the frame's close
    QTest::addColumn<bool>("staysOpen");  // ...which must not answer
    QTest::addColumn<Answer>("expected");

    QTest::newRow("ok: escape is ok") << Buttons::Ok << 1 << true << false << Answer::Ok;
    QTest::newRow("ok: enter") << Buttons::Ok << 1 << false << false << Answer::Ok;
    QTest::newRow("ok/cancel: escape is cancel")
        << Buttons::OkCancel << 1 << true << false << Answer::Cancel;
    QTest::newRow("ok/cancel: enter on ok")
        << Buttons::OkCancel << 1 << false << false << Answer::Ok;
    QTest::newRow("ok/cancel: enter on cancel")
        << Buttons::OkCancel << 2 << false << false << Answer::Cancel;
    QTest::newRow("abort/retry/ignore: no escape, enter on retry")
        << Buttons::AbortRetryIgnore << 2 << true << true << Answer::Retry;
    QTest::newRow("abort/retry/ignore: enter on ignore")
        << Buttons::AbortRetryIgnore << 3 << false << false << Answer::Ignore;
    QTest::newRow("abort/retry/ignore: enter on abort")
        << Buttons::AbortRetryIgnore << 1 << true << true << Answer::Abort;
}

void TestUserInteraction::keys() {
    QFETCH(Buttons, buttons);
    QFETCH(int, defaultButton);
    QFETCH(bool, tryToClose);
    QFETCH(bool, staysOpen);
    QFETCH(Answer, expected);

    MessageBox box;
    box.prompt = QStringLiteral("Disk Full Or Write Protected Disk!");
    box.title = QStringLiteral("Copy Error");
    box.buttons = buttons;
    box.icon = Icon::Exclamation;
    box.defaultButton = defaultButton;

    QString seenTitle;
    QString seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    bool openAfterClose = false;
    // Fails the test instead of hanging should the box never close.
    QTimer watchdog;
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
        seenTitle = shown->windowTitle();
        seenText = shown->text();
        seenIcon = shown->icon();
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

    const Answer answer = UserInteraction::current().ask(box);
    QVERIFY(watchdog.isActive());
    QCOMPARE(answer, expected);
    QCOMPARE(openAfterClose, staysOpen);
    QCOMPARE(seenTitle, box.title);
    QCOMPARE(seenText, box.prompt);
    QCOMPARE(seenIcon, QMessageBox::Warning);
}

QTEST_MAIN(TestUserInteraction)
#include "tst_user_interaction.moc"
