#include "RecordingNotices.h"
#include "engine/DOSOutputs.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QSysInfo>
#include <QTest>

#include <QTimer>
#include <algorithm>

namespace {
const QString kChatter = QStringLiteral(CHATTER_PATH);

QString chatter(const QString& arguments) {
    return kChatter + u' ' + arguments;
}

// What `chatter bytes N` writes.
QString chatterBytes(int total) {
    QString text;
    text.reserve(total);
    for (int i = 0; i < total; ++i) {
        const int inBlock = i % 65536;
        text += (inBlock % 64 == 63) ? QChar(u'\n') : QChar(u'a' + inBlock % 26);
    }
    return text;
}

// Records the events of one object in the order they come.
struct EventLog {
    QStringList chunks;
    QStringList order;
    int overs = 0;

    explicit EventLog(DOSOutputs& runner) {
        QObject::connect(&runner, &DOSOutputs::ReceiveOutputs, [this](const QString& chunk) {
            chunks << chunk;
            order << QStringLiteral("receive");
        });
        QObject::connect(&runner, &DOSOutputs::CommandOver, [this] {
            ++overs;
            order << QStringLiteral("over");
        });
    }
};
} // namespace

class TestDOSOutputs : public QObject {
    Q_OBJECT

  private slots:
    void commandsThatCannotStartShowTheirBoxAndRaiseNothing_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("box");
        QTest::newRow("empty") << QString() << "error:没有要运行的命令。";
        QTest::newRow("blank") << "   "
                               << "error:找不到要运行的程序，或它无法运行。";
        QTest::newRow("missing program") << "/no/such/program -x"
                                         << "error:找不到要运行的程序，或它无法运行。";
        QTest::newRow("a folder") << "/tmp"
                                  << "error:找不到要运行的程序，或它无法运行。";
    }
    void commandsThatCannotStartShowTheirBoxAndRaiseNothing() {
        QFETCH(QString, commandLine);
        QFETCH(QString, box);
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        EventLog log(runner);
        QCOMPARE(runner.ExecuteCommand(commandLine), QString());
        QCOMPARE(desktop.events, QStringList{box});
        QVERIFY(log.order.isEmpty());

        // The same object works for the next command.
        QCOMPARE(runner.ExecuteCommand(chatter("args ok")), QStringLiteral("<ok>\n"));
        QCOMPARE(log.overs, 1);
        QCOMPARE(runner.CommandLine(), chatter("args ok"));
    }

    void anEmptyArgumentRunsTheStoredCommandLine() {
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        runner.setCommandLine(chatter("args stored"));
        QCOMPARE(runner.ExecuteCommand(), QStringLiteral("<stored>\n"));
        QCOMPARE(runner.CommandLine(), chatter("args stored"));
    }

    void quotesGroupWordsAndNoShellIsInvolved() {
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        QCOMPARE(
            runner.ExecuteCommand(kChatter + QStringLiteral(R"( args "two words" $HOME ';' "say """hi"""")")),
            QStringLiteral("<two words>\n<$HOME>\n<';'>\n<say \"hi\">\n"));
    }

    void chunksAddUpToTheWholeOutput_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("5 MB at once") << "bytes 5000000" << chatterBytes(5000000);
        QTest::newRow("a line every 100 ms") << "lines 5 100"
                                             << "line 1\nline 2\nline 3\nline 4\nline 5\n";
        QTest::newRow("standard error too") << "both"
                                            << "out\nerr\n";
        // The bytes of 中 in UTF-8, read in the system's encoding as a whole, however they arrive.
        const QString whole = QStringDecoder(QStringDecoder::System)
                                  .decode(QByteArray("ab\xE4\xB8\xAD"
                                                     "cd\n"));
        QTest::newRow("a character split between writes") << "split" << whole;
    }
    void chunksAddUpToTheWholeOutput() {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        EventLog log(runner);
        bool outputsEndWithChunk = true;
        connect(&runner, &DOSOutputs::ReceiveOutputs, this,
                [&](const QString& chunk) { outputsEndWithChunk &= runner.Outputs().endsWith(chunk); });

        const QString returned = runner.ExecuteCommand(chatter(arguments));

        QCOMPARE(log.chunks.join(QString()), expected);
        QCOMPARE(returned, expected);
        QCOMPARE(runner.Outputs(), expected);
        QVERIFY(outputsEndWithChunk);
        for (const QString& chunk : log.chunks) {
            QVERIFY(chunk.toUtf8().size() <= DOSOutputs::kChunkBytes);
            QVERIFY(!chunk.contains(QChar::ReplacementCharacter));
        }
        QCOMPARE(log.overs, 1);
        QCOMPARE(log.order.last(), QStringLiteral("over"));
        QVERIFY(desktop.events.isEmpty());
    }

    void theEndIsSeenAtOnce() {
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        // A child run plainly and one run by the runner, in turns, so that a busy machine slows both alike.
        QList<qint64> added;
        QElapsedTimer clock;
        for (int i = 0; i < 11; ++i) {
            clock.start();
            QProcess plain;
            plain.start(kChatter, {"exit", "0"});
            plain.waitForFinished(-1);
            const qint64 alone = clock.restart();
            runner.ExecuteCommand(chatter("exit 0"));
            added << clock.elapsed() - alone;
        }
        std::sort(added.begin(), added.end());
        QStringList shown;
        for (const qint64 ms : added)
            shown << QString::number(ms);
        // Waiting out the 50 ms poll after an end would add most of it to a run. Under wine (seen there,
        // never on Linux) a child's end reaches the event loop only about one poll later: there no more than
        // that is allowed.
        const qint64 allowed = QSysInfo::kernelType() == QStringLiteral("winnt") ? 95 : 45;
        QVERIFY2(added[added.size() / 2] < allowed, qPrintable("ms added to each run: " + shown.join(u' ')));
    }

    void aRunStartedFromCommandOverCompletes() {
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        int depth = 0;
        connect(&runner, &DOSOutputs::CommandOver, this, [&] {
            if (++depth == 1)
                runner.ExecuteCommand(chatter("args inner"));
        });
        QCOMPARE(runner.ExecuteCommand(chatter("args outer")), QStringLiteral("<inner>\n"));
        QCOMPARE(depth, 2);
    }

    void exitStatusOfTheLastRun_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("succeeded");
        QTest::newRow("zero") << "exit 0" << true;
        QTest::newRow("three") << "exit 3" << false;
        QTest::newRow("usage error") << "nonsense" << false;
    }
    void exitStatusOfTheLastRun() {
        QFETCH(QString, arguments);
        QFETCH(bool, succeeded);
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        runner.ExecuteCommand(chatter(arguments));
        QCOMPARE(runner.LastRunSucceeded(), succeeded);
    }

    void aHangingChildCanBeStopped() {
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        EventLog log(runner);
        QTimer::singleShot(200, [&] {
            QVERIFY(runner.IsRunning());
            runner.Stop(1000);
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runner.ExecuteCommand(chatter("hang")), QStringLiteral("hanging\n"));
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(!runner.LastRunSucceeded());
        QVERIFY(!runner.IsRunning());
        QCOMPARE(log.overs, 1);
    }

    void eventsRunDuringARun() {
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        runner.ExecuteCommand(chatter("lines 3 100"));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }
};

QTEST_GUILESS_MAIN(TestDOSOutputs)
#include "test_DOSOutputs.moc"
