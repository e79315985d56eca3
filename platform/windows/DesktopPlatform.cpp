#include "DesktopPlatform.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <string>
#include <thread>

#include <windows.h>

#include <mmsystem.h>

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

} // namespace platform
