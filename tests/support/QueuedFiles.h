#pragma once

#include "engine/FileQueue.h"

#include <QStringList>

// Every file `queue` holds, in order.
inline QStringList QueuedFiles(const FileQueue& queue) {
    QStringList paths;
    for (int row = 0; row < queue.Count(); ++row)
        paths << queue.Path(row);
    return paths;
}
