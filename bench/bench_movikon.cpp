// Measures what Movikon PRO adds to the encoder's own work, and prints one "name: value" line per measure,
// ratios last. Run through bench/run.
#include "Media.h"
#include "WindowFixture.h"
#include "Xvfb.h"
#include "conv/ConvArguments.h"
#include "engine/DOSOutputs.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {
const QString kChatter = QStringLiteral(CHATTER_PATH);
const QString kFakeConv = QStringLiteral(FAKECONV_PATH);
const QString kConv = QStringLiteral(PROGRAM_FOLDER "/data/conv");

void say(const char* name, double value) {
    std::printf("%s: %.3f\n", name, value);
    std::fflush(stdout);
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// Seconds a program takes from start to end, its output going nowhere.
double timeAlone(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    return clock.nsecsElapsed() / 1e9;
}

double cpuSecondsOfThisProcess() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Seconds a program takes with its console output read, and thrown away, by the plainest reader.
double timeReadPlainly(const QString& program, const QStringList& arguments) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    while (process.waitForReadyRead(-1) || process.bytesAvailable())
        process.readAll();
    process.waitForFinished(-1);
    return clock.nsecsElapsed() / 1e9;
}

// A child writing 50 MB to its console: under the runner against read by the plainest reader. Its time
// writing into nothing at all (/dev/null) is printed too, though no console reader can come near it.
double runnerRatio() {
    const QStringList arguments{"bytes", QString::number(50 << 20)};
    QList<double> intoNothing, alone, underRunner;
    for (int i = 0; i < 3; ++i) {
        intoNothing << timeAlone(kChatter, arguments);
        alone << timeReadPlainly(kChatter, arguments);
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        QElapsedTimer clock;
        clock.start();
        runner.ExecuteCommand(kChatter + u' ' + arguments.join(u' '));
        underRunner << clock.nsecsElapsed() / 1e9;
    }
    say("runner_50mb_into_nothing_ms", median(intoNothing) * 1000);
    say("runner_50mb_plain_reader_ms", median(alone) * 1000);
    say("runner_50mb_runner_ms", median(underRunner) * 1000);
    return median(underRunner) / median(alone);
}

double convVsFfmpeg(const QString& clip, const QString& folder) {
    ConvArguments arguments;
    arguments.input = clip;
    arguments.videoKbps = 128;
    arguments.frameRate = "14.985";
    arguments.frameSize = {320, 240};
    arguments.audioKbps = 80;
    arguments.output = folder + "/by-ffmpeg.mp4";
    const QStringList ffmpegArguments = FfmpegArguments(arguments, arguments.output);
    const QStringList convArguments{"-i",     clip, "-b",      "128", "-y", "-r",
                                    "14.985", "-s", "320x240", "-ab", "80", folder + "/by-conv.mp4"};
    QList<double> ffmpeg, conv;
    for (int i = 0; i < 5; ++i) {
        ffmpeg << timeAlone("ffmpeg", ffmpegArguments);
        conv << timeAlone(kConv, convArguments);
    }
    return median(conv) / median(ffmpeg);
}

// A folder of 10,000 videos in 100 subfolders dropped on the list: how long the window is busy with it.
double folderDropMs(const QString& folder) {
    for (int sub = 0; sub < 100; ++sub) {
        const QString subfolder = folder + QStringLiteral("/第%1集").arg(sub);
        QDir().mkpath(subfolder);
        for (int clip = 0; clip < 100; ++clip)
            QFile(subfolder + QStringLiteral("/clip %1.mp4").arg(clip)).open(QIODevice::WriteOnly);
    }
    WindowFixture fixture;
    fixture.Open();
    QElapsedTimer clock;
    clock.start();
    fixture.Drop({folder});
    const double ms = clock.nsecsElapsed() / 1e6;
    return fixture.Queue().size() == 10000 ? ms : -1;
}

struct BatchFigures {
    double seconds;
    double cpuPercent;
    QList<double> perFileMs;
};

