#pragma once

// Real media for tests: clips made by ffmpeg's own test sources, and what ffprobe says of a file.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

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

// A clip of `seconds` of test picture (and a tone, unless `codecArguments` says -an), encoded as asked.
inline bool makeClip(const QString& path, const QStringList& codecArguments, double seconds = 2.0,
                     const QString& size = QStringLiteral("160x120")) {
    const QString duration = QString::number(seconds);
    QStringList arguments{
        "-hide_banner", "-loglevel",
        "error",        "-y",
        "-f",           "lavfi",
        "-i",           QStringLiteral("testsrc=size=%1:rate=25:duration=%2").arg(size, duration),
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

} // namespace media
