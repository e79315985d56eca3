// The batch driver on its own: a queue without a window, the stand-in encoder, a recorder in the person's
// place. No widget is made; what the window would show is what the driver's signals say.
#include "FakeConvMode.h"
#include "Files.h"
#include "QueuedFiles.h"
#include "RecordingNotices.h"
#include "engine/BatchChoices.h"
#include "engine/BatchDriver.h"
#include "engine/DOSOutputs.h"
#include "platform/Platform.h"
#include "platform/StagingFolder.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
constexpr int kBatchTimeoutMs = 120000;
const QByteArray kEarlier = "an earlier result";
const QByteArray kOtherInstance = "another instance's result";

// The home folder at `folder` while it lives (HOME, USERPROFILE on Windows).
class HomeAt {
  public:
    explicit HomeAt(const QString& folder) : m_home(qgetenv("HOME")), m_profile(qgetenv("USERPROFILE")) {
        qputenv("HOME", QFile::encodeName(folder));
        qputenv("USERPROFILE", QFile::encodeName(folder));
    }
    ~HomeAt() {
        qputenv("HOME", m_home);
        qputenv("USERPROFILE", m_profile);
    }

  private:
    const QByteArray m_home, m_profile;
};

// What the window's folder box and settings would say.
struct Choices : BatchChoices {
    QString output;
    QString OutputFolder() const override { return output; }
    EncoderOptions ConversionOptions() const override {
        return {.videoBitRate = "128", .frameSize = "320x240", .frameRate = "14.985", .audioBitRate = "64"};
    }
};

// A driver of its own for each test: a program folder whose data/conv is `encoder`, a private staging root,
// and every signal it sends, in order.
struct Driver {
    QTemporaryDir programFolder, stagingRoot;
    RecordingNotices notices;
    FileQueue queue;
    Choices choices;
    StagingFolder staging;
    DOSOutputs runner{notices};
    BatchDriver batch{runner, notices, queue, choices, programFolder.path(), staging};
    QStringList said; // "running:1", "place:…", "progress:0.5:50%", "status:完成.", "batch:0.25"

    explicit Driver(const QString& encoder = QStringLiteral(FAKECONV_PATH)) : staging(stagingRoot.path()) {
        QDir().mkpath(programFolder.filePath("data"));
        const QString suffix = platform::ExecutableSuffix();
        platform::StageSource(encoder.endsWith(suffix) ? encoder : encoder + suffix,
                              programFolder.filePath("data/conv" + suffix));
        choices.output = native(programFolder.filePath("output"));
        QObject::connect(&batch, &BatchDriver::RunningChanged,
                         [this](bool on) { said << "running:" + QString::number(on); });
        QObject::connect(&batch, &BatchDriver::PlaceChanged,
                         [this](const QString& place) { said << "place:" + place; });
        QObject::connect(&batch, &BatchDriver::StatusText,
                         [this](const QString& text) { said << "status:" + text; });
        QObject::connect(&batch, &BatchDriver::FileProgress, [this](double fraction, const QString& text) {
            said << QStringLiteral("progress:%1:%2").arg(fraction).arg(text);
        });
        QObject::connect(&batch, &BatchDriver::BatchProgress,
                         [this](double done) { said << QStringLiteral("batch:%1").arg(done); });
    }

    QString Output() const { return choices.output; }
    // Queues `files` after what is queued already.
    void Queue(const QStringList& files) {
        for (const QString& file : files)
            queue.Append(file, {});
    }

    // Convert, then wait for the batch to end however it ends.
    void Run(int timeoutMs = kBatchTimeoutMs) {
        batch.Convert();
        QTRY_VERIFY_WITH_TIMEOUT(!batch.IsRunning(), timeoutMs);
    }
};
} // namespace

class TestBatchDriver : public QObject {
    Q_OBJECT

    QTemporaryDir m_sources;

    QString source(const QString& name) const { return native(m_sources.filePath(name)); }

