#pragma once

#include "RecordingNotices.h"
#include "window/UserDialogs.h"

#include <QQueue>
#include <QTimer>
#include <QWidget>

// The person at the window: answers the file dialogs and the question to stop from a script and records
// every call.
class RecordingDialogs : public Recorder<UserDialogs> {
  public:
    QStringList ShowOpenDialog(QWidget*, const QString& Title, QString& InitialDir, const QString& Filter,
                               quint32 Flags) override {
        events << QStringLiteral("open-dialog:%1:%2:%3:%4").arg(Title, InitialDir, Filter).arg(Flags, 0, 16);
        const QString answer = openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
        return answer.isEmpty() ? QStringList() : answer.split(u'\n');
    }
    QString ChooseFolder(QWidget*, const QString& Title) override {
        events << QStringLiteral("folder-dialog:") + Title;
        return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
    }

    QWidget* AskToStop(QWidget* OwnerWindow, bool stopPending,
                       std::function<void(StopChoice)> answered) override {
        events << (stopPending ? QStringLiteral("ask-stop:pending") : QStringLiteral("ask-stop"));
        const StopChoice choice = stopAnswers.isEmpty() ? StopChoice::Continue : stopAnswers.dequeue();
        // A person takes a moment to answer, while the batch goes on.
        QTimer::singleShot(stopAnswerMs, OwnerWindow, [answered, choice] { answered(choice); });
        return nullptr;
    }

    QQueue<QString> openAnswers;    // files one per line; an empty answer is a cancel
    QQueue<StopChoice> stopAnswers; // none left: 继续
    int stopAnswerMs = 300;
    QQueue<QString> folderAnswers;
};
