#pragma once

#include "conv/ConvProtocol.h"

#include <QString>
#include <QStringList>

#include <optional>

// What conv learns from ffmpeg's log (its standard error at "-loglevel level+info"): the input's duration,
// which tracks the input has, and the errors, so that a failure can be told to a person in a sentence.
class FfmpegLog {
  public:
    // `input` and `output` are the paths ffmpeg was given, to tell which side an error is about.
    FfmpegLog(QString input, QString output);

    // Takes one line of the log. Returns the input's duration ("HH:MM:SS.cc") the first time it is seen.
    std::optional<QString> Read(const QString& line);

    // Whether ffmpeg only guessed the input's duration from its bit rate, so that it says little of how long
    // the source was meant to be.
    bool DurationIsGuessed() const { return m_durationGuessed; }

    // Whether the input's video is coded in fields (its field order said, or DV's, which is always), where
    // film may lie under the fields.
    bool FieldsInVideo() const { return m_fieldsInVideo; }

    // Whether ffmpeg said it could not finish writing its output. ffmpeg exits with 0 all the same.
    bool OutputUnfinished() const;

    // ffmpeg's last error, for people who want its own words, with the staged input's name left out.
    QString LastError() const;

    // Why the conversion failed, as one short Chinese sentence.
    QString Reason() const;

    // Why a run that ended well gave no picture: a picture track that would not decode, or none at all.
    QString NoPictureReason() const;

  private:
    QString m_input;
    QString m_output;
    QStringList m_errors;
    bool m_inInputSection = false;
    bool m_durationSeen = false;
    bool m_durationGuessed = false;
    bool m_hasSound = false;
    bool m_hasVideo = false;
    bool m_hasCoverPicture = false;
    bool m_fieldsInVideo = false;
};
