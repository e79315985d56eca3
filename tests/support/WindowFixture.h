#pragma once

// A window of its own for each test: a fresh program folder whose data/conv is the built encoder (or a
// stand-in), a private staging root, and a recorder in the person's place.
#include "FakeConvMode.h"
#include "QueuedFiles.h"
#include "RecordingDialogs.h"
#include "app/Program.h"
#include "platform/Platform.h"
#include "window/PictureCommands.h"
#include "window/ProgressLabel.h"
#include "window/SkinImage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>

#include <memory>
#include <optional>

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

// A control of `window`, found by its object name as a person's tools find it.
template <class Control> Control* Find(const QWidget& window, const QString& name) {
    auto* control = window.findChild<Control*>(name);
    if (!control)
        qFatal("the window has no %s named %s", Control::staticMetaObject.className(), qPrintable(name));
    return control;
}

// The running program as a test reaches it: its window and the controls in it, the batch and the queue.
struct WindowUnderTest {
    explicit WindowUnderTest(Program& program)
        : form(program.Window()), batch(program.Batch()), queue(program.Queue()),
          pictures(*Find<PictureCommands>(form, {})) {}

    frmMain& form;
    BatchDriver& batch;
    FileQueue& queue;
    PictureCommands& pictures;
    QTreeView* LV = Find<QTreeView>(form, "LV");
    std::array<SkinImage*, 3> imgButton = {Find<SkinImage>(form, "imgButton0"),
                                           Find<SkinImage>(form, "imgButton1"),
                                           Find<SkinImage>(form, "imgButton2")};
    QWidget* picDragText = Find<QWidget>(form, "picDragText");
    QLabel* Label1 = Find<QLabel>(form, "Label1");
    QLineEdit* txtPath = Find<QLineEdit>(form, "txtPath");
    SkinImage* imgBrowse = Find<SkinImage>(form, "imgBrowse");
    SkinImage* imgPB = Find<SkinImage>(form, "imgPB");
    ProgressLabel* lblPB = Find<ProgressLabel>(form, "lblPB");
    SkinImage* imgMin = Find<SkinImage>(form, "imgMin");
    SkinImage* imgExit = Find<SkinImage>(form, "imgExit");
    QLabel* lblVersion = Find<QLabel>(form, "lblVersion");
    SkinImage* lblWeb = Find<SkinImage>(form, "lblWeb");
    QLineEdit* menuMsg = Find<QLineEdit>(form, "menuMsg");
    QComboBox* cmbVBR = Find<QComboBox>(form, "cmbVBR");
    QComboBox* cmbSize = Find<QComboBox>(form, "cmbSize");
    QComboBox* cmbFPS = Find<QComboBox>(form, "cmbFPS");
    QComboBox* cmbAB = Find<QComboBox>(form, "cmbAB");
    SkinImage* picVBR = Find<SkinImage>(form, "picVBR");
    SkinImage* picSize = Find<SkinImage>(form, "picSize");
    SkinImage* picFPS = Find<SkinImage>(form, "picFPS");
    SkinImage* picAB = Find<SkinImage>(form, "picAB");
};

struct WindowFixture {
    QTemporaryDir programFolder;
    QTemporaryDir stagingRoot;
    RecordingDialogs desktop;
    std::unique_ptr<Program> program;
    std::optional<WindowUnderTest> window;

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

    // Starts the program and shows its window; `staging` in place of the fixture's own staging root.
    WindowUnderTest& Open(const QString& staging = {}) {
        Close();
        program = std::make_unique<Program>(
            desktop, ProgramPlaces{programFolder.path(), staging.isEmpty() ? stagingRoot.path() : staging});
        program->Window().show();
        return window.emplace(*program);
    }
    void Close() {
        window.reset();
        program.reset();
    }

    // Queues files the way a person drags them onto the list.
    void Drop(const QStringList& paths) { ::Drop(window->LV->viewport(), Files(paths)); }

    // Runs a queue command through the command box, as another program would: by changing its text.
    void Command(int index) {
        const QChar prefix = window->menuMsg->text().startsWith(u'b') ? u'c' : u'b';
        window->menuMsg->setText(prefix + QString::number(index));
    }

    QStringList Queue() const { return QueuedFiles(program->Queue()); }
};
