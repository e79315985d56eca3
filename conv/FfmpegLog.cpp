#include "conv/FfmpegLog.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {
constexpr qsizetype kErrorsKept = 32;

// "[level] text", or "[context @ 0x55d0] [level] text" for what a demuxer, decoder or muxer says (Windows
// writes the address without 0x).
const QRegularExpression
    kLevelled(QStringLiteral("^(?:\\[[^\\]]* @ (?:0x)?[0-9a-fA-F]+\\] )?\\[([a-z]+)\\] (.*)$"));
const QRegularExpression kDuration(QStringLiteral("^\\s*Duration: ([0-9]+:[0-9]{2}:[0-9]{2}(\\.[0-9]+)?)"));
// A track's own length among its tags, as Matroska writers note it.
const QRegularExpression
    kStreamDuration(QStringLiteral("^\\s*DURATION\\s*: ([0-9]+):([0-9]{2}):([0-9]{2}(?:\\.[0-9]+)?)"),
                    QRegularExpression::CaseInsensitiveOption);

bool containsAny(const QString& text, std::initializer_list<const char*> phrases) {
    for (const char* phrase : phrases)
        if (text.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

bool isDamaged(const QString& errors) {
    return containsAny(errors, {"moov atom not found", "partial file", "truncat", "End of file", "corrupt",
                                "Invalid NAL unit", "error while decoding", "no frame!"});
}
} // namespace

FfmpegLog::FfmpegLog(QString input, QString output)
    : m_input(std::move(input)), m_output(std::move(output)) {}

std::optional<QString> FfmpegLog::Read(const QString& line) {
    const auto levelled = kLevelled.match(line);
    if (!levelled.hasMatch())
        return std::nullopt;
    const QString level = levelled.captured(1);
    const QString text = levelled.captured(2);
    if (level == QStringLiteral("error") || level == QStringLiteral("fatal") ||
        level == QStringLiteral("panic")) {
        m_errors << text;
        if (m_errors.size() > kErrorsKept)
            m_errors.removeFirst();
        return std::nullopt;
    }
    if (text.startsWith(QStringLiteral("Estimating duration from bitrate")))
        m_durationGuessed = true;
    if (text.startsWith(QStringLiteral("Input #"))) {
        m_inInputSection = true;
    } else if (m_inInputSection && (text.startsWith(QStringLiteral("Output #")) ||
                                    text.startsWith(QStringLiteral("Stream mapping")))) {
        m_inInputSection = false;
        if (m_durationSeen)
            return std::nullopt;
        m_durationSeen = true;
        return Duration();
    }
    if (!m_inInputSection)
        return std::nullopt;

    if (const auto stream = ReadStreamLine(text)) {
        m_streams << *stream;
        const bool video = stream->kind == QStringLiteral("Video");
        m_inMediaStream =
            (video && !stream->Is(QStringLiteral("attached pic"))) || stream->kind == QStringLiteral("Audio");
        if (video)
            m_fieldsInVideo |= containsAny(text, {"top first", "bottom first", "coded first", "dvvideo"});
    }
    if (const auto duration = kDuration.match(text); duration.hasMatch() && m_duration.isEmpty())
        m_duration = duration.captured(1);
    if (const auto tag = kStreamDuration.match(text); tag.hasMatch() && m_inMediaStream)
        m_mediaSeconds =
            std::max(m_mediaSeconds, tag.captured(1).toInt() * 3600 + tag.captured(2).toInt() * 60 +
                                         tag.captured(3).toDouble());
    return std::nullopt;
}

std::optional<QString> FfmpegLog::Duration() const {
    if (m_mediaSeconds > 0)
        return DurationText(m_mediaSeconds);
    return m_duration.isEmpty() ? std::nullopt : std::optional(m_duration);
}

bool FfmpegLog::OutputUnfinished() const {
    return containsAny(m_errors.join(u'\n'), {"Error writing trailer", "Error closing file"});
}

QString FfmpegLog::LastError() const {
    for (auto error = m_errors.crbegin(); error != m_errors.crend(); ++error)
        if (!error->startsWith(QStringLiteral("Conversion failed")))
            // The input is always the staged file: its name would tell a person nothing.
            return QString(*error).remove(QStringLiteral("file:") + m_input + QStringLiteral(": "));
    return {};
}

ConvFailure FfmpegLog::Reason() const {
    bool aboutOutput = false;
    bool inputUnreadable = false;
    for (const QString& error : m_errors) {
        aboutOutput |= error.contains(m_output);
        inputUnreadable |= error.contains(m_input) &&
                           containsAny(error, {"No such file", "Permission denied", "Is a directory",
                                               "Input/output error", "Operation not permitted"});
    }
    const QString errors = m_errors.join(u'\n');
    if (containsAny(errors, {"No space left", "Disk quota", "There is not enough space"}))
        return ConvFailure::DiskFull;
    if (containsAny(errors, {"Read-only file system"}) ||
        (aboutOutput && containsAny(errors, {"Permission denied", "Operation not permitted"})))
        return ConvFailure::NoPermission;
    if (aboutOutput || containsAny(errors, {"Error writing trailer", "Could not write header",
                                            "Error submitting a packet to the muxer"}))
        return ConvFailure::CannotWrite;
    if (inputUnreadable)
        return ConvFailure::CannotRead;
    const auto has = [this](const QString& kind, bool cover) {
        return std::any_of(m_streams.cbegin(), m_streams.cend(), [&](const SourceStream& stream) {
            return stream.kind == kind && stream.Is(QStringLiteral("attached pic")) == cover;
        });
    };
    const bool hasSound = has(QStringLiteral("Audio"), false);
    if (containsAny(errors, {"matches no streams"}) || (hasSound && !has(QStringLiteral("Video"), false))) {
        if (has(QStringLiteral("Video"), true))
            return ConvFailure::CoverOnly;
        return hasSound ? ConvFailure::SoundOnly : ConvFailure::NoVideo;
    }
    if (isDamaged(errors))
        return ConvFailure::Damaged;
    if (containsAny(errors, {"Invalid data found", "Unknown input format", "could not find codec", "Decoder",
                             "not supported", "Unsupported codec", "unknown codec"}))
        return ConvFailure::NotAVideo;
    return ConvFailure::Other;
}

ConvFailure FfmpegLog::NoPictureReason() const {
    return isDamaged(m_errors.join(u'\n')) ? ConvFailure::Damaged : ConvFailure::NoVideo;
}
