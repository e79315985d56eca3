#pragma once

#include "conv/ConvArguments.h"
#include "conv/SourceStreams.h"

#include <QSize>
#include <QString>
#include <QStringList>

// How conv turns a source into the result, in two runs of ffmpeg after a look at its tracks:
//  1. the source decoded and filtered once, into a lossless intermediate at the output's size and rate beside
//     the sound, already encoded, while x264's first pass studies the same frames;
//  2. x264's second pass over the intermediate, which spends the asked rate where the picture needs it; the
//     sound is copied.
// Every file the runs write lies beside the result and is named after it, so that conv removes them in every
// outcome and whoever empties the result's folder removes them too.

struct WorkFiles {
    explicit WorkFiles(const QString& output);

    QString partial;      // the result while it is written
    QString intermediate; // the picture at the output's size and rate, and the encoded sound
    QString passLog;      // the stem of x264's first-pass notes
    QString subtitles;    // a subtitle file beside the source, rewritten in UTF-8 for libass

    // Every file the runs may leave, x264's notes and their unfinished copies included.
    QStringList All() const;
};

// How the source's frames hold its pictures: video, or film put into fields for television, three fields
// and two by turns (24 frames a second into 30) or two each (25 into 25).
enum class Cadence { Video, Pulldown32, Pulldown22 };

// Run 0, only for a source coded in fields: the cadence of its first frames, which CadenceOf reads from
// ffmpeg's log of it.
QStringList CadenceRunArguments(const ConvArguments& arguments);
Cadence CadenceOf(const QStringList& log);

// Subtitles burnt into the picture: text that libass draws from a file, or a track of pictures laid over.
struct BurntSubtitles {
    QString textFile;      // the file libass reads: the source itself or a subtitle file; empty for pictures
    int textTrack = -1;    // which of the file's subtitle tracks; -1 for a subtitle file
    int pictureTrack = -1; // the source's track of subtitle pictures, by its place among all its tracks
};

// A look at the source before the runs: ffmpeg lists its tracks, their flags and colours, and stops.
QStringList LookArguments(const ConvArguments& arguments);

// Run 1. `source` is the frame size the source declares, empty where it is not known; `streams` the source's
// tracks as ffmpeg listed them, to choose the sound and bring the colours to what an SDR screen shows.
QStringList FirstRunArguments(const ConvArguments& arguments, const WorkFiles& files, QSize source,
                              const QList<SourceStream>& streams = {},
                              const std::optional<BurntSubtitles>& subtitles = std::nullopt,
                              Cadence cadence = Cadence::Video);

// Run 2.
QStringList SecondRunArguments(const ConvArguments& arguments, const WorkFiles& files);

// How much of the whole job's time the first run takes: measured on 1080p and 640x480 sources, four fifths
// into the small frames, a little under half into the large ones, where x264's second pass has more to do.
double FirstRunShare(const ConvArguments& arguments);

// The least H.264 level that plays the output (Main profile) at twice the asked rate; its bit-rate ceiling
// and buffer are what a device of that level takes.
struct H264Level {
    QString name;
    int maxKbps;
    int bufferKbit;
};
H264Level LevelFor(const ConvArguments& arguments);
