#pragma once

#include "engine/UserNotices.h"

#include <functional>

class QWidget;

// The desktop as the window needs it: the engine's needs plus the two file dialogs.
class UserDialogs : public UserNotices {
  public:
    // The open-file dialog; see COMDLG::ShowOpenDialog.
    virtual QStringList ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir,
                                       const QString& Filter, quint32 Flags) = 0;
    // The folder browser: a folder's path without a trailing separator (a root keeps its own), or the empty
    // text when none was chosen.
    virtual QString ChooseFolder(QWidget* OwnerWindow, const QString& Title) = 0;

    enum class StopChoice { Now, AfterCurrentFile, Continue };
    // Asks whether to stop the running batch, and when: 立即停止 (the default), 完成当前文件后停止 or 继续
    // (Esc), saying so when a stop after the current file was asked for already. It does not wait: the batch
    // goes on while the question is open, and `answered` hears the choice later (never after `OwnerWindow` is
    // gone). Returns the question while it is open, if it shows one.
    virtual QWidget* AskToStop(QWidget* OwnerWindow, bool stopPending,
                               std::function<void(StopChoice)> answered) = 0;
};
