#pragma once

// Which processes run on this machine, read from /proc.
#include <QDir>
#include <QFile>

namespace processes {

// Process ids whose command line holds `text`.
inline QList<int> matching(const QString& text) {
    QList<int> found;
    const QByteArray needle = text.toUtf8();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (isPid && cmdline.open(QIODevice::ReadOnly) &&
            cmdline.readAll().replace('\0', ' ').contains(needle))
            found << pid;
    }
    return found;
}

} // namespace processes
