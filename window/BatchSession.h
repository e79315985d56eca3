#pragma once

#include "platform/SessionServices.h"

#include <QObject>

class BatchDriver;
class ProgressLabel;
class QWidget;

// What a running batch does to the desktop session around the window: the machine stays awake exactly while
// it runs, the window's taskbar or dock entry shows how far it is, and at its end screen readers hear the
// progress bar's last word ("完成.", "已停止.").
class BatchSession : public QObject {
    Q_OBJECT

  public:
    BatchSession(const BatchDriver& batch, QWidget& window, ProgressLabel& progress);

  private:
    void RunningChanged(bool running);
    void BatchProgress(double done);

    QWidget& m_window;
    ProgressLabel& m_progress;
    platform::SleepInhibitor m_awake;
    platform::TaskbarProgress m_taskbar;
    int m_taskbarPermille = -1; // how far the taskbar shows the batch; -1 for no batch
};
