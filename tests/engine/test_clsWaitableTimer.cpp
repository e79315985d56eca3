#include "engine/clsWaitableTimer.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>

class TestWaitableTimer : public QObject {
    Q_OBJECT

  private slots:
    void waitsTheRequestedTimeAndHandlesEventsMeanwhile() {
        for (const int ms : {1, 50, 120}) {
            clsWaitableTimer timer;
            qint64 handledAt = -1;
            QElapsedTimer clock;
            clock.start();
            QTimer::singleShot(0, [&] { handledAt = clock.nsecsElapsed(); });
            timer.Wait(ms);
            const qint64 waited = clock.nsecsElapsed();
            QVERIFY2(waited >= qint64(ms) * 1000000, qPrintable(QString::number(waited)));
            QVERIFY(waited < qint64(ms + 200) * 1000000);
            QVERIFY(handledAt >= 0);
            QVERIFY2(handledAt < qint64(ms) * 1000000 || ms < 5, "the event waited for the end of the wait");
        }
    }

    void zeroRunsOnePassOfPendingEvents() {
        clsWaitableTimer timer;
        bool handled = false;
        QMetaObject::invokeMethod(
            this, [&] { handled = true; }, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        timer.Wait(0);
        QVERIFY(handled);
        QVERIFY(clock.elapsed() < 20);
    }

    void aHandlerThatOutlastsTheWaitEndsItRightAfter() {
        clsWaitableTimer timer;
        QTimer::singleShot(5, [] { QThread::msleep(150); });
        QElapsedTimer clock;
        clock.start();
        timer.Wait(20);
        QVERIFY(clock.elapsed() >= 150);
        QVERIFY(clock.elapsed() < 400);
    }

    void interruptEndsTheWaitOrTheNextOne() {
        clsWaitableTimer timer;
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(10, [&] { timer.Interrupt(); });
        timer.Wait(5000);
        QVERIFY(clock.elapsed() < 1000);

        timer.Interrupt();
        clock.restart();
        timer.Wait(5000);
        QVERIFY(clock.elapsed() < 1000);

        // The interruption is used up: the wait after it lasts again.
        clock.restart();
        timer.Wait(60);
        QVERIFY(clock.elapsed() >= 60);
    }
};

QTEST_GUILESS_MAIN(TestWaitableTimer)
#include "test_clsWaitableTimer.moc"
