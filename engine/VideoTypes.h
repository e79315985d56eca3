#pragma once

#include <QString>
#include <QStringList>

// The kinds of file taken as video, by extension in lower case without the dot: first those the open dialog
// offers by name, then what else cameras, phones, discs and downloads bring.
const QStringList& VideoExtensions();

// The first of VideoExtensions(): the kinds the open dialog offers by name.
QStringList OfferedVideoExtensions();

// Whether a file's extension, in any case, is one of VideoExtensions().
bool HasVideoExtension(const QString& fileName);
