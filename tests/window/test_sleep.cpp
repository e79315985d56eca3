// The desktop session around a batch, over the session bus: the machine kept awake, the dock's progress.
#include "Files.h"
#include "WindowFixture.h"
#include "engine/BatchDriver.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>
#include <QTimer>

class TestSleep : public QObject {
    Q_OBJECT

    QProcess m_power;
    QByteArray m_said;

    QByteArray said() { return m_said += m_power.readAllStandardOutput(); }

    QStringList m_dockUpdates; // "<desktop entry> <progress>", or "hidden" for no progress

  public slots:
    void dockUpdate(const QDBusMessage& message) {
        const auto properties = qdbus_cast<QVariantMap>(message.arguments().value(1));
        m_dockUpdates << message.arguments().value(0).toString() + u' ' +
                             (properties.value("progress-visible").toBool()
                                  ? QString::number(properties.value("progress").toDouble(), 'f', 2)
                                  : QStringLiteral("hidden"));
    }

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
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({"/dev/null"}); // the instant encoder does not read its input
        QByteArray whileRunning;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.batch.IsRunning())
                whileRunning = said();
        });
        watcher.start(0);
        fixture.Command(2);
        QTRY_VERIFY(!window.batch.IsRunning());
        QTRY_COMPARE(said(), QByteArray("ready\ninhibit Movikon PRO: Converting videos\nuninhibit 1\n"));
        QVERIFY(!whileRunning.contains("uninhibit"));
    }

    void closingTheWindowLetsTheMachineSleep() {
        const FakeConvMode encoder("hang");
        WindowFixture fixture(FAKECONV_PATH);
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({"/dev/null"});
        QTimer::singleShot(300, &window.form, &QWidget::close);
        fixture.Command(2);
        QTRY_COMPARE(said(), QByteArray("ready\ninhibit Movikon PRO: Converting videos\nuninhibit 1\n"));
    }

    void theDockShowsHowFarTheBatchIs() {
        // A dock of our own, listening on its own connection as a desktop's dock does.
        QDBusConnection dock = QDBusConnection::connectToBus(
            QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), QStringLiteral("dock"));
        m_dockUpdates.clear();
        QVERIFY(dock.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", this,
                             SLOT(dockUpdate(QDBusMessage))));

        const FakeConvMode encoder("steady");
        WindowFixture fixture(FAKECONV_PATH);
        WindowUnderTest& window = fixture.Open();
        QTemporaryDir sources;
        writeFile(sources.filePath("a.avi"), "a clip");
        writeFile(sources.filePath("b.avi"), "a clip");
        fixture.Drop({sources.filePath("a.avi"), sources.filePath("b.avi")});
        fixture.Command(2);
        QTRY_VERIFY(!window.batch.IsRunning());
        QTRY_VERIFY(m_dockUpdates.size() > 2 && m_dockUpdates.last().endsWith(" hidden"));
        dock.disconnectFromBus(QStringLiteral("dock"));

        // The entry is the program's desktop file; the progress climbs from nothing to the whole batch, half
        // of it at the end of the first file, then the entry lets go of it.
        QVERIFY2(m_dockUpdates.filter(QRegularExpression("^application://movikon\\.desktop ")).size() ==
                     m_dockUpdates.size(),
                 qPrintable(m_dockUpdates.join(" | ")));
        QList<double> progress;
        for (const QString& update : m_dockUpdates.mid(0, m_dockUpdates.size() - 1))
            progress << update.section(u' ', 1).toDouble();
        QCOMPARE(progress.first(), 0.0);
        QCOMPARE(progress.last(), 1.0);
        QVERIFY2(std::is_sorted(progress.begin(), progress.end()), qPrintable(m_dockUpdates.join(" | ")));
        QVERIFY2(progress.contains(0.5), qPrintable(m_dockUpdates.join(" | ")));
        QVERIFY2(std::count_if(progress.begin(), progress.end(), [](double p) { return p > 0 && p < 0.5; }) >=
                     2,
                 qPrintable(m_dockUpdates.join(" | ")));
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
