#pragma once

#include "WindowDesktop.h"

// The real desktop: Qt's message boxes and file dialogs, the desktop's file browser and web browser, and
// the sound device.
class QtDesktop : public WindowDesktop {
  public:
    void ShowError(const QString& text) override;
    void ShowWarning(const QString& title, const QString& text) override;
    void ShowReport(const QString& summary, const QStringList& details) override;
    void Open(const QString& pathOrUrl) override;
    void PlaySound(const QString& path) override;
    QString ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir,
                           const QString& Filter, quint32 Flags) override;
    QString ChooseFolder(QWidget* OwnerWindow, const QString& Title) override;
    StopChoice AskToStop(QWidget* OwnerWindow) override;
};
