#include "engine/clsWaitableTimer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>

void clsWaitableTimer::Wait(int MilliSeconds) {
    if (MilliSeconds > 0 && !m_interrupted) {
        const QDeadlineTimer deadline(MilliSeconds, Qt::PreciseTimer);
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        m_loop = &loop;
        // A system timer may fire a fraction of a millisecond early (Windows' do): the wait lasts until the
        // time has passed, or until it is interrupted.
        while (!m_interrupted && !deadline.hasExpired()) {
            timer.start(int(std::max<qint64>(1, deadline.remainingTime())));
            // Once the program is leaving, a loop no longer runs: nothing is left to wait for.
            if (loop.exec() < 0)
                break;
        }
        m_loop = nullptr;
    }
    m_interrupted = false;
    QCoreApplication::processEvents();
}

void clsWaitableTimer::Interrupt() {
    m_interrupted = true;
    if (m_loop)
        m_loop->quit();
}
