#pragma once

// What conv and the front end say to each other on conv's console: the progress markers, the note on a source
// that holds less than it declares, the note on subtitles it could not burn in, and the code of the reason a
// conversion failed. The sentences a person reads are not part of it: engine/ConvMessages.h chooses them.
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>

// The progress markers: the source's duration once, "Duration: HH:MM:SS.cc, ", then the elapsed output time
// as often as it grows, "time=<seconds> ".
inline const QString kDurationMarker = QStringLiteral("Duration: ");
inline const QString kTimeMarker = QStringLiteral("time=");

// A length in the markers' "HH:MM:SS.cc".
inline QString DurationText(double seconds) {
    const qint64 centiseconds = qRound64(seconds * 100);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(centiseconds / 360000, 2, 10, QChar(u'0'))
        .arg(centiseconds / 6000 % 60, 2, 10, QChar(u'0'))
        .arg(centiseconds / 100 % 60, 2, 10, QChar(u'0'))
        .arg(centiseconds % 100, 2, 10, QChar(u'0'));
}

// The duration marker for a length given as "HH:MM:SS.cc".
inline QString DurationLine(const QString& durationText) {
    return kDurationMarker + durationText + QStringLiteral(", ");
}

inline QString TimeLine(double seconds) {
    return kTimeMarker + QString::number(seconds, 'f', 2) + u' ';
}

// The seconds of a time split at its colons, "HH:MM:SS.cc", "MM:SS" or "SS": each field counts as far as it
// reads as a decimal number ("." as the point), 0 where it does not.
inline double ClockSeconds(const QList<QStringView>& fields) {
    double seconds = 0;
    for (const QStringView field : fields) {
        qsizetype end = 0;
        if (end < field.size() && (field[end] == u'-' || field[end] == u'+'))
            ++end;
        while (end < field.size() && field[end].isDigit())
            ++end;
        if (end < field.size() && field[end] == u'.')
            ++end;
        while (end < field.size() && field[end].isDigit())
            ++end;
        bool ok = false;
        const double value = field.left(end).toDouble(&ok);
        seconds = seconds * 60 + (ok ? value : 0.0);
    }
    return seconds;
}

// Why a conversion failed. conv ends every failure with FailureLine(code) as its last line, so anything else
// as its last line means it was ended from outside.
enum class ConvFailure {
    NotAVideo,
    Damaged,
    SoundOnly,
    CoverOnly,
    NoVideo,
    CannotRead,
    DiskFull,
    NoPermission,
    CannotWrite,
    Stopped,
    NoFfmpeg,
    CannotStartFfmpeg,
    OutputExists,
    OutputIsInput,
    BadSettings,
    Other,
};

namespace protocol_detail {
inline const QString kFailureMarker = QStringLiteral("Failure: ");
// The codes' words, in the order of ConvFailure.
inline constexpr std::array<const char*, 16> kFailureWords{
    "not-a-video",   "damaged",         "sound-only",   "cover-only", "no-video",  "cannot-read",
    "disk-full",     "no-permission",   "cannot-write", "stopped",    "no-ffmpeg", "cannot-start-ffmpeg",
    "output-exists", "output-is-input", "bad-settings", "other"};
static_assert(kFailureWords.size() == std::size_t(ConvFailure::Other) + 1);
} // namespace protocol_detail

inline QString FailureLine(ConvFailure failure) {
    return protocol_detail::kFailureMarker +
           QLatin1String(protocol_detail::kFailureWords[static_cast<std::size_t>(failure)]);
}

// The failure `line` names, if it is a failure line.
inline std::optional<ConvFailure> ReadFailureLine(QStringView line) {
    if (!line.startsWith(protocol_detail::kFailureMarker))
        return std::nullopt;
    const QStringView word = line.mid(protocol_detail::kFailureMarker.size());
    for (std::size_t i = 0; i < protocol_detail::kFailureWords.size(); ++i)
        if (word == QLatin1String(protocol_detail::kFailureWords[i]))
            return static_cast<ConvFailure>(i);
    return std::nullopt;
}

// Every result carries this metadata key (with the value "conv"): a file of a result's name is replaced only
// when it is an earlier result, never a file of the user's own.
inline const QString kResultMarkKey = QStringLiteral("movikon.result");

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
