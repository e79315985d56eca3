#include "frmMain.h"

#include "BatchDriver.h"
#include "COMDLG.h"
#include "DOSOutputs.h"
#include "Platform.h"
#include "ProgressLabel.h"
#include "ProgressParser.h"
#include "SettingsFile.h"
#include "SkinImage.h"
#include "VideoFolder.h"
#include "WindowDesktop.h"

#include <QBitmap>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QStandardPaths>
#include <QToolTip>
#include <QTreeWidget>
#include <QWindow>
#include <qpa/qplatformwindow.h>

#include <cstdlib>

namespace {
// Twips are the unit the layout was drawn in: 15 to a pixel.
QRect twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

using StopChoice = WindowDesktop::StopChoice;

// The progress bar at its full length.
const QRect kFullBar = twips(240, 5570, 3960, 165);
const QColor kLinkBlue(0, 0, 255);
const QString kHomePage = QStringLiteral("https://www.movikon.example/");
const QString kHomePageShown = QStringLiteral("www.movikon.example");
const QString kOpenFilter =
    QStringLiteral("AVI格式(*.AVI)|*.avi|FLV格式(*.FLV)|*.flv|WMV格式(*.wmv)|*.wmv|MOV格式(*.mov)|*.mov|"
                   "DAT格式(*.dat)|*.dat|"
                   "ASF格式(*.asf)|*.asf|MPG格式(*.mpg)|*.mpg|MP4格式(*.mp4)|*.mp4|所有格式(*.*)|*.*");

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    // A label over a white box draws with the Text role, elsewhere with WindowText.
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QComboBox* settingList(QWidget* parent, const SettingList& list, const QRect& geometry) {
    auto* combo = new QComboBox(parent);
    combo->addItems(list.entries);
    combo->setGeometry(geometry);
    combo->setMaxVisibleItems(list.entries.size());
    return combo;
}
} // namespace

QBitmap KeyColourMask(const QImage& picture) {
    // The mask image marks the key colour's pixels; made a bitmap, those are the part the window leaves out.
    return QBitmap::fromImage(picture.createMaskFromColor(QColor(255, 0, 255).rgb(), Qt::MaskInColor));
}

namespace {
// The window whose batch ends when the program exits, while it is open.
frmMain* g_openWindow = nullptr;
} // namespace

frmMain::frmMain(WindowDesktop& desktop, const Places& places, QWidget* parent)
    : QWidget(parent), m_desktop(desktop), m_places(places), m_staging(places.stagingRoot) {
    createControls();
    Form_Load();
    static const bool endsAtExit = std::atexit([] {
                                       if (g_openWindow)
                                           g_openWindow->EndBatchAtExit();
                                   }) == 0;
    Q_UNUSED(endsAtExit);
    g_openWindow = this;
}

frmMain::~frmMain() {
    if (g_openWindow == this)
        g_openWindow = nullptr;
}

void frmMain::EndBatchAtExit() {
    m_batch->Abort();
    m_batch->RemoveStagingFiles();
}

