#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace COMDLG {

// Open-dialog flags, with the values of the system the program first ran on.
inline constexpr quint32 OFN_NOCHANGEDIR = 0x8;
inline constexpr quint32 OFN_FILEMUSTEXIST = 0x1000;
inline constexpr quint32 OFN_LONGNAMES = 0x200000;

// Shows the open-file dialog and returns the chosen file's full path, or the empty text when none was
// chosen. `Filter` pairs labels and patterns in one line: "label|pattern|label|pattern"; the first pair is
// selected. `InitialDir` is replaced by the folder the dialog starts in.
QString ShowOpenDialog(QWidget* OwnerWindow, const QString& Title, QString& InitialDir, const QString& Filter,
                       quint32 Flags);

// The folder the dialog starts in: `InitialDir` with a trailing separator when that folder exists, otherwise
// the program folder. `InitialDir` is replaced by it.
QString ResolveInitialDir(QString& InitialDir);

// The name filters of the dialog, in order: each label with its pattern, which matches upper-case names too.
QStringList NameFilters(const QString& Filter);

} // namespace COMDLG
