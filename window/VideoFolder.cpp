#include "window/VideoFolder.h"

#include "engine/VideoTypes.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {
// What names sort by: folded case, every run of decimal digits (full-width and other scripts' too) written
// in ASCII and widened to the same length, so that comparing keys as plain text compares numbers by value
// ("clip 2" is "clip 000…002", before "clip 000…010"; "第２集" before "第10集").
QString sortKey(const QString& name) {
    constexpr qsizetype kWidth = 20;
    QString key;
    for (qsizetype at = 0; at < name.size();) {
        if (!name[at].isDigit()) {
            key += name[at++].toCaseFolded();
            continue;
        }
        QString digits;
        for (; at < name.size() && name[at].isDigit(); ++at)
            digits += QChar(u'0' + name[at].digitValue());
        key += digits.size() >= kWidth ? digits : QString(kWidth - digits.size(), u'0') + digits;
    }
    return key;
}

void appendVideos(const QString& folder, QStringList& found, QStringList& unreadable,
                  QSet<QByteArray>& seen) {
    // Junctions and bind mounts can lead back into a folder already read.
    if (const QByteArray identity = platform::FileIdentity(folder); !identity.isEmpty()) {
        if (seen.contains(identity))
            return;
        seen.insert(identity);
    }
    const QDir dir(folder);
    if (!dir.isReadable()) {
        unreadable << QDir::toNativeSeparators(folder);
        return;
    }
    // Hidden files are left out: what a camera or another system hides there (._clip.mp4) is no video.
    const auto sorted = [&dir](QDir::Filters filter) {
        QStringList names = dir.entryList(filter | QDir::NoDotAndDotDot);
        std::sort(names.begin(), names.end(), NaturalLess);
        return names;
    };
    for (const QString& name : sorted(QDir::Files))
        if (HasVideoExtension(name))
            found << QDir::toNativeSeparators(dir.filePath(name));
    for (const QString& name : sorted(QDir::Dirs | QDir::NoSymLinks))
        appendVideos(dir.filePath(name), found, unreadable, seen);
}
} // namespace

bool NaturalLess(const QString& a, const QString& b) {
    const QString keyA = sortKey(a), keyB = sortKey(b);
    return keyA != keyB ? keyA < keyB : a < b;
}

QStringList VideosIn(const QString& folder, QStringList* unreadable) {
    QStringList found, notRead;
    QSet<QByteArray> seen;
    appendVideos(folder, found, notRead, seen);
    if (unreadable)
        *unreadable = notRead;
    return found;
}

GivenFiles FilesGiven(const QStringList& paths) {
    GivenFiles given;
    for (const QString& named : paths) {
        const QString path = QDir::toNativeSeparators(named);
        const QFileInfo info(path);
        if (!info.isDir()) {
            given.files << path;
            continue;
        }
        QStringList unreadable;
        const QStringList videos = VideosIn(path, &unreadable);
        if (videos.isEmpty())
            (unreadable.isEmpty() ? given.foldersWithoutVideo : given.foldersNotRead) << info.fileName();
        given.files << videos;
    }
    return given;
}