void frmMain::createControls() {
    setWindowTitle(QStringLiteral("Movikon PRO"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(294, 420);
    setMouseTracking(true);

    lstFile = new QListWidget(this);
    lstFile->setGeometry(0, -200, 100, 100);
    lstFile->hide();

    LV = new QTreeWidget(this);
    LV->setAccessibleName(QStringLiteral("文件列表")); // a list takes no label's name
    LV->setGeometry(twips(195, 1590, 4035, 1290));
    LV->setHeaderLabels({QStringLiteral("文件名"), QStringLiteral("类型")});
    LV->header()->resizeSection(0, 2641 / 15);
    LV->header()->resizeSection(1, 1400 / 15);
    LV->setRootIsDecorated(false);
    LV->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LV->setTextElideMode(Qt::ElideMiddle);
    LV->setUniformRowHeights(true);
    LV->setSelectionMode(QAbstractItemView::SingleSelection);
    LV->setAcceptDrops(true);
    LV->viewport()->installEventFilter(this);

    const QString commandNames[] = {QStringLiteral("添加文件"), QStringLiteral("移除文件"),
                                    QStringLiteral("开始转换")};
    for (int i = 0; i < 3; ++i) {
        imgButton[i] = new SkinImage(this);
        imgButton[i]->MakeCommand(commandNames[i]);
        connect(imgButton[i], &SkinImage::MouseMove, this, [this, i] { imgButton_MouseMove(i); });
        connect(imgButton[i], &SkinImage::MouseDown, this, [this, i] { imgButton_MouseDown(i); });
        connect(imgButton[i], &SkinImage::MouseUp, this, [this, i] { imgButton_MouseUp(i); });
    }
    imgButton[0]->setGeometry(twips(150, 480, 1290, 450));
    imgButton[1]->setGeometry(twips(1530, 480, 1290, 450));
    imgButton[2]->setGeometry(twips(2920, 480, 1290, 450));

    picDragText = new QWidget(this);
    picDragText->setGeometry(twips(840, 2100, 2655, 315));
    picDragText->setAutoFillBackground(true);
    picDragText->setBackgroundRole(QPalette::Base);
    picDragText->setAcceptDrops(true);
    picDragText->installEventFilter(this);
    Label1 = new QLabel(QStringLiteral("拖拽视频文件到这里自动添加"), picDragText);
    Label1->setGeometry(twips(60, 60, 2565, 195));
    Label1->setAlignment(Qt::AlignCenter);
    setTextColour(Label1, QColor(192, 192, 192));
    Label1->setAcceptDrops(true);
    Label1->installEventFilter(this);

    cmbVBR = settingList(this, ConversionSettings::VideoBitRate(), twips(210, 3330, 1875, 330));
    cmbSize = settingList(this, ConversionSettings::FrameSize(), twips(2340, 3330, 1875, 330));
    cmbFPS = settingList(this, ConversionSettings::FrameRate(), twips(210, 4020, 1875, 330));
    cmbAB = settingList(this, ConversionSettings::AudioBitRate(), twips(2340, 4020, 1875, 330));
    const auto optionButton = [this](QComboBox* list) {
        auto* button = new SkinImage(this);
        button->setGeometry(
            QRect(list->geometry().topLeft() + QPoint(1590 / 15, 1), QSize(265 / 15 + 1, 285 / 15)));
        connect(button, &SkinImage::MouseMove, button,
                [this, button] { button->Show(m_skin.imgButtonMove); });
        connect(button, &SkinImage::MouseDown, button,
                [this, button] { button->Show(m_skin.imgButtonPush1); });
        connect(button, &SkinImage::MouseUp, list, &QComboBox::showPopup);
        return button;
    };
    picVBR = optionButton(cmbVBR);
    picSize = optionButton(cmbSize);
    picFPS = optionButton(cmbFPS);
    picAB = optionButton(cmbAB);

    txtPath = new QLineEdit(this);
    txtPath->setGeometry(14, 320, 222, 22);
    imgBrowse = new SkinImage(this);
    imgBrowse->MakeCommand(QStringLiteral("浏览"));
    imgBrowse->setGeometry(twips(3570, 4785, 630, 330));
    connect(imgBrowse, &SkinImage::MouseMove, this, [this] { imgBrowse->Show(m_skin.imgBrowseMove); });
    connect(imgBrowse, &SkinImage::MouseDown, this, [this] { imgBrowse->Show(m_skin.imgBrowsePush); });
    connect(imgBrowse, &SkinImage::MouseUp, this, &frmMain::imgBrowse_Click);

    imgPB = new SkinImage(this);
    imgPB->setGeometry(kFullBar);
    imgPB->Show(m_skin.progress);
    lblPB = new ProgressLabel(QStringLiteral("0%"), this);
    lblPB->setGeometry(twips(1440, 5555, 1545, 195));
    lblPB->setAlignment(Qt::AlignCenter);
    QFont bold = lblPB->font();
    bold.setPointSizeF(7.5);
    bold.setBold(true);
    lblPB->setFont(bold);
    setTextColour(lblPB, Qt::black);

    imgMin = new SkinImage(this);
    imgMin->setGeometry(twips(3780, 120, 195, 195));
    imgMin->setToolTip(QStringLiteral("最小化"));
    imgMin->MakeCommand(imgMin->toolTip());
    connect(imgMin, &SkinImage::MouseUp, this, &QWidget::showMinimized);
    imgExit = new SkinImage(this);
    imgExit->setGeometry(twips(4080, 120, 165, 195));
    imgExit->setToolTip(QStringLiteral("退出"));
    imgExit->MakeCommand(imgExit->toolTip());
    connect(imgExit, &SkinImage::MouseUp, this, &frmMain::imgExit_Click);

    lblVersion = new QLabel(this);
    lblVersion->setGeometry(twips(1950, 140, 1050, 210));
    lblWeb = new SkinImage(this);
    lblWeb->setGeometry(twips(1110, 5970, 2160, 210));
    lblWeb->setAlignment(Qt::AlignCenter);
    lblWeb->MakeCommand({}, QAccessible::Link); // named by the address it shows
    connect(lblWeb, &SkinImage::MouseMove, this, [this] { setTextColour(lblWeb, Qt::black); });
    connect(lblWeb, &SkinImage::MouseUp, this, [this] { m_desktop.Open(kHomePage); });

    // A command box outside the window: a change of its text runs a queue command.
    menuMsg = new QLineEdit(QStringLiteral("b0"), this);
    menuMsg->setGeometry(twips(7110, 960, 1815, 315));
    menuMsg->hide();
    connect(menuMsg, &QLineEdit::textChanged, this, &frmMain::menuMsg_Change);

    // The fields' captions are pixels of the background. Screen readers read them from see-through labels
    // over the same pixels, each the buddy of its field, which the pointer passes through to the background.
    const auto caption = [this](const char* text, const QRect& place, QWidget* field) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setGeometry(place);
        setTextColour(label, Qt::transparent);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setBuddy(field);
    };
    caption("视频比特率 (Kbps)", QRect(14, 204, 130, 15), cmbVBR);
    caption("屏幕尺寸 (W x H)", QRect(156, 204, 130, 15), cmbSize);
    caption("帧率 (FPS)", QRect(14, 250, 130, 15), cmbFPS);
    caption("音频比特率 (Kbps)", QRect(156, 250, 130, 15), cmbAB);
    caption("输出路径", QRect(14, 301, 130, 15), txtPath);

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
    m_barMenu = new QMenu(this);
    m_barMenu->addAction(QStringLiteral("停止转换…"), this, &frmMain::StopBatch);
}

void frmMain::Form_Load() {
    setTextColour(lblWeb, kLinkBlue);

    QDir().mkpath(m_places.DefaultOutput());
    QDir().mkdir(m_places.programFolder + QStringLiteral("/data"));
    bFromMenuMsg = false;
    objDOS = std::make_unique<DOSOutputs>(m_desktop);
    m_batch = std::make_unique<BatchDriver>(*objDOS, m_desktop, *this, m_places.programFolder, m_staging);
    m_batch->DeleteStagingFiles();

    cmbSize->setCurrentIndex(ConversionSettings::FrameSize().defaultPosition);
    cmbFPS->setCurrentIndex(ConversionSettings::FrameRate().defaultPosition);
    cmbVBR->setCurrentIndex(ConversionSettings::VideoBitRate().defaultPosition);
    cmbAB->setCurrentIndex(ConversionSettings::AudioBitRate().defaultPosition);
    SetProgressBar(0);
    LoadSettings(m_places.SettingsFile(), {cmbVBR, cmbSize, cmbFPS, cmbAB, txtPath});
    setTextColour(lblVersion, QColor(44, 103, 155));
    if (txtPath->text().isEmpty())
        txtPath->setText(QDir::toNativeSeparators(m_places.DefaultOutput()));
    lblVersion->setText(QStringLiteral("Ver " MOVIKON_VERSION));
    lblWeb->setText(kHomePageShown);
    lblWeb->show();
    ResetPictures();
    ApplyScale(devicePixelRatioF());
}

QString frmMain::Places::SettingsFile() const {
    return (platform::IsSharedProgramFolder(programFolder) ? platform::UserSettingsFolder() : programFolder) +
           QStringLiteral("/setup.ini");
}

QString frmMain::Places::DefaultOutput() const {
    return platform::IsSharedProgramFolder(programFolder)
               ? QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + QStringLiteral("/Movikon")
               : programFolder + QStringLiteral("/output");
}

bool frmMain::event(QEvent* event) {
    // A new native window has no shape yet.
    if (event->type() == QEvent::WinIdChange)
        m_scale = 0;
    return QWidget::event(event);
}

void frmMain::paintEvent(QPaintEvent*) {
    // Every change of scale (another screen, a changed setting) repaints the window.
    if (devicePixelRatioF() != m_scale)
        ApplyScale(devicePixelRatioF());
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_skin.background.At(devicePixelRatioF()));
}

