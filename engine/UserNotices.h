#pragma once

#include <QString>
#include <QStringList>

// What the engine tells the person in front of the screen. The window implements it with message boxes,
// the desktop's file browser and a sound; tests implement it with a recorder.
class UserNotices {
  public:
    virtual ~UserNotices() = default;

    // A modal box with the error icon, titled with the application title.
    virtual void ShowError(const QString& text) = 0;
    // A modal box with the warning icon and one OK button.
    virtual void ShowWarning(const QString& title, const QString& text) = 0;
    // A modal box with the warning icon, titled with the application title: a one-line `summary` over
    // `details`, one line each, however many, which can be scrolled and copied.
    virtual void ShowReport(const QString& summary, const QStringList& details) = 0;
    // Opens a folder in the file browser, or a web address in the browser.
    virtual void Open(const QString& pathOrUrl) = 0;
    // Plays a sound file to its end; the system's beep when it cannot be played.
    virtual void PlaySound(const QString& path) = 0;
};

// The title of message boxes that have none of their own.
inline const QString kApplicationTitle = QStringLiteral("Movikon Pro");
