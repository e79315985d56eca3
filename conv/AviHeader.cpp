#include "conv/AviHeader.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace {
// The headers come first, well inside this.
constexpr qint64 kHeaderBytes = 64 * 1024;

// The 32-bit little-endian number at `offset` of the chunk named `fourcc`, or 0.
quint32 fieldOf(const QByteArray& head, const char* fourcc, qsizetype offset) {
    const qsizetype chunk = head.indexOf(fourcc);
    const qsizetype at = chunk + 8 + offset; // past the chunk's name and size
    if (chunk < 0 || at + 4 > head.size())
        return 0;
    return qFromLittleEndian<quint32>(head.constData() + at);
}
} // namespace

std::optional<double> AviDeclaredSeconds(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(kHeaderBytes);
    if (!head.startsWith("RIFF") || head.mid(8, 4) != "AVI ")
        return std::nullopt;
    const quint32 microsecondsPerFrame = fieldOf(head, "avih", 0);
    const quint32 frames = std::max(fieldOf(head, "avih", 16), fieldOf(head, "dmlh", 0));
    if (microsecondsPerFrame == 0 || frames == 0)
        return std::nullopt;
    return double(frames) * microsecondsPerFrame / 1e6;
}
