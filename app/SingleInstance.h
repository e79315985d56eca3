#pragma once

#include <QFileSystemWatcher>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

// One window per user and program folder: the first start of the program takes the files later starts hand
// over (Open with, Send to, a terminal), and those starts end at once. A portable copy and an installed one,
// or two users on one machine, each have their own. The files pass through a private folder of the user's
// staging root: each later start leaves one message there, which the first start takes by renaming it, so a
// message is taken by exactly one of the two, even when the time for an answer runs out at that moment.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    SingleInstance(const QString& programFolder, const QString& stagingRoot, QObject* parent = nullptr);

    // True when a running window took `files` (full paths); this start is then to end. False when this start
    // is the first, which is to Serve later ones, or when the running window did not take them in time (hung,
    // or closing): this start then opens its own window, so no file is lost.
    bool HandOver(const QStringList& files);
    // Takes what later starts hand over, from now until StopServing: called once FilesArrived is heard.
    void Serve();
    // The window is closing: later starts open their own rather than hand files to it.
    void StopServing();

  signals:
    // Files another start handed over, in the order it was given them.
    void FilesArrived(const QStringList& files);

  private:
    void TakeMessages();

    const QString m_inbox;
    std::unique_ptr<QLockFile> m_lock; // held by the first start while it serves
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
};