// Converts `sources` through the window, started from its command box, as a person's batch.
BatchFigures batchThroughTheWindow(const QStringList& sources, const QString& encoder) {
    WindowFixture fixture(encoder);
    frmMain& window = fixture.Open();
    fixture.Drop(sources);
    QList<double> removals;
    QElapsedTimer clock;
    QObject::connect(window.lstFile->model(), &QAbstractItemModel::rowsRemoved, &window,
                     [&] { removals << clock.nsecsElapsed() / 1e6; });
    const double cpuBefore = cpuSecondsOfThisProcess();
    clock.start();
    fixture.Command(2);
    while (fixture.desktop.Only("sound:").isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = clock.nsecsElapsed() / 1e9;
    QList<double> perFile;
    for (qsizetype i = 1; i < removals.size(); ++i)
        perFile << removals[i] - removals[i - 1];
    return {seconds, (cpuSecondsOfThisProcess() - cpuBefore) / seconds * 100, perFile};
}

double stagingMs(const QString& folder) {
    QFile big(folder + "/big.avi");
    if (!big.open(QIODevice::WriteOnly) || !big.resize(2LL << 30))
        return -1;
    big.close();
    QElapsedTimer clock;
    clock.start();
    const bool staged = platform::StageSource(big.fileName(), folder + "/tmpfile.dat");
    const double ms = clock.nsecsElapsed() / 1e6;
    return staged ? ms : -1;
}

// From launch to the window being mapped under Xvfb; -1 when there is no Xvfb.
double windowShownMs() {
    const Xvfb x;
    if (!x.IsReady())
        return -1;
    QTemporaryDir cache;
    QProcessEnvironment environment = x.Environment();
    environment.insert("XDG_CACHE_HOME", cache.path());
    QList<double> times;
    for (int i = 0; i < 3; ++i) {
        QProcess program;
        program.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        program.start(PROGRAM_FOLDER "/movikon");
        times << (x.FindWindow("Movikon PRO").isEmpty() ? -1 : clock.nsecsElapsed() / 1e6);
        program.kill();
        program.waitForFinished();
    }
    return median(times);
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir work;

    say("staging_2gb_ms", stagingMs(work.path()));

    QStringList empties;
    for (int i = 0; i < 1000; ++i) {
        empties << work.filePath(QStringLiteral("empty%1.avi").arg(i));
        QFile(empties.last()).open(QIODevice::WriteOnly);
    }
    say("per_file_overhead_ms", median(batchThroughTheWindow(empties, kFakeConv).perFileMs));
    say("window_shown_ms", windowShownMs());
    say("folder_drop_10000_ms", folderDropMs(work.filePath("dropped")));

    QStringList clips;
    for (int i = 0; i < 5; ++i) {
        clips << work.filePath(QStringLiteral("clip%1.avi").arg(i));
        if (!media::makeClip(clips.last(), {"-c:v", "mpeg4", "-q:v", "3", "-c:a", "libmp3lame"}, 10,
                             "640x480"))
            return 1;
    }
    // While one long file converts, the fixed costs of starting and publishing a file count for little.
    const QString longClip = work.filePath("long.avi");
    if (!media::makeClip(longClip, {"-c:v", "mpeg4", "-q:v", "3", "-c:a", "libmp3lame"}, 90, "640x480"))
        return 1;
    say("frontend_cpu_percent", batchThroughTheWindow({longClip}, kConv).cpuPercent);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    say("frontend_rss_mb", usage.ru_maxrss / 1024.0);

    // Batches through the window and the same conversions run directly, taken in turns: the machine's
    // own drift falls on both alike.
    QList<double> throughWindow, direct;
    for (int round = 0; round < 5; ++round) {
        throughWindow << batchThroughTheWindow(clips, kConv).seconds;
        double seconds = 0;
        for (const QString& clip : clips)
            seconds += timeAlone(kConv, {"-i", clip, "-b", "128", "-y", "-r", "14.985", "-s", "320x240",
                                         "-ab", "80", work.filePath("direct.mp4")});
        direct << seconds;
    }

    const double runner = runnerRatio();
    say("runner_50mb_ratio", runner);
    say("conv_vs_ffmpeg_ratio", convVsFfmpeg(longClip, work.path()));
    say("batch_overhead_ratio", median(throughWindow) / median(direct));
    return 0;
}
