#include "VideoFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {
const QSet<QString> kVideoExtensions{
    // What the open dialog offers.
    "avi", "flv", "wmv", "mov", "dat", "asf", "mpg", "mp4",
    // And what else cameras, phones, discs and downloads bring.
    "mpeg", "mkv", "webm", "m4v", "3gp", "3g2", "ts", "m2ts", "mts", "vob", "ogv", "rm", "rmvb", "divx", "dv",
    "f4v", "mxf", "wtv"};

// The digit run of `text` from `at`, without its leading zeros.
QStringView digitsFrom(const QString& text, qsizetype& at) {
    while (at < text.size() && text[at] == u'0' && at + 1 < text.size() && text[at + 1].isDigit())
        ++at;
    const qsizetype start = at;
    while (at < text.size() && text[at].isDigit())
        ++at;
    return QStringView(text).mid(start, at - start);
}

void appendVideos(const QString& folder, QStringList& found) {
    const QDir dir(folder);
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
        appendVideos(dir.filePath(name), found);
}
} // namespace

bool NaturalLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const QStringView x = digitsFrom(a, i), y = digitsFrom(b, j);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int order = x.compare(y); order != 0)
                return order < 0;
            continue;
        }
        const QChar x = a[i++].toCaseFolded(), y = b[j++].toCaseFolded();
        if (x != y)
            return x < y;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b;
}

bool HasVideoExtension(const QString& fileName) {
    return kVideoExtensions.contains(QFileInfo(fileName).suffix().toLower());
}

QStringList VideosIn(const QString& folder) {
    QStringList found;
    appendVideos(folder, found);
    return found;
}
