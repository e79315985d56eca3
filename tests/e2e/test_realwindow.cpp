// The built program in a real X window under Xvfb, driven with xdotool as a person would drive it.
#include "Files.h"
#include "Media.h"
#include "Processes.h"
#include "Xvfb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
const QString kBuiltFolder = QStringLiteral(PROGRAM_FOLDER);
} // namespace

class TestRealWindow : public QObject {
    Q_OBJECT

    Xvfb m_x;
    QTemporaryDir m_programFolder;

    // Starts the program from its own folder; its window's id, empty when none appeared.
    QString start(QProcess& program) {
        QProcessEnvironment environment = m_x.Environment();
        environment.insert("XDG_CACHE_HOME", m_programFolder.filePath("cache"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(m_programFolder.filePath("movikon"));
        return program.waitForStarted() ? m_x.FindWindow("Movikon PRO") : QString();
    }

    void clickAt(const QString& window, int x, int y) {
        m_x.Run("xdotool",
                {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
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

    void aPersonWarnedAboutAnEmptyQueueThenClosesTheWindow() {
        QProcess program;
        const QString window = start(program);
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        const QString info = m_x.Run("xwininfo", {"-id", window, "-shape"});
        QVERIFY(info.contains("Width: 294"));
        QVERIFY(info.contains("Height: 420"));
        // Shaped by the key colour: the first row and column of the picture are see-through.
        QVERIFY2(info.contains("Window shape extents:  293x419+1+1"), qPrintable(info));

        const auto click = [&](int x, int y) { clickAt(window, x, y); };
        click(195 + 43, 32 + 15); // Convert, with nothing queued
        const QString warning = m_x.FindWindow("警告");
        QVERIFY2(!warning.isEmpty(), "no warning appeared");
        m_x.Run("xdotool", {"windowfocus", "--sync", warning, "key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(m_x.FindWindow("警告", 0).isEmpty(), 5000);

        QVERIFY(!QFile::exists(m_programFolder.filePath("setup.ini")));
        click(272 + 5, 8 + 6); // the close mark
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QFile settings(m_programFolder.filePath("setup.ini"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll().count("\r\n"), 5);
        QVERIFY(QFileInfo(m_programFolder.filePath("output")).isDir());
    }

    void aRequestToEndMidFileLeavesNothingBehind() {
        const QString clip = m_programFolder.filePath("long clip.avi");
        QVERIFY(media::makeClip(clip, {"-c:v", "mpeg4", "-an"}, 60, "640x480"));
        const QByteArray settingsBefore = readFile(m_programFolder.filePath("setup.ini"));
        QProcess program;
        const QString window = start(program);
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        const auto click = [&](int x, int y) { clickAt(window, x, y); };
        click(20 + 43, 32 + 15); // Add
        const QString dialog = m_x.FindWindow("Open Files");
        QVERIFY2(!dialog.isEmpty(), "no Open Files dialog appeared");
        m_x.Run("xdotool", {"windowfocus", "--sync", dialog, "type", "--delay", "10", clip});
        m_x.Run("xdotool", {"windowfocus", "--sync", dialog, "key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(m_x.FindWindow("Open Files", 0).isEmpty(), 5000);
        click(195 + 43, 32 + 15); // Convert
        const QString staging = m_programFolder.filePath("cache/movikon/staging");
        QTRY_VERIFY_WITH_TIMEOUT(!processes::matching(staging).isEmpty(), 20000);

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
};

QTEST_GUILESS_MAIN(TestRealWindow)
#include "test_realwindow.moc"
