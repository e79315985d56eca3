#pragma once

#include "engine/BatchChoices.h"
#include "engine/ProgramPlaces.h"
#include "window/SettingPickers.h"
#include "window/Skin.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class BatchDriver;
class FileQueue;
class PictureCommands;
class ProgressBar;
class ProgressLabel;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeView;
class SkinImage;
class UserDialogs;

// The program's one window: the file queue and its commands, the four conversion settings, the output
// folder and the progress display, over the batch that turns the queue into MP4 files. Each control carries
// its name as its object name, which is how tests and a person's tools find it.
class frmMain : public QWidget, public BatchChoices, private SettingPickers {
    Q_OBJECT

  public:
    frmMain(UserDialogs& dialogs, const ProgramPlaces& places, FileQueue& queue, QWidget* parent = nullptr);
    ~frmMain() override;

    // Shows `batch` and runs it from the window's commands; called once, before the window is shown.
    void Attach(BatchDriver& batch);

    // Queues files and folders as a drop does (see FilesGiven): those given on the command line or handed
    // over by a later start of the program, which brings the window to the front.
    void QueueGiven(const QStringList& paths);

    // BatchChoices
    QString OutputFolder() const override;
    EncoderOptions ConversionOptions() const override;

  signals:
    // The window is about to close, whichever way.
    void Closing();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void createControls();
    void createKeyboardAccess();
    void Form_Load();
    // The pointing hand over the title bar's marks and the link, drawn for a screen of `ratio`.
    void ShowHand(qreal ratio);
    // A queue command that comes from the keyboard or the command box rather than from the pointer: no button
    // lights up, and nothing runs while a batch does.
    void RunCommand(int Index);
    void AddFile();
    void Convert();
    void AppendPath(const QString& path, const QString& typeSource);
    void RemoveSelected();
    void imgBrowse_Click();
    void imgExit_Click();
    void menuMsg_Change();
    // Queues what was dropped or given; a folder without a video, or whose videos could not be read, is named
    // in a tooltip.
    void DropFiles(const QStringList& paths);
    // Esc and the progress bar's menu: asks whether and when to stop the running batch.
    void StopBatch();
    // Convert and the folder are off exactly while a batch runs; the queue stays open to more files.
    void EnableCommands(bool enabled);
    // The drop hint shows over an empty queue.
    void ShowDropHint();

    // The controls, named as the rest of the program knows them.
    QTreeView* LV;
    std::array<SkinImage*, 3> imgButton;
    QWidget* picDragText;
    QLabel* Label1;
    QLineEdit* txtPath;
    SkinImage* imgBrowse;
    SkinImage* imgPB;
    ProgressLabel* lblPB;
    SkinImage* imgMin;
    SkinImage* imgExit;
    QLabel* lblVersion;
    SkinImage* lblWeb;
    QLineEdit* menuMsg;

    UserDialogs& m_dialogs;
    const ProgramPlaces m_places;
    FileQueue& m_queue;
    const Skin m_skin;
    BatchDriver* m_batch = nullptr;
    PictureCommands* m_pictures = nullptr;
    std::unique_ptr<ProgressBar> m_progress;
    QPointer<QWidget> m_stopQuestion; // while the question to stop the batch is open
    QString m_openFolder;             // where the open dialog last gave a file
};
