#pragma once

// Real media for tests: clips made by ffmpeg's own test sources, and what ffprobe says of a file.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSize>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace media {

inline QByteArray run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

// What ffmpeg writes to its log (its standard error) as it runs with `arguments`: where filters that measure
// say their findings.
inline QString ffmpegSays(const QStringList& arguments) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("ffmpeg"), QStringList{"-hide_banner", "-nostats"} + arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardError());
}

// A clip of `seconds` of test picture (and a tone, unless `codecArguments` says -an), encoded as asked. The
// picture is ffmpeg's test card, or with `grey` an even grey that black bars stand out against.
inline bool makeClip(const QString& path, const QStringList& codecArguments, double seconds = 2.0,
                     const QString& size = QStringLiteral("160x120"), bool grey = false) {
    const QString duration = QString::number(seconds);
    const QString picture = grey ? QStringLiteral("color=color=gray") : QStringLiteral("testsrc=rate=25");
    QStringList arguments{
        "-hide_banner", "-loglevel",
        "error",        "-y",
        "-f",           "lavfi",
        "-i",           QStringLiteral("%1:size=%2:duration=%3").arg(picture, size, duration),
        "-f",           "lavfi",
        "-i",           QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(duration),
        "-shortest"};
    arguments << codecArguments << path;
    int exitCode = 0;
    run(QStringLiteral("ffmpeg"), arguments, &exitCode);
    return exitCode == 0 && QFile::exists(path);
}

// ffprobe's view of a file: {"streams": [...], "format": {...}}; empty when it is not a media file.
inline QJsonObject probe(const QString& path) {
    int exitCode = 0;
    const QByteArray json =
        run(QStringLiteral("ffprobe"), {"-v", "error", "-of", "json", "-show_format", "-show_streams", path},
            &exitCode);
    return exitCode == 0 ? QJsonDocument::fromJson(json).object() : QJsonObject();
}

inline double duration(const QJsonObject& probed) {
    return probed["format"].toObject()["duration"].toString().toDouble();
}

inline QStringList codecs(const QJsonObject& probed) {
    QStringList names;
    for (const auto& stream : probed["streams"].toArray())
        names << stream.toObject()["codec_name"].toString();
    return names;
}

inline QJsonObject videoStream(const QJsonObject& probed) {
    for (const auto& stream : probed["streams"].toArray())
        if (stream.toObject()["codec_type"].toString() == QStringLiteral("video"))
            return stream.toObject();
    return {};
}

inline QJsonObject audioStream(const QJsonObject& probed) {
    for (const auto& stream : probed["streams"].toArray())
        if (stream.toObject()["codec_type"].toString() == QStringLiteral("audio"))
            return stream.toObject();
    return {};
}

// zimg's name of the matrix a video stream says it is in; empty where it says none.
inline QString zimgMatrix(const QJsonObject& video) {
    const QString name = video["color_space"].toString();
    if (name == QStringLiteral("bt709"))
        return QStringLiteral("709");
    if (name == QStringLiteral("bt470bg") || name == QStringLiteral("smpte170m"))
        return QStringLiteral("170m"); // the same matrix
    return {};
}

