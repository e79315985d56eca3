#include "engine/VideoTypes.h"

#include <QFileInfo>

namespace {
constexpr qsizetype kOffered = 8;
} // namespace

const QStringList& VideoExtensions() {
    static const QStringList extensions{// Offered by name.
                                        "avi", "flv", "wmv", "mov", "dat", "asf", "mpg", "mp4",
                                        // The other common ones.
                                        "mpeg", "mkv", "webm", "m4v", "3gp", "3g2", "ts", "m2ts", "mts",
                                        "vob", "ogv", "rm", "rmvb", "divx", "dv", "f4v", "mxf", "wtv"};
    return extensions;
}

QStringList OfferedVideoExtensions() {
    return VideoExtensions().first(kOffered);
}

bool HasVideoExtension(const QString& fileName) {
    return VideoExtensions().contains(QFileInfo(fileName).suffix().toLower());
}
