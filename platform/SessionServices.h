#pragma once

#include <QPoint>
#include <QString>

#include <memory>

// What differs between systems in the desktop session around the window: the end-of-batch sound, keeping
// the machine awake, the taskbar's progress and the pointer's hot spot. One implementation per system,
// chosen by CMake; only the window links it.
namespace platform {

// Plays a sound file to its end, or for `longestMs` at most. Quietly does nothing where there is no sound
// output; false when the file cannot be played.
bool PlaySoundFile(const QString& path, int longestMs);

// Keeps the machine from going to sleep while held: through the desktop's inhibit interface on Linux (the
// session's power management, else the login manager), through the thread's execution state on Windows.
// Where the system does not answer it quietly does nothing.
class SleepInhibitor {
  public:
    SleepInhibitor();
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    void Hold();
    void Release();

  private:
    struct Held;
    std::unique_ptr<Held> m_held;
};

// The program's taskbar or dock entry showing how far a batch is: on Linux through the launcher entry of the
// desktop's dock (com.canonical.Unity.LauncherEntry on the session bus, which KDE Plasma, Ubuntu's dock and
// others show), on Windows on the window's taskbar button. Where nothing shows it, it quietly does nothing.
class TaskbarProgress {
  public:
    TaskbarProgress();
    ~TaskbarProgress();
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    // `done` from 0 to 1, on the entry of the window whose native id is `window`.
    void Show(quintptr window, double done);
    // Takes the progress off the entry again.
    void Clear();

  private:
    struct Entry;
    std::unique_ptr<Entry> m_entry;
};

// The hot spot to give a pointer picture drawn for `ratio` device pixels to the window's pixel, when `spot`
// is its place at 100 %: X11 takes it in the picture's own pixels, Windows scales it with the picture.
QPoint PointerHotSpot(const QPoint& spot, double ratio);

} // namespace platform
