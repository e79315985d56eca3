#include "window/FileDrop.h"

#include "window/VideoFolder.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QWidget>

FileDrop::FileDrop(const QList<QWidget*>& targets, QObject* parent) : QObject(parent) {
    for (QWidget* target : targets) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type != QEvent::Drop)
        return true;
    QStringList files, withoutVideo, notRead;
    for (const QUrl& url : drop->mimeData()->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::toNativeSeparators(url.toLocalFile());
        QStringList unreadable;
        const QStringList videos = QFileInfo(path).isDir() ? VideosIn(path, &unreadable) : QStringList{path};
        if (videos.isEmpty())
            (unreadable.isEmpty() ? withoutVideo : notRead) << QFileInfo(path).fileName();
        files << videos;
    }
    emit Dropped(files, withoutVideo, notRead);
    return true;
}
