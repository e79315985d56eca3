#include "window/frmMain.h"

#include "dialogs/COMDLG.h"
#include "engine/BatchDriver.h"
#include "engine/FileQueue.h"
#include "engine/VideoTypes.h"
#include "platform/Platform.h"
#include "window/BatchSession.h"
#include "window/FileDrop.h"
#include "window/PictureCommands.h"
#include "window/ProgressBar.h"
#include "window/ProgressLabel.h"
#include "window/SettingPickers.h"
#include "window/SettingsFile.h"
#include "window/SkinImage.h"
#include "window/SkinLook.h"
#include "window/UserDialogs.h"
#include "window/VideoFolder.h"
#include "window/WindowLayout.h"
#include "window/WindowShape.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QToolTip>
#include <QTreeView>
#include <QWindow>

namespace {
using StopChoice = UserDialogs::StopChoice;

const QString kHomePage = QStringLiteral("https://www.movikon.example/");
const QString kHomePageShown = QStringLiteral("www.movikon.example");
// One entry for each kind the dialog offers by name, then every file. The first two show their pattern in
// capitals, as the dialog always has.
const QString kOpenFilter = [] {
    QString filter = QStringLiteral("视频文件|*.") + VideoExtensions().join(QStringLiteral(";*.")) + u'|';
    const QStringList offered = OfferedVideoExtensions();
    for (qsizetype i = 0; i < offered.size(); ++i)
        filter += offered[i].toUpper() + QStringLiteral("格式(*.") +
                  (i < 2 ? offered[i].toUpper() : offered[i]) + QStringLiteral(")|*.") + offered[i] + u'|';
    return filter + QStringLiteral("所有格式(*.*)|*.*");
}();

SkinImage* command(QWidget* parent, const QRect& geometry, const QString& name,
                   QAccessible::Role role = QAccessible::Button) {
    auto* image = new SkinImage(parent);
    image->setGeometry(geometry);
    image->MakeCommand(name, role);
    return image;
}
} // namespace

