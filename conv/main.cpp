// conv: the encoder behind Movikon PRO. It turns one video file into an MP4 that small devices play, using
// the ffmpeg program, and reports on its console what the front end reads: the input's duration once as
// "Duration: HH:MM:SS.cc, ", then the elapsed output time as "time=<seconds> ". It exits with 0 only when an
// output file has been written; otherwise no file is left at the output path, and it says why, in a sentence
// and then, last, by the failure's code. A source that ends well before its declared duration is converted as
// far as it goes and noted as incomplete.
#include "conv/AsfHeader.h"
#include "conv/AviHeader.h"
#include "conv/ConvArguments.h"
#include "conv/FfmpegLog.h"
#include "conv/FfmpegRuns.h"
#include "conv/Mp4Header.h"
#include "conv/Subtitles.h"
#include "engine/ConvMessages.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {
// A source is incomplete when what was converted falls short of its declared duration by more than both.
constexpr double kShortfallShare = 0.02;
constexpr double kShortfallSeconds = 1.0;

// A disk with less room than this takes no conversion's work files.
constexpr qint64 kFullDiskBytes = 1 << 20;

// The length of its picture and sound that the source's header declares, where it says: AVI's and ASF's
// headers (ffmpeg reports the length it finds instead), MP4's tracks (a subtitle track may run longer).
std::optional<double> headerSeconds(const QString& input) {
    if (const auto avi = AviDeclaredSeconds(input))
        return avi;
    if (const auto asf = AsfDeclaredSeconds(input))
        return asf;
    return Mp4MediaSeconds(input);
}

void say(FILE* stream, const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stream);
    std::fflush(stream);
}

// The details for people who want them, the sentence a person reads, then the code the front end reads.
void sayFailure(FILE* stream, const QString& details, ConvFailure failure) {
    say(stream, details);
    say(stream, FailureSentence(failure));
    say(stream, FailureLine(failure));
}

