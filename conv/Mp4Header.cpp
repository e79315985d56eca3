#include "conv/Mp4Header.h"

#include <QFile>
#include <QtEndian>

namespace {
// A hostile file could chain boxes without end: a real index names a few hundred.
constexpr int kMostBoxes = 4096;

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
