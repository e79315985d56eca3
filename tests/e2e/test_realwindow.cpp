// The built program in a real X window under Xvfb, driven with xdotool as a person would drive it.
#include "Files.h"
#include "Media.h"
#include "Processes.h"
#include "Xvfb.h"
#include "window/WindowLayout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
const QString kBuiltFolder = QStringLiteral(PROGRAM_FOLDER);

// How much of a region's detail lies at the screen's own pixels: the share of neighbours inside the 2x2
// blocks of device pixels that differ by more than half the region's contrast, the steep edges of sharp
// text. A picture drawn for 100 % and shown at 200 % has none there: its blocks are flat, or blurred.
double fineDetail(const QImage& image, const QRect& region) {
    const auto grey = [&](int x, int y) { return qGray(image.pixel(x, y)); };
    int darkest = 255, lightest = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            darkest = std::min(darkest, grey(x, y));
            lightest = std::max(lightest, grey(x, y));
        }
    int steep = 0, pairs = 0;
    const auto compare = [&](int a, int b) {
        steep += 2 * std::abs(a - b) > lightest - darkest;
        ++pairs;
    };
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            if (x % 2 == 0 && x < region.right())
                compare(grey(x, y), grey(x + 1, y));
            if (y % 2 == 0 && y < region.bottom())
                compare(grey(x, y), grey(x, y + 1));
        }
    return lightest > darkest ? double(steep) / pairs : 0;
}

// `region` of the window, in its pixels at 100 %, as pixels at 200 %.
QRect doubled(const QRect& region) {
    return QRect(region.topLeft() * 2, region.size() * 2);
}
} // namespace

class TestRealWindow : public QObject {
    Q_OBJECT

    Xvfb m_x;
    QTemporaryDir m_programFolder;

    // Starts the program from its own folder on `x`'s display, at `scale`; its window's id, empty when none
    // appeared.
    QString start(QProcess& program, const Xvfb& x, const QString& scale = "1") {
        QProcessEnvironment environment = x.Environment();
        environment.insert("XDG_CACHE_HOME", m_programFolder.filePath("cache"));
        environment.insert("QT_SCALE_FACTOR", scale);
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(m_programFolder.filePath("movikon"));
        return program.waitForStarted() ? x.FindWindow("Movikon PRO") : QString();
    }
    QString start(QProcess& program) { return start(program, m_x); }

    // Clicks the centre of the control at `place` in the window's layout, on a screen at `scale`.
    static void clickAt(const Xvfb& x, const QString& window, const QRect& place, int scale = 1) {
        const QPoint centre = place.center() * scale;
        x.Run("xdotool", {"mousemove", "--window", window, QString::number(centre.x()),
                          QString::number(centre.y()), "click", "1"});
    }
    void clickAt(const QString& window, const QRect& place, int scale = 1) {
        clickAt(m_x, window, place, scale);
    }

