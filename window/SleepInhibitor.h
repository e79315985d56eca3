#pragma once

#include <QDBusUnixFileDescriptor>

#include <optional>

// Keeps the machine from going to sleep while a batch runs, through the desktop's inhibit interface (the
// session's power management, else the login manager). Where neither answers it quietly does nothing.
class SleepInhibitor {
  public:
    ~SleepInhibitor() { Release(); }

    void Hold();
    void Release();

  private:
    std::optional<uint> m_cookie;   // from the session's power management
    QDBusUnixFileDescriptor m_lock; // from the login manager: held while open
};
