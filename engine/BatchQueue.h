#pragma once

#include "engine/ConversionSettings.h"

#include <QString>
#include <QStringList>

// What a batch reads from whoever holds the queue: the files in order, the output folder and the four
// settings, each read afresh when it is used. Everything the batch has to tell, it tells by its signals.
class BatchQueue {
  public:
    virtual ~BatchQueue() = default;

    virtual int QueueCount() const = 0;
    virtual QString QueueHead() const = 0;
    virtual QStringList QueuedFiles() const = 0;
    virtual void RemoveQueueHead() = 0;

    virtual QString OutputFolder() const = 0;
    virtual EncoderOptions ConversionOptions() const = 0;
};
