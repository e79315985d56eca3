#include "conv/SourceStreams.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
// "Stream #0:1[0x2](eng): Audio: aac (LC) …": the place, the language, the kind, the codec and the rest.
const QRegularExpression kStreamLine(QStringLiteral(
    "^\\s*Stream #0:([0-9]+)(?:\\[[^\\]]*\\])?(?:\\(([^)]*)\\))?: ([A-Za-z]+): ([A-Za-z0-9_]+)(.*)$"));

// What ffmpeg writes after a track's description, each in brackets.
const QStringList kDispositions{"default",         "dub",           "original",     "comment",
                                "lyrics",          "karaoke",       "forced",       "hearing impaired",
                                "visual impaired", "clean effects", "attached pic", "timed thumbnails",
                                "captions",        "descriptions",  "metadata",     "dependent",
                                "still image"};

// A sound track meant for fewer people than the main one.
const QStringList kLesserSound{"comment", "hearing impaired", "visual impaired", "descriptions"};

// The dispositions at the end of a track's description: " (default) (forced)".
QStringList trailingDispositions(QString rest) {
    QStringList found;
    static const QRegularExpression last(QStringLiteral(" \\(([a-z ]+)\\)$"));
    for (auto match = last.match(rest); match.hasMatch() && kDispositions.contains(match.captured(1));
         match = last.match(rest)) {
        found.prepend(match.captured(1));
        rest.chop(match.capturedLength());
    }
    return found;
}

// "yuv420p10le(tv, bt2020nc/bt2020/smpte2084, progressive)": range, matrix/primaries/transfer (one name where
// the three agree) and field order, each where known.
void readColours(const QString& rest, SourceStream& stream) {
    // The pixel format follows the codec's description: "rgb24", "bgr0", "x2rgb10le", "gbrp10le", "pal8",
    // "bgra", a camera's "bayer_rggb8", a cinema's "xyz12le", …
    static const QRegularExpression rgbFormat(
        QStringLiteral("^[^,]*, (?:(?:[0ax]|x2)?(?:rgb|bgr)|gbr|pal8|bayer|xyz)"));
    stream.rgb = rgbFormat.match(rest).hasMatch();
    static const QRegularExpression format(QStringLiteral(", ([a-z0-9_]+)\\(([^)]*)\\)"));
    const auto match = format.match(rest);
    if (!match.hasMatch())
        return;
    stream.fullRange = match.captured(1).startsWith(QStringLiteral("yuvj"));
    for (const QString& item : match.captured(2).split(QStringLiteral(", "))) {
        if (item == QStringLiteral("pc"))
            stream.fullRange = true;
        if (item == QStringLiteral("tv") || item == QStringLiteral("pc") ||
            item == QStringLiteral("progressive") || item.contains(QStringLiteral("first")))
            continue;
        const QStringList names = item.split(u'/');
        const auto known = [](const QString& name) {
            return name == QStringLiteral("unknown") || name == QStringLiteral("reserved") ? QString() : name;
        };
        stream.matrix = known(names.first());
        stream.transfer = known(names.last());
    }
}
} // namespace

std::optional<SourceStream> ReadStreamLine(const QString& text) {
    const auto match = kStreamLine.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    SourceStream stream;
    stream.index = match.captured(1).toInt();
    stream.language = match.captured(2);
    stream.kind = match.captured(3);
    stream.codec = match.captured(4);
    const QString rest = match.captured(5);
    stream.dispositions = trailingDispositions(rest);
    if (stream.kind == QStringLiteral("Video")) {
        readColours(rest, stream);
        static const QRegularExpression size(QStringLiteral(", ([0-9]+)x([0-9]+)[ ,]"));
        if (const auto frame = size.match(rest); frame.hasMatch())
            stream.size = QSize(frame.captured(1).toInt(), frame.captured(2).toInt());
    }
    return stream;
}

std::optional<SourceStream> ChooseSound(const QList<SourceStream>& streams) {
    QList<SourceStream> sounds, main;
    for (const SourceStream& stream : streams) {
        if (stream.kind != QStringLiteral("Audio"))
            continue;
        sounds << stream;
        if (std::none_of(kLesserSound.begin(), kLesserSound.end(),
                         [&](const QString& lesser) { return stream.Is(lesser); }))
            main << stream;
    }
    const QList<SourceStream>& candidates = main.isEmpty() ? sounds : main;
    // A dub flagged default is what the file means to be played; one not flagged comes after the original.
    for (const QString& flag : {QStringLiteral("default"), QString()})
        for (const SourceStream& stream : candidates)
            if (flag.isEmpty() ? !stream.Is(QStringLiteral("dub")) : stream.Is(flag))
                return stream;
    return candidates.isEmpty() ? std::nullopt : std::optional(candidates.first());
}

std::optional<SourceStream> ChooseSubtitle(const QList<SourceStream>& streams) {
    for (const QString& flag : {QStringLiteral("forced"), QStringLiteral("default")})
        for (const SourceStream& stream : streams)
            if (stream.kind == QStringLiteral("Subtitle") && stream.Is(flag))
                return stream;
    return std::nullopt;
}

std::optional<SourceStream> PictureStream(const QList<SourceStream>& streams) {
    for (const SourceStream& stream : streams)
        if (stream.kind == QStringLiteral("Video") && !stream.Is(QStringLiteral("attached pic")))
            return stream;
    return std::nullopt;
}

bool IsTextSubtitle(const QString& codec) {
    static const QStringList text{"ass", "ssa", "subrip", "srt", "mov_text", "webvtt", "text"};
    return text.contains(codec);
}

bool IsPictureSubtitle(const QString& codec) {
    static const QStringList pictures{"hdmv_pgs_subtitle", "dvd_subtitle", "dvb_subtitle"};
    return pictures.contains(codec);
}