void frmMain::ApplyScale(qreal ratio) {
    const QPixmap hand = m_skin.handPicture.At(ratio);
    const QPoint tip = platform::PointerHotSpot({6, 0}, hand.devicePixelRatio());
    for (QWidget* pointed :
         {static_cast<QWidget*>(imgMin), static_cast<QWidget*>(imgExit), static_cast<QWidget*>(lblWeb)})
        pointed->setCursor(hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, tip.x(), tip.y()));

    // The shape is cut in the screen's own pixels along the outline drawn for this scale: a shape given in
    // the window's pixels would be scaled up in steps, and leave a fringe of the key colour where they miss.
    QPlatformWindow* native = windowHandle() ? windowHandle()->handle() : nullptr;
    const QPixmap drawing = m_skin.background.At(ratio);
    m_scale = native ? ratio : 0;
    if (!native || drawing.isNull())
        return;
    QImage outline = drawing.toImage();
    // A screen finer than any drawing gets the finest scaled up, without blending: the key colour stays pure.
    if (!qFuzzyCompare(drawing.devicePixelRatio(), ratio))
        outline = outline.scaled(outline.size() * (ratio / drawing.devicePixelRatio()));
    native->setMask(QRegion(KeyColourMask(outline.copy(QRect(QPoint(), native->geometry().size())))));
}

