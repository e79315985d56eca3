// Measures what Movikon PRO adds to the encoder's own work, and what conv gives for the bits and the time
// against plain ffmpeg. Prints one "name: value" line per measure, the picture as a table, ratios last. Run
// through bench/run.
#include "Media.h"
#include "WindowFixture.h"
#include "Xvfb.h"
#include "engine/DOSOutputs.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
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

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double cpuSecondsOfThisProcess() {
    return cpuSeconds(RUSAGE_SELF);
}

// What a piece of work cost: seconds of the clock, and seconds of CPU (user and system) of the processes it
// started and waited for, which the other work of a shared machine disturbs far less.
struct Cost {
    double wall;
    double cpu;
};

Cost measure(const std::function<void()>& work) {
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer clock;
    clock.start();
    work();
    return {clock.nsecsElapsed() / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

// What a program costs from start to end, its output going nowhere.
Cost timeAlone(const QString& program, const QStringList& arguments) {
    return measure([&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        process.waitForFinished(-1);
    });
}

// A ratio of two costs taken from pairs run in turns (A, B, A, B, ...), so that the machine's drift falls on
// both sides alike: the median of the pairs' ratios and their spread (the largest less the smallest).
void sayRatio(const QString& name, const std::function<Cost()>& a, const std::function<Cost()>& b,
              int pairs = 5) {
    QList<double> wall, cpu;
    for (int i = 0; i < pairs; ++i) {
        const Cost first = a(), second = b();
        wall << first.wall / second.wall;
        cpu << first.cpu / second.cpu;
    }
    const auto spread = [](const QList<double>& values) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return *high - *low;
    };
    say(qPrintable(name), median(wall));
    say(qPrintable(name + QStringLiteral("_spread")), spread(wall));
    say(qPrintable(name + QStringLiteral("_cpu")), median(cpu));
    say(qPrintable(name + QStringLiteral("_cpu_spread")), spread(cpu));
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
        intoNothing << timeAlone(kChatter, arguments).wall;
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
    Cost cost;
    double cpuPercent;
    QList<double> perFileMs;
};

// Converts `sources` through the window, started from its command box, as a person's batch.
BatchFigures batchThroughTheWindow(const QStringList& sources, const QString& encoder) {
    WindowFixture fixture(encoder);
    WindowUnderTest& window = fixture.Open();
    fixture.Drop(sources);
    QList<double> removals;
    QElapsedTimer clock;
    QObject::connect(&window.queue, &QAbstractItemModel::rowsRemoved, &window.form,
                     [&] { removals << clock.nsecsElapsed() / 1e6; });
    const double cpuBefore = cpuSecondsOfThisProcess();
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    clock.start();
    fixture.Command(2);
    while (fixture.desktop.Only("sound:").isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = clock.nsecsElapsed() / 1e9;
    QList<double> perFile;
    for (qsizetype i = 1; i < removals.size(); ++i)
        perFile << removals[i] - removals[i - 1];
    const double ownCpu = cpuSecondsOfThisProcess() - cpuBefore;
    return {
        {seconds, ownCpu + cpuSeconds(RUSAGE_CHILDREN) - childrenBefore}, ownCpu / seconds * 100, perFile};
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

// A clip of the picture table: a picture the bench makes (a lavfi source and its filters), or a file of real
// footage. Either becomes a near-lossless master of at most 10 seconds at 25 frames a second, so that what
// is measured is the encoding.
struct Clip {
    QString name;
    QString picture;
    QString footage;
};

bool makeSource(const QString& path, const QStringList& input, const QStringList& encoding,
                int seconds = 10) {
    int exitCode = 0;
    media::run("ffmpeg",
               QStringList{"-hide_banner", "-loglevel", "error", "-y"} + input +
                   QStringList{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-map", "0:v:0",
                               "-map", "1", "-t", QString::number(seconds)} +
                   encoding + QStringList{path},
               &exitCode);
    return exitCode == 0;
}

bool makeSource(const QString& path, const QString& picture, const QStringList& encoding, int seconds = 10) {
    return makeSource(path, {"-f", "lavfi", "-i", picture}, encoding, seconds);
}

// The master of a clip. Real footage is cut to its first 10 seconds at 25 frames a second, its pixels made
// square and its middle cropped to 4:3, so that every encoder fills the 320x240 frame with the same picture.
bool makeMaster(const QString& path, const Clip& clip) {
    const QStringList nearLossless{"-c:v", "libx264",  "-crf",    "8",    "-preset",
                                   "fast", "-pix_fmt", "yuv420p", "-c:a", "flac"};
    if (clip.footage.isEmpty())
        return makeSource(path, clip.picture, nearLossless);
    return makeSource(path, {"-i", clip.footage},
                      QStringList{"-vf", "fps=25,scale='trunc(iw*sar/2)*2':ih,setsar=1,"
                                         "crop='trunc(min(iw,ih*4/3)/2)*2':'trunc(min(ih,iw*3/4)/2)*2'"} +
                          nearLossless);
}

// The real footage of bench/footage.tsv, which bench/run takes out of Debian's packages into
// $MOVIKON_BENCH_FOOTAGE; none where it has not.
QList<Clip> realFootage() {
    const QString folder = qEnvironmentVariable("MOVIKON_BENCH_FOOTAGE");
    QFile list(QStringLiteral(FOOTAGE_LIST));
    QList<Clip> clips;
    if (folder.isEmpty() || !list.open(QIODevice::ReadOnly | QIODevice::Text))
        return clips;
    for (const QString& line : QString::fromUtf8(list.readAll()).split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (line.startsWith(u'#') || fields.size() < 3)
            continue;
        const QString file = folder + u'/' + fields[2];
        if (QFileInfo::exists(file))
            clips << Clip{fields[0], {}, file};
        else
            std::printf("footage: %s is missing\n", qPrintable(file));
    }
    return clips;
}

// A screen recording: a title bar, lines of Chinese text, a panel; only a counter and a cursor change.
QString screenPicture(const QString& folder) {
    QFile text(folder + "/screen.txt");
    if (!text.open(QIODevice::WriteOnly))
        return {};
    QTextStream(&text) << QStringLiteral(
        "季度报告 2026\n收入   12,480   +4.2\n成本    9,115   -1.3\n"
        "利润    3,365   +21\n\n> 构建完成，用时 41 秒\n> 0 个警告，0 个错误\n");
    const QString font = QStringLiteral("fontfile=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
    return QStringLiteral("color=c=0xf4f4f4:size=960x720:rate=25,"
                          "drawbox=x=0:y=0:w=960:h=48:c=0x2c679b:t=fill,"
                          "drawtext=%1:textfile=%2:x=40:y=90:fontsize=30:fontcolor=0x202020:line_spacing=12,"
                          "drawbox=x=600:y=200:w=300:h=300:c=0x55aa55:t=fill,"
                          "drawtext=%1:text='%{eif\\:t*25\\:d}':x=40:y=600:fontsize=24:fontcolor=black,"
                          "drawtext=%1:text='_':x=40+15*mod(floor(t*4)\\,30):y=540:fontsize=30")
        .arg(font, text.fileName());
}

double videoKbps(const QString& path) {
    return media::videoStream(media::probe(path))["bit_rate"].toString().toDouble() / 1000;
}

// HandBrake's best for small files, two passes of x264's slow preset, into the same frame, rate and sound: a
// measuring peer, when HandBrakeCLI is installed.
Cost byHandBrake(const QString& source, const QString& result, int kbps) {
    const QStringList settings =
        QStringLiteral(
            "-e x264 --encoder-preset slow --encoder-profile main --two-pass --no-turbo -w 320 -l 240 "
            "--crop 0:0:0:0 --non-anamorphic -r 25 --cfr -E av_aac -B 80")
            .split(u' ');
    QFile::remove(result);
    return timeAlone("HandBrakeCLI",
                     QStringList{"-i", source, "-o", result, "-b", QString::number(kbps)} + settings);
}

double mean(const QList<double>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

// conv against plain ffmpeg's default single pass at the same rate, size and frame rate (and HandBrake where
// it is installed) on clips that stand for what people convert, made and real: the picture (SSIM of the luma
// in dB), the video rate spent and the time taken.
bool pictureTable(const QString& folder) {
    const QList<Clip> clips =
        QList<Clip>{{"film", "mandelbrot=size=640x480:rate=25,noise=alls=8:allf=t+u", {}},
                    {"screen", screenPicture(folder), {}},
                    {"pattern", "testsrc2=size=640x480:rate=25", {}},
                    // A fixed camera: one still grainy picture with a small thing crossing it.
                    {"still",
                     "mandelbrot=size=640x480:rate=25,trim=end_frame=1,loop=loop=-1:size=1,setpts=N/25/TB,"
                     "noise=alls=8:allf=t+u,drawbox=x=mod(t*40\\,600):y=300:w=40:h=80:c=red:t=fill",
                     {}},
                    // A cut every two seconds between two unlike scenes.
                    {"cuts",
                     "mandelbrot=size=640x480:rate=25:start_scale=2,noise=alls=6:allf=t+u[a];"
                     "testsrc2=size=640x480:rate=25[b];[a][b]blend=all_expr='if(lt(mod(T\\,4)\\,2)\\,A\\,B)'",
                     {}}} +
        realFootage();
    const bool handBrake = !QStandardPaths::findExecutable("HandBrakeCLI").isEmpty();
    std::printf(
        "| clip | kbit/s asked | conv SSIM dB | ffmpeg SSIM dB | gain dB | conv kbit/s | ffmpeg kbit/s | "
        "conv s |%s\n|---|---|---|---|---|---|---|---|%s\n",
        handBrake ? " HandBrake SSIM dB | HandBrake kbit/s | HandBrake s |" : "",
        handBrake ? "---|---|---|" : "");
    QList<double> gains, behindHandBrake, overRate;
    double convSeconds = 0, handBrakeSeconds = 0;
    for (const Clip& clip : clips) {
        const QString source = folder + QStringLiteral("/%1.mkv").arg(clip.name);
        if (!makeMaster(source, clip))
            return false;
        for (const int kbps : {128, 384}) {
            const QString byConv = folder + "/picture-conv.mp4", byFfmpeg = folder + "/picture-ffmpeg.mp4";
            const QString rate = QString::number(kbps);
            const Cost convCost = timeAlone(
                kConv, {"-i", source, "-b", rate, "-y", "-r", "25.0", "-s", "320x240", "-ab", "80", byConv});
            timeAlone("ffmpeg", {"-y", "-i", source, "-b:v", rate + "k", "-r", "25", "-s", "320x240", "-ab",
                                 "80k", byFfmpeg});
            const double conv = media::ssimDb(source, byConv), ffmpeg = media::ssimDb(source, byFfmpeg);
            const double spent = videoKbps(byConv);
            gains << conv - ffmpeg;
            overRate << spent / kbps - 1;
            std::printf("| %s | %d | %.2f | %.2f | %+.2f | %.1f | %.1f | %.1f |", qPrintable(clip.name), kbps,
                        conv, ffmpeg, conv - ffmpeg, spent, videoKbps(byFfmpeg), convCost.wall);
            const QString byHandBrakeFile = folder + "/picture-handbrake.mp4";
            const Cost peerCost = handBrake ? byHandBrake(source, byHandBrakeFile, kbps) : Cost{};
            if (QFileInfo::exists(byHandBrakeFile)) {
                const double peer = media::ssimDb(source, byHandBrakeFile);
                behindHandBrake << conv - peer;
                convSeconds += convCost.wall;
                handBrakeSeconds += peerCost.wall;
                std::printf(" %.2f | %.1f | %.1f |", peer, videoKbps(byHandBrakeFile), peerCost.wall);
            }
            std::printf("\n");
        }
    }
    say("picture_gain_db_mean", mean(gains));
    say("picture_rate_over_percent_worst", 100 * *std::max_element(overRate.begin(), overRate.end()));
    if (!behindHandBrake.isEmpty()) {
        say("picture_vs_handbrake_db_mean", mean(behindHandBrake));
        say("picture_vs_handbrake_db_worst",
            *std::min_element(behindHandBrake.begin(), behindHandBrake.end()));
        say("picture_vs_handbrake_time_ratio", convSeconds / handBrakeSeconds);
    }
    return true;
}

// A phone's clip, 1080p at 30 frames a second, into the default settings: conv against ffmpeg given those
// settings the plain way.
bool phoneRatio(const QString& folder, const char* name, int seconds, const QStringList& encoding,
                int pairs) {
    const QString phone = folder + QStringLiteral("/%1.mp4").arg(name);
    if (!makeSource(phone, "mandelbrot=size=640x360:rate=30,scale=1920:1080,noise=alls=10:allf=t+u",
                    encoding +
                        QStringList{"-b:v", "12M", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "128k"},
                    seconds))
        return false;
    sayRatio(
        name,
        [&] {
            return timeAlone(kConv, {"-i", phone, "-b", "128", "-y", "-r", "14.985", "-s", "320x240", "-ab",
                                     "80", folder + "/phone-conv.mp4"});
        },
        [&] {
            return timeAlone("ffmpeg", {"-y", "-i", phone, "-b", "128k", "-r", "14.985", "-s", "320x240",
                                        "-ab", "80k", folder + "/phone-ffmpeg.mp4"});
        },
        pairs);
    return true;
}

// What conv gives and costs: the picture table, then its time against plain ffmpeg on a short clip made by
// x264 (B-frames, few key frames) and on a minute recorded as phones record (no B-frames, a key frame a
// second), where the second run's fixed costs weigh less.
bool convFigures(const QString& folder) {
    return pictureTable(folder) &&
           phoneRatio(folder, "conv_vs_ffmpeg_ratio", 10,
                      {"-c:v", "libx264", "-preset", "veryfast", "-profile:v", "high"}, 7) &&
           phoneRatio(
               folder, "conv_vs_ffmpeg_ratio_phone_minute", 60,
               {"-c:v", "libx264", "-preset", "veryfast", "-profile:v", "high", "-bf", "0", "-g", "30"}, 3);
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir work;
    // "bench/run conv": only conv's own figures.
    if (app.arguments().contains(QStringLiteral("conv")))
        return convFigures(work.path()) ? 0 : 1;

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

    const double runner = runnerRatio();
    say("runner_50mb_ratio", runner);
    if (!convFigures(work.path()))
        return 1;
    // The same conversions through the window and by conv directly.
    sayRatio(
        "batch_overhead_ratio", [&] { return batchThroughTheWindow(clips, kConv).cost; },
        [&] {
            return measure([&] {
                for (const QString& clip : clips)
                    timeAlone(kConv, {"-i", clip, "-b", "128", "-y", "-r", "14.985", "-s", "320x240", "-ab",
                                      "80", work.filePath("direct.mp4")});
            });
        });
    return 0;
}
