#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace COMDLG {

// Open-dialog flags, with the values of the system the program first ran on.
inline constexpr quint32 OFN_NOCHANGEDIR = 0x8;
inline constexpr quint32 OFN_ALLOWMULTISELECT = 0x200;
inline constexpr quint32 OFN_FILEMUSTEXIST = 0x1000;
inline constexpr quint32 OFN_LONGNAMES = 0x200000;

// Shows the open-file dialog and returns the chosen files' full paths in the order they were picked (one
// unless OFN_ALLOWMULTISELECT, which also takes only files that exist), none when it was cancelled. `Filter`
// pairs labels and patterns in one line: "label|pattern;pattern|label|pattern"; the first pair is selected.
// `InitialDir` is replaced by the folder the dialog starts in.
QStringList ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir,
                           const QString& Filter, quint32 Flags);

// The folder the dialog starts in: `InitialDir` with a trailing separator when that folder exists, otherwise
// the user's Videos folder (the home folder where there is none). `InitialDir` is replaced by it.
QString ResolveInitialDir(QString& InitialDir);

// The name filters of the dialog, in order: each label with its pattern, which matches upper-case names too.
QStringList NameFilters(const QString& Filter);

} // namespace COMDLG