// The luma's SSIM in dB of `result` against `source`, as a screen shows them: the result scaled back to the
// source's size with bicubic, both read in the matrix they say (else BT.601 below HD, as players take it) and
// turned by zimg, precisely, into the screen's own, BT.709. Measured in the source's matrix instead, the
// colour detail that a change of matrix moves into the luma would count against a result that changed it,
// and not against one that kept the source's.
inline double ssimDb(const QString& source, const QString& result) {
    const QJsonObject video = videoStream(probe(source));
    QString sourceMatrix = zimgMatrix(video);
    if (sourceMatrix.isEmpty())
        sourceMatrix = video["height"].toInt() >= 720 ? QStringLiteral("709") : QStringLiteral("170m");
    QString resultMatrix = zimgMatrix(videoStream(probe(result)));
    if (resultMatrix.isEmpty())
        resultMatrix = sourceMatrix;
    static const QRegularExpression luma(QStringLiteral("SSIM Y:[0-9.]+ \\(([0-9.inf]+)\\)"));
    const auto match = luma.match(ffmpegSays(
        {"-i", source, "-i", result, "-lavfi",
         QStringLiteral("[1:v]zscale=w=%1:h=%2:f=bicubic:min=%3:m=709[up];[0:v]zscale=min=%4:m=709[source];"
                        "[up][source]ssim")
             .arg(video["width"].toInt())
             .arg(video["height"].toInt())
             .arg(resultMatrix, sourceMatrix),
         "-f", "null", "-"}));
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

// Where the picture is in the frame at `second`: the bounds of the pixels brighter than the black bars.
inline QRect pictureBounds(const QString& path, const QSize& frame, double second = 1.0) {
    const QByteArray luma =
        run(QStringLiteral("ffmpeg"), {"-v", "error", "-ss", QString::number(second), "-i", path, "-frames:v",
                                       "1", "-f", "rawvideo", "-pix_fmt", "gray", "pipe:1"});
    if (luma.size() != qsizetype(frame.width()) * frame.height())
        return {};
    QRect bounds;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (quint8(luma[y * frame.width() + x]) > 64)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// How a frame looks, read as limited-range BT.709: its luma's 10th percentile, mean and 90th percentile, and
// its mean saturation (the distance of its chroma from grey).
struct Look {
    int low = 0;
    double mean = 0;
    int high = 0;
    double saturation = 0;
};
inline Look look(const QString& path, double second = 1.0) {
    const QByteArray planes =
        run(QStringLiteral("ffmpeg"), {"-v", "error", "-ss", QString::number(second), "-i", path, "-frames:v",
                                       "1", "-f", "rawvideo", "-pix_fmt", "yuv444p", "pipe:1"});
    const qsizetype count = planes.size() / 3;
    if (count == 0)
        return {};
    QList<int> luma(count);
    Look seen;
    for (qsizetype i = 0; i < count; ++i) {
        luma[i] = quint8(planes[i]);
        seen.mean += luma[i];
        seen.saturation +=
            std::hypot(quint8(planes[count + i]) - 128.0, quint8(planes[2 * count + i]) - 128.0);
    }
    std::sort(luma.begin(), luma.end());
    seen.low = luma[count / 10];
    seen.high = luma[count * 9 / 10];
    seen.mean /= double(count);
    seen.saturation /= double(count);
    return seen;
}

// How many pixels of `area` in the frame at `second` stand out from a mid-grey picture: drawn text and its
// outline, a subtitle's picture.
inline int inkIn(const QString& path, const QSize& frame, const QRect& area, double second) {
    const QByteArray luma =
        run(QStringLiteral("ffmpeg"), {"-v", "error", "-ss", QString::number(second), "-i", path, "-frames:v",
                                       "1", "-f", "rawvideo", "-pix_fmt", "gray", "pipe:1"});
    if (luma.size() != qsizetype(frame.width()) * frame.height())
        return -1;
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ink += std::abs(quint8(luma[y * frame.width() + x]) - 128) > 50;
    return ink;
}

// How far the pixel of `area` nearest to `colour` (red, green, blue) in the frame at `second` is from it (the
// sum of the three differences), read as limited-range BT.709; -1 where no frame is read.
inline int nearestColour(const QString& path, const QSize& frame, const QRect& area, double second,
                         const std::array<int, 3>& colour) {
    const QByteArray rgb =
        run(QStringLiteral("ffmpeg"),
            {"-v", "error", "-ss", QString::number(second), "-i", path, "-frames:v", "1", "-vf",
             "scale=in_color_matrix=bt709:in_range=tv", "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1"});
    if (rgb.size() != qsizetype(frame.width()) * frame.height() * 3)
        return -1;
    int nearest = 3 * 255;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const char* pixel = rgb.constData() + 3 * (y * frame.width() + x);
            nearest = std::min(nearest, std::abs(quint8(pixel[0]) - colour[0]) +
                                            std::abs(quint8(pixel[1]) - colour[1]) +
                                            std::abs(quint8(pixel[2]) - colour[2]));
        }
    return nearest;
}

// A sound track's loudest sample and the loudness of each channel (root mean square), from `from` seconds on,
// of samples in [-1, 1] as the decoder gives them, before any rounding to whole numbers could clip them.
struct SoundLevels {
    double peak = 0;
    QList<double> rms;
};
inline SoundLevels soundLevels(const QString& path, int channels, double from = 0) {
    const QByteArray pcm = run(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-vn", "-af",
                                                          QStringLiteral("atrim=start=%1").arg(from), "-f",
                                                          "f32le", "-c:a", "pcm_f32le", "pipe:1"});
    SoundLevels levels{0, QList<double>(channels, 0.0)};
    const auto* samples = reinterpret_cast<const float*>(pcm.constData());
    const qsizetype count = pcm.size() / qsizetype(sizeof(float));
    for (qsizetype i = 0; i < count; ++i) {
        levels.peak = std::max(levels.peak, double(std::abs(samples[i])));
        levels.rms[i % channels] += double(samples[i]) * samples[i];
    }
    for (double& sum : levels.rms)
        sum = count ? std::sqrt(sum / double(count / channels)) : 0.0;
    return levels;
}

// The loudness of each sound channel over the whole file, as root mean square of samples in [-1, 1].
inline QList<double> channelLevels(const QString& path, int channels) {
    return soundLevels(path, channels).rms;
}

