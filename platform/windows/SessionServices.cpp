#include "platform/SessionServices.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include <windows.h>

#include <mmsystem.h>
#include <shobjidl.h>

namespace platform {

bool PlaySoundFile(const QString& path, int longestMs) {
    // The system plays it to its end on a thread of its own while the window's events go on; past
    // `longestMs` it is cut short.
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    enum Outcome { Playing, Played, Failed };
    std::atomic<Outcome> outcome = Playing;
    QEventLoop played;
    std::thread player([&] {
        outcome =
            PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT) ? Played : Failed;
        QMetaObject::invokeMethod(&played, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(longestMs, &played, &QEventLoop::quit);
    played.exec();
    if (outcome == Playing)
        PlaySoundW(nullptr, nullptr, 0);
    player.join();
    return outcome != Failed;
}

struct SleepInhibitor::Held {
    bool held = false;
};

SleepInhibitor::SleepInhibitor() : m_held(std::make_unique<Held>()) {}

SleepInhibitor::~SleepInhibitor() {
    Release();
}

// The execution state belongs to the thread, the window's, which holds and releases it.
void SleepInhibitor::Hold() {
    if (!m_held->held)
        m_held->held = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
}

void SleepInhibitor::Release() {
    if (m_held->held)
        SetThreadExecutionState(ES_CONTINUOUS);
    m_held->held = false;
}

// The taskbar's own interface, asked for once; COM is already set up on the window's thread by Qt.
struct TaskbarProgress::Entry {
    ITaskbarList3* taskbar = nullptr;
    HWND window = nullptr;

    Entry() {
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(&taskbar))))
            taskbar = nullptr;
        else if (FAILED(taskbar->HrInit()))
            release();
    }
    ~Entry() { release(); }
    void release() {
        if (taskbar)
            taskbar->Release();
        taskbar = nullptr;
    }
};

TaskbarProgress::TaskbarProgress() : m_entry(std::make_unique<Entry>()) {}

TaskbarProgress::~TaskbarProgress() {
    Clear();
}

void TaskbarProgress::Show(quintptr window, double done) {
    if (!m_entry->taskbar || !window)
        return;
    constexpr ULONGLONG kWhole = 1000;
    m_entry->window = reinterpret_cast<HWND>(window);
    m_entry->taskbar->SetProgressValue(m_entry->window, ULONGLONG(std::clamp(done, 0.0, 1.0) * kWhole),
                                       kWhole);
}

void TaskbarProgress::Clear() {
    if (m_entry->taskbar && m_entry->window)
        m_entry->taskbar->SetProgressState(m_entry->window, TBPF_NOPROGRESS);
    m_entry->window = nullptr;
}

QPoint PointerHotSpot(const QPoint& spot, double) {
    return spot;
}

} // namespace platform
