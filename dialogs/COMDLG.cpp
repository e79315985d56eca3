#include "dialogs/COMDLG.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace COMDLG {

QString ResolveInitialDir(QString& InitialDir) {
    if (InitialDir.trimmed().isEmpty()) {
        InitialDir = platform::ProgramFolder();
    } else {
        if (!InitialDir.endsWith(QDir::separator()))
            InitialDir += QDir::separator();
        if (!QFileInfo(InitialDir).isDir())
            InitialDir = platform::ProgramFolder();
    }
    return InitialDir;
}

QStringList NameFilters(const QString& Filter) {
    const QStringList items = Filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString& pattern = items[i + 1];
        // File names tell upper from lower case here: CLIP.AVI belongs under *.avi too.
        const QString patterns = pattern.toUpper() == pattern ? pattern : pattern + u' ' + pattern.toUpper();
        filters << items[i] + QStringLiteral(" (") + patterns + u')';
    }
    return filters;
}

QString ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir, const QString& Filter,
                       quint32 Flags) {
    QFileDialog dialog(OwnerWindow, Title, ResolveInitialDir(InitialDir));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(Flags & OFN_FILEMUSTEXIST ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The labels already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = NameFilters(Filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    // In the system's own form: the queue, and the names made from it, part paths at its separator.
    return QDir::toNativeSeparators(dialog.selectedFiles().value(0));
}

} // namespace COMDLG
