#include "conv/Mp4Header.h"

#include "conv/ConvProtocol.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <functional>

namespace {
// A hostile file could chain boxes without end: a real index names a few hundred.
constexpr int kMostBoxes = 4096;

// The track header ends with the width and height, 16.16 fixed point; it is at most this long.
constexpr qint64 kLongestTrackHeader = 112;

// An index larger than this is no result of conv's: a day of video indexes in a few megabytes.
constexpr qint64 kLargestMarkedIndex = 64 << 20;

// One box: its type and where its contents lie in the file.
struct Box {
    QByteArray type;
    qint64 start; // past its header
    qint64 end;
};

// Calls `visit` for each box from `from` to `to`, in order, until it returns true or the boxes end or stop
// making sense. Returns whether a visit returned true.
bool forEachBox(QFile& file, qint64 from, qint64 to, int& boxesLeft,
                const std::function<bool(const Box&)>& visit) {
    for (qint64 at = from; at + 8 <= to && boxesLeft-- > 0;) {
        if (!file.seek(at))
            return false;
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            return false;
        qint64 size = qFromBigEndian<quint32>(head.constData());
        qint64 headerSize = 8;
        if (size == 1 && head.size() == 16) {
            size = qFromBigEndian<qint64>(head.constData() + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = to - at;
        }
        if (size < headerSize || at + size > to)
            return false;
        if (visit({head.mid(4, 4), at + headerSize, at + size}))
            return true;
        at += size;
    }
    return false;
}

// The bytes of `box`, up to `most` of them.
QByteArray contents(QFile& file, const Box& box, qint64 most) {
    return file.seek(box.start) ? file.read(std::min(box.end - box.start, most)) : QByteArray();
}

// Opens an MP4 or MOV file. Files from before the "ftyp" box start with one of the others.
bool openMp4(QFile& file) {
    static const QList<QByteArray> firstBoxes{"ftyp", "moov", "mdat", "wide", "free", "skip"};
    return file.open(QIODevice::ReadOnly) && firstBoxes.contains(file.read(8).mid(4, 4));
}

// Calls `visit` for each track box ("trak") of the file's index.
void forEachTrack(QFile& file, const std::function<bool(const Box&)>& visit) {
    int boxesLeft = kMostBoxes;
    forEachBox(file, 0, file.size(), boxesLeft, [&](const Box& top) {
        return top.type == "moov" && forEachBox(file, top.start, top.end, boxesLeft, [&](const Box& track) {
                   return track.type == "trak" && visit(track);
               });
    });
}
} // namespace

std::optional<QSize> Mp4FrameSize(const QString& path) {
    QFile file(path);
    if (!openMp4(file))
        return std::nullopt;
    std::optional<QSize> frame;
    forEachTrack(file, [&](const Box& track) {
        int boxesLeft = kMostBoxes;
        return forEachBox(file, track.start, track.end, boxesLeft, [&](const Box& box) {
            if (box.type != "tkhd" || box.end - box.start + 8 > kLongestTrackHeader)
                return false;
            const QByteArray header = contents(file, box, kLongestTrackHeader);
            if (header.size() < 8)
                return false;
            const char* dimensions = header.constData() + header.size() - 8;
            const int width = int(qFromBigEndian<quint32>(dimensions) >> 16);
            const int height = int(qFromBigEndian<quint32>(dimensions + 4) >> 16);
            if (width > 0 && height > 0) // a sound track has no size
                frame = QSize(width, height);
            return frame.has_value();
        });
    });
    return frame;
}

std::optional<double> Mp4MediaSeconds(const QString& path) {
    QFile file(path);
    if (!openMp4(file))
        return std::nullopt;
    std::optional<double> longest;
    forEachTrack(file, [&](const Box& track) {
        int boxesLeft = kMostBoxes;
        QByteArray handler;
        std::optional<double> seconds;
        forEachBox(file, track.start, track.end, boxesLeft, [&](const Box& media) {
            if (media.type != "mdia")
                return false;
            forEachBox(file, media.start, media.end, boxesLeft, [&](const Box& box) {
                const QByteArray bytes = contents(file, box, 32);
                if (box.type == "hdlr" && bytes.size() >= 12)
                    handler = bytes.mid(8, 4);
                // Version 0 counts in 32 bits, version 1 in 64, after the times of making and changing.
                if (box.type == "mdhd" && bytes.size() >= 20) {
                    const bool wide = bytes[0] == 1;
                    if (bytes.size() >= (wide ? 32 : 20)) {
                        const quint32 scale = qFromBigEndian<quint32>(bytes.constData() + (wide ? 20 : 12));
                        const quint64 length = wide ? qFromBigEndian<quint64>(bytes.constData() + 24)
                                                    : qFromBigEndian<quint32>(bytes.constData() + 16);
                        if (scale > 0)
                            seconds = double(length) / scale;
                    }
                }
                return false;
            });
            return true;
        });
        if (seconds && (handler == "vide" || handler == "soun"))
            longest = std::max(longest.value_or(0), *seconds);
        return false;
    });
    return longest;
}

bool CarriesResultMark(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    int boxesLeft = kMostBoxes;
    bool marked = false;
    forEachBox(file, 0, file.size(), boxesLeft, [&](const Box& box) {
        if (box.type != "moov")
            return false;
        // The key is listed in the index's "keys" box as its length, "mdta" and its name.
        const QByteArray key = kResultMarkKey.toLatin1();
        QByteArray entry(4, '\0');
        qToBigEndian<quint32>(quint32(8 + key.size()), entry.data());
        marked = box.end - box.start <= kLargestMarkedIndex &&
                 contents(file, box, kLargestMarkedIndex).contains(entry + "mdta" + key);
        return true;
    });
    return marked;
}
