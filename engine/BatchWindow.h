#pragma once

#include "ConversionSettings.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the batch driver needs of the window: the queue, the commands, the progress display, the output
// folder and the four settings, each read afresh when it is used.
class BatchWindow {
  public:
    virtual ~BatchWindow() = default;

    virtual int QueueCount() const = 0;
    virtual QString QueueHead() const = 0;
    virtual QStringList QueuedFiles() const = 0;
    virtual void RemoveQueueHead() = 0;

    // The Add, Remove and Convert buttons, the queue list and the folder button.
    virtual void EnableCommands(bool enabled) = 0;

    virtual void SetProgressBar(float twips) = 0;
    virtual void SetProgressText(const QString& text) = 0;
    // Where the batch is (see BatchPlace), for the bar's tooltip and its accessible description; empty
    // when no batch runs.
    virtual void SetProgressDetail(const QString& detail) = 0;

    // How far the whole batch is, from 0 to 1, for the taskbar; none once it has ended.
    virtual void SetBatchProgress(std::optional<double> done) = 0;

    virtual QString OutputFolder() const = 0;
    virtual EncoderOptions ConversionOptions() const = 0;
};
