#include "conv/ConvArguments.h"

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
} // namespace

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
        } else if (word == QStringLiteral("-b") || word == QStringLiteral("-ab")) {
            const auto kbps = positiveInteger(value);
            if (!kbps)
                return fail(word + QStringLiteral(" wants a whole number of kbit/s, not ") + value);
            (word == QStringLiteral("-b") ? parsed.videoKbps : parsed.audioKbps) = *kbps;
        } else if (word == QStringLiteral("-r")) {
            if (!isFrameRate(value))
                return fail(QStringLiteral("-r wants a frame rate such as 25.0, not ") + value);
            parsed.frameRate = value;
        } else if (word == QStringLiteral("-s")) {
            const auto size = frameSize(value);
            if (!size)
                return fail(QStringLiteral("-s wants an even width x height such as 320x240, not ") + value);
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

namespace {
// The picture keeps its shape: scaled by its display aspect (pixel aspect included; ffmpeg has already turned
// a rotated clip upright) to fit inside the frame, centred on black. A shape within 3 % of the frame's fills
// it. Interlaced frames are deinterlaced first, while their lines are still the source's.
QString pictureFilter(QSize frame) {
    const QString width = QString::number(frame.width());
    const QString height = QString::number(frame.height());
    const QString close = QStringLiteral("lt(abs(dar*%2/%1-1),0.03)").arg(width, height);
    const QString wider = QStringLiteral("gt(dar,%1/%2)").arg(width, height);
    const QString scaledWidth =
        QStringLiteral("if(not(%1)*not(%2),max(2,2*round(%3*dar/2)),%4)").arg(close, wider, height, width);
    const QString scaledHeight =
        QStringLiteral("if(not(%1)*%2,max(2,2*round(%3/dar/2)),%4)").arg(close, wider, width, height);
    return QStringLiteral("yadif=deint=interlaced,scale=w='%1':h='%2',pad=%3:%4:(ow-iw)/2:(oh-ih)/2:black,"
                          "setsar=1")
        .arg(scaledWidth, scaledHeight, width, height);
}

// Sound that every small player takes: mono stays mono, more channels are mixed down to stereo (centre and
// surrounds folded in), and a rate other than 44.1 or 48 kHz becomes the nearer of the two.
const QString kSoundFilter = QStringLiteral("aformat=sample_rates=44100|48000:channel_layouts=mono|stereo");
} // namespace

QStringList FfmpegArguments(const ConvArguments& arguments, const QString& temporaryOutput) {
    const QString videoRate = QStringLiteral("%1k").arg(arguments.videoKbps);
    // "file:" keeps a name that starts with a dash or holds a colon from being read as an option or protocol.
    return {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-nostats"),
            QStringLiteral("-loglevel"), QStringLiteral("level+info"), QStringLiteral("-progress"),
            QStringLiteral("pipe:1"), QStringLiteral("-stats_period"), QStringLiteral("0.25"),
            QStringLiteral("-i"), QStringLiteral("file:") + arguments.input,
            // The first real video track (a cover picture is none) and the first sound track, if any.
            QStringLiteral("-map"), QStringLiteral("0:V:0"), QStringLiteral("-map"), QStringLiteral("0:a:0?"),
            QStringLiteral("-vf"), pictureFilter(arguments.frameSize), QStringLiteral("-r"),
            arguments.frameRate, QStringLiteral("-c:v"), QStringLiteral("libx264"),
            QStringLiteral("-profile:v"), QStringLiteral("main"), QStringLiteral("-pix_fmt"),
            QStringLiteral("yuv420p"), QStringLiteral("-b:v"), videoRate,
            // Small players have bit-rate ceilings: the rate asked is a limit too, over two seconds' buffer.
            QStringLiteral("-maxrate"), videoRate, QStringLiteral("-bufsize"),
            QStringLiteral("%1k").arg(2 * arguments.videoKbps), QStringLiteral("-af"), kSoundFilter,
            QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-profile:a"),
            QStringLiteral("aac_low"), QStringLiteral("-b:a"), QStringLiteral("%1k").arg(arguments.audioKbps),
            QStringLiteral("-movflags"), QStringLiteral("+faststart"), QStringLiteral("-f"),
            QStringLiteral("mp4"), QStringLiteral("-y"), QStringLiteral("file:") + temporaryOutput};
}
