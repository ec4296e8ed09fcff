#include "platform/repaint.h"

#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

using namespace platform;

namespace {

class CountingWidget : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

} // namespace

class TestRepaint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void paintsAtMostOncePerFrame();
    void nowPaintsWhatIsPending();
    void destroyedWidgetIsSkipped();
};

void TestRepaint::paintsAtMostOncePerFrame() {
    CountingWidget a;
    CountingWidget b;
    a.show();
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    repaint::now();
    a.paints = b.paints = 0;

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 1000; ++i) {
        repaint::soon(&a);
        repaint::soon(&b);
    }
    const qint64 frames = clock.elapsed() / (1000 / 30) + 1;
    QVERIFY2(a.paints <= frames, qPrintable(QString::number(a.paints)));
    QCOMPARE(b.paints, a.paints); // changed together, painted together
}

void TestRepaint::nowPaintsWhatIsPending() {
    CountingWidget a;
    a.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    repaint::now(); // a frame starts here: the next soon() waits
    a.paints = 0;

    repaint::soon(&a);
    const int soonPaints = a.paints;
    repaint::now();
    QCOMPARE(a.paints, soonPaints + (soonPaints == 0 ? 1 : 0));
    // Nothing is pending any more.
    repaint::now();
    QCOMPARE(a.paints, 1);

    // A frame later, soon() paints by itself.
    QTest::qWait(40);
    a.paints = 0;
    repaint::soon(&a);
    QCOMPARE(a.paints, 1);
}

void TestRepaint::destroyedWidgetIsSkipped() {
    auto* gone = new CountingWidget;
    gone->show();
    CountingWidget kept;
    kept.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kept));
    repaint::now();
    kept.paints = 0;

    repaint::soon(gone);
    repaint::soon(&kept);
    delete gone;
    repaint::now();
    QCOMPARE(kept.paints, 1);

    auto* forgotten = new CountingWidget;
    repaint::soon(forgotten);
    repaint::forget(forgotten);
    delete forgotten;
    repaint::now();
}

QTEST_MAIN(TestRepaint)
#include "tst_repaint.moc"
