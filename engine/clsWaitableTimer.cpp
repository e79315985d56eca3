#include "clsWaitableTimer.h"

#include <QCoreApplication>
#include <QTimer>

void clsWaitableTimer::Wait(int MilliSeconds) {
    if (MilliSeconds > 0 && !m_interrupted) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(MilliSeconds);
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    m_interrupted = false;
    QCoreApplication::processEvents();
}

void clsWaitableTimer::Interrupt() {
    if (m_loop)
        m_loop->quit();
    else
        m_interrupted = true;
}
