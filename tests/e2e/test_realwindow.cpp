// The built program in a real X window under Xvfb, driven with xdotool as a person would drive it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {
const QString kBuiltFolder = QStringLiteral(PROGRAM_FOLDER);

QString run(const QString& program, const QStringList& arguments, const QString& display) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The id of the first window named exactly `name`, waiting for it up to `ms`; empty when none came.
QString findWindow(const QString& name, const QString& display, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    do {
        const QString found = run("xdotool", {"search", "--onlyvisible", "--name", "^" + name + "$"}, display);
        if (!found.isEmpty())
            return found.section(u'\n', 0, 0);
        QThread::msleep(100);
    } while (clock.elapsed() < ms);
    return {};
}
} // namespace

class TestRealWindow : public QObject {
    Q_OBJECT

    QProcess m_xvfb;
    QString m_display;
    QTemporaryDir m_programFolder;

private slots:
    void initTestCase() {
        // A display number nobody uses.
        for (int number = 90; number < 200 && m_display.isEmpty(); ++number)
            if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) &&
                !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                m_display = QStringLiteral(":%1").arg(number);
        m_xvfb.start("Xvfb", {m_display, "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        QVERIFY2(m_xvfb.waitForStarted(), "Xvfb is needed for this test");
        QTRY_VERIFY(QFile::exists("/tmp/.X11-unix/X" + m_display.mid(1)));

        // A program folder of its own, so the test's setup.ini is not the build's.
        QVERIFY(QFile::copy(kBuiltFolder + "/movikon", m_programFolder.filePath("movikon")));
        QVERIFY(QDir().mkdir(m_programFolder.filePath("data")));
        QVERIFY(QFile::link(kBuiltFolder + "/data/conv", m_programFolder.filePath("data/conv")));
        QVERIFY(QFile::copy(kBuiltFolder + "/sound.wav", m_programFolder.filePath("sound.wav")));
    }

    void cleanupTestCase() {
        m_xvfb.terminate();
        m_xvfb.waitForFinished();
    }

    void aPersonWarnedAboutAnEmptyQueueThenClosesTheWindow() {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", m_display);
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("XDG_CACHE_HOME", m_programFolder.filePath("cache"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(m_programFolder.filePath("movikon"));
        QVERIFY(program.waitForStarted());

        const QString window = findWindow("Movikon PRO", m_display);
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        const QString info = run("xwininfo", {"-id", window, "-shape"}, m_display);
        QVERIFY(info.contains("Width: 294"));
        QVERIFY(info.contains("Height: 420"));
        // Shaped by the key colour: the first row and column of the picture are see-through.
        QVERIFY2(info.contains("Window shape extents:  293x419+1+1"), qPrintable(info));

        const auto click = [&](int x, int y) {
            run("xdotool", {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"},
                m_display);
        };
        click(195 + 43, 32 + 15); // Convert, with nothing queued
        const QString warning = findWindow("警告", m_display);
        QVERIFY2(!warning.isEmpty(), "no warning appeared");
        run("xdotool", {"windowfocus", "--sync", warning, "key", "Return"}, m_display);
        QTRY_VERIFY_WITH_TIMEOUT(findWindow("警告", m_display, 0).isEmpty(), 5000);

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
};

QTEST_GUILESS_MAIN(TestRealWindow)
#include "test_realwindow.moc"
