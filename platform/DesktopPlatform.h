#pragma once

#include <QString>

#include <memory>

// What differs between systems in the desktop session around the window: the end-of-batch sound and keeping
// the machine awake. One implementation per system, chosen by CMake; only the window links it.
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

} // namespace platform
