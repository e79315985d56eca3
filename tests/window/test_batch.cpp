#include "BatchDriver.h"
#include "Files.h"
#include "Media.h"
#include "Processes.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QMenu>
#include <QTimer>

namespace {
constexpr int kBatchTimeoutMs = 120000;

// Records a widget's tooltip each time it changes.
struct ToolTipWatcher : QObject {
    QStringList tips;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTipChange)
            tips << static_cast<QWidget*>(watched)->toolTip();
        return false;
    }
};
const QByteArray kEarlier = "an earlier result";
const QByteArray kOtherInstance = "another instance's result";

bool commandsEnabled(const frmMain& window) {
    return window.imgButton[0]->isEnabled() && window.imgButton[1]->isEnabled() &&
           window.imgButton[2]->isEnabled() && window.LV->isEnabled() && window.imgBrowse->isEnabled();
}

QString videoSize(const QString& file) {
    const QJsonObject video = media::videoStream(media::probe(file));
    return QStringLiteral("%1x%2").arg(video["width"].toInt()).arg(video["height"].toInt());
}
} // namespace

class TestBatch : public QObject {
    Q_OBJECT

    QTemporaryDir m_sources;

    // As a person queues it: in the system's own form.
    QString source(const QString& name) const { return QDir::toNativeSeparators(m_sources.filePath(name)); }

