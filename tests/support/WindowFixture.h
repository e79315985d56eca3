#pragma once

// A window of its own for each test: a fresh program folder whose data/conv is the built encoder (or a
// stand-in), a private staging root, and a recorder in the person's place.
#include "FakeConvMode.h"
#include "RecordingDialogs.h"
#include "platform/Platform.h"
#include "window/PictureCommands.h"
#include "window/ProgressLabel.h"
#include "window/SkinImage.h"
#include "window/frmMain.h"

#include <QTreeWidget>

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

// A drag of local files, as a file manager makes it.
inline QMimeData* Files(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// Drops `data` on `target` and returns the action the drop reported to its source.
inline Qt::DropAction Drop(QWidget* target, QMimeData* data) {
    const QPointF at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    delete data;
    return dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction;
}

struct WindowFixture {
    QTemporaryDir programFolder;
    QTemporaryDir stagingRoot;
    RecordingDialogs desktop;
    std::unique_ptr<frmMain> window;

    // `encoder`: the program placed as data/conv (its executable suffix may be left out).
    explicit WindowFixture(const QString& encoder = QStringLiteral(PROGRAM_FOLDER "/data/conv")) {
        QDir().mkpath(programFolder.filePath(QStringLiteral("data")));
        const QString suffix = platform::ExecutableSuffix();
        platform::StageSource(encoder.endsWith(suffix) ? encoder : encoder + suffix, Encoder());
    }

    QString Encoder() const {
        return programFolder.filePath(QStringLiteral("data/conv") + platform::ExecutableSuffix());
    }
    QString Staging() const { return stagingRoot.filePath(QStringLiteral("slot-0")); }
    // As the folder box shows it.
    QString Output() const {
        return QDir::toNativeSeparators(programFolder.filePath(QStringLiteral("output")));
    }

    frmMain& Open() {
        window = std::make_unique<frmMain>(desktop, ProgramPlaces{programFolder.path(), stagingRoot.path()});
        window->show();
        return *window;
    }

    // Queues files the way a person drags them onto the list.
    void Drop(const QStringList& paths) { ::Drop(window->LV->viewport(), Files(paths)); }

    // Runs a queue command through the command box, as another program would: by changing its text.
    void Command(int index) {
        const QChar prefix = window->menuMsg->text().startsWith(u'b') ? u'c' : u'b';
        window->menuMsg->setText(prefix + QString::number(index));
    }

    QStringList Queue() const {
        QStringList paths;
        for (int i = 0; i < window->lstFile->count(); ++i)
            paths << window->lstFile->item(i)->text();
        return paths;
    }
};