  private slots:
    void initTestCase() {
        for (const char* name : {"a.avi", "b.avi"})
            writeFile(source(name), QByteArray("the bytes of ") + name);
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

    void aBatchTellsWhereItIsByItsSignals() {
        Driver driver;
        driver.Queue({source("a.avi"), source("b.avi")});
        driver.Run();
        // Each file is placed and reported done; the end comes last. (A report said twice in a row counts
        // once: the encoder's own 100 % may come in its last chunk or not at all before it ends.)
        static const QRegularExpression steps("^(running|status):|^place:[^·]*$|:100%$");
        QStringList said;
        for (const QString& step : driver.said.filter(steps))
            if (said.isEmpty() || said.last() != step)
                said << step;
        QCOMPARE(said, QStringList({"running:1", "place:第 1 个，共 2 个", "progress:1:100%",
                                    "place:第 2 个，共 2 个", "progress:1:100%", "status:完成.",
                                    "place:", "running:0"}));
        // The whole batch's share only grows, from nothing to all.
        QList<double> shares;
        for (const QString& share : driver.said.filter(QRegularExpression("^batch:")))
            shares << share.mid(6).toDouble();
        QVERIFY(std::is_sorted(shares.cbegin(), shares.cend()));
        QCOMPARE(shares.first(), 0.0);
        QCOMPARE(shares.last(), 1.0);
        QCOMPARE(driver.notices.events, QStringList({"open:" + driver.Output(),
                                                     "sound:" + driver.programFolder.filePath("sound.wav")}));
        QCOMPARE(namesIn(driver.Output()), QStringList({"a.mp4", "b.mp4"}));
        QVERIFY(namesIn(driver.staging.Path()).isEmpty());
    }

    // What the end report says, and that a file that failed publishes nothing over an earlier result.
    void theEndReportNamesWhatFailed_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QStringList>("queue");
        QTest::addColumn<QStringList>("report"); // its summary, then its lines
        QTest::addColumn<QStringList>("results");
        QTest::newRow("all well") << QByteArray("instant") << QStringList{"a.avi"} << QStringList()
                                  << QStringList{"a.mp4"};
        QTest::newRow("a source gone")
            << QByteArray("instant") << QStringList{"gone.avi", "a.avi"}
            << QStringList{"1 个文件未能转换。", "gone.avi — 无法读取源文件"} << QStringList{"a.mp4"};
        QTest::newRow("the encoder fails") << QByteArray("fail") << QStringList{"a.avi"}
                                           << QStringList{"1 个文件未能转换。", "a.avi — 无法读取源文件。"}
                                           << QStringList{"a.mp4 (earlier)"};
        // Whatever it said last, an encoder that dies did not say why.
        QTest::newRow("the encoder crashes")
            << QByteArray("crash") << QStringList{"a.avi", "b.avi"}
            << QStringList{"2 个文件未能转换。", "a.avi — 转换程序意外终止。", "b.avi — 转换程序意外终止。"}
            << QStringList{"a.mp4 (earlier)"};
        QTest::newRow("incomplete, and a source gone")
            << QByteArray("incomplete") << QStringList{"gone.avi", "a.avi"}
            << QStringList{"1 个文件未能转换，1 个文件的源文件不完整。", "gone.avi — 无法读取源文件",
                           "a.avi — 源文件不完整：只转换了 1 分 47 秒，共 5 分 0 秒。"}
            << QStringList{"a.mp4"};
        QTest::newRow("only incomplete")
            << QByteArray("incomplete") << QStringList{"a.avi"}
            << QStringList{"1 个文件的源文件不完整，只转换了一部分。",
                           "a.avi — 源文件不完整：只转换了 1 分 47 秒，共 5 分 0 秒。"}
            << QStringList{"a.mp4"};
    }
    void theEndReportNamesWhatFailed() {
        QFETCH(QByteArray, mode);
        QFETCH(QStringList, queue);
        QFETCH(QStringList, report);
        QFETCH(QStringList, results);
        const FakeConvMode encoder(mode);
        Driver driver;
        QVERIFY(QDir().mkpath(driver.Output()));
        writeFile(QDir(driver.Output()).filePath("a.mp4"), markedResult("an earlier result"));
        for (const QString& name : queue)
            driver.queue.Append(source(name), {});
        driver.Run();

        QStringList expected;
        for (const QString& line : report)
            expected << (line.contains(" — ") ? source(line) : line);
        QCOMPARE(driver.notices.Only("report:"),
                 report.isEmpty() ? QStringList() : QStringList{"report:" + expected.join(u'\n')});
        QCOMPARE(namesIn(driver.Output()), QStringList{"a.mp4"});
        QCOMPARE(readFile(QDir(driver.Output()).filePath("a.mp4")) == markedResult("an earlier result"),
                 results.contains("a.mp4 (earlier)"));
        QVERIFY(namesIn(driver.staging.Path()).isEmpty());
        QVERIFY(QueuedFiles(driver.queue).isEmpty());
    }

