#pragma once

#include "RecordingDesktop.h"
#include "WindowDesktop.h"

#include <QQueue>

// The person at the window: answers the file dialogs and the question to stop from a script and records
// every call.
class RecordingWindowDesktop : public Recorder<WindowDesktop> {
  public:
    QString ShowOpenDialog(QWidget*, const QString& Title, QString& InitialDir, const QString& Filter,
                           quint32 Flags) override {
        events << QStringLiteral("open-dialog:%1:%2:%3:%4").arg(Title, InitialDir, Filter).arg(Flags, 0, 16);
        return openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
    }
    QString ChooseFolder(QWidget*, const QString& Title) override {
        events << QStringLiteral("folder-dialog:") + Title;
        return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
    }

    StopChoice AskToStop(QWidget*) override {
        events << QStringLiteral("ask-stop");
        return stopAnswers.isEmpty() ? StopChoice::Continue : stopAnswers.dequeue();
    }

    QQueue<QString> openAnswers; // an empty answer is a cancel
    QQueue<StopChoice> stopAnswers; // none left: 继续
    QQueue<QString> folderAnswers;
};
