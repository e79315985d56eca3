#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// One track of the source as ffmpeg's log describes it when it opens the file:
//   Stream #0:2[0x3](chi): Audio: aac (LC), 48000 Hz, 5.1, fltp (default) (dub)
//   Stream #0:0: Video: hevc (Main 10), yuv420p10le(tv, bt2020nc/bt2020/smpte2084, progressive), 1920x1080 …
struct SourceStream {
    int index = 0;            // its place among all the source's tracks: ffmpeg's "0:<index>"
    QString kind;             // "Video", "Audio", "Subtitle", …
    QString codec;            // "h264", "ass", "hdmv_pgs_subtitle", …
    QString language;         // "chi"; empty when the track has none
    QStringList dispositions; // as ffmpeg writes them: "default", "forced", "comment", "hearing impaired", …
    // The picture's colours, for a video track: each empty where the file does not say.
    QString matrix;   // "bt709", "bt2020nc", "smpte170m", …
    QString transfer; // "bt709", "smpte2084" (PQ), "arib-std-b67" (HLG), …
    bool fullRange = false;
    bool rgb = false; // red, green and blue (PNG, GIF, screen codecs) or XYZ, not luma and colour
    QSize size;

    bool Is(const QString& disposition) const { return dispositions.contains(disposition); }
};

// The track a line of ffmpeg's log describes, if it describes one of the first input's.
std::optional<SourceStream> ReadStreamLine(const QString& text);

// The sound track a player plays: the one flagged default, else the first that is no dub, else the first;
// one for commentary or for the visually or hearing impaired is taken only where there is nothing else.
std::optional<SourceStream> ChooseSound(const QList<SourceStream>& streams);

// The subtitle track a player shows unasked: one flagged forced, else one flagged default; none otherwise.
std::optional<SourceStream> ChooseSubtitle(const QList<SourceStream>& streams);

// The track that becomes the picture: the first video track that is not a cover picture.
std::optional<SourceStream> PictureStream(const QList<SourceStream>& streams);

// Whether ffmpeg can draw a subtitle track of this codec as text (libass), or lays it over as pictures.
bool IsTextSubtitle(const QString& codec);
bool IsPictureSubtitle(const QString& codec);
