#include "window/GetFile.h"

#include <QDir>

QString GetFileName(const QString& Path) {
    return Path.mid(Path.lastIndexOf(QDir::separator()) + 1);
}

QString GetBaseName(const QString& Path) {
    const QString name = GetFileName(Path);
    return name.left(name.indexOf(u'.'));
}