frmMain::frmMain(UserDialogs& dialogs, const ProgramPlaces& places, FileQueue& queue, QWidget* parent)
    : QWidget(parent), SettingPickers(this), m_dialogs(dialogs), m_places(places), m_queue(queue) {
    createControls();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::createControls() {
    setWindowTitle(QStringLiteral("Movikon PRO"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(layout::kWindow);
    setMouseTracking(true);

    LV = new QTreeView(this);
    LV->setAccessibleName(QStringLiteral("文件列表")); // a list takes no label's name
    LV->setGeometry(layout::kQueue);
    LV->setModel(&m_queue);
    LV->header()->resizeSection(FileQueue::NameColumn, layout::kQueueNameWidth);
    LV->header()->resizeSection(FileQueue::TypeColumn, layout::kQueueTypeWidth);
    LV->setRootIsDecorated(false);
    LV->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LV->setTextElideMode(Qt::ElideMiddle);
    LV->setUniformRowHeights(true);
    LV->setSelectionMode(QAbstractItemView::SingleSelection);

    imgButton = {command(this, layout::kAddButton, QStringLiteral("添加文件")),
                 command(this, layout::kRemoveButton, QStringLiteral("移除文件")),
                 command(this, layout::kConvertButton, QStringLiteral("开始转换"))};

    picDragText = new QWidget(this);
    picDragText->setGeometry(layout::kDropHint);
    picDragText->setAutoFillBackground(true);
    picDragText->setBackgroundRole(QPalette::Base);
    Label1 = new QLabel(QStringLiteral("拖拽视频文件到这里自动添加"), picDragText);
    Label1->setGeometry(layout::kDropHintText);
    Label1->setAlignment(Qt::AlignCenter);
    SetTextColour(Label1, QColor(192, 192, 192));

    txtPath = new QLineEdit(this);
    txtPath->setGeometry(layout::kOutputFolder);
    imgBrowse = command(this, layout::kBrowse, QStringLiteral("浏览"));
    connect(imgBrowse, &SkinImage::MouseUp, this, &frmMain::imgBrowse_Click);

    m_progress = std::make_unique<ProgressBar>(this, m_skin.progress, [this] { StopBatch(); });
    imgPB = m_progress->imgPB;
    lblPB = m_progress->lblPB;

    imgMin = command(this, layout::kMinimise, QStringLiteral("最小化"));
    imgMin->setToolTip(imgMin->accessibleName());
    connect(imgMin, &SkinImage::MouseUp, this, &QWidget::showMinimized);
    imgExit = command(this, layout::kExit, QStringLiteral("退出"));
    imgExit->setToolTip(imgExit->accessibleName());
    connect(imgExit, &SkinImage::MouseUp, this, &frmMain::imgExit_Click);

    lblVersion = new QLabel(this);
    lblVersion->setGeometry(layout::kVersion);
    lblWeb = command(this, layout::kLink, {}, QAccessible::Link); // named by the address it shows
    lblWeb->setAlignment(Qt::AlignCenter);
    connect(lblWeb, &SkinImage::MouseUp, this, [this] { m_dialogs.Open(kHomePage); });

    // A command box outside the window: a change of its text runs a queue command.
    menuMsg = new QLineEdit(QStringLiteral("b0"), this);
    menuMsg->setGeometry(layout::kCommandBox);
    menuMsg->hide();
    connect(menuMsg, &QLineEdit::textChanged, this, &frmMain::menuMsg_Change);

    AddReaderCaption(this, QStringLiteral("输出路径"), layout::kOutputFolderCaption, txtPath);
    const std::pair<QWidget*, const char*> named[] = {{LV, "LV"},
                                                      {imgButton[0], "imgButton0"},
                                                      {imgButton[1], "imgButton1"},
                                                      {imgButton[2], "imgButton2"},
                                                      {picDragText, "picDragText"},
                                                      {Label1, "Label1"},
                                                      {txtPath, "txtPath"},
                                                      {imgBrowse, "imgBrowse"},
                                                      {imgPB, "imgPB"},
                                                      {lblPB, "lblPB"},
                                                      {imgMin, "imgMin"},
                                                      {imgExit, "imgExit"},
                                                      {lblVersion, "lblVersion"},
                                                      {lblWeb, "lblWeb"},
                                                      {menuMsg, "menuMsg"}};
    for (const auto& [control, name] : named)
        control->setObjectName(QLatin1String(name));

    m_pictures = new PictureCommands(m_skin, imgButton, Arrows(), imgBrowse, lblWeb, this);
    connect(m_pictures, &PictureCommands::Run, this, [this](int Index) {
        const std::array<void (frmMain::*)(), 3> commands = {&frmMain::AddFile, &frmMain::RemoveSelected,
                                                             &frmMain::Convert};
        (this->*commands[Index])();
    });
    connect(new FileDrop({LV->viewport(), picDragText, Label1}, this), &FileDrop::Dropped, this,
            &frmMain::DropFiles);
    auto* shape = new WindowShape(*this, m_skin.background);
    connect(shape, &WindowShape::ScaleChanged, this, &frmMain::ShowHand);
    createKeyboardAccess();
}

void frmMain::createKeyboardAccess() {
    // Tab goes through the window as the eye reads it: the queue and its commands, the settings, the folder,
    // then the link and the title bar's marks.
    QWidget* const order[] = {LV,    imgButton[0], imgButton[1], imgButton[2], cmbVBR, cmbSize, cmbFPS,
                              cmbAB, txtPath,      imgBrowse,    lblWeb,       imgMin, imgExit};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    const auto shortcut = [this](const QKeySequence& keys, QWidget* owner, Qt::ShortcutContext context,
                                 int Index) {
        auto* key = new QShortcut(keys, owner, [this, Index] { RunCommand(Index); });
        key->setContext(context);
    };
    shortcut(QKeySequence::Open, this, Qt::WindowShortcut, 0);
    shortcut(QKeySequence::Delete, LV, Qt::WidgetShortcut, 1);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this, Qt::WindowShortcut, 2);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), this, Qt::WindowShortcut, 2);
    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] { StopBatch(); });
    stop->setContext(Qt::WindowShortcut);
}

