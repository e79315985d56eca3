// What real users and real machines throw at the program, each case checked for the same promises: no crash,
// the batch goes on, a failed file is named with its reason, nothing partial reaches the output folder, an
// earlier output is never destroyed by a failed conversion, no encoder is left running, and the staging
// folder is empty afterwards.
#include "Files.h"
#include "Media.h"
#include "Processes.h"
#include "Unprivileged.h"
#include "WindowFixture.h"
#include "conv/ConvProtocol.h"
#include "engine/BatchDriver.h"
#include "platform/StagingFolder.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/mount.h>

using media::Make;

namespace {
constexpr int kBatchMs = 120000;
// Two seconds of MP4: cut in half, its index is gone with the second half.
const QStringList kTwoSecondsOfH264{
    "-f",   "lavfi",   "-i",   "testsrc=size=160x120:rate=25:duration=2",
    "-f",   "lavfi",   "-i",   "sine=frequency=440:sample_rate=44100:duration=2",
    "-c:v", "libx264", "-c:a", "aac",
    "-f",   "mp4"};
const QByteArray kEarlier = "an earlier result";

// The failure box's lines after its heading, or none.
QStringList failureLines(const RecordingDialogs& desktop) {
    const QStringList boxes = desktop.Only("report:");
    return boxes.isEmpty() ? QStringList() : boxes.first().split(u'\n').mid(1);
}

// Clips of the given names in `folder`, by their full paths.
QStringList makeClips(const QTemporaryDir& folder, const QStringList& names) {
    QStringList paths;
    for (const QString& name : names) {
        paths << folder.filePath(name);
        QTest::qVerify(media::make(paths.last(), Make::Clip), "media::make", "", __FILE__, __LINE__);
    }
    return paths;
}

void waitForTheEnd(WindowFixture& fixture) {
    QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->batch.IsRunning() && !fixture.desktop.Only("sound:").isEmpty(),
                             kBatchMs);
}