    // Runs Convert through the command box and waits for the end of the batch, its sound.
    static void convert(WindowFixture& fixture) {
        fixture.Command(2);
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.desktop.Only("sound:").isEmpty(), kBatchTimeoutMs);
    }

  private slots:
    void initTestCase() {
        QVERIFY(media::makeClip(source("first clip.avi"), {"-c:v", "mpeg4", "-c:a", "libmp3lame"}));
        QVERIFY(media::makeClip(source("second.part1.wmv"), {"-c:v", "wmv2", "-c:a", "wmav2"}));
        QVERIFY(media::makeClip(source("third.mp4"), {"-c:v", "libx264", "-c:a", "aac"}));
        QVERIFY(media::makeClip(source("movie.avi"), {"-c:v", "mpeg4", "-an"}, 1));
        QVERIFY(media::makeClip(source("movie.wmv"), {"-c:v", "wmv2", "-an"}, 3));
        QVERIFY(media::makeClip(source("long.avi"), {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, 40, "640x480"));
        QFile text(source("notes.avi"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a video at all\n");
    }

    void aBatchOfThreeGivesThreeFilesAndEndsDone() {
        WindowFixture fixture;
        frmMain& window = fixture.Open();
        fixture.Drop({source("first clip.avi"), source("second.part1.wmv"), source("third.mp4")});
        convert(fixture);

        QCOMPARE(namesIn(fixture.Output()), QStringList({"first clip.mp4", "second.part1.mp4", "third.mp4"}));
        for (const QString& name : namesIn(fixture.Output())) {
            const QJsonObject probed = media::probe(fixture.Output() + "/" + name);
            QCOMPARE(media::codecs(probed), QStringList({"h264", "aac"}));
            QCOMPARE(videoSize(fixture.Output() + "/" + name), QStringLiteral("320x240"));
        }
        QCOMPARE(fixture.desktop.events,
                 QStringList(
                     {"open:" + fixture.Output(), "sound:" + fixture.programFolder.filePath("sound.wav")}));
        QCOMPARE(window.lblPB->text(), QStringLiteral("完成."));
        QCOMPARE(window.imgPB->width(), 264);
        QVERIFY(commandsEnabled(window));
        QVERIFY(window.picDragText->isVisible());
        QCOMPARE(window.LV->topLevelItemCount(), 0);
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
        QVERIFY(!window.Batch().IsRunning());
    }

    void failedFilesAreNamedWithTheirReason() {
        WindowFixture fixture;
        frmMain& window = fixture.Open();
        QFile::copy(source("third.mp4"), source("vanishing.mp4"));
        fixture.Drop(
            {source("notes.avi"), source("vanishing.mp4"), source("movie.avi"), source("movie.wmv")});
        QFile::remove(source("vanishing.mp4"));
        window.txtPath->setText(fixture.Output() + "/"); // a trailing separator is not doubled
        convert(fixture);

        // Two sources of one name: the later result takes the next free name.
        QCOMPARE(namesIn(fixture.Output()), QStringList({"movie (2).mp4", "movie.mp4"}));
        QVERIFY(qAbs(media::duration(media::probe(fixture.Output() + "/movie.mp4")) - 1.0) < 0.2);
        QVERIFY(qAbs(media::duration(media::probe(fixture.Output() + "/movie (2).mp4")) - 3.0) < 0.2);
        const QStringList reports = fixture.desktop.Only("report:");
        QCOMPARE(reports.size(), 1);
        const QStringList lines = reports.first().split(u'\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("report:2 个文件未能转换。"));
        // The encoder's own last word: why, in the users' language.
        QCOMPARE(lines[1], source("notes.avi") + " — 不是视频文件，或不支持这种格式。");
        QCOMPARE(lines[2], source("vanishing.mp4") + " — 无法读取源文件");
        QCOMPARE(window.lblPB->text(), QStringLiteral("完成."));
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
    }

    void theBatchPlaceSaysWhichFileAndHowLongIsLeft_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("estimated");
        QTest::addColumn<int>("secondsLeft");
        QTest::addColumn<QString>("said");
        QTest::newRow("no estimate yet") << 1 << 1 << false << 0 << "第 1 个，共 1 个";
        QTest::newRow("seconds") << 3 << 3 << true << 59 << "第 3 个，共 3 个 · 剩余约 59 秒";
        QTest::newRow("minutes") << 2 << 5 << true << 80 << "第 2 个，共 5 个 · 剩余约 1 分 20 秒";
        QTest::newRow("hours") << 1 << 2 << true << 3725 << "第 1 个，共 2 个 · 剩余约 1 小时 2 分";
        QTest::newRow("overtaken") << 1 << 2 << true << -4 << "第 1 个，共 2 个 · 剩余约 0 秒";
    }
    void theBatchPlaceSaysWhichFileAndHowLongIsLeft() {
        QFETCH(int, number);
        QFETCH(int, count);
        QFETCH(bool, estimated);
        QFETCH(int, secondsLeft);
        QFETCH(QString, said);
        QCOMPARE(BatchPlace(number, count, estimated ? std::optional(secondsLeft) : std::nullopt), said);
    }

    void theBarSaysWhereTheBatchIsAndHowLongIsLeft() {
        qputenv("FAKECONV_MODE", "steady");
        WindowFixture fixture(FAKECONV_PATH);
        frmMain& window = fixture.Open();
        fixture.Drop({source("first clip.avi"), source("third.mp4")});
        // Every change of the bar's tooltip is heard, however quickly the next one follows.
        ToolTipWatcher watcher;
        window.lblPB->installEventFilter(&watcher);
        convert(fixture);
        window.lblPB->removeEventFilter(&watcher);
        qunsetenv("FAKECONV_MODE");
        QStringList seen;
        bool escMentioned = false;
        for (const QString& tip : watcher.tips) {
            seen << tip.section(u'\n', 0, 0);
            escMentioned |= tip.contains("Esc");
        }
        QCOMPARE(seen.last(), window.lblPB->accessibleDescription());

        // The stand-in does ten media seconds at five a second: estimates fall to nothing by each file's end.
        static const QRegularExpression estimate(
            QStringLiteral("^第 ([12]) 个，共 2 个 · 剩余约 ([0-9]+) 秒$"));
        QMap<QString, QList<int>> estimates;
        for (const QString& detail : seen)
            if (const auto match = estimate.match(detail); match.hasMatch())
                estimates[match.captured(1)] << match.captured(2).toInt();
        // Every file is placed, and estimates are watched as they fall (under wine a file's reports may
        // reach the runner all at once at its end, leaving that file none to watch).
        QVERIFY2(!estimates.isEmpty(), qPrintable(seen.join(" | ")));
        for (const QList<int>& left : estimates) {
            QVERIFY2(left.first() >= left.last() && left.first() <= 10 && left.last() <= 1,
                     qPrintable(seen.join(" | ")));
        }
        QVERIFY2(seen.contains("第 1 个，共 2 个") && seen.contains("第 2 个，共 2 个"),
                 qPrintable(seen.join(" | ")));
        QVERIFY(escMentioned);
        QCOMPARE(window.lblPB->toolTip(), QString());
        QCOMPARE(window.lblPB->accessibleDescription(), QString());
        QCOMPARE(window.lblPB->text(), QStringLiteral("完成."));
    }

    void aWideClipComesOutLetterboxed() {
        QVERIFY(media::makeClip(source("wide.mp4"), {"-c:v", "libx264", "-c:a", "aac"}, 2, "1280x720", true));
        WindowFixture fixture;
        frmMain& window = fixture.Open();
        window.cmbSize->setCurrentText("320x240");
        fixture.Drop({source("wide.mp4")});
        convert(fixture);
        const QString result = fixture.Output() + "/wide.mp4";
        QCOMPARE(videoSize(result), QStringLiteral("320x240"));
        // 320x180 of picture, 30 rows of black above and below.
        const QRect picture = media::pictureBounds(result, {320, 240});
        QVERIFY2(qAbs(picture.top() - 30) <= 2 && qAbs(picture.bottom() - 209) <= 2 && picture.left() <= 1 &&
                     picture.right() >= 318,
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(picture.x())
                                .arg(picture.y())
                                .arg(picture.width())
                                .arg(picture.height())));
    }

    void aChangedFrameSizeAppliesFromTheNextFile() {
        WindowFixture fixture;
        frmMain& window = fixture.Open();
        fixture.Drop({source("first clip.avi"), source("long.avi"), source("third.mp4")});
        // While the second file converts (two queued, progress shown), the frame size changes.
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.lstFile->count() == 2 && window.lblPB->text() != "100%") {
                window.cmbSize->setCurrentText("176x144");
                watcher.stop();
            }
        });
        watcher.start(5);
        convert(fixture);
        QVERIFY(!watcher.isActive());
        QCOMPARE(videoSize(fixture.Output() + "/first clip.mp4"), QStringLiteral("320x240"));
        QCOMPARE(videoSize(fixture.Output() + "/long.mp4"), QStringLiteral("320x240"));
        QCOMPARE(videoSize(fixture.Output() + "/third.mp4"), QStringLiteral("176x144"));
    }

    void anEncoderThatCannotStartEndsTheBatch() {
        WindowFixture fixture(source("no-such-encoder"));
        frmMain& window = fixture.Open();
        // A file that failed before the encoder was needed is still reported.
        fixture.Drop({source("gone.avi"), source("third.mp4"), source("movie.avi")});
        fixture.Command(2);
        QTRY_VERIFY(!window.Batch().IsRunning());
        QCOMPARE(fixture.desktop.events, QStringList({"error:File or command not found",
                                                      "report:1 个文件未能转换。\n" +
                                                          source("gone.avi") + " — 无法读取源文件"}));
        QCOMPARE(fixture.Queue(), QStringList({source("third.mp4"), source("movie.avi")}));
        QVERIFY(commandsEnabled(window));
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
    }

    void aFailingEncoderPublishesNothing_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("crash") << "crash"
                               << "fake: crashed half-way";
        QTest::newRow("error") << "fail"
                               << "fake: cannot read the input";
    }
    void aFailingEncoderPublishesNothing() {
        QFETCH(QString, mode);
        QFETCH(QString, reason);
        qputenv("FAKECONV_MODE", mode.toUtf8());
        WindowFixture fixture(FAKECONV_PATH);
        fixture.Open();
        QDir().mkpath(fixture.Output());
        QFile earlier(fixture.Output() + "/third.mp4");
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier result");
        earlier.close();
        fixture.Drop({source("third.mp4")});
        convert(fixture);
        qunsetenv("FAKECONV_MODE");

        QCOMPARE(namesIn(fixture.Output()), QStringList{"third.mp4"});
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("an earlier result"));
        QCOMPARE(fixture.desktop.Only("report:").value(0).section(u'\n', 1),
                 source("third.mp4") + " — " + reason);
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
    }

    void closingMidFileLeavesNothingBehind() {
        WindowFixture fixture;
        frmMain& window = fixture.Open();
        fixture.Drop({source("long.avi"), source("third.mp4")});
        // Closed once the encoder has reported progress on the first file.
        const QRegularExpression partly(QStringLiteral("^(0\\.[0-9]*[1-9]|[1-9][0-9]?(\\.[0-9]+)?)%$"));
        bool encoderRan = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (partly.match(window.lblPB->text()).hasMatch()) {
                closer.stop();
                encoderRan = !processes::matching(fixture.Staging()).isEmpty();
                window.close();
            }
        });
        closer.start(5);
        fixture.Command(2);
        QTRY_VERIFY_WITH_TIMEOUT(!window.Batch().IsRunning(), kBatchTimeoutMs);

        QVERIFY(encoderRan);
        QCOMPARE(fixture.Queue().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(processes::matching(fixture.Staging()).isEmpty(), 5000);
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
        QVERIFY(namesIn(fixture.Output()).isEmpty());
        QVERIFY(!QFile::exists(fixture.programFolder.filePath("setup.ini")));
        QVERIFY(fixture.desktop.Only("sound:").isEmpty());
    }

    // Sources live in the output folder ("out:"), elsewhere ("src:") or are reached through a link to the
    // output folder ("lnk:"). Each source is a clip of its own length, so each result tells its source.
    void nothingTheUserOwnsIsLost_data() {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("queue");
        QTest::addColumn<QStringList>("results"); // in queue order
        QTest::addColumn<QStringList>("earlier"); // in the output folder before the batch, none a source
        QTest::addColumn<QString>("meanwhile");   // written into the output folder as the batch runs
        const QStringList none;
        QTest::newRow("sources in the output folder, an .mp4 among them")
            << QStringList{"out:holiday.mp4", "out:trip.avi", "out:trip.mp4"}
            << QStringList{"out:holiday.mp4", "out:trip.avi", "out:trip.mp4"}
            << QStringList{"holiday (2).mp4", "trip (2).mp4", "trip (3).mp4"} << none << "";
        QTest::newRow("episodes") << QStringList{"src:Show.S01E01.avi", "src:Show.S01E02.avi"}
                                  << QStringList{"src:Show.S01E01.avi", "src:Show.S01E02.avi"}
                                  << QStringList{"Show.S01E01.mp4", "Show.S01E02.mp4"} << none << "";
        QTest::newRow("one name, two kinds") << QStringList{"src:a.avi", "src:a.mov"}
                                             << QStringList{"src:a.avi", "src:a.mov"}
                                             << QStringList{"a.mp4", "a (2).mp4"} << none << "";
        // Where case does not count, "A.mp4" is taken by "a.mp4".
        QTemporaryDir probe;
        writeFile(probe.filePath("X"), "x");
        QTest::newRow("names that differ in case")
            << QStringList{"src:A.avi", "src:a.mov"} << QStringList{"src:A.avi", "src:a.mov"}
            << QStringList{"A.mp4", QFile::exists(probe.filePath("x")) ? "a (2).mp4" : "a.mp4"} << none << "";
        QTest::newRow("the same file twice, a percent sign in its name")
            << QStringList{"src:50%2.avi"} << QStringList{"src:50%2.avi", "src:50%2.avi"}
            << QStringList{"50%2.mp4", "50%2 (2).mp4"} << none << "";
        // 83 Chinese characters are 249 bytes: with " (2)" the name would pass the 255 that systems take.
        const QString longest(83, u'长');
        QTest::newRow("the same name at the longest, twice")
            << QStringList{"src:" + longest + ".avi"} << QStringList{"src:" + longest + ".avi", "src:" + longest + ".avi"}
            << QStringList{longest + ".mp4", longest.chopped(1) + " (2).mp4"} << none << "";
        QTest::newRow("no extension, a leading full stop")
            << QStringList{"src:movie", "src:.hidden.avi"} << QStringList{"src:movie", "src:.hidden.avi"}
            << QStringList{"movie.mp4", ".hidden.mp4"} << none << "";
        QTest::newRow("a source through a linked folder")
            << QStringList{"out:clip.mp4"} << QStringList{"lnk:clip.mp4"} << QStringList{"clip (2).mp4"} << none
            << "";
        QTest::newRow("an earlier result is replaced, its numbered twin kept")
            << QStringList{"src:old.avi"} << QStringList{"src:old.avi"} << QStringList{"old.mp4"}
            << QStringList{"old.mp4", "old (2).mp4"} << "";
        QTest::newRow("a name another instance takes meanwhile")
            << QStringList{"src:first.avi", "src:b.avi"} << QStringList{"src:first.avi", "src:b.avi"}
            << QStringList{"first.mp4", "b (2).mp4"} << none << "b.mp4";
    }
    void nothingTheUserOwnsIsLost() {
        QFETCH(QStringList, sources);
        QFETCH(QStringList, queue);
        QFETCH(QStringList, results);
        QFETCH(QStringList, earlier);
        QFETCH(QString, meanwhile);
        WindowFixture fixture;
        frmMain& window = fixture.Open();
        QTemporaryDir elsewhere;
        const QString output = fixture.Output();
        QVERIFY(QDir().mkpath(output));
        const QString linked = elsewhere.filePath("linked");
        if (!queue.filter("lnk:").isEmpty() && (!QFile::link(output, linked) || !QFileInfo(linked).isDir()))
            QSKIP("this system makes no links to folders");
        const auto pathOf = [&](const QString& placed) {
            const QString name = placed.mid(4);
            return native(placed.startsWith("out:")   ? QDir(output).filePath(name)
                          : placed.startsWith("lnk:") ? QDir(linked).filePath(name)
                                                      : elsewhere.filePath(name));
        };
        QMap<QString, QByteArray> bytes;
        for (int i = 0; i < sources.size(); ++i) {
            QVERIFY(media::makeClip(pathOf(sources[i]), {"-c:v", "mpeg4", "-c:a", "aac", "-f", "mp4"}, i + 1));
            bytes[pathOf(sources[i])] = readFile(pathOf(sources[i]));
        }
        for (const QString& name : earlier)
            writeFile(QDir(output).filePath(name), kEarlier);
        QTimer other;
        connect(&other, &QTimer::timeout, this, [&] {
            if (window.Batch().IsRunning()) {
                writeFile(QDir(output).filePath(meanwhile), kOtherInstance);
                other.stop();
            }
        });
        if (!meanwhile.isEmpty())
            other.start(1);
        QStringList queued;
        for (const QString& placed : queue)
            queued << pathOf(placed);
        fixture.Drop(queued);
        convert(fixture);

        QVERIFY(fixture.desktop.Only("(warning|report):").isEmpty());
        for (auto source = bytes.cbegin(); source != bytes.cend(); ++source)
            QVERIFY2(readFile(source.key()) == source.value(), qPrintable("changed: " + source.key()));
        for (int i = 0; i < queue.size(); ++i) {
            const double length = sources.indexOf(queue[i].startsWith("lnk:") ? "out:" + queue[i].mid(4)
                                                                              : queue[i]) + 1;
            const double seen = media::duration(media::probe(QDir(output).filePath(results[i])));
            QVERIFY2(qAbs(seen - length) < 0.3, qPrintable(QStringLiteral("%1: %2 s").arg(results[i]).arg(seen)));
        }
        for (const QString& name : earlier)
            QCOMPARE(readFile(QDir(output).filePath(name)) == kEarlier, !results.contains(name));
        if (!meanwhile.isEmpty())
            QCOMPARE(readFile(QDir(output).filePath(meanwhile)), kOtherInstance);
        QStringList everything = results + earlier;
        for (const QString& placed : sources)
            if (placed.startsWith("out:"))
                everything << placed.mid(4);
        if (!meanwhile.isEmpty())
            everything << meanwhile;
        everything.removeDuplicates();
        everything.sort();
        QStringList seen = namesIn(output);
        seen.sort();
        QCOMPARE(seen, everything);
    }

    void theFolderBoxIsFixedWhileABatchRunsAndNeverEmpty() {
        qputenv("FAKECONV_MODE", "steady");
        WindowFixture fixture(FAKECONV_PATH);
        frmMain& window = fixture.Open();
        window.txtPath->setText("   ");
        fixture.Drop({source("first clip.avi")});
        bool readOnlyWhileRunning = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.Batch().IsRunning()) {
                readOnlyWhileRunning = window.txtPath->isReadOnly();
                QTest::keyClicks(window.txtPath, "typed");
                watcher.stop();
            }
        });
        watcher.start(1);
        convert(fixture);
        qunsetenv("FAKECONV_MODE");
        QVERIFY(readOnlyWhileRunning);
        QCOMPARE(window.txtPath->text(), fixture.Output());
        QVERIFY(!window.txtPath->isReadOnly());
        QCOMPARE(namesIn(fixture.Output()), QStringList{"first clip.mp4"});
    }

    void anIncompleteSourceIsToldApartFromFailures() {
        qputenv("FAKECONV_MODE", "incomplete");
        WindowFixture fixture(FAKECONV_PATH);
        fixture.Open();
        fixture.Drop({source("gone.avi"), source("third.mp4")});
        convert(fixture);
        qunsetenv("FAKECONV_MODE");
        QCOMPARE(fixture.desktop.Only("report:"),
                 QStringList{"report:1 个文件未能转换，1 个文件的源文件不完整。\n" + source("gone.avi") +
                             " — 无法读取源文件\n" + source("third.mp4") +
                             " — 源文件不完整：只转换了 1 分 47 秒，共 5 分 0 秒。"});
        QCOMPARE(namesIn(fixture.Output()), QStringList{"third.mp4"});
    }

    void aStagingFolderThatCannotBeMade_data() {
        QTest::addColumn<bool>("temporaryUsable");
        QTest::newRow("the temporary folder serves") << true;
        QTest::newRow("nowhere to stage") << false;
    }
    void aStagingFolderThatCannotBeMade() {
        QFETCH(bool, temporaryUsable);
        WindowFixture fixture(FAKECONV_PATH);
        QTemporaryDir temporary;
        const QString unusable = temporary.filePath("a file");
        writeFile(unusable, "in the way");
        // Windows takes its temporary folder from TMP or TEMP, the others from TMPDIR.
        const QByteArray temporaryFolder = QFile::encodeName(temporaryUsable ? temporary.path() : unusable + "/tmp");
        QMap<const char*, QByteArray> before;
        for (const char* variable : {"TMPDIR", "TMP", "TEMP"}) {
            before[variable] = qgetenv(variable);
            qputenv(variable, temporaryFolder);
        }
        // Where that folder does not exist, some systems report no temporary folder at all.
        const QString temporaryShown = QDir::tempPath().isEmpty() ? QString() : "；" + native(QDir::tempPath());
        const QStringList rootBefore = namesIn(QDir::rootPath());
        frmMain window(fixture.desktop, ProgramPlaces{fixture.programFolder.path(), unusable + "/staging"});
        for (auto variable = before.cbegin(); variable != before.cend(); ++variable)
            qputenv(variable.key(), variable.value());
        Drop(window.LV->viewport(), Files({source("third.mp4")}));
        if (temporaryUsable) {
            // Nor can results be put where they would be emptied with the staged files.
            const QString staging = temporary.filePath(namesIn(temporary.path()).filter("movikon-").value(0));
            window.txtPath->setText(native(staging + "/out"));
            window.menuMsg->setText("c2");
            QCOMPARE(fixture.desktop.events, QStringList{"warning:Movikon Pro:输出文件夹不能在临时文件夹中：" +
                                                         native(staging + "/out") + "\n转换没有开始。"});
            fixture.desktop.events.clear();
            window.txtPath->setText(fixture.Output());
            window.menuMsg->setText("b2");
            QTRY_VERIFY_WITH_TIMEOUT(!fixture.desktop.Only("sound:").isEmpty(), kBatchTimeoutMs);
            QCOMPARE(namesIn(fixture.Output()), QStringList{"third.mp4"});
            QCOMPARE(namesIn(temporary.path()).filter("movikon-").size(), 1);
            QVERIFY(fixture.desktop.Only("(warning|report):").isEmpty());
        } else {
            window.menuMsg->setText("b2");
            QTRY_COMPARE(fixture.desktop.events, QStringList{"warning:Movikon Pro:无法创建临时文件夹：" +
                                                             native(unusable + "/staging") + temporaryShown +
                                                             "\n转换没有开始。"});
            QVERIFY(!window.Batch().IsRunning());
            QCOMPARE(window.lstFile->count(), 1);
        }
        QCOMPARE(namesIn(QDir::rootPath()), rootBefore);
    }

    // Stopped while the first real file converts, by Esc or the bar's menu, with each answer to the question.
    void stoppingWithoutClosing_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("realEncoder");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("converted"); // the results when the batch has ended
        QTest::addColumn<int>("stillQueued");       // from the first real file on
        using Choice = UserDialogs::StopChoice;
        QTest::newRow("Esc, at once") << "Esc" << false << int(Choice::Now) << QStringList() << 3;
        QTest::newRow("Esc, after the file") << "Esc" << false << int(Choice::AfterCurrentFile)
                                             << QStringList{"first clip.mp4"} << 2;
        QTest::newRow("Esc, carry on") << "Esc" << false << int(Choice::Continue)
                                       << QStringList{"first clip.mp4", "movie.mp4", "third.mp4"} << 0;
        QTest::newRow("the bar's menu, at once") << "menu" << false << int(Choice::Now) << QStringList() << 3;
        QTest::newRow("Esc, at once, real encoder") << "Esc" << true << int(Choice::Now) << QStringList() << 3;
    }
    void stoppingWithoutClosing() {
        QFETCH(QString, how);
        QFETCH(bool, realEncoder);
        QFETCH(int, answer);
        QFETCH(QStringList, converted);
        QFETCH(int, stillQueued);
        // Stopped at once, the stand-in never ends by itself: however slow the machine, the stop lands mid-file.
        if (!realEncoder)
            qputenv("FAKECONV_MODE", answer == int(UserDialogs::StopChoice::Now) ? "hang" : "steady");
        WindowFixture fixture(realEncoder ? QStringLiteral(PROGRAM_FOLDER "/data/conv") : FAKECONV_PATH);
        frmMain& window = fixture.Open();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Five minutes for the real encoder: still converting when the answer comes, on a busy machine too.
        if (realEncoder && !QFile::exists(source("five minutes.avi")))
            QVERIFY(media::makeClip(source("five minutes.avi"), {"-c:v", "mpeg4", "-an"}, 300));
        const QStringList files{source(realEncoder ? "five minutes.avi" : "first clip.avi"), source("movie.avi"),
                                source("third.mp4")};
        fixture.Drop(QStringList{source("gone.avi")} + files);
        fixture.desktop.stopAnswers << UserDialogs::StopChoice(answer);
        bool stoppedMidFile = false;
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, this, [&] {
            if (window.lstFile->count() != 3 || processes::matching(fixture.Staging()).isEmpty())
                return;
            stopper.stop();
            stoppedMidFile = true;
            if (how == "Esc")
                return QTest::keyClick(&window, Qt::Key_Escape);
            const QPoint onTheBar(200, 376);
            QContextMenuEvent click(QContextMenuEvent::Mouse, onTheBar, window.mapToGlobal(onTheBar));
            QApplication::sendEvent(&window, &click);
            auto* menu = window.findChild<QMenu*>();
            QVERIFY(menu && menu->isVisible());
            QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("停止转换…"));
            QVERIFY(menu->actions().value(0)->isEnabled());
            menu->actions().value(0)->trigger();
        });
        stopper.start(5);
        fixture.Command(2);
        QTRY_VERIFY_WITH_TIMEOUT(!window.Batch().IsRunning(), kBatchTimeoutMs);
        qunsetenv("FAKECONV_MODE");

        QVERIFY(stoppedMidFile);
        QCOMPARE(fixture.desktop.Only("ask-stop").size(), 1);
        QCOMPARE(fixture.desktop.Only("report:"), QStringList{"report:1 个文件未能转换。\n" + source("gone.avi") +
                                                              " — 无法读取源文件"});
        QCOMPARE(fixture.Queue(), files.mid(3 - stillQueued));
        QStringList results = namesIn(fixture.Output());
        results.sort();
        QCOMPARE(results, converted);
        QTRY_VERIFY_WITH_TIMEOUT(processes::matching(fixture.Staging()).isEmpty(), 5000);
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
        QVERIFY(!window.txtPath->isReadOnly() && window.imgButton[2]->isEnabled());
        if (stillQueued == 0) {
            QCOMPARE(window.lblPB->text(), QStringLiteral("完成."));
            return;
        }
        QCOMPARE(window.lblPB->text(), QStringLiteral("已停止."));
        QVERIFY(fixture.desktop.Only("(sound|open):").isEmpty());

        // Convert starts again from the head.
        fixture.desktop.events.clear();
        convert(fixture);
        QCOMPARE(window.lblPB->text(), QStringLiteral("完成."));
        QCOMPARE(fixture.Queue(), QStringList());
        QCOMPARE(namesIn(fixture.Output()).size(), 3);
    }

    void aThousandFilesRunOnAConstantStack() {
        QTemporaryDir many;
        QStringList paths;
        for (int i = 0; i < 1000; ++i) {
            paths << many.filePath(QStringLiteral("clip%1.avi").arg(i, 4, 10, QChar(u'0')));
            QFile file(paths.last());
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        WindowFixture fixture(FAKECONV_PATH);
        frmMain& window = fixture.Open();
        fixture.Drop(paths);
        convert(fixture);
        QCOMPARE(namesIn(fixture.Output()).size(), 1000);
        QVERIFY(fixture.desktop.Only("(warning|report):").isEmpty());
        QCOMPARE(window.lstFile->count(), 0);
    }
};

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
