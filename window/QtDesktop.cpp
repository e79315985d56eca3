#include "QtDesktop.h"

#include "COMDLG.h"
#include "DesktopPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {
// The longest the end of a batch waits for its sound.
constexpr int kLongestSoundMs = 4000;

void showBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
} // namespace

void QtDesktop::ShowError(const QString& text) {
    showBox(QMessageBox::Critical, kApplicationTitle, text);
}

void QtDesktop::ShowWarning(const QString& title, const QString& text) {
    showBox(QMessageBox::Warning, title, text);
}

void QtDesktop::Open(const QString& pathOrUrl) {
    const QUrl url = QUrl(pathOrUrl).scheme().size() > 1 ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    QDesktopServices::openUrl(url);
}

void QtDesktop::PlaySound(const QString& path) {
    if (!QFileInfo(path).isFile() || !platform::PlaySoundFile(path, kLongestSoundMs))
        QApplication::beep();
}

QString QtDesktop::ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir,
                                  const QString& Filter, quint32 Flags) {
    return COMDLG::ShowOpenDialog(OwnerWindow, Title, InitialDir, Filter, Flags);
}

QString QtDesktop::ChooseFolder(QWidget* OwnerWindow, const QString& Title) {
    const QString folder =
        QFileDialog::getExistingDirectory(OwnerWindow, Title, QString(), QFileDialog::ShowDirsOnly);
    return folder.isEmpty() ? folder : QDir::toNativeSeparators(QDir::cleanPath(folder));
}