// The promises every case keeps, whatever went wrong.
void checkNothingLeftBehind(const WindowFixture& fixture) {
    QVERIFY(processes::matching(fixture.Staging()).isEmpty());
    QVERIFY2(namesIn(fixture.Staging()).isEmpty(), qPrintable(namesIn(fixture.Staging()).join(' ')));
    for (const QString& name : namesIn(fixture.window->txtPath->text())) {
        const QString path = QDir(fixture.window->txtPath->text()).filePath(name);
        QVERIFY2(readFile(path) == kEarlier || media::codecs(media::probe(path)).startsWith("h264"),
                 qPrintable("a broken file in the output folder: " + name));
    }
}
} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    QTemporaryDir m_clips;
    QString m_good;

  private slots:
    void initTestCase() {
        m_good = m_clips.filePath("good.avi");
        QVERIFY(media::make(m_good, Make::Clip));
    }

    void badInputs_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<media::Make>("kind");
        QTest::addColumn<bool>("becomesFolder"); // a file when it is queued, a folder by its turn
        QTest::addColumn<QString>("output");     // empty: the file fails
        QTest::addColumn<QString>("reason");     // what the failure box says of it
        QTest::newRow("missing") << "missing.avi" << Make::Missing << false << ""
                                 << "无法读取源文件";
        QTest::newRow("zero bytes") << "empty.avi" << Make::ZeroBytes << false << ""
                                    << "";
        QTest::newRow("text named .avi") << "diary.avi" << Make::Text << false << ""
                                         << "";
        QTest::newRow("truncated") << "cut.mp4" << Make::FirstHalf << false << ""
                                   << "";
        QTest::newRow("sound only") << "song.avi" << Make::SoundOnly << false << ""
                                    << "";
        QTest::newRow("a folder by its turn") << "folder.avi" << Make::Text << true << ""
                                              << "无法读取源文件";
        QTest::newRow("video only") << "silent.avi" << Make::VideoOnly << false << "silent.mp4"
                                    << "";
        QTest::newRow("spaces") << "my holiday clip.avi" << Make::Clip << false << "my holiday clip.mp4"
                                << "";
        QTest::newRow("double quote") << "say \"hi\".avi" << Make::Clip << false << "say \"hi\".mp4"
                                      << "";
        QTest::newRow("apostrophe") << "it's mine.avi" << Make::Clip << false << "it's mine.mp4"
                                    << "";
        QTest::newRow("Chinese") << "我的视频.avi" << Make::Clip << false << "我的视频.mp4"
                                 << "";
        QTest::newRow("emoji") << "party 🎉.avi" << Make::Clip << false << "party 🎉.mp4"
                               << "";
        QTest::newRow("leading dash") << "-y.avi" << Make::Clip << false << "-y.mp4"
                                      << "";
        QTest::newRow("leading full stop") << ".hidden.avi" << Make::Clip << false << ".hidden.mp4"
                                           << "";
        QTest::newRow("250 characters")
            << QString(246, u'n') + ".avi" << Make::Clip << false << QString(246, u'n') + ".mp4"
            << "";
    }
    void badInputs() {
        QFETCH(QString, name);
        QFETCH(media::Make, kind);
        QFETCH(bool, becomesFolder);
        QFETCH(QString, output);
        QFETCH(QString, reason);
        QTemporaryDir sources;
        const QString source = sources.filePath(name);
        QVERIFY(media::make(source, kind, kind == Make::FirstHalf ? kTwoSecondsOfH264 : QStringList()));
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        QDir().mkpath(fixture.Output());
        const QString earlier = fixture.Output() + "/" + QString(name).section(u'.', 0, 0) + ".mp4";
        if (output.isEmpty())
            writeFile(earlier, kEarlier);
        fixture.Drop({source, m_good});
        if (becomesFolder)
            QVERIFY(QFile::remove(source) && QDir().mkdir(source));
        fixture.Command(2);
        waitForTheEnd(fixture);

        QVERIFY(QFile::exists(fixture.Output() + "/good.mp4"));
        if (output.isEmpty()) {
            QCOMPARE(readFile(earlier), kEarlier);
            const QStringList failed = failureLines(fixture.desktop);
            QCOMPARE(failed.size(), 1);
            QVERIFY2(failed.first().startsWith(source + " — ") && failed.first().size() > source.size() + 3,
                     qPrintable(failed.first()));
            QVERIFY(failed.first().endsWith(reason));
        } else {
            QCOMPARE(media::codecs(media::probe(fixture.Output() + "/" + output)).value(0),
                     QStringLiteral("h264"));
            QVERIFY(failureLines(fixture.desktop).isEmpty());
        }
        QCOMPARE(window.lblPB->text(), QStringLiteral("完成."));
        checkNothingLeftBehind(fixture);
    }

    void aReadOnlySourceConverts() {
        QTemporaryDir sources;
        const QString source = sources.filePath("locked.avi");
        QVERIFY(media::make(source, Make::Clip));
        QFile::setPermissions(source, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        WindowFixture fixture;
        fixture.Open();
        fixture.Drop({source});
        fixture.Command(2);
        waitForTheEnd(fixture);
        QVERIFY(QFile::exists(fixture.Output() + "/locked.mp4"));
        checkNothingLeftBehind(fixture);
    }

    void aSourceDeletedWhileAnEarlierFileConverts() {
        QTemporaryDir sources;
        const QString doomed = sources.filePath("doomed.avi");
        QVERIFY(media::make(doomed, Make::Clip));
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({m_good, doomed});
        QTimer remover;
        connect(&remover, &QTimer::timeout, this, [&] {
            if (window.batch.IsRunning() && QFile::exists(doomed))
                QFile::remove(doomed);
        });
        remover.start(1);
        fixture.Command(2);
        waitForTheEnd(fixture);
        QCOMPARE(failureLines(fixture.desktop), QStringList{doomed + " — 无法读取源文件"});
        QCOMPARE(namesIn(fixture.Output()), QStringList{"good.mp4"});
        checkNothingLeftBehind(fixture);
    }

    void aMissingOutputFolderIsMadeWithItsParents() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        const QString folder = fixture.programFolder.filePath("no/such/folder");
        window.txtPath->setText(folder);
        fixture.Drop({m_good});
        fixture.Command(2);
        waitForTheEnd(fixture);
        QVERIFY(failureLines(fixture.desktop).isEmpty());
        QCOMPARE(namesIn(folder), QStringList{ResultName(m_good)});
        QVERIFY(namesIn(fixture.Staging()).isEmpty());
    }

    void anOutputFolderWithoutWritePermission() {
        RUN_UNPRIVILEGED();
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        const QString locked = fixture.programFolder.filePath("locked");
        QVERIFY(QDir().mkdir(locked));
        writeFile(locked + "/good.mp4", kEarlier);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        window.txtPath->setText(locked);
        fixture.Drop({m_good});
        // Told before anything converts, and the file stays queued.
        fixture.Command(2);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!window.batch.IsRunning());
        QCOMPARE(fixture.desktop.Only("warning:"),
                 QStringList{"warning:Movikon Pro:没有权限写入输出文件夹：" + locked + "\n转换没有开始。"});
        QCOMPARE(fixture.Queue(), QStringList{m_good});
        QCOMPARE(readFile(locked + "/good.mp4"), kEarlier);
        QCOMPARE(namesIn(locked), QStringList{"good.mp4"});
        checkNothingLeftBehind(fixture);
    }

    void aFullDisk_data() {
        QTest::addColumn<bool>("staging"); // the staging folder's disk is full, else the output folder's
        QTest::newRow("output") << false;
        QTest::newRow("staging") << true;
    }
    void aFullDisk() {
        QFETCH(bool, staging);
        if (!unprivileged::isRoot())
            QSKIP("mounting a small disk needs root");
        WindowFixture fixture;
        const QString small = fixture.programFolder.filePath("small");
        QVERIFY(QDir().mkdir(small));
        if (::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=16k") != 0)
            QSKIP("this machine does not allow mounting a small tmpfs disk");
        const QString output = staging ? fixture.Output() : small;
        fixture.Open(staging ? small : QString());
        QDir().mkpath(output);
        writeFile(output + "/good.mp4", kEarlier);
        // Full: what is left cannot take the result.
        QFile filler(small + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(512, 'f')) == 512 && filler.flush()) {
        }
        filler.close();
        fixture.window->txtPath->setText(output);
        fixture.Drop({m_good});
        fixture.Command(2);
        // A full output folder is told before anything converts; a full staging disk when the encoder meets
        // it.
        if (staging)
            waitForTheEnd(fixture);
        const QStringList warnings = fixture.desktop.Only("warning:");
        const QStringList left = namesIn(output);
        const QByteArray kept = readFile(output + "/good.mp4");
        const QStringList staged = namesIn(small + "/slot-0");
        fixture.Close();
        ::umount(QFile::encodeName(small).constData());
        if (staging)
            QCOMPARE(failureLines(fixture.desktop),
                     QStringList{m_good + " — 临时文件夹所在的磁盘已满：" + small + "/slot-0"});
        else
            QCOMPARE(warnings, QStringList{"warning:Movikon Pro:输出文件夹所在的磁盘已满：" + small +
                                           "\n转换没有开始。"});
        QCOMPARE(kept, kEarlier);
        QCOMPARE(left, staging ? QStringList{"good.mp4"} : QStringList({"filler", "good.mp4"}));
        QVERIFY(staged.isEmpty());
    }

    // ffmpeg exits with 0 when no more than its result's last writes fail, and leaves a file without its
    // index. Disks ever closer to the least that takes the whole conversion fail at ever later writes: each
    // must give either a result that plays or the full disk's reason and nothing left.
    void aDiskThatFillsAsTheResultIsFinished() {
        if (!unprivileged::isRoot())
            QSKIP("mounting a small disk needs root");
        const QString disk = m_clips.filePath("disk");
        QVERIFY(QDir().mkpath(disk));
        const QString result = disk + "/result.mp4";
        struct Outcome {
            bool played;
            bool clean; // it played and is all there is, or it failed for the full disk and left nothing
            QString context;
        };
        // The conversion onto a disk of so many pages of 4 KB; nullopt where no disk could be made.
        const auto convertOnto = [&](int pages) -> std::optional<Outcome> {
            const QByteArray options = "size=" + QByteArray::number(pages * 4) + "k";
            if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, options.constData()) != 0)
                return std::nullopt;
            QProcess conv;
            conv.start(PROGRAM_FOLDER "/data/conv",
                       {"-i", m_good, "-b", "400", "-y", "-r", "25.0", "-s", "320x240", "-ab", "96", result});
            conv.waitForFinished(-1);
            const QString said = QString::fromUtf8(conv.readAllStandardOutput()).trimmed();
            const bool played =
                conv.exitCode() == 0 && media::codecs(media::probe(result)).startsWith("h264");
            const QStringList left = namesIn(disk);
            ::umount(QFile::encodeName(disk).constData());
            const bool clean =
                played ? left == QStringList{"result.mp4"}
                       : conv.exitCode() != 0 && left.isEmpty() &&
                             ReadFailureLine(said.split(u'\n').last().trimmed()) == ConvFailure::DiskFull;
            return Outcome{
                played, clean,
                QStringLiteral("%1 pages, left %2: %3").arg(pages).arg(left.join(u' '), said.right(300))};
        };
        int fails = 1, works = 16384;
        const auto roomy = convertOnto(works);
        if (!roomy)
            QSKIP("this machine does not allow mounting a small tmpfs disk");
        QVERIFY(roomy->played);
        while (works - fails > 1) {
            const int pages = (fails + works) / 2;
            const auto outcome = convertOnto(pages);
            QVERIFY(outcome);
            QVERIFY2(outcome->clean, qPrintable(outcome->context));
            (outcome->played ? works : fails) = pages;
        }
    }

    void settingsFilesOfEveryKindStillStart_data() {
        // How each kind of file reads is the settings file's own test; these are the kinds that start the
        // program differently: the defaults, a list with nothing selected, a folder to be made again.
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("binary junk") << QByteArray("\x7f"
                                                   "ELF\x02\x01\x01\0\0\0\xff\xfe\x80",
                                                   14);
        QTest::newRow("-1") << QByteArray("\"-1\"\r\n\"-1\"\r\n\"-1\"\r\n\"-1\"\r\n\"\"\r\n");
        QTest::newRow("a folder that is gone")
            << QByteArray("\"2\"\r\n\"4\"\r\n\"0\"\r\n\"1\"\r\n\"@GONE@\"\r\n");
    }
    void settingsFilesOfEveryKindStillStart() {
        QFETCH(QByteArray, content);
        WindowFixture fixture;
        const QString gone = fixture.programFolder.filePath("gone");
        writeFile(fixture.programFolder.filePath("setup.ini"), content.replace("@GONE@", gone.toUtf8()));
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({m_good});
        fixture.Command(2);
        waitForTheEnd(fixture);
        // A list left with nothing selected gives the encoder nothing to go by: that file fails, and says so.
        const bool anEmptyChoice = window.form.ConversionOptions().videoBitRate.isEmpty();
        QCOMPARE(QFile::exists(window.txtPath->text() + "/good.mp4"), !anEmptyChoice);
        QCOMPARE(failureLines(fixture.desktop).size(), anEmptyChoice ? 1 : 0);
        if (anEmptyChoice)
            QVERIFY(failureLines(fixture.desktop)
                        .first()
                        .endsWith("conv: -b wants a whole number of kbit/s, not -y"));
        checkNothingLeftBehind(fixture);
        QTest::mouseClick(window.imgExit, Qt::LeftButton);
        QCOMPARE(readFile(fixture.programFolder.filePath("setup.ini")).count("\r\n"), 5);
    }

    void anEncoderKilledMidFile() {
        QTemporaryDir sources;
        const QString longClip = sources.filePath("long.avi");
        QVERIFY(media::makeClip(longClip, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, 40, "640x480"));
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        writeFile(fixture.Output() + "/long.mp4", kEarlier);
        fixture.Drop({longClip, m_good});
        QTimer killer;
        connect(&killer, &QTimer::timeout, this, [&] {
            const QList<int> encoders = processes::matching(fixture.Encoder() + " -i " + fixture.Staging());
            if (window.lblPB->text() != "0%" && !encoders.isEmpty()) {
                killer.stop();
                ::kill(encoders.first(), SIGKILL);
            }
        });
        killer.start(5);
        fixture.Command(2);
        waitForTheEnd(fixture);
        QVERIFY(!killer.isActive());
        QCOMPARE(readFile(fixture.Output() + "/long.mp4"), kEarlier);
        QVERIFY(QFile::exists(fixture.Output() + "/good.mp4"));
        QCOMPARE(failureLines(fixture.desktop).size(), 1);
        QVERIFY(failureLines(fixture.desktop).first().startsWith(longClip + " — "));
        QTRY_VERIFY(processes::matching(fixture.Staging()).isEmpty()); // ffmpeg went with its conv
        checkNothingLeftBehind(fixture);
    }

    void theCommandBoxCannotStartASecondPass() {
        QTemporaryDir sources;
        const QStringList clips = makeClips(sources, {"a.avi", "b.avi", "c.avi"});
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        fixture.Drop(clips);
        int sent = 0;
        QTimer meddler;
        connect(&meddler, &QTimer::timeout, this, [&] {
            if (window.batch.IsRunning() && sent < 2) {
                fixture.Command(2);
                fixture.Command(0);
                ++sent;
            }
        });
        meddler.start(20);
        fixture.Command(2);
        waitForTheEnd(fixture);
        QCOMPARE(sent, 2);
        QCOMPARE(namesIn(fixture.Output()), QStringList({"a.mp4", "b.mp4", "c.mp4"}));
        QCOMPARE(fixture.desktop.Only("sound:").size(), 1);
        QCOMPARE(fixture.desktop.Only("open-dialog").size(), 2); // adding goes on while a batch runs
        checkNothingLeftBehind(fixture);
    }

    void twoInstancesConvertAtTheSameTime() {
        // The other instance is this test program again, converting a longer "one.avi" of its own into the
        // same output folder: neither result may take the other's place.
        const QString shared = qEnvironmentVariable("MOVIKON_SHARED_STAGING");
        if (!shared.isEmpty()) {
            QTemporaryDir sources;
            const QString one = sources.filePath("one.avi");
            QVERIFY(media::makeClip(one, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, 3, "640x480"));
            WindowFixture fixture;
            fixture.Open(shared);
            fixture.window->txtPath->setText(qEnvironmentVariable("MOVIKON_SHARED_OUTPUT"));
            fixture.Drop({one});
            fixture.Command(2);
            waitForTheEnd(fixture);
            QVERIFY(fixture.desktop.Only("(warning|report):").isEmpty());
            return;
        }
        QTemporaryDir stagingRoot;
        RecordingDialogs desktop;
        QTemporaryDir programFolder;
        QDir().mkpath(programFolder.filePath("data"));
        QFile::link(PROGRAM_FOLDER "/data/conv", programFolder.filePath("data/conv"));
        Program program(desktop, {programFolder.path(), stagingRoot.path()});
        const WindowUnderTest window(program);
        const QString output = programFolder.filePath("output");
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("MOVIKON_SHARED_STAGING", stagingRoot.path());
        environment.insert("MOVIKON_SHARED_OUTPUT", output);
        second.setProcessEnvironment(environment);
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(QCoreApplication::applicationFilePath(), {"twoInstancesConvertAtTheSameTime"});

        QTemporaryDir sources;
        const QStringList clips = makeClips(sources, {"two.avi", "three.avi", "one.avi"});
        Drop(window.LV->viewport(), Files(clips));
        // Started once the other instance's batch runs (its source is staged in its own slot), so that
        // neither result was in the folder before the other's batch.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stagingRoot.filePath("slot-1/tmpfile.dat")), kBatchMs);
        window.menuMsg->setText("b2");
        QTRY_VERIFY_WITH_TIMEOUT(!desktop.Only("sound:").isEmpty(), kBatchMs);
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, kBatchMs);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(namesIn(output), QStringList({"one (2).mp4", "one.mp4", "three.mp4", "two.mp4"}));
        QList<int> lengths{qRound(media::duration(media::probe(output + "/one.mp4"))),
                           qRound(media::duration(media::probe(output + "/one (2).mp4")))};
        std::sort(lengths.begin(), lengths.end());
        QCOMPARE(lengths, QList<int>({1, 3}));
        QVERIFY(desktop.Only("(warning|report):").isEmpty());
    }

    void noUserPathReachesTheEncodersCommandLine() {
        QTemporaryDir sources;
        const QString source = sources.filePath("secret name; rm -rf ~.avi");
        QVERIFY(QFile::copy(m_good, source));
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        const QString outputFolder = fixture.programFolder.filePath("my output");
        window.txtPath->setText(outputFolder);
        QStringList commandLines;
        QTimer spy;
        connect(&spy, &QTimer::timeout, this, [&] {
            for (const int pid : processes::matching(fixture.Staging())) {
                QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
                if (cmdline.open(QIODevice::ReadOnly))
                    commandLines << QString::fromUtf8(cmdline.readAll().replace('\0', ' '));
            }
        });
        spy.start(1);
        fixture.Drop({source});
        fixture.Command(2);
        waitForTheEnd(fixture);
        QVERIFY(!commandLines.isEmpty());
        for (const QString& line : commandLines) {
            QVERIFY2(!line.contains("secret") && !line.contains(outputFolder), qPrintable(line));
        }
        QVERIFY(QFile::exists(outputFolder + "/secret name; rm -rf ~.mp4"));
    }

    void theStagingFolderIsPrivateAndPlantedLinksAreNotFollowed() {
        WindowFixture fixture;
        fixture.Open();
        QCOMPARE(QFileInfo(fixture.Staging()).permissions() & 0x0077, 0); // nobody but the owner
        QCOMPARE(QFileInfo(fixture.Staging()).permissions() & QFile::WriteOwner, QFile::WriteOwner);
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim.txt");
        writeFile(victim, "precious");
        for (const char* name : {"tmpfile.dat", "tmpfile.mp4", "tmpfile.mp4.part"})
            QVERIFY(QFile::link(victim, fixture.Staging() + "/" + name));
        fixture.Drop({m_good});
        fixture.Command(2);
        waitForTheEnd(fixture);
        QCOMPARE(readFile(victim), QByteArray("precious"));
        QVERIFY(QFile::exists(fixture.Output() + "/good.mp4"));
        checkNothingLeftBehind(fixture);
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
