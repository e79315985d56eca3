#pragma once

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
inline const QString kCannotWrite = QStringLiteral("无法写入输出文件（磁盘已满或没有权限）。");
inline const QString kStopped = QStringLiteral("转换已停止。");
inline const QString kNoFfmpeg = QStringLiteral("找不到 ffmpeg 程序。");
inline const QString kCannotStartFfmpeg = QStringLiteral("无法启动 ffmpeg。");
inline const QString kOutputExists = QStringLiteral("输出文件已存在。");
inline const QString kOther = QStringLiteral("转换失败。");
} // namespace reason

// What conv learns from ffmpeg's log (its standard error at "-loglevel level+info"): the input's duration,
// which tracks the input has, and the errors, so that a failure can be told to a person in a sentence.
class FfmpegLog {
  public:
    // `input` and `output` are the paths ffmpeg was given, to tell which side an error is about.
    FfmpegLog(QString input, QString output);

    // Takes one line of the log. Returns the input's duration ("HH:MM:SS.cc") the first time it is seen.
    std::optional<QString> Read(const QString& line);

    // ffmpeg's last error, for people who want its own words, with the staged input's name left out.
    QString LastError() const;

    // Why the conversion failed, as one short Chinese sentence.
    QString Reason() const;

  private:
    QString m_input;
    QString m_output;
    QStringList m_errors;
    bool m_inInputSection = false;
    bool m_durationSeen = false;
    bool m_hasSound = false;
    bool m_hasVideo = false;
    bool m_hasCoverPicture = false;
};
