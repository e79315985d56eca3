// The built program started twice, as Open with, Send to or a terminal start it: the later start hands its
// files to the window already running and ends at once; under wine too. The queue the files make is seen
// through the real window in the X test.
#include "app/SingleInstance.h"
#include "platform/Platform.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

class TestHandover : public QObject {
    Q_OBJECT

    QTemporaryDir m_programFolder; // a copy of the built one, so that no other test's window takes the files

    QString program() const { return m_programFolder.filePath("movikon" + platform::ExecutableSuffix()); }

    void start(QProcess& started, const QStringList& files) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A program folder with platform plugins (Windows) holds only the system's own: the window shows on
        // the display, as it does for its users.
        if (QFileInfo(m_programFolder.filePath("platforms")).isDir())
            environment.remove("QT_QPA_PLATFORM");
        started.setProcessEnvironment(environment);
        started.setProcessChannelMode(QProcess::ForwardedChannels);
        started.start(program(), files);
        QVERIFY(started.waitForStarted());
    }

  private slots:
    void initTestCase() {
        const QDir built(PROGRAM_FOLDER);
        QDirIterator files(built.path(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString relative = built.relativeFilePath(files.next());
            if (relative == "setup.ini" || relative.startsWith("output/"))
                continue;
            QVERIFY(QDir().mkpath(QFileInfo(m_programFolder.filePath(relative)).path()));
            QVERIFY(QFile::copy(files.filePath(), m_programFolder.filePath(relative)));
        }
    }

    void laterStartsEndAtOnceHavingHandedOverTheirFiles() {
        QTemporaryDir sources;
        QVERIFY(QDir(sources.path()).mkpath("第二季"));
        QFile(sources.filePath("第一集 \"final\".avi")).open(QIODevice::WriteOnly);
        QProcess first;
        start(first, {});
        QTest::qWait(2000); // the first start is up and serving
        QCOMPARE(first.state(), QProcess::Running);
        for (const QStringList& files :
             {QStringList{sources.filePath("第一集 \"final\".avi"), sources.filePath("第二季")},
              QStringList{}}) {
            QProcess later;
            QElapsedTimer clock;
            clock.start();
            start(later, files);
            QVERIFY2(later.waitForFinished(3000), "a later start opened a window of its own");
            QCOMPARE(later.exitCode(), 0);
            qInfo("a later start ended after %lld ms", clock.elapsed());
        }
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
        // With no window running, a start opens its own.
        QProcess alone;
        start(alone, {sources.filePath("第二季")});
        QVERIFY(!alone.waitForFinished(2000));
        alone.kill();
        alone.waitForFinished();
    }

    void filesWaitForAWindowThatServesAndGoElsewhereWhenItCloses() {
        QTemporaryDir staging;
        SingleInstance first(PROGRAM_FOLDER, staging.path());
        QVERIFY(!first.HandOver({}));
        QStringList arrived;
        connect(&first, &SingleInstance::FilesArrived, this,
                [&](const QStringList& files) { arrived << files; });
        std::atomic<int> handedOver = -1;
        std::unique_ptr<QThread> later(QThread::create(
            [&] { handedOver = SingleInstance(PROGRAM_FOLDER, staging.path()).HandOver({"/v/a.avi"}); }));
        later->start();
        // The window is still being put together, letting events run: nothing may be taken yet.
        QTest::qWait(1500);
        QVERIFY(arrived.isEmpty());
        first.Serve();
        QTRY_COMPARE(handedOver.load(), 1);
        QCOMPARE(arrived, QStringList{"/v/a.avi"});
        later->wait();

        // Closing: a later start keeps its files and serves in its turn.
        first.StopServing();
        SingleInstance next(PROGRAM_FOLDER, staging.path());
        QVERIFY(!next.HandOver({"/v/b.avi"}));
        QTest::qWait(100);
        QCOMPARE(arrived, QStringList{"/v/a.avi"});
    }
};

QTEST_MAIN(TestHandover)
#include "test_handover.moc"
