#pragma once

#include <QByteArray>
#include <QString>

// Subtitles that a small device can only show burnt into the picture: the file a player picks up beside the
// video, read in whatever encoding it was written in, and named to ffmpeg's filters.

// The subtitle file a player picks up beside `input`: named as the input less its extension, then an optional
// language tag, then .ass, .ssa or .srt ("film.chs.ass", "film.srt"). Of several, a Chinese one first
// (simplified before traditional), then the one without a tag, then any other; ASS before SSA before SRT.
// Empty when there is none.
QString SubtitleFileBeside(const QString& input);

// The text of a subtitle file written in UTF-8 (with or without its byte-order mark), UTF-16 (with its mark),
// GB18030 (GBK) or Big5: the marks tell, else valid UTF-8, else whichever Chinese encoding reads more of
// the most common Chinese characters.
QString SubtitleText(const QByteArray& bytes);

// Whether `text` holds subtitles libass draws: SubRip's cues or an ASS or SSA script.
bool LooksLikeSubtitles(const QString& text);

// `path` as the value of a filter's option inside a filter graph, escaped for both levels, so that any
// name (quotes, colons, brackets, commas) reaches the filter as it is.
QString FilterGraphValue(const QString& path);