    // Queues `clip` through the Open Files dialog and converts it, until the encoder runs on it.
    static void convertUntilTheEncoderRuns(const Xvfb& x, const QString& window, const QString& clip,
                                           const QString& staging) {
        clickAt(x, window, layout::kAddButton);
        const QString dialog = x.FindWindow("Open Files");
        QVERIFY2(!dialog.isEmpty(), "no Open Files dialog appeared");
        x.Run("xdotool", {"windowfocus", "--sync", dialog, "type", "--delay", "10", clip});
        x.Run("xdotool", {"windowfocus", "--sync", dialog, "key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(x.FindWindow("Open Files", 0).isEmpty(), 5000);
        clickAt(x, window, layout::kConvertButton);
        QTRY_VERIFY_WITH_TIMEOUT(!processes::matching(staging).isEmpty(), 20000);
    }

    // What xwininfo says of the window and its shape, once the shape's extents are `extents`, or after 5 s.
    // The shape is cut when the window is first painted at its scale.
    static QString shapeOf(const Xvfb& x, const QString& window, const QString& extents) {
        QElapsedTimer clock;
        clock.start();
        QString info;
        do
            info = x.Run("xwininfo", {"-id", window, "-shape"});
        while (!info.contains("Window shape extents:  " + extents) && clock.elapsed() < 5000 &&
               (QTest::qWait(20), true));
        return info;
    }

    QString longClip() {
        const QString clip = m_programFolder.filePath("long clip.avi");
        if (!QFile::exists(clip) && !media::makeClip(clip, {"-c:v", "mpeg4", "-an"}, 60, "640x480"))
            return {};
        return clip;
    }

  private slots:
    void initTestCase() {
        QVERIFY2(m_x.IsReady(), "Xvfb is needed for this test");

        // A program folder of its own, so the test's setup.ini is not the build's.
        QVERIFY(QFile::copy(kBuiltFolder + "/movikon", m_programFolder.filePath("movikon")));
        QVERIFY(QDir().mkdir(m_programFolder.filePath("data")));
        QVERIFY(QFile::link(kBuiltFolder + "/data/conv", m_programFolder.filePath("data/conv")));
        QVERIFY(QFile::copy(kBuiltFolder + "/sound.wav", m_programFolder.filePath("sound.wav")));
    }

    // Starts the program again from `folder` with `arguments`; true when it ended by itself within `ms`.
    bool startAgain(QProcess& again, const QString& folder, const QStringList& arguments, int ms) {
        QProcessEnvironment environment = m_x.Environment();
        environment.insert("XDG_CACHE_HOME", m_programFolder.filePath("cache"));
        again.setProcessEnvironment(environment);
        again.setWorkingDirectory(folder);
        again.start(m_programFolder.filePath("movikon"), arguments);
        return again.waitForFinished(ms) && again.exitStatus() == QProcess::NormalExit &&
               again.exitCode() == 0;
    }

    void laterStartsHandTheirFilesToTheRunningWindow() {
        QTemporaryDir sources;
        QVERIFY(QDir(sources.path()).mkpath("第二季"));
        for (const QString name : {"第一集.avi", "第二季/ep 10.avi", "第二季/ep 9.avi", "later.avi"})
            QVERIFY(media::makeClip(sources.filePath(name), {"-c:v", "mpeg4", "-an"}, 1, "320x240"));
        const QString output = m_programFolder.filePath("output");
        QDir(output).removeRecursively();
        QProcess program;
        const QString window = start(program);
        QVERIFY2(!window.isEmpty(), "the window did not appear");

        // Idle: a file by a relative Chinese name and a folder, queued in the order given.
        QProcess second;
        QVERIFY2(startAgain(second, sources.path(), {"第一集.avi", "第二季"}, 2000),
                 "the second start did not end");
        clickAt(window, layout::kConvertButton);
        // Mid-batch: one more, converted in the same batch.
        QTRY_VERIFY_WITH_TIMEOUT(!processes::matching(m_programFolder.filePath("cache")).isEmpty(), 20000);
        QProcess third;
        QVERIFY2(startAgain(third, "/", {sources.filePath("later.avi")}, 2000),
                 "the third start did not end");
        const QStringList results = {"第一集.mp4", "ep 9.mp4", "ep 10.mp4", "later.mp4"};
        QTRY_COMPARE_WITH_TIMEOUT(namesIn(output).size(), 4, 60000);
        QStringList byTime = namesIn(output);
        std::sort(byTime.begin(), byTime.end(), [&](const QString& a, const QString& b) {
            return QFileInfo(output + '/' + a).lastModified() < QFileInfo(output + '/' + b).lastModified();
        });
        QCOMPARE(byTime, results);
        QCOMPARE(m_x.Run("xdotool", {"search", "--onlyvisible", "--name", "^Movikon PRO$"}).count(u'\n'), 0);

        // A window that does not answer keeps nothing: the start opens its own, with the file queued.
        ::kill(pid_t(program.processId()), SIGSTOP);
        QProcess fourth;
        QVERIFY(!startAgain(fourth, "/", {sources.filePath("later.avi")}, 2000));
        QTRY_VERIFY_WITH_TIMEOUT(
            m_x.Run("xdotool", {"search", "--onlyvisible", "--name", "^Movikon PRO$"}).count(u'\n') == 1,
            10000);
        ::kill(pid_t(program.processId()), SIGCONT);
        for (QProcess* started : {&program, &fourth}) {
            started->terminate();
            QVERIFY(started->waitForFinished(10000));
        }
        QVERIFY(
            QDir(output).removeRecursively()); // the later tests find the folder as a first start makes it
    }

    void aPersonWarnedAboutAnEmptyQueueThenClosesTheWindow() {
        QProcess program;
        const QString window = start(program);
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        // Shaped by the key colour: the first row and column of the picture are see-through.
        const QString info = shapeOf(m_x, window, "293x419+1+1");
        QVERIFY2(info.contains("Window shape extents:  293x419+1+1"), qPrintable(info));
        QVERIFY(info.contains("Width: 294"));
        QVERIFY(info.contains("Height: 420"));

        clickAt(window, layout::kConvertButton); // with nothing queued
        const QString warning = m_x.FindWindow("警告");
        QVERIFY2(!warning.isEmpty(), "no warning appeared");
        m_x.Run("xdotool", {"windowfocus", "--sync", warning, "key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(m_x.FindWindow("警告", 0).isEmpty(), 5000);

        QVERIFY(!QFile::exists(m_programFolder.filePath("setup.ini")));
        clickAt(window, layout::kExit);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QFile settings(m_programFolder.filePath("setup.ini"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll().count("\r\n"), 5);
        QVERIFY(QFileInfo(m_programFolder.filePath("output")).isDir());
    }

    void aRequestToEndMidFileLeavesNothingBehind() {
        const QString clip = longClip();
        QVERIFY(!clip.isEmpty());
        const QByteArray settingsBefore = readFile(m_programFolder.filePath("setup.ini"));
        QProcess program;
        const QString window = start(program);
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        const QString staging = m_programFolder.filePath("cache/movikon/staging");
        convertUntilTheEncoderRuns(m_x, window, clip, staging);
        if (QTest::currentTestFailed())
            return;

        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY2(clock.elapsed() < 3500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QTRY_VERIFY_WITH_TIMEOUT(processes::matching(staging).isEmpty(), 3000);
        QCOMPARE(namesIn(staging + "/slot-0"), QStringList());
        QCOMPARE(namesIn(m_programFolder.filePath("output")), QStringList());
        // Only the close mark saves the settings.
        QCOMPARE(readFile(m_programFolder.filePath("setup.ini")), settingsBefore);
    }

    // The display going away (a logout ends the X session; Qt then ends the program at once) mid-file.
    void theDisplayEndingMidFileLeavesNothingBehind() {
        const QString clip = longClip();
        QVERIFY(!clip.isEmpty());
        auto display = std::make_unique<Xvfb>();
        QVERIFY(display->IsReady());
        QProcess program;
        const QString window = start(program, *display);
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        const QString staging = m_programFolder.filePath("cache/movikon/staging");
        convertUntilTheEncoderRuns(*display, window, clip, staging);
        if (QTest::currentTestFailed())
            return;

        display.reset();
        QVERIFY(program.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(processes::matching(staging).isEmpty(), 3000);
        QCOMPARE(namesIn(staging + "/slot-0"), QStringList());
        QCOMPARE(namesIn(m_programFolder.filePath("output")), QStringList());
    }

    // At twice the scale the skin's captions are drawn at the screen's own resolution, as sharp as the text
    // the list draws itself; and the window's shape follows the outline at that resolution.
    void atTwiceTheScaleTheCaptionsAreAsSharpAsTheListsText() {
        QProcess program;
        const QString window = start(program, m_x, "2");
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        const QString info = shapeOf(m_x, window, "586x838+2+2");
        QVERIFY2(info.contains("Window shape extents:  586x838+2+2"), qPrintable(info));
        QVERIFY(info.contains("Width: 588") && info.contains("Height: 840"));
        const auto at = [&](const char* field) {
            return info.section(QString::fromLatin1(field), 1, 1).section(u'\n', 0, 0).trimmed();
        };
        QTemporaryDir shots;
        const QString shot = shots.filePath("window.png");
        QTest::qWait(500); // painted
        QProcess grab;
        grab.setProcessEnvironment(m_x.Environment());
        grab.start("ffmpeg",
                   {"-v", "error", "-f", "x11grab", "-video_size", "588x840", "-i",
                    m_x.Display() + "+" + at("Absolute upper-left X:") + "," + at("Absolute upper-left Y:"),
                    "-frames:v", "1", "-y", shot});
        QVERIFY2(grab.waitForFinished(20000) && grab.exitCode() == 0,
                 grab.readAllStandardError().constData());
        const QImage screen(shot);
        QCOMPARE(screen.size(), QSize(588, 840));

        const QRect listHeader(16, 108, 40, 15); // "文件名", drawn by the list itself
        const QRect captions[] = {
            {14, 87, 50, 14}, {14, 204, 100, 14}, {156, 250, 100, 14}, {14, 301, 52, 14}};
        const double listDetail = fineDetail(screen, doubled(listHeader));
        for (const QRect& caption : captions) {
            const double detail = fineDetail(screen, doubled(caption));
            QVERIFY2(detail > 0.7 * listDetail,
                     qPrintable(QString("%1 against the list's %2").arg(detail).arg(listDetail)));
        }
        // The measure tells: the caption drawn at 100 % and scaled up, as the window showed it before, falls
        // short.
        const QImage single = QImage(QStringLiteral(SKIN_FOLDER "/background.png")).copy(captions[1]);
        for (const auto mode : {Qt::FastTransformation, Qt::SmoothTransformation}) {
            const QImage scaledUp = single.scaled(single.size() * 2, Qt::IgnoreAspectRatio, mode);
            QVERIFY(fineDetail(scaledUp, scaledUp.rect()) < 0.5 * listDetail);
        }
        // No key colour shows at the rounded corners.
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                QVERIFY(screen.pixelColor(x, y) != QColor(255, 0, 255));

        clickAt(window, layout::kExit, 2);
        QVERIFY(program.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestRealWindow)
#include "test_realwindow.moc"
