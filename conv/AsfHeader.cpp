#include "conv/AsfHeader.h"

#include <QFile>
#include <QtEndian>

namespace {
// The header object, and the file properties object inside it, by their identifiers as the file holds them.
const QByteArray kHeaderObject = QByteArray::fromHex("3026b2758e66cf11a6d900aa0062ce6c");
const QByteArray kFileProperties = QByteArray::fromHex("a1dcab8c47a9cf118ee400c00c205365");
// The headers come first, well inside this.
constexpr qint64 kHeaderBytes = 256 * 1024;
// In the file properties object: the play length (100-ns units), the wait before play (ms) and the flags.
constexpr qsizetype kPlayDuration = 64, kPreroll = 80, kFlags = 88;
constexpr quint32 kBroadcastFlag = 1;
} // namespace

std::optional<double> AsfDeclaredSeconds(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(kHeaderBytes);
    if (!head.startsWith(kHeaderObject))
        return std::nullopt;
    // The objects follow the header object's own 30 bytes, each its identifier and 64-bit size.
    for (qsizetype at = 30; at + 24 <= head.size();) {
        const quint64 size = qFromLittleEndian<quint64>(head.constData() + at + 16);
        if (head.mid(at, 16) == kFileProperties) {
            if (at + kFlags + 4 > head.size())
                return std::nullopt;
            const char* object = head.constData() + at;
            if (qFromLittleEndian<quint32>(object + kFlags) & kBroadcastFlag)
                return std::nullopt;
            const double seconds = qFromLittleEndian<quint64>(object + kPlayDuration) / 1e7 -
                                   qFromLittleEndian<quint64>(object + kPreroll) / 1e3;
            return seconds > 0 ? std::optional(seconds) : std::nullopt;
        }
        if (size < 24 || size > quint64(head.size() - at))
            return std::nullopt;
        at += qsizetype(size);
    }
    return std::nullopt;
}
