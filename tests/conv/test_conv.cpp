#include "ConversionSettings.h"
#include "DOSOutputs.h"
#include "Media.h"
#include "Processes.h"
#include "ProgressParser.h"
#include "RecordingDesktop.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kConv = QStringLiteral(PROGRAM_FOLDER "/data/conv");

struct Run {
    int exitCode;
    QString output;
};

Run conv(const QStringList& arguments,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(kConv, arguments);
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

QStringList convArguments(const QString& input, const QString& output, const QString& rate = "25.0",
                          const QString& size = "176x144") {
    return {"-i", input, "-b", "200", "-y", "-r", rate, "-s", size, "-ab", "64", output};
}

// The elapsed times conv reported, in order.
QList<double> reportedTimes(const QString& output) {
    QList<double> times;
    static const QRegularExpression time(QStringLiteral("time=([0-9.]+) "));
    for (auto it = time.globalMatch(output); it.hasNext();)
        times << it.next().captured(1).toDouble();
    return times;
}
} // namespace

class TestConv : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

  private slots:
    void convertsEveryOfferedContainer_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("expectedRate");
        QTest::addColumn<QString>("size");
        QTest::newRow("AVI") << "clip.avi" << QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"} << "25.0"
                             << "25/1"
                             << "176x144";
        QTest::newRow("FLV") << "clip.flv" << QStringList{"-c:v", "flv1", "-c:a", "libmp3lame"} << "14.985"
                             << "2997/200"
                             << "320x240";
        QTest::newRow("WMV") << "clip.wmv" << QStringList{"-c:v", "wmv2", "-c:a", "wmav2"} << "29.97"
                             << "2997/100"
                             << "128x96";
        QTest::newRow("MOV") << "clip.mov" << QStringList{"-c:v", "mpeg4", "-c:a", "aac"} << "23.975"
                             << "959/40"
                             << "640x272";
        QTest::newRow("DAT") << "clip.dat" << QStringList{"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"}
                             << "25.0"
                             << "25/1"
                             << "352x288";
        QTest::newRow("ASF") << "clip.asf" << QStringList{"-c:v", "msmpeg4", "-c:a", "wmav2", "-f", "asf"}
                             << "25.0"
                             << "25/1"
                             << "480x480";
        QTest::newRow("MPG") << "clip.mpg" << QStringList{"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"}
                             << "25.0"
                             << "25/1"
                             << "720x320";
        QTest::newRow("MP4") << "clip.mp4" << QStringList{"-c:v", "libx264", "-c:a", "aac"} << "25.0"
                             << "25/1"
                             << "320x240";
    }
    void convertsEveryOfferedContainer() {
        QFETCH(QString, source);
        QFETCH(QStringList, encoding);
        QFETCH(QString, rate);
        QFETCH(QString, expectedRate);
        QFETCH(QString, size);
        QVERIFY(media::makeClip(path(source), encoding));
        const QString result = path(source + ".out.mp4");

        const Run run = conv(convArguments(path(source), result, rate, size));

        QCOMPARE(run.exitCode, 0);
        const QJsonObject probed = media::probe(result);
        QCOMPARE(media::codecs(probed), QStringList({"h264", "aac"}));
        const QJsonObject video = media::videoStream(probed);
        QCOMPARE(QStringLiteral("%1x%2").arg(video["width"].toInt()).arg(video["height"].toInt()), size);
        QCOMPARE(video["profile"].toString(), QStringLiteral("Main"));
        QCOMPARE(video["pix_fmt"].toString(), QStringLiteral("yuv420p"));
        QCOMPARE(video["r_frame_rate"].toString(), expectedRate);
        QVERIFY(probed["format"].toObject()["format_name"].toString().contains("mp4"));
        QVERIFY2(qAbs(media::duration(probed) - media::duration(media::probe(path(source)))) <= 0.2,
                 qPrintable(QString::number(media::duration(probed))));

        QVERIFY2(run.output.startsWith("Duration: 00:00:0"), qPrintable(run.output));
        const QList<double> times = reportedTimes(run.output);
        QVERIFY(!times.isEmpty());
        QVERIFY(std::is_sorted(times.begin(), times.end()));
        QVERIFY(!QFile::exists(result + ".part"));
    }

    void aVideoWithoutSoundGivesAVideoOnlyFile() {
        QVERIFY(media::makeClip(path("silent.mp4"), {"-an", "-c:v", "libx264"}));
        QCOMPARE(conv(convArguments(path("silent.mp4"), path("silent.out.mp4"))).exitCode, 0);
        QCOMPARE(media::codecs(media::probe(path("silent.out.mp4"))), QStringList{"h264"});
    }

    void unusableInputsFailAndLeaveNoFile_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("text named .avi") << "text.avi";
        QTest::newRow("truncated clip") << "truncated.mp4";
        QTest::newRow("sound only") << "sound.m4a";
        QTest::newRow("missing") << "missing.avi";
    }
    void unusableInputsFailAndLeaveNoFile() {
        QFETCH(QString, source);
        QFile text(path("text.avi"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is not a video\n");
        text.close();
        QVERIFY(media::makeClip(path("whole.mp4"), {"-c:v", "libx264", "-c:a", "aac"}));
        QFile whole(path("whole.mp4"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile truncated(path("truncated.mp4"));
        QVERIFY(truncated.open(QIODevice::WriteOnly));
        truncated.write(whole.read(whole.size() / 2));
        truncated.close();
        QVERIFY(media::makeClip(path("sound.m4a"), {"-vn", "-c:a", "aac"}));

        const QString result = path(source + ".out.mp4");
        const Run run = conv(convArguments(path(source), result));
        QVERIFY(run.exitCode != 0);
        QVERIFY(!QFile::exists(result));
        QVERIFY(!QFile::exists(result + ".part"));
        QVERIFY2(!run.output.trimmed().isEmpty(), "a failure says why");
    }

    void badArgumentsGetTheUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("flag without value") << QStringList{"-i", "a.avi", "-b"};
        QTest::newRow("unknown flag") << QStringList{"-i", "a.avi", "-q", "1", "out.mp4"};
        QTest::newRow("no output") << QStringList{"-i",   "a.avi", "-b",      "128", "-y", "-r",
                                                  "25.0", "-s",    "320x240", "-ab", "80"};
        QTest::newRow("empty bit rate") << QStringList{"-i",   "a.avi", "-b",      "",    "-y", "-r",
                                                       "25.0", "-s",    "320x240", "-ab", "80", "o.mp4"};
        QTest::newRow("odd size") << QStringList{"-i",   "a.avi", "-b",      "128", "-y", "-r",
                                                 "25.0", "-s",    "321x240", "-ab", "80", "o.mp4"};
        QTest::newRow("nothing") << QStringList{};
    }
    void badArgumentsGetTheUsage() {
        QFETCH(QStringList, arguments);
        const Run run = conv(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.output.contains("usage: conv"));
    }

    void withoutFfmpegItSaysSo() {
        QVERIFY(media::makeClip(path("for-path.avi"), {"-c:v", "mpeg4", "-an"}));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", path("nothing-here"));
        const Run run = conv(convArguments(path("for-path.avi"), path("for-path.mp4")), environment);
        QVERIFY(run.exitCode != 0);
        QVERIFY(run.output.contains("ffmpeg was not found"));
        QVERIFY(!QFile::exists(path("for-path.mp4")));
    }

    void theRunnerAndTheParserFollowARealConversion() {
        QVERIFY(media::makeClip(path("tmpfile.dat"), {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-f", "avi"}, 8,
                                "640x480"));
        RecordingDesktop desktop;
        DOSOutputs runner(desktop);
        qint32 totalSeconds = 0;
        QStringList labels;
        float bar = 0;
        connect(&runner, &DOSOutputs::ReceiveOutputs, this, [&](const QString& chunk) {
            const ProgressReading reading = ReadProgress(chunk, totalSeconds);
            totalSeconds = reading.totalSeconds;
            if (reading.display) {
                QVERIFY(reading.display->barTwips >= bar);
                bar = reading.display->barTwips;
                labels << reading.display->label;
            }
        });
        runner.ExecuteCommand(EncoderCommandLine(PROGRAM_FOLDER, path("tmpfile.dat"), path("tmpfile.mp4"),
                                                 {"128", "14.985", "320x240", "80"}));
        QVERIFY(runner.LastRunSucceeded());
        QCOMPARE(totalSeconds, 8);
        QVERIFY2(labels.size() >= 2 && labels.first() != labels.last(), qPrintable(labels.join(' ')));
        QCOMPARE(labels.last(), QStringLiteral("100%"));
        QCOMPARE(bar, kFullBarTwips);
        QCOMPARE(media::codecs(media::probe(path("tmpfile.mp4"))), QStringList({"h264", "aac"}));
        QVERIFY(desktop.events.isEmpty());
    }

    void stoppingConvStopsFfmpegAndLeavesNothing_data() {
        QTest::addColumn<bool>("byForce");
        QTest::newRow("asked to end") << false;
        QTest::newRow("killed") << true;
    }
    void stoppingConvStopsFfmpegAndLeavesNothing() {
        QFETCH(bool, byForce);
        const QString source = path("long.avi");
        if (!QFile::exists(source))
            QVERIFY(media::makeClip(source, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, 60, "640x480"));
        const QString result = path(byForce ? "killed.mp4" : "stopped.mp4");
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(kConv, convArguments(source, result, "25.0", "720x320"));
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += process.readAll()).contains("time="), said.constData(), 20000);
        QVERIFY(!processes::matching(result).isEmpty());

        byForce ? process.kill() : process.terminate();
        QVERIFY(process.waitForFinished(10000));
        QVERIFY(process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0);
        QTRY_VERIFY_WITH_TIMEOUT(processes::matching(result).isEmpty(), 5000);
        QVERIFY(!QFile::exists(result));
        if (!byForce)
            QVERIFY(!QFile::exists(result + ".part"));
    }
};

QTEST_GUILESS_MAIN(TestConv)
#include "test_conv.moc"
