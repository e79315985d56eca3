#include "conv/ConvArguments.h"

#include "engine/ConversionSettings.h"

#include <QRegularExpression>

namespace {
std::optional<int> positiveInteger(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0 ? std::optional(value) : std::nullopt;
}

bool isFrameRate(const QString& text) {
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    return decimal.match(text).hasMatch() && text.toDouble() > 0;
}

std::optional<QSize> frameSize(const QString& text) {
    static const QRegularExpression size(QStringLiteral("^([0-9]+)x([0-9]+)$"));
    const auto match = size.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto width = positiveInteger(match.captured(1));
    const auto height = positiveInteger(match.captured(2));
    // 4:2:0 video needs even dimensions.
    if (!width || !height || *width % 2 || *height % 2)
        return std::nullopt;
    return QSize(*width, *height);
}

const QString& flagOf(Setting setting) {
    return ConversionSettings::Of(setting).convFlag;
}
} // namespace

QString ConvUsage() {
    return QStringLiteral("usage: conv -i <input> ") + flagOf(Setting::VideoBitRate) +
           QStringLiteral(" <video kbit/s> -y ") + flagOf(Setting::FrameRate) + QStringLiteral(" <fps> ") +
           flagOf(Setting::FrameSize) + QStringLiteral(" <width>x<height> ") + flagOf(Setting::AudioBitRate) +
           QStringLiteral(" <audio kbit/s> <output>");
}

std::optional<ConvArguments> ParseConvArguments(const QStringList& arguments, QString* error) {
    ConvArguments parsed;
    const auto fail = [error](const QString& why) {
        *error = why;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == QStringLiteral("-y")) {
            parsed.overwrite = true;
            continue;
        }
        const bool isLast = i == arguments.size() - 1;
        if (!word.startsWith(u'-') || word == QStringLiteral("-")) {
            if (!isLast)
                return fail(QStringLiteral("unexpected word: ") + word);
            parsed.output = word;
            continue;
        }
        if (isLast)
            return fail(word + QStringLiteral(" needs a value"));
        const QString& value = arguments[++i];
        if (word == QStringLiteral("-i")) {
            parsed.input = value;
        } else if (word == flagOf(Setting::VideoBitRate) || word == flagOf(Setting::AudioBitRate)) {
            const auto kbps = positiveInteger(value);
            if (!kbps)
                return fail(word + QStringLiteral(" wants a whole number of kbit/s, not ") + value);
            (word == flagOf(Setting::VideoBitRate) ? parsed.videoKbps : parsed.audioKbps) = *kbps;
        } else if (word == flagOf(Setting::FrameRate)) {
            if (!isFrameRate(value))
                return fail(word + QStringLiteral(" wants a frame rate such as 25.0, not ") + value);
            parsed.frameRate = value;
        } else if (word == flagOf(Setting::FrameSize)) {
            const auto size = frameSize(value);
            if (!size)
                return fail(word + QStringLiteral(" wants an even width x height such as 320x240, not ") +
                            value);
            parsed.frameSize = *size;
        } else {
            return fail(QStringLiteral("unknown flag: ") + word);
        }
    }
    if (parsed.input.isEmpty() || parsed.output.isEmpty() || !parsed.videoKbps || !parsed.audioKbps ||
        parsed.frameRate.isEmpty() || parsed.frameSize.isEmpty())
        return fail(QStringLiteral("every flag and the output are needed"));
    return parsed;
}
