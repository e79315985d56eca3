#include "conv/FfmpegLog.h"

#include <QRegularExpression>

#include <utility>

namespace {
constexpr qsizetype kErrorsKept = 32;

// "[level] text", or "[context @ 0x55d0] [level] text" for what a demuxer, decoder or muxer says (Windows
// writes the address without 0x).
const QRegularExpression
    kLevelled(QStringLiteral("^(?:\\[[^\\]]* @ (?:0x)?[0-9a-fA-F]+\\] )?\\[([a-z]+)\\] (.*)$"));
const QRegularExpression kDuration(QStringLiteral("^\\s*Duration: ([0-9]+:[0-9]{2}:[0-9]{2}(\\.[0-9]+)?)"));
const QRegularExpression kStream(QStringLiteral("^\\s*Stream #[0-9]+:[0-9]+.*?: (Video|Audio): "));

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
    if (text.startsWith(QStringLiteral("Input #")))
        m_inInputSection = true;
    else if (text.startsWith(QStringLiteral("Output #")) || text.startsWith(QStringLiteral("Stream mapping")))
        m_inInputSection = false;
    if (!m_inInputSection)
        return std::nullopt;

    if (const auto stream = kStream.match(text); stream.hasMatch()) {
        if (stream.captured(1) == QStringLiteral("Audio"))
            m_hasSound = true;
        else if (text.contains(QStringLiteral("(attached pic)")))
            m_hasCoverPicture = true;
        else
            m_hasVideo = true;
        if (stream.captured(1) == QStringLiteral("Video"))
            m_fieldsInVideo |= containsAny(text, {"top first", "bottom first", "coded first", "dvvideo"});
    }
    if (const auto duration = kDuration.match(text); duration.hasMatch() && !m_durationSeen) {
        m_durationSeen = true;
        return duration.captured(1);
    }
    return std::nullopt;
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

QString FfmpegLog::Reason() const {
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
        return reason::kDiskFull;
    if (containsAny(errors, {"Read-only file system"}) ||
        (aboutOutput && containsAny(errors, {"Permission denied", "Operation not permitted"})))
        return reason::kNoPermission;
    if (aboutOutput || containsAny(errors, {"Error writing trailer", "Could not write header",
                                            "Error submitting a packet to the muxer"}))
        return reason::kCannotWrite;
    if (inputUnreadable)
        return reason::kCannotRead;
    if (containsAny(errors, {"matches no streams"}) || (m_hasSound && !m_hasVideo)) {
        if (m_hasCoverPicture)
            return reason::kCoverOnly;
        return m_hasSound ? reason::kSoundOnly : reason::kNoVideo;
    }
    if (isDamaged(errors))
        return reason::kDamaged;
    if (containsAny(errors, {"Invalid data found", "Unknown input format", "could not find codec", "Decoder",
                             "not supported", "Unsupported codec", "unknown codec"}))
        return reason::kNotAVideo;
    return reason::kOther;
}

QString FfmpegLog::NoPictureReason() const {
    return isDamaged(m_errors.join(u'\n')) ? reason::kDamaged : reason::kNoVideo;
}
