#include "window/BatchSession.h"

#include "engine/BatchDriver.h"
#include "window/ProgressLabel.h"

#include <QWidget>

BatchSession::BatchSession(const BatchDriver& batch, QWidget& window, ProgressLabel& progress)
    : QObject(&window), m_window(window), m_progress(progress) {
    connect(&batch, &BatchDriver::RunningChanged, this, &BatchSession::RunningChanged);
    connect(&batch, &BatchDriver::BatchProgress, this, &BatchSession::BatchProgress);
}

void BatchSession::RunningChanged(bool running) {
    if (running) {
        m_awake.Hold();
        return;
    }
    // The batch is over: the taskbar lets go, and a screen reader says how it ended.
    m_taskbar.Clear();
    m_taskbarPermille = -1;
    m_progress.Announce();
    m_awake.Release();
}

void BatchSession::BatchProgress(double done) {
    // The taskbar hears of a change it can show, not of every report of the encoder.
    const int permille = qRound(done * 1000);
    if (permille != m_taskbarPermille)
        m_taskbar.Show(m_window.winId(), permille / 1000.0);
    m_taskbarPermille = permille;
}
