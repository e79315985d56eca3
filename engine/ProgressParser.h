#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What the progress display shows: how much of the file is done, from 0 to 1, and the percentage as text ("?"
// while the length of the file is not known).
struct ProgressDisplay {
    double fraction;
    QString label;
};

// What one chunk of encoder output says: the duration of the input in whole seconds (0 while unknown), and,
// when the chunk holds an elapsed time, what the progress display shows now.
struct ProgressReading {
    qint32 totalSeconds;
    std::optional<ProgressDisplay> display;
};

// Reads one chunk of the encoder's console output, knowing the duration read so far. Each chunk is read by
// itself: a marker cut by the chunk's edge counts only as far as it lies in the chunk.
ProgressReading ReadProgress(QStringView chunk, qint32 totalSeconds);
