#include "BatchDriver.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

class TestSleep : public QObject {
    Q_OBJECT

    QProcess m_power;
    QByteArray m_said;

    QByteArray said() { return m_said += m_power.readAllStandardOutput(); }

  private slots:
    void init() {
        m_said.clear();
        m_power.start(FAKEPOWER_PATH);
        QTRY_VERIFY(said().contains("ready\n"));
    }
    void cleanup() {
        m_power.kill();
        m_power.waitForFinished();
    }

    void aBatchKeepsTheMachineAwakeUntilItEnds() {
        WindowFixture fixture(FAKECONV_PATH);
        frmMain& window = fixture.Open();
        fixture.Drop({"/dev/null"}); // the instant encoder does not read its input
        QByteArray whileRunning;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.Batch().IsRunning())
                whileRunning = said();
        });
        watcher.start(0);
        fixture.Command(2);
        QTRY_VERIFY(!window.Batch().IsRunning());
        QTRY_COMPARE(said(), QByteArray("ready\ninhibit Movikon PRO: Converting videos\nuninhibit 1\n"));
        QVERIFY(!whileRunning.contains("uninhibit"));
    }

    void closingTheWindowLetsTheMachineSleep() {
        qputenv("FAKECONV_MODE", "hang");
        WindowFixture fixture(FAKECONV_PATH);
        frmMain& window = fixture.Open();
        fixture.Drop({"/dev/null"});
        QTimer::singleShot(300, &window, &QWidget::close);
        fixture.Command(2);
        qunsetenv("FAKECONV_MODE");
        QTRY_COMPARE(said(), QByteArray("ready\ninhibit Movikon PRO: Converting videos\nuninhibit 1\n"));
    }
};

// The test's own session bus, where the stand-in power management answers.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!bus.waitForReadyRead(10000))
        return 1;
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    TestSleep test;
    const int failed = QTest::qExec(&test, argc, argv);
    bus.kill();
    bus.waitForFinished();
    return failed;
}

#include "test_sleep.moc"