void frmMain::mousePressEvent(QMouseEvent* event) {
    // The window's own surface and the version label move the window, with any button.
    QWidget* under = childAt(event->position().toPoint());
    if ((!under || under == lblVersion) && windowHandle())
        windowHandle()->startSystemMove();
}

void frmMain::mouseMoveEvent(QMouseEvent* event) {
    if (!childAt(event->position().toPoint()))
        ResetPictures();
}

void frmMain::ResetPictures() {
    for (SkinImage* button : imgButton)
        button->Show({});
    setTextColour(lblWeb, kLinkBlue);
    for (SkinImage* option : {picFPS, picAB, picVBR, picSize})
        option->Show(m_skin.imgButtonNormal);
    imgBrowse->Show(m_skin.imgBrowseNormal);
}

void frmMain::imgButton_MouseMove(int Index) {
    if (bButtonDown)
        return;
    for (SkinImage* button : imgButton)
        button->Show({});
    imgButton[Index]->Show(m_skin.imgButtonData[Index]);
}

void frmMain::imgButton_MouseDown(int Index) {
    for (SkinImage* button : imgButton)
        button->Show({});
    imgButton[Index]->Show(m_skin.imgButtonPush[Index]);
    bButtonDown = true;
}

void frmMain::imgButton_MouseUp(int Index) {
    for (SkinImage* button : imgButton)
        button->Show({});
    if (!bFromMenuMsg && Index >= 0 && Index < int(imgButton.size()))
        imgButton[Index]->Show(m_skin.imgButtonData[Index]);
    bFromMenuMsg = false;
    // Paint the new pictures before the command's own work (for Add, before its dialog opens).
    QCoreApplication::processEvents();
    bButtonDown = false;
    switch (Index) {
    case 0:
        return AddFile();
    case 1:
        return RemoveSelected();
    case 2:
        return Convert();
    default:
        return;
    }
}