void frmMain::Attach(BatchDriver& batch) {
    m_batch = &batch;
    new BatchSession(batch, *this, *lblPB); // the window owns it
    connect(&batch, &BatchDriver::FileProgress, this,
            [this](double fraction, const QString& text) { m_progress->Show(fraction, text); });
    connect(&batch, &BatchDriver::StatusText, lblPB, &QLabel::setText);
    connect(&batch, &BatchDriver::PlaceChanged, this,
            [this](const QString& place) { m_progress->ShowPlace(place); });
    connect(&batch, &BatchDriver::RunningChanged, this, [this](bool running) { EnableCommands(!running); });
    connect(&batch, &BatchDriver::OutputFolderUsed, txtPath, &QLineEdit::setText);
}

void frmMain::Form_Load() {
    LoadSettings(m_places.SettingsFile(), {Lists(), txtPath});
    SetTextColour(lblVersion, skin::kAccent);
    if (txtPath->text().isEmpty())
        txtPath->setText(QDir::toNativeSeparators(m_places.DefaultOutput()));
    lblVersion->setText(QStringLiteral("Ver " MOVIKON_VERSION));
    lblWeb->setText(kHomePageShown);
    m_pictures->ResetPictures();
    ShowHand(devicePixelRatioF());
}

void frmMain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_skin.background.At(devicePixelRatioF()));
}

void frmMain::ShowHand(qreal ratio) {
    const QPixmap hand = m_skin.handPicture.At(ratio);
    const QPoint tip = platform::PointerHotSpot(skin::kHandHotSpot, hand.devicePixelRatio());
    for (QWidget* pointed : {imgMin, imgExit, lblWeb})
        pointed->setCursor(hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, tip.x(), tip.y()));
}

void frmMain::mousePressEvent(QMouseEvent* event) {
    // The window's own surface and the version label move the window, with any button.
    QWidget* under = childAt(event->position().toPoint());
    if ((!under || under == lblVersion) && windowHandle())
        windowHandle()->startSystemMove();
}

void frmMain::mouseMoveEvent(QMouseEvent* event) {
    if (!childAt(event->position().toPoint()))
        m_pictures->ResetPictures();
}

void frmMain::Convert() {
    // An empty box would put the results nowhere in particular: they go to the default folder, shown there.
    if (!m_batch->IsRunning() && txtPath->text().trimmed().isEmpty())
        txtPath->setText(QDir::toNativeSeparators(m_places.DefaultOutput()));
    m_batch->Convert();
}

void frmMain::AddFile() {
    // It opens where the last file was picked, at first among the user's videos.
    QString initialDir = m_openFolder;
    const QStringList chosen = m_dialogs.ShowOpenDialog(
        this, QStringLiteral("Open Files"), initialDir, kOpenFilter,
        COMDLG::OFN_NOCHANGEDIR | COMDLG::OFN_LONGNAMES | COMDLG::OFN_ALLOWMULTISELECT);
    for (const QString& file : chosen)
        AppendPath(file, file.trimmed());
    if (!chosen.isEmpty())
        m_openFolder = QDir::toNativeSeparators(QFileInfo(chosen.first()).absolutePath());
    ShowDropHint();
}

void frmMain::AppendPath(const QString& path, const QString& typeSource) {
    m_queue.Append(path, typeSource.right(3).toUpper());
}

void frmMain::RemoveSelected() {
    const QModelIndexList selected = LV->selectionModel()->selectedRows();
    if (!selected.isEmpty() && !m_queue.Remove(selected.first().row()))
        QToolTip::showText(LV->mapToGlobal(LV->visualRect(selected.first()).center()),
                           QStringLiteral("正在转换的文件不能移除。"), LV);
    ShowDropHint();
}

