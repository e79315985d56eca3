#include "QtDesktop.h"

#include "COMDLG.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMessageBox>
#include <QSoundEffect>
#include <QTimer>
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
    if (!QFileInfo(path).isFile()) {
        QApplication::beep();
        return;
    }
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    QSoundEffect sound;
    QEventLoop played;
    QObject::connect(&sound, &QSoundEffect::playingChanged, &played, [&] {
        if (!sound.isPlaying())
            played.quit();
    });
    QObject::connect(&sound, &QSoundEffect::statusChanged, &played, [&] {
        if (sound.status() == QSoundEffect::Error)
            played.quit();
        else if (sound.status() == QSoundEffect::Ready)
            sound.play();
    });
    QTimer::singleShot(kLongestSoundMs, &played, &QEventLoop::quit);
    sound.setSource(QUrl::fromLocalFile(path));
    if (sound.status() == QSoundEffect::Ready)
        sound.play();
    played.exec();
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