void frmMain::Convert() {
    // An empty box would put the results nowhere in particular: they go to the default folder, shown there.
    if (!m_batch->IsRunning() && txtPath->text().trimmed().isEmpty())
        txtPath->setText(QDir::toNativeSeparators(m_places.DefaultOutput()));
    m_batch->Convert();
}

void frmMain::AddFile() {
    QString initialDir;
    const QString chosen =
        m_desktop.ShowOpenDialog(this, QStringLiteral("Open Files"), initialDir, kOpenFilter,
                                 COMDLG::OFN_NOCHANGEDIR | COMDLG::OFN_LONGNAMES);
    if (!chosen.isEmpty())
        AppendPath(chosen, chosen.trimmed());
    if (lstFile->count() > 0)
        picDragText->hide();
}

void frmMain::AppendPath(const QString& path, const QString& typeSource) {
    lstFile->addItem(path);
    new QTreeWidgetItem(LV, {path, typeSource.right(3).toUpper()});
}

void frmMain::RemoveSelected() {
    const QList<QTreeWidgetItem*> selected = LV->selectedItems();
    if (LV->topLevelItemCount() > 0 && !selected.isEmpty()) {
        const int row = LV->indexOfTopLevelItem(selected.first());
        delete LV->takeTopLevelItem(row);
        delete lstFile->takeItem(row);
    }
    if (LV->topLevelItemCount() == 0)
        picDragText->show();
}

void frmMain::imgBrowse_Click() {
    const QString folder = m_desktop.ChooseFolder(this, QStringLiteral("Please select a folder:"));
    if (!folder.isEmpty())
        txtPath->setText(folder);
}

void frmMain::imgExit_Click() {
    SaveSettings(m_places.SettingsFile(), {cmbVBR, cmbSize, cmbFPS, cmbAB, txtPath});
    close();
}

void frmMain::closeEvent(QCloseEvent*) {
    // Every way out stops a running encoder first, so nothing is left writing once the program has gone.
    m_batch->Abort();
    m_batch->DeleteStagingFiles();
    m_awake.Release();
    QCoreApplication::exit(0);
}

void frmMain::menuMsg_Change() {
    const QString text = menuMsg->text();
    if (!text.isEmpty() && text.back().isDigit())
        return RunCommand(text.back().digitValue());
    // A text that names no command runs none; the next release lights no button either.
    if (!m_batch->IsRunning())
        bFromMenuMsg = true;
}

void frmMain::RunCommand(int Index) {
    // While a batch runs the queue is the batch's, as the disabled buttons show.
    if (m_batch->IsRunning())
        return;
    bFromMenuMsg = true;
    imgButton_MouseUp(Index);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const bool dropTarget = watched == LV->viewport() || watched == picDragText || watched == Label1;
    if (!dropTarget)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        // Always a copy, whatever the drop holds: the source never deletes what it dragged here.
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        DropFiles(drop->mimeData());
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmMain::DropFiles(const QMimeData* data) {
    QStringList withoutVideo;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::toNativeSeparators(url.toLocalFile());
        // A file is taken as it is, whatever its kind; a folder gives the videos in it.
        const QStringList videos = QFileInfo(path).isDir() ? VideosIn(path) : QStringList{path};
        if (videos.isEmpty())
            withoutVideo << QFileInfo(path).fileName();
        for (const QString& video : videos)
            AppendPath(video, video);
    }
    if (lstFile->count() > 0)
        picDragText->hide();
    if (!withoutVideo.isEmpty())
        QToolTip::showText(LV->mapToGlobal(LV->rect().center()),
                           QStringLiteral("文件夹中没有视频文件：") + withoutVideo.join(QStringLiteral("、")), LV);
}