    // What cannot serve a batch is said before any file, and the queue stays as it is.
    void aBatchThatCannotServeDoesNotStart_data() {
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QString>("output"); // under a fresh folder; "file" there is a file
        QTest::addColumn<QString>("said");   // "<folder>" stands for that fresh folder
        const QString fake = QStringLiteral(FAKECONV_PATH);
        QTest::newRow("no encoder") << ""
                                    << "<folder>/out"
                                    << "找不到转换程序：<encoder>";
        QTest::newRow("a relative output folder")
            << fake << "rel-out"
            << "输出文件夹要写完整的路径（从盘符或根目录开始）：rel-out";
        QTest::newRow("a file where the folder would be") << fake << "<folder>/file"
                                                          << "输出文件夹的位置上是一个文件：<folder>/file";
        QTest::newRow("a file on the way to it") << fake << "<folder>/file/out"
                                                 << "输出文件夹的位置上是一个文件：<folder>/file";
        QTest::newRow("no folder named") << fake << "  "
                                         << "请先选择输出文件夹。";
    }
    void aBatchThatCannotServeDoesNotStart() {
        QFETCH(QString, encoder);
        QFETCH(QString, output);
        QFETCH(QString, said);
        Driver driver(encoder.isEmpty() ? source("no-such-encoder") : encoder);
        QTemporaryDir folder;
        writeFile(folder.filePath("file"), "in the way");
        const QString cwdBefore = namesIn(QDir::currentPath()).join(u'/');
        driver.choices.output = native(output.replace("<folder>", folder.path()));
        driver.Queue({source("a.avi"), source("b.avi")});
        driver.batch.Convert();
        said.replace("<folder>", folder.path())
            .replace("<encoder>", EncoderPath(driver.programFolder.path()));
        QCOMPARE(driver.notices.events,
                 QStringList{"warning:Movikon Pro:" + native(said) + "\n转换没有开始。"});
        QVERIFY(!driver.batch.IsRunning());
        QCOMPARE(QueuedFiles(driver.queue), QStringList({source("a.avi"), source("b.avi")}));
        QCOMPARE(namesIn(folder.path()), QStringList{"file"});
        QCOMPARE(namesIn(QDir::currentPath()).join(u'/'), cwdBefore);
    }

    // The box's text as people type it: the batch writes where they meant, shown back in the box.
    void theOutputFolderIsTakenAsMeant_data() {
        QTest::addColumn<QString>("typed"); // "<folder>" stands for a fresh folder, which is also the home
        QTest::addColumn<QString>("used");
        QTest::newRow("spaces at both ends") << "  <folder>/out  "
                                             << "<folder>/out";
        QTest::newRow("missing, with its parents") << "<folder>/a/b c/d"
                                                   << "<folder>/a/b c/d";
        QTest::newRow("the home folder") << "~/视频 out"
                                         << "<folder>/视频 out";
    }
    void theOutputFolderIsTakenAsMeant() {
        QFETCH(QString, typed);
        QFETCH(QString, used);
        QTemporaryDir folder;
        const HomeAt home(folder.path());
        if (QDir(QDir::homePath()) != QDir(folder.path()))
            QSKIP("this system finds the home folder elsewhere");
        Driver driver;
        QString shown;
        connect(&driver.batch, &BatchDriver::OutputFolderUsed, this,
                [&shown](const QString& folder) { shown = folder; });
        driver.choices.output = native(typed.replace("<folder>", folder.path()));
        driver.Queue({source("a.avi")});
        driver.Run();
        used.replace("<folder>", folder.path());
        QCOMPARE(shown, native(used));
        QCOMPARE(namesIn(used), QStringList{"a.mp4"});
        QVERIFY(driver.notices.Only("(warning|report):").isEmpty());
    }

    // A folder that goes away or turns read-only mid-batch stops it at once; what was not converted stays.
    void aFolderThatGoesAwayStopsTheBatch() {
        const FakeConvMode encoder("copy");
        Driver driver;
        driver.Queue({source("a.avi"), source("b.avi"), source("a.avi")});
        // Once the first result is in.
        connect(&driver.batch, &BatchDriver::BatchProgress, this, [&driver] {
            if (QueuedFiles(driver.queue).size() == 2)
                QDir(driver.Output()).removeRecursively();
        });
        driver.Run();
        QCOMPARE(
            driver.notices.Only("report:"),
            QStringList{"report:转换已停止，未转换的文件仍在列表中。\n输出文件夹不存在：" + driver.Output()});
        QCOMPARE(QueuedFiles(driver.queue), QStringList({source("b.avi"), source("a.avi")}));
        QVERIFY(!QFileInfo::exists(driver.Output()));
        QVERIFY(namesIn(driver.staging.Path()).isEmpty());
        QCOMPARE(readFile(source("a.avi")), QByteArray("the bytes of a.avi"));
    }

