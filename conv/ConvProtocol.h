#pragma once

// What conv tells the front end on its console, besides the progress markers "Duration: " and "time=": the
// reason a conversion failed, as its last line, the note on a source that holds less than it declares, and
// the note on subtitles it could not burn in.
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

// Why a conversion failed, as a person is told it: one short sentence each.
namespace reason {
inline const QString kNotAVideo = QStringLiteral("不是视频文件，或不支持这种格式。");
inline const QString kDamaged = QStringLiteral("文件已损坏或不完整。");
inline const QString kSoundOnly = QStringLiteral("文件中只有声音，没有视频画面。");
inline const QString kCoverOnly = QStringLiteral("文件中只有封面图片和声音，没有视频画面。");
inline const QString kNoVideo = QStringLiteral("文件中没有视频画面。");
inline const QString kCannotRead = QStringLiteral("无法读取源文件。");
inline const QString kDiskFull = QStringLiteral("磁盘已满，无法写入输出文件。");
inline const QString kNoPermission = QStringLiteral("没有权限写入输出文件。");
inline const QString kCannotWrite = QStringLiteral("无法写入输出文件。");
inline const QString kStopped = QStringLiteral("转换已停止。");
inline const QString kNoFfmpeg = QStringLiteral("找不到 ffmpeg 程序。");
inline const QString kCannotStartFfmpeg = QStringLiteral("无法启动 ffmpeg。");
inline const QString kOutputExists = QStringLiteral("输出文件已存在。");
inline const QString kOutputIsInput = QStringLiteral("输出文件不能是源文件本身。");
inline const QString kBadSettings = QStringLiteral("转换设置无效。");
inline const QString kOther = QStringLiteral("转换失败。");

// Whether `line` is one of the reasons above: conv ends every failure with one, so anything else as its last
// line means it was ended from outside.
inline bool IsReason(const QString& line) {
    static const QStringList all{kNotAVideo,    kDamaged,       kSoundOnly,   kCoverOnly,
                                 kNoVideo,      kCannotRead,    kDiskFull,    kNoPermission,
                                 kCannotWrite,  kStopped,       kNoFfmpeg,    kCannotStartFfmpeg,
                                 kOutputExists, kOutputIsInput, kBadSettings, kOther};
    return all.contains(line);
}
} // namespace reason

// Every result carries this metadata key (with the value "conv"): a file of a result's name is replaced only
// when it is an earlier result, never a file of the user's own.
inline const QString kResultMarkKey = QStringLiteral("movikon.result");

// A length as conv tells it after "Duration: ": "HH:MM:SS.cc".
inline QString DurationText(double seconds) {
    const qint64 centiseconds = qRound64(seconds * 100);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(centiseconds / 360000, 2, 10, QChar(u'0'))
        .arg(centiseconds / 6000 % 60, 2, 10, QChar(u'0'))
        .arg(centiseconds / 100 % 60, 2, 10, QChar(u'0'))
        .arg(centiseconds % 100, 2, 10, QChar(u'0'));
}

// A source that ends before the duration it declares (a download cut short, a copy still running) converts
// to what is there; conv then says how much that was, in seconds, and still exits with 0.
struct IncompleteSource {
    double convertedSeconds;
    double declaredSeconds;
};

inline QString IncompleteLine(const IncompleteSource& source) {
    return QStringLiteral("Incomplete: converted=%1 declared=%2")
        .arg(source.convertedSeconds, 0, 'f', 2)
        .arg(source.declaredSeconds, 0, 'f', 2);
}

// The note in conv's output, if it holds one.
inline std::optional<IncompleteSource> ReadIncomplete(const QString& output) {
    static const QRegularExpression line(
        QStringLiteral("^Incomplete: converted=([0-9.]+) declared=([0-9.]+)\\s*$"),
        QRegularExpression::MultilineOption);
    const auto match = line.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    return IncompleteSource{match.captured(1).toDouble(), match.captured(2).toDouble()};
}

// Subtitles that cannot be read or drawn (a file in no text encoding, a track ffmpeg cannot draw) do not keep
// the video from converting: conv converts it without them and names the subtitle file, or the source itself
// for a track of its own.
inline QString SubtitleSkippedLine(const QString& file) {
    return QStringLiteral("Subtitle: skipped ") + file;
}

// The subtitle file conv's output says it left out, if it says so.
inline std::optional<QString> ReadSubtitleSkipped(const QString& output) {
    static const QRegularExpression line(QStringLiteral("^Subtitle: skipped (.+?)\\s*$"),
                                         QRegularExpression::MultilineOption);
    const auto match = line.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}
