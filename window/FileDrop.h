#pragma once

#include <QObject>
#include <QStringList>

class QWidget;

// Takes files and folders dropped on its widgets, always as a copy, whatever the drop holds: the source
// never deletes what it dragged here. A file is taken as it is, whatever its kind; a folder gives the
// videos inside it (see VideosIn).
class FileDrop : public QObject {
    Q_OBJECT

  public:
    FileDrop(const QList<QWidget*>& targets, QObject* parent);

  signals:
    // What one drop gave, in order, the names of the folders dropped that hold no video, and of those whose
    // videos, if any, lie where they could not be read.
    void Dropped(const QStringList& files, const QStringList& foldersWithoutVideo,
                 const QStringList& foldersNotRead);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