    // What a publishing program that died left goes with the next batch into that folder; what is not such
    // a leftover stays.
    void leftoversOfADeadProgramGo() {
        QProcess gone;
        gone.start(QStringLiteral(CHATTER_PATH), {});
        QVERIFY(gone.waitForStarted());
        const qint64 goneId = gone.processId();
        QVERIFY(gone.waitForFinished());
        Driver driver;
        QVERIFY(QDir().mkpath(driver.Output()));
        const QString dead = QStringLiteral(".movikon-%1-0123abcd.part").arg(goneId);
        const QString alive =
            QStringLiteral(".movikon-%1-0123abcd.part").arg(QCoreApplication::applicationPid());
        for (const QString& name : {dead, alive, QStringLiteral(".movikon-notes.part")})
            writeFile(QDir(driver.Output()).filePath(name), "left");
        driver.Queue({source("a.avi")});
        driver.Run();
        QStringList kept{".movikon-notes.part", alive, "a.mp4"};
        kept.sort();
        QCOMPARE(namesIn(driver.Output()), kept);
    }

    void nothingTheUserOwnsIsLost_data() {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("queue");
        QTest::addColumn<QStringList>("results"); // in queue order
        // In the output folder before the batch, none a source: the user's own, "mark:" an earlier result, or
        // "lnk:" the user's link to one elsewhere.
        QTest::addColumn<QStringList>("earlier");
        QTest::addColumn<QString>("meanwhile"); // written into the output folder as the batch runs
        QTest::addColumn<bool>("stopAndGoOn");  // stopped after the first file, then converted again
        const QStringList none;
        QTest::newRow("sources in the output folder, an .mp4 among them")
            << QStringList{"out:holiday.mp4", "out:trip.avi", "out:trip.mp4"}
            << QStringList{"out:holiday.mp4", "out:trip.avi", "out:trip.mp4"}
            << QStringList{"holiday (2).mp4", "trip (2).mp4", "trip (3).mp4"} << none << "" << false;
        QTest::newRow("episodes") << QStringList{"src:Show.S01E01.avi", "src:Show.S01E02.avi"}
                                  << QStringList{"src:Show.S01E01.avi", "src:Show.S01E02.avi"}
                                  << QStringList{"Show.S01E01.mp4", "Show.S01E02.mp4"} << none << "" << false;
        QTest::newRow("one name, two kinds")
            << QStringList{"src:a.avi", "src:a.mov"} << QStringList{"src:a.avi", "src:a.mov"}
            << QStringList{"a.mp4", "a (2).mp4"} << none << "" << false;
        // Where case does not count, "A.mp4" is taken by "a.mp4".
        QTemporaryDir probe;
        writeFile(probe.filePath("X"), "x");
        QTest::newRow("names that differ in case")
            << QStringList{"src:A.avi", "src:a.mov"} << QStringList{"src:A.avi", "src:a.mov"}
            << QStringList{"A.mp4", QFile::exists(probe.filePath("x")) ? "a (2).mp4" : "a.mp4"} << none << ""
            << false;
        QTest::newRow("the same file twice, a percent sign in its name")
            << QStringList{"src:50%2.avi"} << QStringList{"src:50%2.avi", "src:50%2.avi"}
            << QStringList{"50%2.mp4", "50%2 (2).mp4"} << none << "" << false;
        // 83 Chinese characters are 249 bytes: with " (2)" the name would pass the 255 that systems take.
        const QString longest(83, u'长');
        QTest::newRow("the same name at the longest, twice")
            << QStringList{"src:" + longest + ".avi"}
            << QStringList{"src:" + longest + ".avi", "src:" + longest + ".avi"}
            << QStringList{longest + ".mp4", longest.chopped(1) + " (2).mp4"} << none << "" << false;
        QTest::newRow("no extension, a leading full stop")
            << QStringList{"src:movie", "src:.hidden.avi"} << QStringList{"src:movie", "src:.hidden.avi"}
            << QStringList{"movie.mp4", ".hidden.mp4"} << none << "" << false;
        QTest::newRow("a source through a linked folder")
            << QStringList{"out:clip.mp4"} << QStringList{"lnk:clip.mp4"} << QStringList{"clip (2).mp4"}
            << none << "" << false;
        QTest::newRow("an earlier result is replaced, its numbered twin kept")
            << QStringList{"src:old.avi"} << QStringList{"src:old.avi"} << QStringList{"old.mp4"}
            << QStringList{"mark:old.mp4", "old (2).mp4"} << "" << false;
        QTest::newRow("the user's link to an earlier result, of the result's name")
            << QStringList{"src:clip.avi"} << QStringList{"src:clip.avi"} << QStringList{"clip (2).mp4"}
            << QStringList{"lnk:clip.mp4"} << "" << false;
        QTest::newRow("the user's own file of the result's name")
            << QStringList{"src:clip.avi"} << QStringList{"src:clip.avi"} << QStringList{"clip (2).mp4"}
            << QStringList{"clip.mp4"} << "" << false;
        QTest::newRow("an earlier result replaced, the user's own file beside it kept")
            << QStringList{"src:a.avi", "src:b.avi"} << QStringList{"src:a.avi", "src:b.avi"}
            << QStringList{"a.mp4", "b (2).mp4"} << QStringList{"mark:a.mp4", "b.mp4"} << "" << false;
        // What the first part of a stopped batch queued and made is no earlier result for the second part.
        QTest::newRow("stop, then Convert again, sources in the output folder")
            << QStringList{"out:a.mp4", "out:a.avi"} << QStringList{"out:a.mp4", "out:a.avi"}
            << QStringList{"a (2).mp4", "a (3).mp4"} << none << "" << true;
        QTest::newRow("two episodes of one name across a stop")
            << QStringList{"src:s1/ep01.avi", "src:s2/ep01.avi"}
            << QStringList{"src:s1/ep01.avi", "src:s2/ep01.avi"} << QStringList{"ep01.mp4", "ep01 (2).mp4"}
            << QStringList{"mark:ep01 (2).mp4"} << "" << true;
        QTest::newRow("a name another instance takes meanwhile")
            << QStringList{"src:first.avi", "src:b.avi"} << QStringList{"src:first.avi", "src:b.avi"}
            << QStringList{"first.mp4", "b (2).mp4"} << none << "b.mp4" << false;
    }
    void nothingTheUserOwnsIsLost() {
        QFETCH(QStringList, sources);
        QFETCH(QStringList, queue);
        QFETCH(QStringList, results);
        QFETCH(QStringList, earlier);
        QFETCH(QString, meanwhile);
        QFETCH(bool, stopAndGoOn);
        const FakeConvMode encoder("copy");
        Driver driver;
        QTemporaryDir elsewhere;
        const QString output = driver.Output();
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
        // Every source carries conv's mark, as an earlier result would: what protects it is being queued.
        QMap<QString, QByteArray> bytes;
        for (int i = 0; i < sources.size(); ++i) {
            QDir().mkpath(QFileInfo(pathOf(sources[i])).path());
            writeFile(pathOf(sources[i]), markedResult("source " + sources[i].toUtf8()));
            bytes[pathOf(sources[i])] = readFile(pathOf(sources[i]));
        }
        const auto earlierBytes = [](const QString& placed) {
            return placed.contains(':') ? markedResult(kEarlier) : kEarlier;
        };
        const auto nameOf = [](const QString& placed) { return placed.section(':', -1); };
        for (const QString& placed : earlier) {
            if (!placed.startsWith("lnk:")) {
                writeFile(QDir(output).filePath(nameOf(placed)), earlierBytes(placed));
                continue;
            }
            writeFile(elsewhere.filePath(nameOf(placed)), earlierBytes(placed));
            // Windows makes a shortcut, a file of its own, rather than a link.
            const QString link = QDir(output).filePath(nameOf(placed));
            if (!QFile::link(elsewhere.filePath(nameOf(placed)), link) || !QFileInfo(link).isSymLink())
                QSKIP("this system makes no symbolic links");
        }
        QTimer other;
        connect(&other, &QTimer::timeout, this, [&] {
            if (driver.batch.IsRunning()) {
                writeFile(QDir(output).filePath(meanwhile), kOtherInstance);
                other.stop();
            }
        });
        if (!meanwhile.isEmpty())
            other.start(1);
        for (const QString& placed : queue)
            driver.queue.Append(pathOf(placed), {});
        if (stopAndGoOn) {
            QTimer::singleShot(0, &driver.batch, [&driver] { driver.batch.Stop(true); });
            driver.Run();
            QCOMPARE(QueuedFiles(driver.queue).size(), queue.size() - 1);
        }
        driver.Run();

        QVERIFY(driver.notices.Only("(warning|report):").isEmpty());
        for (auto source = bytes.cbegin(); source != bytes.cend(); ++source)
            QVERIFY2(readFile(source.key()) == source.value(), qPrintable("changed: " + source.key()));
        for (int i = 0; i < queue.size(); ++i) {
            const QString placed = queue[i].startsWith("lnk:") ? "out:" + queue[i].mid(4) : queue[i];
            QCOMPARE(readFile(QDir(output).filePath(results[i])), markedResult("source " + placed.toUtf8()));
        }
        for (const QString& placed : earlier)
            QCOMPARE(readFile(QDir(output).filePath(nameOf(placed))) == earlierBytes(placed),
                     !results.contains(nameOf(placed)));
        if (!meanwhile.isEmpty())
            QCOMPARE(readFile(QDir(output).filePath(meanwhile)), kOtherInstance);
        QStringList everything = results;
        for (const QString& placed : earlier)
            everything << nameOf(placed);
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

    void aStagingFolderThatCannotBeMade_data() {
        QTest::addColumn<bool>("temporaryUsable");
        QTest::newRow("the temporary folder serves") << true;
        QTest::newRow("nowhere to stage") << false;
    }
    void aStagingFolderThatCannotBeMade() {
        QFETCH(bool, temporaryUsable);
        Driver driver;
        QTemporaryDir temporary;
        const QString unusable = temporary.filePath("a file");
        writeFile(unusable, "in the way");
        // Windows takes its temporary folder from TMP or TEMP, the others from TMPDIR.
        const QByteArray temporaryFolder =
            QFile::encodeName(temporaryUsable ? temporary.path() : unusable + "/tmp");
        QMap<const char*, QByteArray> before;
        for (const char* variable : {"TMPDIR", "TMP", "TEMP"}) {
            before[variable] = qgetenv(variable);
            qputenv(variable, temporaryFolder);
        }
        // Where that folder does not exist, some systems report no temporary folder at all.
        const QString temporaryShown =
            QDir::tempPath().isEmpty() ? QString() : "；" + native(QDir::tempPath());
        const QStringList rootBefore = namesIn(QDir::rootPath());
        driver.staging = StagingFolder(unusable + "/staging");
        for (auto variable = before.cbegin(); variable != before.cend(); ++variable)
            qputenv(variable.key(), variable.value());
        driver.Queue({source("a.avi")});
        if (temporaryUsable) {
            // Nor can results be put where they would be emptied with the staged files.
            const QString staging = temporary.filePath(namesIn(temporary.path()).filter("movikon-").value(0));
            const QString output = driver.choices.output;
            driver.choices.output = native(staging + "/out");
            driver.batch.Convert();
            QCOMPARE(driver.notices.events, QStringList{"warning:Movikon Pro:输出文件夹不能在临时文件夹中：" +
                                                        native(staging + "/out") + "\n转换没有开始。"});
            driver.notices.events.clear();
            driver.choices.output = output;
            driver.Run();
            QCOMPARE(namesIn(driver.Output()), QStringList{"a.mp4"});
            QCOMPARE(namesIn(temporary.path()).filter("movikon-").size(), 1);
            QVERIFY(driver.notices.Only("(warning|report):").isEmpty());
        } else {
            driver.batch.Convert();
            QCOMPARE(driver.notices.events,
                     QStringList{"warning:Movikon Pro:无法创建临时文件夹：" + native(unusable + "/staging") +
                                 temporaryShown + "\n转换没有开始。"});
            QVERIFY(!driver.batch.IsRunning());
            QCOMPARE(QueuedFiles(driver.queue).size(), 1);
        }
        QCOMPARE(namesIn(QDir::rootPath()), rootBefore);
    }

    void aThousandFilesRunOnAConstantStack() {
        QTemporaryDir many;
        QStringList paths;
        for (int i = 0; i < 1000; ++i) {
            paths << many.filePath(QStringLiteral("clip%1.avi").arg(i, 4, 10, QChar(u'0')));
            QFile file(paths.last());
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Driver driver;
        driver.Queue(native(paths));
        // A thousand encoder starts take minutes under wine.
        driver.Run(5 * kBatchTimeoutMs);
        QCOMPARE(namesIn(driver.Output()).size(), 1000);
        QVERIFY(driver.notices.Only("(warning|report):").isEmpty());
        QVERIFY(QueuedFiles(driver.queue).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBatchDriver)
#include "test_BatchDriver.moc"
