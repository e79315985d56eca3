#include "conv/Mp4Header.h"

#include "conv/ConvProtocol.h"

#include <QFile>
#include <QtEndian>

namespace {
// A hostile file could chain boxes without end: a real index names a few hundred.
constexpr int kMostBoxes = 4096;

// An index larger than this is no result of conv's: a day of video indexes in a few megabytes.
constexpr qint64 kLargestMarkedIndex = 64 << 20;

// The track header ends with the width and height, 16.16 fixed point; it is at most this long.
constexpr qint64 kLongestTrackHeader = 112;

// Looks through the boxes from `from` to `to` for a track header with a frame size, going into the index
// and its tracks.
std::optional<QSize> findTrackHeader(QFile& file, qint64 from, qint64 to, int& boxesLeft) {
    for (qint64 at = from; at + 8 <= to && boxesLeft-- > 0;) {
        if (!file.seek(at))
            return std::nullopt;
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            return std::nullopt;
        qint64 size = qFromBigEndian<quint32>(head.constData());
        const QByteArray type = head.mid(4, 4);
        qint64 headerSize = 8;
        if (size == 1 && head.size() == 16) {
            size = qFromBigEndian<qint64>(head.constData() + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = to - at;
        }
        if (size < headerSize || at + size > to)
            return std::nullopt;
        if (type == "moov" || type == "trak") {
            if (const auto found = findTrackHeader(file, at + headerSize, at + size, boxesLeft))
                return found;
        } else if (type == "tkhd" && size <= kLongestTrackHeader) {
            file.seek(at + size - 8);
            const QByteArray dimensions = file.read(8);
            if (dimensions.size() < 8)
                return std::nullopt;
            const int width = int(qFromBigEndian<quint32>(dimensions.constData()) >> 16);
            const int height = int(qFromBigEndian<quint32>(dimensions.constData() + 4) >> 16);
            if (width > 0 && height > 0) // a sound track has no size
                return QSize(width, height);
        }
        at += size;
    }
    return std::nullopt;
}
} // namespace

std::optional<QSize> Mp4FrameSize(const QString& path) {
    QFile file(path);
    // Files from before the "ftyp" box start with one of the others.
    static const QList<QByteArray> firstBoxes{"ftyp", "moov", "mdat", "wide", "free", "skip"};
    if (!file.open(QIODevice::ReadOnly) || !firstBoxes.contains(file.read(8).mid(4, 4)))
        return std::nullopt;
    int boxesLeft = kMostBoxes;
    return findTrackHeader(file, 0, file.size(), boxesLeft);
}

bool CarriesResultMark(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The top-level boxes, up to the index.
    for (qint64 at = 0, boxes = 0; at + 8 <= file.size() && boxes < kMostBoxes; ++boxes) {
        if (!file.seek(at))
            return false;
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            return false;
        qint64 size = qFromBigEndian<quint32>(head.constData());
        if (size == 1 && head.size() == 16)
            size = qFromBigEndian<qint64>(head.constData() + 8);
        else if (size == 0)
            size = file.size() - at;
        if (size < 8)
            return false;
        if (head.mid(4, 4) == "moov") {
            if (size > kLargestMarkedIndex)
                return false;
            // The key is listed in the index's "keys" box as its length, "mdta" and its name.
            const QByteArray key = kResultMarkKey.toLatin1();
            QByteArray entry(4, '\0');
            qToBigEndian<quint32>(quint32(8 + key.size()), entry.data());
            return file.seek(at) && file.read(size).contains(entry + "mdta" + key);
        }
        at += size;
    }
    return false;
}
