#include "window/QtUserDialogs.h"

#include "dialogs/COMDLG.h"
#include "platform/SessionServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The longest the end of a batch waits for its sound.
constexpr int kLongestSoundMs = 4000;

// The window a box belongs to: not a tooltip or a menu that happens to be active, which would take the box
// with it when it closes.
QWidget* ownerWindow() {
    QWidget* window = QApplication::activeWindow();
    while (window && (window->windowType() == Qt::ToolTip || window->windowType() == Qt::Popup))
        window = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    return window;
}

void showBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, ownerWindow());
    box.exec();
}
} // namespace

void QtUserDialogs::ShowError(const QString& text) {
    showBox(QMessageBox::Critical, kApplicationTitle, text);
}

void QtUserDialogs::ShowWarning(const QString& title, const QString& text) {
    showBox(QMessageBox::Warning, title, text);
}

void QtUserDialogs::ShowReport(const QString& summary, const QStringList& details) {
    ReportBox(summary, details, ownerWindow())->exec();
}

std::unique_ptr<QDialog> QtUserDialogs::ReportBox(const QString& summary, const QStringList& details,
                                                  QWidget* OwnerWindow) {
    auto dialog = std::make_unique<QDialog>(OwnerWindow);
    QDialog& box = *dialog;
    box.setWindowTitle(kApplicationTitle);
    auto* icon = new QLabel(&box);
    const int iconSize = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize));
    auto* text = new QLabel(summary, &box);
    // However many lines: they scroll inside the box, and can be selected and copied.
    auto* lines = new QPlainTextEdit(details.join(u'\n'), &box);
    lines->setReadOnly(true);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setAccessibleName(summary);
    const QFontMetrics metrics(lines->font());
    lines->setMinimumWidth(std::min(metrics.horizontalAdvance(QString(60, u'汉')), 640));
    // Twelve lines at most are shown at once, with room for the scroll bar under a long line.
    lines->setFixedHeight(metrics.lineSpacing() * std::clamp(int(details.size()), 3, 12) +
                          2 * (lines->frameWidth() + int(lines->document()->documentMargin())) +
                          lines->horizontalScrollBar()->sizeHint().height());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* heading = new QHBoxLayout;
    heading->addWidget(icon, 0, Qt::AlignTop);
    heading->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(heading);
    layout->addWidget(lines);
    layout->addWidget(buttons);
    return dialog;
}

QWidget* QtUserDialogs::AskToStop(QWidget* OwnerWindow, bool stopPending,
                                  std::function<void(StopChoice)> answered) {
    const QString question =
        stopPending ? QStringLiteral("当前文件完成后转换将停止。要立即停止吗？（继续则不再停止）")
                    : QStringLiteral("要停止转换吗？");
    auto* box = new QMessageBox(QMessageBox::Question, kApplicationTitle, question, QMessageBox::NoButton,
                                OwnerWindow);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* now = box->addButton(QStringLiteral("立即停止"), QMessageBox::DestructiveRole);
    QPushButton* afterFile = box->addButton(QStringLiteral("完成当前文件后停止"), QMessageBox::AcceptRole);
    QPushButton* carryOn = box->addButton(QStringLiteral("继续"), QMessageBox::RejectRole);
    box->setDefaultButton(now);
    box->setEscapeButton(carryOn);
    QObject::connect(box, &QMessageBox::finished, box, [box, now, afterFile, answered] {
        answered(box->clickedButton() == now         ? StopChoice::Now
                 : box->clickedButton() == afterFile ? StopChoice::AfterCurrentFile
                                                     : StopChoice::Continue);
    });
    // Modal to the window only, and without a loop of its own: the batch goes on meanwhile.
    box->open();
    return box;
}

void QtUserDialogs::Open(const QString& pathOrUrl) {
    const QUrl url = QUrl(pathOrUrl).scheme().size() > 1 ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    QDesktopServices::openUrl(url);
}

void QtUserDialogs::PlaySound(const QString& path) {
    if (!QFileInfo(path).isFile() || !platform::PlaySoundFile(path, kLongestSoundMs))
        QApplication::beep();
}

QStringList QtUserDialogs::ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir,
                                          const QString& Filter, quint32 Flags) {
    return COMDLG::ShowOpenDialog(OwnerWindow, Title, InitialDir, Filter, Flags);
}

QString QtUserDialogs::ChooseFolder(QWidget* OwnerWindow, const QString& Title) {
    const QString folder =
        QFileDialog::getExistingDirectory(OwnerWindow, Title, QString(), QFileDialog::ShowDirsOnly);
    return folder.isEmpty() ? folder : QDir::toNativeSeparators(QDir::cleanPath(folder));
}
