#pragma once

#include <QObject>
#include <QStringList>

class QWidget;

// Takes files and folders dropped on its widgets, always as a copy, whatever the drop holds: the source
// never deletes what it dragged here.
class FileDrop : public QObject {
    Q_OBJECT

  public:
    FileDrop(const QList<QWidget*>& targets, QObject* parent);

  signals:
    // The local files and folders one drop gave, in order.
    void Dropped(const QStringList& paths);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
