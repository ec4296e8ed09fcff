#include "platform/widgets/repaint.h"

#include <QProgressBar>
#include <QTest>
#include <QWidget>

using namespace platform;

namespace {
template <typename Widget> class Counting : public Widget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++paints;
        Widget::paintEvent(e);
    }
};
} // namespace

class TestRepaint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void atMostOncePerFrame() {
        // Two in one window, one in a window of its own.
        QWidget window;
        auto* a = new Counting<QWidget>;
        auto* b = new Counting<QWidget>;
        for (Counting<QWidget>* w : {a, b}) {
            w->setParent(&window);
            w->setGeometry(w == a ? 0 : 50, 0, 40, 40);
        }
        Counting<QWidget> c;
        window.show();
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window) && QTest::qWaitForWindowExposed(&c));
        repaint::now();
        a->paints = b->paints = c.paints = 0;

        // A thousand changes in far less than a thousand frames: not a
        // paint each (how few is for bench/run to measure).
        for (int i = 0; i < 1000; ++i) {
            repaint::soon(a);
            repaint::soon(b);
            repaint::soon(&c);
        }
        QVERIFY2(a->paints < 1000, qPrintable(QString::number(a->paints)));
        // Changed together, painted together.
        QCOMPARE(b->paints, a->paints);
        QCOMPARE(c.paints, a->paints);

        // A frame later, soon() paints by itself.
        QTest::qWait(40);
        a->paints = 0;
        repaint::soon(a);
        QCOMPARE(a->paints, 1);
    }

    void nowPaintsWhatIsPendingAndSkipsTheDestroyed() {
        auto* gone = new Counting<QWidget>;
        gone->show();
        Counting<QWidget> kept;
        kept.show();
        QVERIFY(QTest::qWaitForWindowExposed(&kept));
        repaint::now(); // a frame starts here: the next soon() waits
        kept.paints = 0;

        repaint::soon(gone);
        repaint::soon(&kept);
        delete gone;
        repaint::now();
        QCOMPARE(kept.paints, 1);
        repaint::now(); // nothing pending any more
        QCOMPARE(kept.paints, 1);
    }

    // A bar takes its value with a paint of the frame, never by painting
    // itself at every step.
    void progressValueWithThePaint() {
        Counting<QProgressBar> bar;
        bar.setRange(0, 10);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        repaint::now();
        bar.paints = 0;

        for (int v = 1; v <= 10; ++v)
            repaint::setValue(&bar, v);
        repaint::now();
        QCOMPARE(bar.value(), 10);
        QVERIFY2(bar.paints >= 1 && bar.paints < 10, qPrintable(QString::number(bar.paints)));

        repaint::setValue(&bar, 3);
        repaint::forget(&bar); // about to go: its value is dropped with it
        repaint::now();
        QCOMPARE(bar.value(), 10);
    }
};

QTEST_MAIN(TestRepaint)
#include "tst_repaint.moc"
