#include "Files.h"
#include "Media.h"
#include "Processes.h"
#include "WindowFixture.h"
#include "engine/BatchDriver.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
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

bool commandsEnabled(const WindowUnderTest& window) {
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
        WindowUnderTest& window = fixture.Open();
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
        QCOMPARE(window.queue.Count(), 0);
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
        QVERIFY(!window.batch.IsRunning());
    }

    void failedFilesAreNamedWithTheirReason() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
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

    // The subtitle file beside a source reaches conv beside the staged source; one that cannot be read is
    // left out and named.
    void subtitleFilesBesideTheSourcesAreBurntIn() {
        WindowFixture fixture;
        fixture.Open();
        for (const char* name : {"film.avi", "broken.avi"})
            QVERIFY(media::makeClip(source(name), {"-c:v", "mpeg4", "-an"}, 2, "160x120", true));
        writeFile(source("film.chs.srt"), "1\n00:00:00,200 --> 00:00:01,500\n这是中文字幕\n");
        writeFile(source("broken.srt"), QByteArray("\x00\x01 no subtitles here", 21));
        fixture.Drop({source("film.avi"), source("broken.avi")});
        convert(fixture);

        QCOMPARE(namesIn(fixture.Output()), QStringList({"broken.mp4", "film.mp4"}));
        const QRect band(0, 180, 320, 60);
        QVERIFY(media::inkIn(fixture.Output() + "/film.mp4", QSize(320, 240), band, 0.8) > 100);
        QCOMPARE(media::inkIn(fixture.Output() + "/broken.mp4", QSize(320, 240), band, 0.8), 0);
        QCOMPARE(fixture.desktop.Only("report:"),
                 QStringList{"report:1 个文件的字幕未能加入。\n" + source("broken.avi") + " — 字幕文件“" +
                             source("broken.srt") + "”无法读取或显示，已转换为没有字幕的视频。"});
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
    }

    void theBarSaysWhereTheBatchIsAndHowLongIsLeft() {
        const FakeConvMode encoder("steady");
        WindowFixture fixture(FAKECONV_PATH);
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({source("first clip.avi"), source("third.mp4")});
        // Every change of the bar's tooltip is heard, however quickly the next one follows.
        ToolTipWatcher watcher;
        window.lblPB->installEventFilter(&watcher);
        convert(fixture);
        window.lblPB->removeEventFilter(&watcher);
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
        WindowUnderTest& window = fixture.Open();
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
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({source("first clip.avi"), source("long.avi"), source("third.mp4")});
        // While the second file converts (two queued, progress shown), the frame size changes.
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.queue.Count() == 2 && window.lblPB->text() != "100%") {
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

    void filesComeAndGoWhileTheBatchRuns() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({source("long.avi"), source("first clip.avi")});
        QStringList places;
        connect(&window.batch, &BatchDriver::PlaceChanged, this,
                [&](const QString& place) { places << place.section(QStringLiteral(" · "), 0, 0); });
        // While the first file converts, one more is dropped, the one queued behind it removed, and the one
        // converting cannot be.
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (places.isEmpty())
                return;
            watcher.stop();
            fixture.Drop({source("third.mp4")});
            for (int row : {1, 0}) {
                window.LV->setCurrentIndex(window.queue.index(row, 0));
                QTest::mouseClick(window.imgButton[1], Qt::LeftButton);
            }
        });
        watcher.start(5);
        convert(fixture);
        QVERIFY(!watcher.isActive());
        QCOMPARE(namesIn(fixture.Output()), QStringList({"long.mp4", "third.mp4"}));
        QCOMPARE(places.first(), QStringLiteral("第 1 个，共 2 个"));
        QVERIFY2(places.contains(QStringLiteral("第 1 个，共 3 个")), qPrintable(places.join(u'/')));
        QCOMPARE(places.at(places.size() - 2), QStringLiteral("第 2 个，共 2 个"));
        QVERIFY(fixture.desktop.Only("(warning|report):").isEmpty());
    }

    void closingMidFileLeavesNothingBehind() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({source("long.avi"), source("third.mp4")});
        // Closed once the encoder has reported progress on the first file.
        const QRegularExpression partly(QStringLiteral("^(0\\.[0-9]*[1-9]|[1-9][0-9]?(\\.[0-9]+)?)%$"));
        bool encoderRan = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (partly.match(window.lblPB->text()).hasMatch()) {
                closer.stop();
                encoderRan = !processes::matching(fixture.Staging()).isEmpty();
                window.form.close();
            }
        });
        closer.start(5);
        fixture.Command(2);
        QTRY_VERIFY_WITH_TIMEOUT(!window.batch.IsRunning(), kBatchTimeoutMs);

        QVERIFY(encoderRan);
        QCOMPARE(fixture.Queue().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(processes::matching(fixture.Staging()).isEmpty(), 5000);
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
        QVERIFY(namesIn(fixture.Output()).isEmpty());
        QVERIFY(!QFile::exists(fixture.programFolder.filePath("setup.ini")));
        QVERIFY(fixture.desktop.Only("sound:").isEmpty());
    }

    void theFolderBoxIsFixedWhileABatchRunsAndNeverEmpty() {
        const FakeConvMode encoder("steady");
        WindowFixture fixture(FAKECONV_PATH);
        WindowUnderTest& window = fixture.Open();
        window.txtPath->setText("   ");
        fixture.Drop({source("first clip.avi")});
        bool readOnlyWhileRunning = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.batch.IsRunning()) {
                readOnlyWhileRunning = window.txtPath->isReadOnly();
                QTest::keyClicks(window.txtPath, "typed");
                watcher.stop();
            }
        });
        watcher.start(1);
        convert(fixture);
        QVERIFY(readOnlyWhileRunning);
        QCOMPARE(window.txtPath->text(), fixture.Output());
        QVERIFY(!window.txtPath->isReadOnly());
        QCOMPARE(namesIn(fixture.Output()), QStringList{"first clip.mp4"});
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
        QTest::newRow("Esc, after the file")
            << "Esc" << false << int(Choice::AfterCurrentFile) << QStringList{"first clip.mp4"} << 2;
        QTest::newRow("Esc, carry on") << "Esc" << false << int(Choice::Continue)
                                       << QStringList{"first clip.mp4", "movie.mp4", "third.mp4"} << 0;
        // Asked again, the box says a stop is pending, and carrying on takes it back.
        QTest::newRow("Esc, after the file, Esc again, carry on")
            << "Esc twice" << false << int(Choice::AfterCurrentFile)
            << QStringList{"first clip.mp4", "movie.mp4", "third.mp4"} << 0;
        QTest::newRow("the bar's menu, at once") << "menu" << false << int(Choice::Now) << QStringList() << 3;
        QTest::newRow("Esc, at once, real encoder")
            << "Esc" << true << int(Choice::Now) << QStringList() << 3;
    }
    void stoppingWithoutClosing() {
        QFETCH(QString, how);
        QFETCH(bool, realEncoder);
        QFETCH(int, answer);
        QFETCH(QStringList, converted);
        QFETCH(int, stillQueued);
        // Stopped at once, the stand-in never ends by itself: however slow the machine, the stop lands
        // mid-file.
        std::optional<FakeConvMode> encoder;
        if (!realEncoder)
            encoder.emplace(answer == int(UserDialogs::StopChoice::Now) ? "hang" : "steady");
        WindowFixture fixture(realEncoder ? QStringLiteral(PROGRAM_FOLDER "/data/conv") : FAKECONV_PATH);
        WindowUnderTest& window = fixture.Open();
        QApplication::setActiveWindow(&window.form);
        QVERIFY(QTest::qWaitForWindowActive(&window.form));
        // Five minutes for the real encoder: still converting when the answer comes, on a busy machine too.
        if (realEncoder && !QFile::exists(source("five minutes.avi")))
            QVERIFY(media::makeClip(source("five minutes.avi"), {"-c:v", "mpeg4", "-an"}, 300));
        const QStringList files{source(realEncoder ? "five minutes.avi" : "first clip.avi"),
                                source("movie.avi"), source("third.mp4")};
        fixture.Drop(QStringList{source("gone.avi")} + files);
        fixture.desktop.stopAnswers << UserDialogs::StopChoice(answer);
        bool stoppedMidFile = false;
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, this, [&] {
            if (window.queue.Count() != 3 || processes::matching(fixture.Staging()).isEmpty())
                return;
            stopper.stop();
            stoppedMidFile = true;
            if (how == "Esc twice") {
                fixture.desktop.stopAnswers << UserDialogs::StopChoice::Continue;
                QTimer::singleShot(2 * fixture.desktop.stopAnswerMs, &window.form,
                                   [&window] { QTest::keyClick(&window.form, Qt::Key_Escape); });
            }
            if (how.startsWith("Esc"))
                return QTest::keyClick(&window.form, Qt::Key_Escape);
            const QPoint onTheBar(200, 376);
            QContextMenuEvent click(QContextMenuEvent::Mouse, onTheBar, window.form.mapToGlobal(onTheBar));
            QApplication::sendEvent(&window.form, &click);
            auto* menu = window.form.findChild<QMenu*>();
            QVERIFY(menu && menu->isVisible());
            QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("停止转换…"));
            QVERIFY(menu->actions().value(0)->isEnabled());
            menu->actions().value(0)->trigger();
        });
        stopper.start(5);
        fixture.Command(2);
        QTRY_VERIFY_WITH_TIMEOUT(!window.batch.IsRunning(), kBatchTimeoutMs);
        encoder.reset(); // the rest converts at once

        QVERIFY(stoppedMidFile);
        const QStringList asked =
            how == "Esc twice" ? QStringList{"ask-stop", "ask-stop:pending"} : QStringList{"ask-stop"};
        QCOMPARE(fixture.desktop.Only("ask-stop"), asked);
        QCOMPARE(fixture.desktop.Only("report:"),
                 QStringList{"report:1 个文件未能转换。\n" + source("gone.avi") + " — 无法读取源文件"});
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
};

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