// When a file's picture first turns white and when its sound first rises from silence, in seconds of its
// own timeline; -1 where that never happens.
struct Onsets {
    double flash = -1;
    double beep = -1;
};
// With `ignoreEditList`, as a player that plays each track's samples from its own start.
inline Onsets onsets(const QString& path, bool ignoreEditList = false) {
    Onsets found;
    const QStringList input{"-ignore_editlist", ignoreEditList ? "1" : "0", "-i", path};
    // One "pts_time:" line per frame, each followed by its mean brightness.
    const QString frames = QString::fromUtf8(
        run(QStringLiteral("ffmpeg"),
            QStringList{"-v", "error"} + input +
                QStringList{"-an", "-vf", "signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-",
                            "-f", "null", "-"}));
    static const QRegularExpression frame(QStringLiteral("pts_time:([0-9.]+)\\s+\\S+YAVG=([0-9.]+)"));
    for (auto it = frame.globalMatch(frames); it.hasNext() && found.flash < 0;) {
        const auto match = it.next();
        if (match.captured(2).toDouble() > 200)
            found.flash = match.captured(1).toDouble();
    }
    static const QRegularExpression rise(QStringLiteral("silence_end: ([0-9.]+)"));
    const auto match = rise.match(ffmpegSays(
        input + QStringList{"-vn", "-af", "silencedetect=noise=-30dB:duration=0.05", "-f", "null", "-"}));
    if (match.hasMatch())
        found.beep = match.captured(1).toDouble();
    return found;
}

// Where a bright upright bar on black is across each frame of a file's picture: the middle of its bright
// pixels on the frame's middle lines, in pixels from the left; -1 where none is.
inline QList<double> barPositions(const QString& path, const QSize& frame) {
    const QByteArray luma = run(QStringLiteral("ffmpeg"),
                                {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "pipe:1"});
    const qsizetype size = qsizetype(frame.width()) * frame.height();
    QList<double> positions;
    for (qsizetype at = 0; size > 0 && at + size <= luma.size(); at += size) {
        double weighted = 0, total = 0;
        for (int y = frame.height() / 2 - 4; y < frame.height() / 2 + 4; ++y)
            for (int x = 0; x < frame.width(); ++x)
                if (const int value = quint8(luma[at + qsizetype(y) * frame.width() + x]); value > 64) {
                    weighted += double(value) * x;
                    total += value;
                }
        positions << (total > 0 ? weighted / total : -1);
    }
    return positions;
}

// The share of frames that ffmpeg's interlace detector finds interlaced (combed), from 0 to 1.
inline double interlacedShare(const QString& path) {
    static const QRegularExpression counts(
        QStringLiteral("Multi frame detection: TFF: *([0-9]+) BFF: *([0-9]+) Progressive: *([0-9]+)"));
    const auto match = counts.match(ffmpegSays({"-i", path, "-vf", "idet", "-an", "-f", "null", "-"}));
    if (!match.hasMatch())
        return -1;
    const double combed = match.captured(1).toDouble() + match.captured(2).toDouble();
    const double all = combed + match.captured(3).toDouble();
    return all > 0 ? combed / all : -1;
}

// What a test source is: a clip, or one of the ways a file people queue is not a whole one.
enum class Make { Clip, VideoOnly, SoundOnly, FirstHalf, LastHalf, Text, ZeroBytes, Missing };

// A made clip as it is, or half of its bytes: the first (a download cut short) or the last (a recording
// joined late).
inline bool keepPart(const QString& path, Make kind) {
    QFile file(path);
    if (kind == Make::FirstHalf)
        return file.resize(file.size() / 2);
    if (kind != Make::LastHalf)
        return true;
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray whole = file.readAll();
    const QByteArray last = whole.mid(whole.size() / 2);
    return file.seek(0) && file.write(last) == last.size() && file.resize(last.size());
}

// Makes `path` a source of `kind`. Clip and its halves are made by ffmpeg from `clipArguments`, its inputs
// and codecs but for the path, by default a second of AVI with picture and sound.
inline bool make(const QString& path, Make kind, QStringList clipArguments = {}) {
    const QStringList avi{"-f", "avi"};
    switch (kind) {
    case Make::Clip:
    case Make::FirstHalf:
    case Make::LastHalf: {
        if (clipArguments.isEmpty())
            return makeClip(path, QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"} + avi, 1) &&
                   keepPart(path, kind);
        int exitCode = 0;
        run("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + clipArguments << path,
            &exitCode);
        return exitCode == 0 && keepPart(path, kind);
    }
    case Make::VideoOnly:
        return makeClip(path, QStringList{"-c:v", "mpeg4", "-an"} + avi, 1);
    case Make::SoundOnly:
        return makeClip(path, QStringList{"-vn", "-c:a", "libmp3lame"} + avi, 1);
    case Make::Text: {
        QFile text(path);
        return text.open(QIODevice::WriteOnly) && text.write("Dear diary,\nthis is not a video.\n") > 0;
    }
    case Make::ZeroBytes:
        return QFile(path).open(QIODevice::WriteOnly);
    case Make::Missing:
        return !QFile::exists(path);
    }
    return false;
}

} // namespace media

Q_DECLARE_METATYPE(media::Make)