void frmMain::StopBatch() {
    if (!m_batch->IsRunning() || m_stopQuestion)
        return;
    // The answer comes while the batch goes on: it counts only for the batch it was asked about.
    m_stopQuestion = m_desktop.AskToStop(this, [this, batch = m_batch->BatchNumber()](StopChoice choice) {
        if (m_batch->BatchNumber() != batch || choice == StopChoice::Continue)
            return;
        m_batch->Stop(choice == StopChoice::AfterCurrentFile);
    });
}

void frmMain::contextMenuEvent(QContextMenuEvent* event) {
    // The progress bar's menu, over the whole length of the bar.
    if (!kFullBar.contains(event->pos()))
        return QWidget::contextMenuEvent(event);
    m_barMenu->actions().constFirst()->setEnabled(m_batch->IsRunning());
    m_barMenu->popup(event->globalPos());
}

int frmMain::QueueCount() const {
    return lstFile->count();
}

QString frmMain::QueueHead() const {
    return lstFile->count() ? lstFile->item(0)->text() : QString();
}

QStringList frmMain::QueuedFiles() const {
    QStringList paths;
    for (int i = 0; i < lstFile->count(); ++i)
        paths << lstFile->item(i)->text();
    return paths;
}

void frmMain::RemoveQueueHead() {
    delete lstFile->takeItem(0);
    delete LV->takeTopLevelItem(0);
}

void frmMain::EnableCommands(bool enabled) {
    // The commands are off exactly while a batch runs: the machine stays awake that long.
    if (enabled) {
        m_awake.Release();
    } else {
        m_awake.Hold();
        imgButton[2]->Show({});
    }
    for (SkinImage* button : imgButton)
        button->setEnabled(enabled);
    LV->setEnabled(enabled);
    imgBrowse->setEnabled(enabled);
    // A question to stop a batch that has ended has nothing left to ask.
    if (enabled && m_stopQuestion)
        m_stopQuestion->close();
    // A batch keeps its folder: the box may be read and copied, not changed.
    txtPath->setReadOnly(!enabled);
    if (enabled && lstFile->count() == 0)
        picDragText->show();
}

void frmMain::SetProgressBar(float twips) {
    imgPB->resize(qRound(twips / 15), imgPB->height());
    imgPB->setVisible(imgPB->width() > 0);
    lblPB->SetValue(qRound(twips / kFullBarTwips * 100));
}

void frmMain::SetProgressText(const QString& text) {
    lblPB->setText(text);
}

void frmMain::SetProgressDetail(const QString& detail) {
    lblPB->SetDetail(detail);
    const QString tip = detail.isEmpty() ? detail : detail + QStringLiteral("\n按 Esc 可停止转换");
    imgPB->setToolTip(tip);
    lblPB->setToolTip(tip);
}

void frmMain::SetBatchProgress(std::optional<double> done) {
    if (done) {
        // The taskbar hears of a change it can show, not of every report of the encoder.
        const int permille = qRound(*done * 1000);
        if (permille != m_taskbarPermille)
            m_taskbar.Show(winId(), permille / 1000.0);
        m_taskbarPermille = permille;
    } else if (m_taskbarPermille >= 0) {
        // The batch is over: the taskbar lets go, and a screen reader says how it ended.
        m_taskbar.Clear();
        m_taskbarPermille = -1;
        lblPB->Announce();
    }
}

QString frmMain::OutputFolder() const {
    return txtPath->text();
}

EncoderOptions frmMain::ConversionOptions() const {
    return {cmbVBR->currentText().trimmed(), cmbFPS->currentText().trimmed(),
            cmbSize->currentText().trimmed(), cmbAB->currentText().trimmed()};
}
