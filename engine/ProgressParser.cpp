#include "engine/ProgressParser.h"

#include "conv/ConvProtocol.h"

#include <QList>

#include <cmath>
#include <limits>

namespace {
// The characters after a marker up to the next space or the end of the chunk.
QStringView tokenAt(QStringView chunk, qsizetype start) {
    const qsizetype space = chunk.indexOf(u' ', start);
    return chunk.mid(start, space < 0 ? -1 : space - start);
}

// Whole seconds, halves going to the even neighbour.
qint32 wholeSeconds(double seconds) {
    const double rounded = std::nearbyint(seconds);
    if (!(rounded > std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (rounded > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(rounded);
}

// Position of the first marker that at least one character of the chunk follows, or -1.
qsizetype findMarker(QStringView chunk, const QString& marker, qsizetype from = 0) {
    const qsizetype at = chunk.indexOf(marker, from);
    return at >= 0 && at + marker.size() < chunk.size() ? at : -1;
}

// Plain decimal text with at most 15 significant digits and no trailing zeros.
QString plainDecimal(double value) {
    if (value == 0)
        return QStringLiteral("0");
    const int decimals = std::max(0, 14 - static_cast<int>(std::floor(std::log10(value))));
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

qint32 readDuration(QStringView chunk) {
    for (qsizetype at = findMarker(chunk, kDurationMarker); at >= 0;
         at = findMarker(chunk, kDurationMarker, at + 1)) {
        const QStringView token = tokenAt(chunk, at + kDurationMarker.size());
        if (token.isEmpty())
            continue;
        const QList<QStringView> fields = token.split(u':');
        // An unknown duration ("N/A") or one cut by the chunk's edge is not taken.
        return fields.size() < 3 ? 0 : std::max(0, wholeSeconds(ClockSeconds(fields.first(3))));
    }
    return 0;
}
} // namespace

ProgressReading ReadProgress(QStringView chunk, qint32 totalSeconds) {
    ProgressReading reading{totalSeconds, std::nullopt};
    if (reading.totalSeconds == 0)
        reading.totalSeconds = readDuration(chunk);

    const qsizetype at = findMarker(chunk, kTimeMarker);
    if (at < 0)
        return reading;
    // A source that declares no length (a stream saved from a pipe): how far it is cannot be told.
    if (reading.totalSeconds == 0) {
        reading.display = ProgressDisplay{0.0, QStringLiteral("?")};
        return reading;
    }
    // Encoders write the elapsed time as plain seconds or as hours, minutes and seconds.
    const qint32 elapsed = wholeSeconds(ClockSeconds(tokenAt(chunk, at + kTimeMarker.size()).split(u':')));

    const double fraction = std::max(0, elapsed) / static_cast<double>(reading.totalSeconds);
    const double percent = fraction * 100;
    if (percent >= 100)
        reading.display = ProgressDisplay{1.0, QStringLiteral("100%")};
    else
        reading.display = ProgressDisplay{fraction, plainDecimal(percent).left(4) + u'%'};
    return reading;
}
