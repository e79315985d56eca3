#pragma once

#include "window/UserDialogs.h"

#include <QDialog>

#include <memory>

// The real desktop: Qt's message boxes and file dialogs, the desktop's file browser and web browser, and
// the sound device.
class QtUserDialogs : public UserDialogs {
  public:
    void ShowError(const QString& text) override;
    void ShowWarning(const QString& title, const QString& text) override;
    void ShowReport(const QString& summary, const QStringList& details) override;
    // The box ShowReport shows: a summary over a list that scrolls, twelve lines high at most.
    static std::unique_ptr<QDialog> ReportBox(const QString& summary, const QStringList& details,
                                              QWidget* OwnerWindow);
    void Open(const QString& pathOrUrl) override;
    void PlaySound(const QString& path) override;
    QStringList ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir,
                               const QString& Filter, quint32 Flags) override;
    QString ChooseFolder(QWidget* OwnerWindow, const QString& Title) override;
    QWidget* AskToStop(QWidget* OwnerWindow, bool stopPending,
                       std::function<void(StopChoice)> answered) override;
};
