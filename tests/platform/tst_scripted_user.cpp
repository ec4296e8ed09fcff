#include "platform/scripted_user.h"

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTest>

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

// A modal window with a button that closes it, as the program's windows have.
QDialog* makeWindow(const QString& name, bool deleteOnClose = false) {
    auto* dialog = new QDialog;
    dialog->setObjectName(name);
    dialog->setAttribute(Qt::WA_DeleteOnClose, deleteOnClose);
    auto* button = new QPushButton(QStringLiteral("Close"), dialog);
    button->setObjectName(QStringLiteral("CloseBtn"));
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
    return dialog;
}

void clickClose(QDialog& window) {
    auto* button = window.findChild<QPushButton*>(QStringLiteral("CloseBtn"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestScriptedUser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersInOrderAndRecords();
    void unexpectedBoxGetsSafestAnswer_data();
    void unexpectedBoxGetsSafestAnswer();
    void promptMismatchIsRecorded();
    void windowActionRunsWhileVisibleAndModal();
    void windowLeftOpenIsRecordedAndClosed_data();
    void windowLeftOpenIsRecordedAndClosed();
    void nestedBoxAndWindowInsideAction();
    void unexpectedWindowIsClosedWithoutActing_data();
    void unexpectedWindowIsClosedWithoutActing();
    void selfDeletingWindowEndsWithTheShow();
};

void TestScriptedUser::answersInOrderAndRecords() {
    ScriptedUser user;
    user.expectBox(Answer::Cancel, QStringLiteral("Exit?"));
    user.expectBox(Answer::Retry);
    user.expectBox(Answer::Ok);

    MessageBox exit = box(QStringLiteral("Exit?"), Buttons::OkCancel, QStringLiteral("Quit"));
    exit.icon = Icon::Question;
    exit.defaultButton = 2;
    QCOMPARE(ask(exit), Answer::Cancel);
    QCOMPARE(ask(box(QStringLiteral("Disk full"), Buttons::AbortRetryIgnore)), Answer::Retry);
    QCOMPARE(ask(box(QStringLiteral("Again"))), Answer::Ok);

    QCOMPARE(user.boxes().size(), 3);
    const MessageBox& first = user.boxes().at(0);
    QCOMPARE(first.prompt, QStringLiteral("Exit?"));
    QCOMPARE(first.title, QStringLiteral("Quit"));
    QCOMPARE(first.buttons, Buttons::OkCancel);
    QCOMPARE(first.icon, Icon::Question);
    QCOMPARE(first.defaultButton, 2);
    QCOMPARE(user.boxes().at(1).prompt, QStringLiteral("Disk full"));
    QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
}

void TestScriptedUser::unexpectedBoxGetsSafestAnswer_data() {
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<bool>("windowQueued");
    QTest::addColumn<Answer>("expected");
    QTest::newRow("ok, empty queue") << Buttons::Ok << false << Answer::Ok;
    QTest::newRow("ok/cancel, empty queue") << Buttons::OkCancel << false << Answer::Cancel;
    QTest::newRow("abort/retry/ignore, empty queue")
        << Buttons::AbortRetryIgnore << false << Answer::Abort;
    QTest::newRow("ok/cancel, window queued") << Buttons::OkCancel << true << Answer::Cancel;
}

void TestScriptedUser::unexpectedBoxGetsSafestAnswer() {
    QFETCH(Buttons, buttons);
    QFETCH(bool, windowQueued);
    QFETCH(Answer, expected);

    ScriptedUser user;
    if (windowQueued)
        user.expectWindow(QStringLiteral("Status"), [](QDialog&) {});
    QCOMPARE(ask(box(QStringLiteral("Surprise"), buttons, QStringLiteral("Oops"))), expected);
    QCOMPARE(user.failures(), QStringList{QStringLiteral("unexpected box: Oops: Surprise")});
    QCOMPARE(user.boxes().size(), 1);
    // The queued window is still waiting for its turn.
    QCOMPARE(user.pending(), windowQueued ? 1 : 0);
}

void TestScriptedUser::promptMismatchIsRecorded() {
    ScriptedUser user;
    user.expectBox(Answer::Ok, QStringLiteral("File Already Selected!"));
    QCOMPARE(ask(box(QStringLiteral("Folder Already Selected!"))), Answer::Ok);
    QCOMPARE(user.failures().size(), 1);
    QVERIFY(user.failures().at(0).contains(QStringLiteral("Folder Already Selected!")));
    QVERIFY(user.failures().at(0).contains(QStringLiteral("File Already Selected!")));
    QCOMPARE(user.pending(), 0);
}

void TestScriptedUser::windowActionRunsWhileVisibleAndModal() {
    ScriptedUser user;
    bool ran = false;
    user.expectWindow(QStringLiteral("Status"), [&ran](QDialog& window) {
        ran = true;
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowModality(), Qt::ApplicationModal);
        QCOMPARE(QApplication::activeModalWidget(), &window);
        clickClose(window);
        QVERIFY(!window.isVisible());
    });
    std::unique_ptr<QDialog> window(makeWindow(QStringLiteral("Status")));
    QSignalSpy accepted(window.get(), &QDialog::accepted);
    showModal(*window);

    QVERIFY(ran);
    QCOMPARE(accepted.size(), 1);
    QVERIFY(!window->isVisible());
    QCOMPARE(user.windows(), QStringList{QStringLiteral("Status")});
    QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
}

void TestScriptedUser::windowLeftOpenIsRecordedAndClosed_data() {
    QTest::addColumn<bool>("deleteOnClose");
    QTest::newRow("kept") << false;
    QTest::newRow("deletes itself on close") << true;
}

void TestScriptedUser::windowLeftOpenIsRecordedAndClosed() {
    QFETCH(bool, deleteOnClose);
    ScriptedUser user;
    user.expectWindow(QStringLiteral("Overwrite"), [](QDialog&) {});
    QPointer<QDialog> window = makeWindow(QStringLiteral("Overwrite"), deleteOnClose);
    QSignalSpy finished(window.data(), &QDialog::finished);
    showModal(*window);

    QCOMPARE(user.failures(), QStringList{QStringLiteral("window left open: Overwrite")});
    QCOMPARE(finished.size(), 1);
    if (deleteOnClose) {
        QVERIFY(window.isNull());
    } else {
        QVERIFY(!window->isVisible());
        delete window.data();
    }
}

void TestScriptedUser::nestedBoxAndWindowInsideAction() {
    ScriptedUser user;
    user.expectWindow(QStringLiteral("Status"), [](QDialog& status) {
        QCOMPARE(ask(box(QStringLiteral("Disk Full Or Write Protected Disk!"),
                         Buttons::AbortRetryIgnore)),
                 Answer::Retry);
        std::unique_ptr<QDialog> overwrite(makeWindow(QStringLiteral("Overwrite")));
        showModal(*overwrite);
        clickClose(status);
    });
    user.expectBox(Answer::Retry, QStringLiteral("Disk Full Or Write Protected Disk!"));
    user.expectWindow(QStringLiteral("Overwrite"), clickClose);

    std::unique_ptr<QDialog> status(makeWindow(QStringLiteral("Status")));
    showModal(*status);

    QCOMPARE(user.windows(), (QStringList{QStringLiteral("Status"), QStringLiteral("Overwrite")}));
    QCOMPARE(user.boxes().size(), 1);
    QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
}

void TestScriptedUser::unexpectedWindowIsClosedWithoutActing_data() {
    QTest::addColumn<QString>("queued"); // what the script waits for instead
    QTest::newRow("empty queue") << QString();
    QTest::newRow("other window queued") << QStringLiteral("Status");
    QTest::newRow("box queued") << QStringLiteral("box");
}

void TestScriptedUser::unexpectedWindowIsClosedWithoutActing() {
    QFETCH(QString, queued);
    ScriptedUser user;
    bool acted = false;
    if (queued == QStringLiteral("box"))
        user.expectBox(Answer::Ok);
    else if (!queued.isEmpty())
        user.expectWindow(queued, [&acted](QDialog&) { acted = true; });

    std::unique_ptr<QDialog> window(makeWindow(QStringLiteral("Overwrite")));
    QSignalSpy finished(window.get(), &QDialog::finished);
    showModal(*window);

    QVERIFY(!acted);
    QVERIFY(!window->isVisible());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(user.failures(), QStringList{QStringLiteral("unexpected window: Overwrite")});
    QCOMPARE(user.pending(), queued.isEmpty() ? 0 : 1);
}

void TestScriptedUser::selfDeletingWindowEndsWithTheShow() {
    // As with a real modal show: the window lives until the show returns,
    // however it was closed, and not after.
    ScriptedUser user;
    bool visibleAfterClose = true;
    user.expectWindow(QStringLiteral("Status"), [&visibleAfterClose](QDialog& window) {
        window.close();
        visibleAfterClose = window.isVisible(); // still a live object here
    });
    QPointer<QDialog> window = makeWindow(QStringLiteral("Status"), true);
    showModal(*window);
    QVERIFY(!visibleAfterClose);
    QVERIFY(window.isNull());
    QVERIFY2(user.problems().isEmpty(), qPrintable(user.problems().join(u'\n')));
}

QTEST_MAIN(TestScriptedUser)
#include "tst_scripted_user.moc"
