// conv: the encoder behind Movikon PRO. It turns one video file into an MP4 that small devices play, using
// the ffmpeg program, and reports on its console what the front end reads: the input's duration once as
// "Duration: HH:MM:SS.cc, ", then the elapsed output time as "time=<seconds> ". It exits with 0 only when a
// complete output file has been written; otherwise no file is left at the output path.
#include "ConvArguments.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

void say(FILE* stream, const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stream);
    std::fflush(stream);
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
        : m_arguments(arguments), m_partial(arguments.output + QStringLiteral(".part")) {
        m_ffmpeg.setStandardInputFile(QProcess::nullDevice());
        platform::TieToParent(m_ffmpeg);
        connect(&m_ffmpeg, &QProcess::readyReadStandardOutput, this, &Conversion::readProgress);
        connect(&m_ffmpeg, &QProcess::readyReadStandardError, this, &Conversion::readLog);
        connect(&m_ffmpeg, &QProcess::finished, this, &Conversion::finish);
        connect(&m_ffmpeg, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                fail(QStringLiteral("conv: ffmpeg could not be started: ") + m_ffmpeg.errorString());
        });
        QFile::remove(m_partial);
        // Started from the event loop, so that a failure to start can end it.
        QTimer::singleShot(0, this, [this, ffmpeg] {
            m_ffmpeg.start(ffmpeg, FfmpegArguments(m_arguments, m_partial), QIODevice::ReadOnly);
        });
    }

    // Ends the conversion early: ffmpeg is stopped and nothing is left behind.
    void abort() {
        m_aborted = true;
        if (m_ffmpeg.state() == QProcess::NotRunning)
            return fail(QStringLiteral("conv: stopped"));
        m_ffmpeg.terminate();
        QTimer::singleShot(2000, &m_ffmpeg, [this] { m_ffmpeg.kill(); });
    }

  private:
    // The complete lines waiting on one of ffmpeg's channels.
    QStringList readLines(QProcess::ProcessChannel channel) {
        m_ffmpeg.setCurrentReadChannel(channel);
        QStringList lines;
        while (m_ffmpeg.canReadLine())
            lines << QString::fromLocal8Bit(m_ffmpeg.readLine()).trimmed();
        return lines;
    }

    void readProgress() {
        for (const QString& line : readLines(QProcess::StandardOutput)) {
            if (line == QStringLiteral("progress=end"))
                m_complete = true;
            if (!line.startsWith(QStringLiteral("out_time_us=")))
                continue;
            bool ok = false;
            const qint64 microseconds = line.mid(12).toLongLong(&ok);
            if (ok)
                say(stdout,
                    QStringLiteral("time=%1 ").arg(std::max<qint64>(0, microseconds) / 1e6, 0, 'f', 2));
        }
    }

    void readLog() {
        static const QRegularExpression duration(
            QStringLiteral("Duration: ([0-9]+:[0-9]{2}:[0-9]{2}(\\.[0-9]+)?)"));
        for (const QString& line : readLines(QProcess::StandardError)) {
            const auto match = duration.match(line);
            if (match.hasMatch() && !m_durationSaid) {
                m_durationSaid = true;
                say(stdout, QStringLiteral("Duration: ") + match.captured(1) + QStringLiteral(", "));
            }
            // Lines come as "[level] text"; only the failures are worth a person's reading.
            for (const auto* level : {"[error] ", "[fatal] ", "[panic] "})
                if (line.startsWith(QLatin1String(level))) {
                    // The input is always the staged file: its name would tell a person nothing.
                    say(stdout,
                        line.mid(qsizetype(std::strlen(level)))
                            .remove(QStringLiteral("file:") + m_arguments.input + QStringLiteral(": ")));
                    m_errorsSaid = true;
                }
        }
    }

    void finish(int exitCode, QProcess::ExitStatus status) {
        readProgress();
        readLog();
        if (m_aborted)
            return fail(QStringLiteral("conv: stopped"));
        if (status != QProcess::NormalExit || exitCode != 0 || !m_complete)
            return fail(QStringLiteral("conv: ffmpeg failed (exit status %1)").arg(exitCode), m_errorsSaid);
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(m_partial).toStdString(),
                                QFile::encodeName(m_arguments.output).toStdString(), error);
        if (error)
            return fail(QStringLiteral("conv: cannot write ") + m_arguments.output);
        QCoreApplication::exit(0);
    }

    // `quiet`: ffmpeg has already said why; its last line stays the last line of conv.
    void fail(const QString& why, bool quiet = false) {
        if (!quiet)
            say(stdout, why);
        QFile::remove(m_partial);
        QCoreApplication::exit(1);
    }

    ConvArguments m_arguments;
    QString m_partial;
    QProcess m_ffmpeg;
    bool m_durationSaid = false;
    bool m_errorsSaid = false;
    bool m_complete = false;
    bool m_aborted = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString error;
    const auto arguments = ParseConvArguments(app.arguments().mid(1), &error);
    if (!arguments) {
        // The error last: a caller that shows only the last line shows what went wrong.
        say(stderr, kConvUsage);
        say(stderr, QStringLiteral("conv: ") + error);
        return 2;
    }
    if (!arguments->overwrite && QFileInfo::exists(arguments->output)) {
        say(stdout, QStringLiteral("conv: the output exists; -y replaces it"));
        return 1;
    }
    const QString ffmpeg = findFfmpeg();
    if (ffmpeg.isEmpty()) {
        say(stdout, QStringLiteral("conv: ffmpeg was not found beside conv nor on the PATH"));
        return 3;
    }
    Conversion conversion(*arguments, ffmpeg);
    platform::OnTerminationRequest([&conversion] { conversion.abort(); });
    return app.exec();
}
