#pragma once

#include "BatchWindow.h"
#include "DesktopPlatform.h"
#include "Skin.h"
#include "StagingFolder.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class BatchDriver;
class QBitmap;
class DOSOutputs;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QListWidget;
class ProgressLabel;
class QTreeWidget;
class SkinImage;
class WindowDesktop;

// The window's shape: every pixel of `picture` but those of the key colour, RGB(255, 0, 255).
QBitmap KeyColourMask(const QImage& picture);

// The program's one window: the file queue and its commands, the four conversion settings, the output
// folder, the progress display, and the batch that turns the queue into MP4 files.
class frmMain : public QWidget, public BatchWindow {
    Q_OBJECT

  public:
    struct Places {
        QString programFolder;
        QString stagingRoot = StagingFolder::DefaultRoot();

        // The settings file and the default output folder live beside the program while its folder can be
        // written (a portable folder); in an installed, read-only one they go to the user's configuration
        // folder and to a "Movikon" folder among the user's videos.
        QString SettingsFile() const;
        QString DefaultOutput() const;
    };

    frmMain(WindowDesktop& desktop, const Places& places, QWidget* parent = nullptr);
    ~frmMain() override;

    // The controls, named as the rest of the program knows them.
    QTreeWidget* LV;
    QListWidget* lstFile;
    std::array<SkinImage*, 3> imgButton;
    QWidget* picDragText;
    QLabel* Label1;
    QComboBox* cmbVBR;
    QComboBox* cmbSize;
    QComboBox* cmbFPS;
    QComboBox* cmbAB;
    SkinImage* picVBR;
    SkinImage* picSize;
    SkinImage* picFPS;
    SkinImage* picAB;
    QLineEdit* txtPath;
    SkinImage* imgBrowse;
    SkinImage* imgPB;
    ProgressLabel* lblPB;
    SkinImage* imgMin;
    SkinImage* imgExit;
    QLabel* lblVersion;
    SkinImage* lblWeb;
    QLineEdit* menuMsg;

    bool bButtonDown = false;
    bool bFromMenuMsg = false;

    BatchDriver& Batch() { return *m_batch; }

    // BatchWindow
    int QueueCount() const override;
    QString QueueHead() const override;
    QStringList QueuedFiles() const override;
    void RemoveQueueHead() override;
    void EnableCommands(bool enabled) override;
    void SetProgressBar(float twips) override;
    void SetProgressText(const QString& text) override;
    void SetProgressDetail(const QString& detail) override;
    void SetBatchProgress(std::optional<double> done) override;
    QString OutputFolder() const override;
    EncoderOptions ConversionOptions() const override;

    // The release of a command button: the pictures, then the command of `Index` (0 Add, 1 Remove, 2
    // Convert).
    void imgButton_MouseUp(int Index);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void createKeyboardAccess();
    void Form_Load();
    // The pictures that are not drawn afresh at each paint, for a screen of `ratio`: the window's shape and
    // the pointing hand.
    void ApplyScale(qreal ratio);
    // A queue command that comes from the keyboard or the command box rather than from the pointer: no button
    // lights up, and nothing runs while a batch does.
    void RunCommand(int Index);
    void imgButton_MouseMove(int Index);
    void imgButton_MouseDown(int Index);
    void AddFile();
    void Convert();
    void AppendPath(const QString& path, const QString& typeSource);
    void RemoveSelected();
    void imgBrowse_Click();
    void imgExit_Click();
    void menuMsg_Change();
    void ResetPictures();
    // Queues what was dropped: files as they are, the videos inside folders.
    void DropFiles(const QMimeData* data);
    // Esc and the progress bar's menu: asks whether and when to stop the running batch.
    void StopBatch();
    // Ends a running batch as the program exits without the window having closed, as when a logout takes the
    // X display away and Qt exits at once: the encoder is stopped and the staging folder emptied, letting no
    // event run. (The end of a Windows session and a session manager's "die" close the window first.)
    void EndBatchAtExit();

    WindowDesktop& m_desktop;
    const Places m_places;
    const Skin m_skin;
    StagingFolder m_staging;
    std::unique_ptr<DOSOutputs> objDOS;
    std::unique_ptr<BatchDriver> m_batch;
    platform::SleepInhibitor m_awake;
    platform::TaskbarProgress m_taskbar;
    int m_taskbarPermille = -1; // how far the taskbar shows the batch; -1 for no batch
    QMenu* m_barMenu = nullptr;  // the progress bar's context menu
    QPointer<QWidget> m_stopQuestion; // while the question to stop the batch is open
    qreal m_scale = 0;          // the ratio the window's shape was cut for; 0 while it has none
};
