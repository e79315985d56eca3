#pragma once

#include "conv/ConvProtocol.h"
#include "conv/SourceStreams.h"

#include <QString>
#include <QStringList>

#include <optional>

// What conv learns from ffmpeg's log (its standard error at "-loglevel level+info"): the input's duration,
// which tracks the input has, and the errors, so that a failure can be told to a person in a sentence.
// The duration is the picture's and the sound's where the input names theirs (Matroska's tracks do): a
// subtitle or data track may run longer.
class FfmpegLog {
  public:
    // `input` and `output` are the paths ffmpeg was given, to tell which side an error is about.
    FfmpegLog(QString input, QString output);

    // Takes one line of the log. Returns the input's duration once the input is described, before the output.
    std::optional<QString> Read(const QString& line);
    // The input's duration ("HH:MM:SS.cc") as described so far: what a run that only looks at the input,
    // and names no output, leaves it at.
    std::optional<QString> Duration() const;

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

    // Why the conversion failed.
    ConvFailure Reason() const;

    // The input's tracks, in the order ffmpeg lists them.
    const QList<SourceStream>& Streams() const { return m_streams; }

    // Why a run that ended well gave no picture: a picture track that would not decode, or none at all.
    ConvFailure NoPictureReason() const;

  private:
    QString m_input;
    QString m_output;
    QStringList m_errors;
    QList<SourceStream> m_streams;
    bool m_inInputSection = false;
    bool m_durationSeen = false;
    QString m_duration;           // the whole input's, as ffmpeg says it
    double m_mediaSeconds = 0;    // the longest picture or sound track's, where the tracks say
    bool m_inMediaStream = false; // the lines read belong to a picture or sound track
    bool m_durationGuessed = false;
    bool m_fieldsInVideo = false;
};
