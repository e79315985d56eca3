#include "engine/ProgressParser.h"

#include <QTest>

namespace {
const QString kNoChange = QStringLiteral("unchanged");
} // namespace

class TestProgressParser : public QObject {
    Q_OBJECT

  private slots:
    void oneChunk_data() {
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<int>("totalBefore");
        QTest::addColumn<int>("totalAfter");
        QTest::addColumn<QString>("label");   // kNoChange when the display keeps its state
        QTest::addColumn<double>("fraction"); // of the bar's full length

        QTest::newRow("half") << "time=45.00 " << 90 << 90 << "50%" << 0.5;
        QTest::newRow("30.40 of 90") << "time=30.40 " << 90 << 90 << "33.3%" << 30.0 / 90;
        QTest::newRow("29.50 rounds to even 30") << "time=29.50 " << 90 << 90 << "33.3%" << 30.0 / 90;
        QTest::newRow("30.50 rounds to even 30") << "time=30.50 " << 90 << 90 << "33.3%" << 30.0 / 90;
        QTest::newRow("past the end") << "time=91.00 " << 90 << 90 << "100%" << 1.0;
        QTest::newRow("second duration ignored")
            << "Duration: 00:05:00.00, time=45.00 " << 90 << 90 << "50%" << 0.5;
        QTest::newRow("empty token") << "time= speed=1x" << 90 << 90 << "0%" << 0.0;
        QTest::newRow("empty chunk") << "" << 90 << 90 << kNoChange << 0.0;
        QTest::newRow("no marker") << "frame=10 fps=0.0" << 90 << 90 << kNoChange << 0.0;
        QTest::newRow("marker at the very end") << "speed=1x time=" << 90 << 90 << kNoChange << 0.0;
        QTest::newRow("duration and time in one chunk")
            << "  Duration: 00:00:20.00, start: 0.0\ntime=5.00 " << 0 << 20 << "25%" << 0.25;
        QTest::newRow("1 s of 3") << "time=1.00 " << 3 << 3 << "33.3%" << 30.0 / 90;
        QTest::newRow("1 s of 300") << "time=1.00 " << 300 << 300 << "0.33%" << 1.0 / 300;
        QTest::newRow("5%") << "time=1 " << 20 << 20 << "5%" << 0.05;
        QTest::newRow("7.25%") << "time=29 " << 400 << 400 << "7.25%" << 29.0 / 400;
        QTest::newRow("0.5%") << "time=1 " << 200 << 200 << "0.5%" << 0.005;
        QTest::newRow("12.5%") << "time=1 " << 8 << 8 << "12.5%" << 0.125;
        QTest::newRow("66.6% is cut, not rounded") << "time=2 " << 3 << 3 << "66.6%" << 2.0 / 3;
        QTest::newRow("markers are case-sensitive")
            << "duration: 00:01:00.00 TIME=30 " << 0 << 0 << kNoChange << 0.0;
        QTest::newRow("halves of the duration go to even: 10.5")
            << "Duration: 00:00:10.50, time=5 " << 0 << 10 << "50%" << 0.5;
        QTest::newRow("halves of the duration go to even: 11.5")
            << "Duration: 00:00:11.50, time=6 " << 0 << 12 << "50%" << 0.5;
        QTest::newRow("first duration with a token wins")
            << "Duration:  x Duration: 00:01:00.00, time=6 " << 0 << 60 << "10%" << 0.1;
        QTest::newRow("duration cut by the chunk's edge")
            << "bitrate: 5\n  Durat" << 0 << 0 << kNoChange << 0.0;
        QTest::newRow("time cut by the chunk's edge reads its first part")
            << "time=4" << 90 << 90 << "4.44%" << 4.0 / 90;
        // Decided cases and mends.
        QTest::newRow("time while the duration is unknown") << "time=5.00 " << 0 << 0 << "?" << 0.0;
        QTest::newRow("duration N/A is not taken") << "Duration: N/A, time=5.00 " << 0 << 0 << "?" << 0.0;
        QTest::newRow("duration with two fields is not taken")
            << "Duration: 01:30.00, " << 0 << 0 << kNoChange << 0.0;
        QTest::newRow("negative elapsed shows 0%") << "time=-00:00:00.05 " << 90 << 90 << "0%" << 0.0;
        QTest::newRow("negative seconds show 0%") << "time=-3.00 " << 90 << 90 << "0%" << 0.0;
        QTest::newRow("hours, minutes and seconds") << "time=00:01:05.20 " << 130 << 130 << "50%" << 0.5;
        QTest::newRow("a duration of an hour")
            << "Duration: 01:00:00.00, time=36.00 " << 0 << 3600 << "1%" << 0.01;
    }
    void oneChunk() {
        QFETCH(QString, chunk);
        QFETCH(int, totalBefore);
        QFETCH(int, totalAfter);
        QFETCH(QString, label);
        QFETCH(double, fraction);
        const ProgressReading reading = ReadProgress(chunk, totalBefore);
        QCOMPARE(reading.totalSeconds, totalAfter);
        if (label == kNoChange) {
            QVERIFY(!reading.display);
            return;
        }
        QVERIFY(reading.display);
        QCOMPARE(reading.display->label, label);
        QVERIFY2(qAbs(reading.display->fraction - fraction) < 1e-6,
                 qPrintable(QString::number(reading.display->fraction)));
    }

    void aLogCutAnywhereNeverMovesTheBarBackwards() {
        // The console output of conv for a 12-second clip, as the runner might read it.
        QString log = QStringLiteral("Duration: 00:00:12.00, \n");
        for (int tenth = 0; tenth <= 120; tenth += 3)
            log += QStringLiteral("time=%1 \n").arg(tenth / 10.0, 0, 'f', 2);
        for (int cut = 0; cut <= log.size(); ++cut) {
            qint32 total = 0;
            double bar = 0;
            for (const QString& chunk : {log.left(cut), log.mid(cut)}) {
                const ProgressReading reading = ReadProgress(chunk, total);
                total = reading.totalSeconds;
                if (reading.display) {
                    QVERIFY2(reading.display->fraction >= bar, qPrintable(QString::number(cut)));
                    bar = reading.display->fraction;
                }
            }
            // A read that cuts the duration's token short reads it short; one that cuts the marker loses it.
            if (cut == 0 || cut >= log.indexOf(QStringLiteral("12.")) + 2)
                QCOMPARE(total, 12);
        }
        // Cut into many small reads the display still ends full.
        qint32 total = 0;
        double bar = 0;
        for (int at = 0; at < log.size(); at += 23) {
            const ProgressReading reading = ReadProgress(QStringView(log).mid(at, 23), total);
            total = reading.totalSeconds;
            if (reading.display) {
                QVERIFY(reading.display->fraction >= bar);
                bar = reading.display->fraction;
            }
        }
        QCOMPARE(bar, 1.0);
    }
};

QTEST_GUILESS_MAIN(TestProgressParser)
#include "test_ProgressParser.moc"
