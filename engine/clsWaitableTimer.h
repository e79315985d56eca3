#pragma once

#include <QEventLoop>

// Waits on the window's thread without freezing the window: every event that arrives during the wait is
// handled at once, and no processor time is spent between events.
class clsWaitableTimer {
  public:
    // Returns after `MilliSeconds` and not earlier, or right after a handler that outlasted the wait; 0 (or
    // less) returns after one pass over the pending events. Interrupt() ends the wait early.
    void Wait(int MilliSeconds);

    // Ends the current wait at the next turn of the event loop, or, when no wait runs, makes the next one
    // return after a single pass over the pending events. Meant for handlers that run during the wait.
    void Interrupt();

  private:
    QEventLoop* m_loop = nullptr;
    bool m_interrupted = false;
};