void frmMain::ShowDropHint() {
    picDragText->setVisible(m_queue.Count() == 0);
}

void frmMain::imgBrowse_Click() {
    const QString folder = m_dialogs.ChooseFolder(this, QStringLiteral("Please select a folder:"));
    if (!folder.isEmpty())
        txtPath->setText(folder);
}

void frmMain::imgExit_Click() {
    SaveSettings(m_places.SettingsFile(), {Lists(), txtPath});
    close();
}

void frmMain::closeEvent(QCloseEvent*) {
    emit Closing();
    // Every way out stops a running encoder first, so nothing is left writing once the program has gone.
    m_batch->Abort();
    m_batch->DeleteStagingFiles();
    QCoreApplication::exit(0);
}

void frmMain::menuMsg_Change() {
    const QString text = menuMsg->text();
    if (!text.isEmpty() && text.back().isDigit())
        return RunCommand(text.back().digitValue());
    // A text that names no command runs none; the next release lights no button either.
    if (!m_batch->IsRunning())
        m_pictures->bFromMenuMsg = true;
}

void frmMain::RunCommand(int Index) {
    // While a batch runs, files may be queued and removed; only Convert waits for its end.
    if (m_batch->IsRunning() && Index == 2)
        return;
    m_pictures->bFromMenuMsg = true;
    m_pictures->imgButton_MouseUp(Index);
}

void frmMain::QueueGiven(const QStringList& paths) {
    if (isMinimized())
        showNormal();
    raise();
    // A box open over the window stays over it, and keeps the keyboard.
    QWidget* front = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    front->raise();
    front->activateWindow();
    DropFiles(paths);
}

void frmMain::DropFiles(const QStringList& paths) {
    const GivenFiles given = FilesGiven(paths);
    for (const QString& file : given.files)
        AppendPath(file, file);
    ShowDropHint();
    QStringList said;
    if (!given.foldersWithoutVideo.isEmpty())
        said << QStringLiteral("文件夹中没有视频文件：") +
                    given.foldersWithoutVideo.join(QStringLiteral("、"));
    if (!given.foldersNotRead.isEmpty())
        said << QStringLiteral("无法读取文件夹中的内容：") + given.foldersNotRead.join(QStringLiteral("、"));
    if (!said.isEmpty())
        QToolTip::showText(LV->mapToGlobal(LV->rect().center()), said.join(u'\n'), LV);
}

void frmMain::StopBatch() {
    if (!m_batch->IsRunning() || m_stopQuestion)
        return;
    // The answer comes while the batch goes on: it counts only for the batch it was asked about.
    m_stopQuestion = m_dialogs.AskToStop(this, m_batch->StopPending(),
                                         [this, batch = m_batch->BatchNumber()](StopChoice choice) {
                                             if (m_batch->BatchNumber() != batch)
                                                 return;
                                             if (choice == StopChoice::Continue)
                                                 m_batch->CarryOn();
                                             else
                                                 m_batch->Stop(choice == StopChoice::AfterCurrentFile);
                                         });
}

void frmMain::contextMenuEvent(QContextMenuEvent* event) {
    // The progress bar's menu, over the whole length of the bar.
    if (!layout::kProgressBar.contains(event->pos()))
        return QWidget::contextMenuEvent(event);
    m_progress->ShowMenu(event->globalPos(), m_batch->IsRunning());
}

void frmMain::EnableCommands(bool enabled) {
    if (!enabled)
        imgButton[2]->Show({});
    imgButton[2]->setEnabled(enabled);
    imgBrowse->setEnabled(enabled);
    // A question to stop a batch that has ended has nothing left to ask.
    if (enabled && m_stopQuestion)
        m_stopQuestion->close();
    // A batch keeps its folder: the box may be read and copied, not changed.
    txtPath->setReadOnly(!enabled);
    if (enabled)
        ShowDropHint();
}

QString frmMain::OutputFolder() const {
    return txtPath->text();
}

EncoderOptions frmMain::ConversionOptions() const {
    return SettingPickers::Options();
}