// ffmpeg beside conv, else on the PATH.
QString findFfmpeg() {
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/ffmpeg") + platform::ExecutableSuffix();
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

class Conversion : public QObject {
  public:
    Conversion(const ConvArguments& arguments, const QString& ffmpeg)
        : m_arguments(arguments), m_ffmpegProgram(ffmpeg), m_files(arguments.output),
          m_log(arguments.input, m_files.intermediate) {
        m_ffmpeg.setStandardInputFile(QProcess::nullDevice());
        platform::TieToParent(m_ffmpeg);
        connect(&m_ffmpeg, &QProcess::readyReadStandardOutput, this, &Conversion::readProgress);
        connect(&m_ffmpeg, &QProcess::readyReadStandardError, this, &Conversion::readLog);
        connect(&m_ffmpeg, &QProcess::finished, this, &Conversion::finish);
        connect(&m_ffmpeg, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                fail(QStringLiteral("conv: ffmpeg could not be started: ") + m_ffmpeg.errorString(),
                     ConvFailure::CannotStartFfmpeg);
        });
        removeWorkFiles();
        if (const auto declared = headerSeconds(arguments.input)) {
            m_declaredSeconds = *declared;
            m_declaredByHeader = m_durationSaid = true;
            say(stdout, DurationLine(DurationText(*declared)));
        }
        start(Run::Look, LookArguments(m_arguments));
    }

    // Ends the conversion early: ffmpeg is ended at once (what it wrote is thrown away, so it need not
    // finish its file) and nothing is left behind.
    void abort() {
        m_aborted = true;
        if (m_ffmpeg.state() == QProcess::NotRunning)
            return fail(QStringLiteral("conv: stopped"), ConvFailure::Stopped);
        m_ffmpeg.kill();
    }

  private:
    enum class Run { Look, Cadence, First, Second };

    // Started from the event loop, so that a failure to start can end it and a run can follow its
    // predecessor's end.
    void start(Run run, const QStringList& arguments) {
        QTimer::singleShot(0, this, [this, run, arguments] {
            if (m_aborted)
                return fail(QStringLiteral("conv: stopped"), ConvFailure::Stopped);
            m_run = run;
            m_complete = false;
            m_ffmpeg.start(m_ffmpegProgram, arguments, QIODevice::ReadOnly);
        });
    }

    // The complete lines waiting on one of ffmpeg's channels.
    QStringList readLines(QProcess::ProcessChannel channel) {
        m_ffmpeg.setCurrentReadChannel(channel);
        QStringList lines;
        while (m_ffmpeg.canReadLine())
            lines << QString::fromUtf8(m_ffmpeg.readLine()).trimmed(); // ffmpeg writes UTF-8 everywhere
        return lines;
    }

    // The whole job's progress as a time of the declared duration: the first run fills the first share of
    // it, the second the rest, so that the time only rises.
    void readProgress() {
        for (const QString& line : readLines(QProcess::StandardOutput)) {
            if (line == QStringLiteral("progress=end"))
                m_complete = true;
            if (!line.startsWith(QStringLiteral("out_time_us=")))
                continue;
            bool ok = false;
            const qint64 microseconds = line.mid(12).toLongLong(&ok);
            if (!ok)
                continue;
            const double done = std::max<qint64>(0, microseconds) / 1e6;
            if (m_run == Run::Cadence)
                continue;
            if (m_run == Run::First) {
                m_convertedSeconds = std::max(m_convertedSeconds, done);
                sayTime(FirstRunShare(m_arguments) * done);
            } else if (m_convertedSeconds > 0) {
                const double share = std::min(1.0, done / m_convertedSeconds);
                const double first = FirstRunShare(m_arguments);
                sayTime(wholeSeconds() * (first + (1 - first) * share));
            }
        }
    }

    // What the progress is a share of: the declared duration, or what was converted where that is more.
    double wholeSeconds() const { return std::max(m_declaredSeconds, m_convertedSeconds); }

    // ffmpeg's own time may step back a little where its outputs' ends differ: what is said never does.
    void sayTime(double seconds) {
        m_saidSeconds = std::max(m_saidSeconds, seconds);
        say(stdout, TimeLine(m_saidSeconds));
    }

    void readLog() {
        for (const QString& line : readLines(QProcess::StandardError)) {
            if (const auto duration = m_log.Read(line); m_run != Run::Second)
                sayDuration(duration);
            if (m_run == Run::Cadence)
                m_cadenceLog << line;
        }
    }

    // The source's duration, said once.
    void sayDuration(const std::optional<QString>& duration) {
        if (!duration || m_durationSaid)
            return;
        m_durationSaid = true;
        m_declaredSeconds = ClockSeconds(QStringView(*duration).split(u':'));
        say(stdout, DurationLine(*duration));
    }

    void finish(int exitCode, QProcess::ExitStatus status) {
        readProgress();
        readLog();
        if (m_aborted)
            return fail(QStringLiteral("conv: stopped"), ConvFailure::Stopped);
        if (m_run == Run::Look) {
            // Whatever the look found, the first run tells a source that cannot be converted.
            sayDuration(m_log.Duration());
            m_streams = m_log.Streams();
            m_subtitles = chooseSubtitles();
            // A source coded in fields may hold film: its cadence is found before it is converted.
            if (m_log.FieldsInVideo()) {
                m_log = FfmpegLog(m_arguments.input, QStringLiteral("-"));
                return start(Run::Cadence, CadenceRunArguments(m_arguments));
            }
            return startFirstRun();
        }
        if (m_run == Run::Cadence) {
            // A cadence that cannot be found is video's, which is deinterlaced as it comes.
            if (status == QProcess::NormalExit && exitCode == 0)
                m_cadence = CadenceOf(m_cadenceLog);
            return startFirstRun();
        }
        const bool failed =
            status != QProcess::NormalExit || exitCode != 0 || !m_complete || m_log.OutputUnfinished();
        if (failed && m_run == Run::First && m_subtitles) {
            // Subtitles that cannot be drawn leave the video without them, not unconverted.
            m_skippedSubtitles = subtitlesName();
            m_subtitles.reset();
            m_convertedSeconds = 0;
            return startFirstRun();
        }
        if (failed) {
            const QString said = m_log.LastError();
            return fail(said.isEmpty()
                            ? QStringLiteral("conv: ffmpeg ended with exit status %1").arg(exitCode)
                            : said,
                        workFolderIsFull() ? ConvFailure::DiskFull : m_log.Reason());
        }
        if (m_run == Run::First) {
            // A first run that ends well with no picture in the intermediate has nothing for the second.
            if (!Mp4FrameSize(m_files.intermediate))
                return fail(QStringLiteral("conv: no picture of the source could be decoded"),
                            m_log.NoPictureReason());
            if (m_log.DurationIsGuessed() && !m_declaredByHeader)
                m_declaredSeconds = 0;
            m_log = FfmpegLog(m_files.intermediate, m_files.partial);
            return start(Run::Second, SecondRunArguments(m_arguments, m_files));
        }
        std::error_code error;
        // Named in UTF-16 on the way: on Windows no 8-bit code page stands between a name and the file.
        std::filesystem::rename(m_files.partial.toStdU16String(), m_arguments.output.toStdU16String(), error);
        if (error)
            return fail(QStringLiteral("conv: cannot write ") + m_arguments.output, ConvFailure::CannotWrite);
        removeWorkFiles();
        sayTime(wholeSeconds());
        const double shortfall = m_declaredSeconds - m_convertedSeconds;
        if (shortfall > kShortfallSeconds && shortfall > kShortfallShare * m_declaredSeconds)
            say(stdout, IncompleteLine({m_convertedSeconds, m_declaredSeconds}));
        if (!m_skippedSubtitles.isEmpty())
            say(stdout, SubtitleSkippedLine(m_skippedSubtitles));
        QCoreApplication::exit(0);
    }

    void startFirstRun() {
        m_log = FfmpegLog(m_arguments.input, m_files.intermediate);
        start(Run::First,
              FirstRunArguments(m_arguments, m_files, Mp4FrameSize(m_arguments.input).value_or(QSize()),
                                m_streams, m_subtitles, m_cadence));
    }

    // The subtitles a player shows with the source: its own track flagged forced, else one flagged default,
    // else a subtitle file beside it, which is rewritten in UTF-8 beside the result for libass to read.
    std::optional<BurntSubtitles> chooseSubtitles() {
        if (const auto track = ChooseSubtitle(m_streams)) {
            int textTrack = 0;
            for (const SourceStream& stream : m_streams)
                textTrack += stream.kind == QStringLiteral("Subtitle") && stream.index < track->index;
            if (IsTextSubtitle(track->codec))
                return BurntSubtitles{.textFile = m_arguments.input, .textTrack = textTrack};
            if (IsPictureSubtitle(track->codec))
                return BurntSubtitles{.textFile = {}, .pictureTrack = track->index};
            m_skippedSubtitles = m_arguments.input;
            return std::nullopt;
        }
        m_subtitleFile = SubtitleFileBeside(m_arguments.input);
        if (m_subtitleFile.isEmpty())
            return std::nullopt;
        QFile file(m_subtitleFile);
        const QString text = file.open(QIODevice::ReadOnly) ? SubtitleText(file.readAll()) : QString();
        QFile copy(m_files.subtitles);
        if (!LooksLikeSubtitles(text) || !copy.open(QIODevice::WriteOnly) || copy.write(text.toUtf8()) < 0 ||
            !copy.flush()) {
            m_skippedSubtitles = m_subtitleFile;
            return std::nullopt;
        }
        return BurntSubtitles{.textFile = m_files.subtitles};
    }

    // What a person is told was left out: the subtitle file, or the source for a track of its own.
    QString subtitlesName() const { return m_subtitleFile.isEmpty() ? m_arguments.input : m_subtitleFile; }

    void fail(const QString& details, ConvFailure failure) {
        sayFailure(stdout, details, failure);
        removeWorkFiles();
        QCoreApplication::exit(1);
    }

    // x264 says no more than that its notes could not be written where the disk of the work files is full:
    // the disk itself tells.
    bool workFolderIsFull() const {
        const QStorageInfo disk(QFileInfo(m_arguments.output).absolutePath());
        return disk.isValid() && disk.isReady() && disk.bytesAvailable() >= 0 &&
               disk.bytesAvailable() < kFullDiskBytes;
    }

    void removeWorkFiles() {
        for (const QString& file : m_files.All())
            QFile::remove(file);
    }

    ConvArguments m_arguments;
    QString m_ffmpegProgram;
    WorkFiles m_files;
    QProcess m_ffmpeg;
    FfmpegLog m_log; // the current run's
    Run m_run = Run::Look;
    QList<SourceStream> m_streams;             // the source's tracks, as the look found them
    std::optional<BurntSubtitles> m_subtitles; // what the first run burns in
    QString m_subtitleFile;                    // the subtitle file beside the source, if one was taken
    QString m_skippedSubtitles;                // subtitles that could not be burnt in
    bool m_durationSaid = false;
    bool m_complete = false;
    bool m_aborted = false;
    Cadence m_cadence = Cadence::Video;
    QStringList m_cadenceLog;
    double m_declaredSeconds = 0; // the source's own duration, 0 while unknown
    bool m_declaredByHeader = false;
    double m_convertedSeconds = 0; // the furthest point of the output so far
    double m_saidSeconds = 0;      // the furthest progress said
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString error;
    const auto arguments = ParseConvArguments(app.arguments().mid(1), &error);
    if (!arguments) {
        say(stderr, ConvUsage());
        sayFailure(stderr, QStringLiteral("conv: ") + error, ConvFailure::BadSettings);
        return 2;
    }
    // Its work files are named after the output and removed first: none of them may be the input either.
    const QByteArray input = platform::FileIdentity(arguments->input);
    const QStringList written = QStringList{arguments->output} + WorkFiles(arguments->output).All();
    if (!input.isEmpty() && std::any_of(written.cbegin(), written.cend(), [&input](const QString& file) {
            return platform::FileIdentity(file) == input;
        })) {
        sayFailure(stdout, QStringLiteral("conv: the output would write over the input"),
                   ConvFailure::OutputIsInput);
        return 1;
    }
    if (!arguments->overwrite && QFileInfo::exists(arguments->output)) {
        sayFailure(stdout, QStringLiteral("conv: the output exists; -y replaces it"),
                   ConvFailure::OutputExists);
        return 1;
    }
    const QString ffmpeg = findFfmpeg();
    if (ffmpeg.isEmpty()) {
        sayFailure(stdout, QStringLiteral("conv: ffmpeg was not found beside conv nor on the PATH"),
                   ConvFailure::NoFfmpeg);
        return 3;
    }
    Conversion conversion(*arguments, ffmpeg);
    platform::OnTerminationRequest([&conversion] { conversion.abort(); });
    return app.exec();
}
