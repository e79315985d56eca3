#include "dialogs/COMDLG.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace COMDLG {

namespace {
// Where people keep their videos; never the program's own folder, which holds none of theirs.
QString VideosFolder() {
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    return QDir::toNativeSeparators(QFileInfo(videos).isDir() ? videos : QDir::homePath());
}
} // namespace

QString ResolveInitialDir(QString& InitialDir) {
    if (!InitialDir.trimmed().isEmpty() && !InitialDir.endsWith(QDir::separator()))
        InitialDir += QDir::separator();
    if (InitialDir.trimmed().isEmpty() || !QFileInfo(InitialDir).isDir())
        InitialDir = VideosFolder();
    return InitialDir;
}

QStringList NameFilters(const QString& Filter) {
    const QStringList items = Filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QStringList patterns;
        // File names tell upper from lower case here: CLIP.AVI belongs under *.avi too.
        for (const QString& pattern : items[i + 1].split(u';'))
            patterns << pattern
                     << (pattern.toUpper() == pattern ? QStringList() : QStringList{pattern.toUpper()});
        filters << items[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

QStringList ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir,
                           const QString& Filter, quint32 Flags) {
    QFileDialog dialog(OwnerWindow, Title, ResolveInitialDir(InitialDir));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(Flags & OFN_ALLOWMULTISELECT ? QFileDialog::ExistingFiles
                       : Flags & OFN_FILEMUSTEXIST  ? QFileDialog::ExistingFile
                                                    : QFileDialog::AnyFile);
    // The labels already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = NameFilters(Filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    // In the system's own form: the queue, and the names made from it, part paths at its separator.
    QStringList chosen;
    for (const QString& file : dialog.selectedFiles())
        chosen << QDir::toNativeSeparators(file);
    return chosen;
}

} // namespace COMDLG
