#include "engine/VideoTypes.h"

#include <QFileInfo>

namespace {
constexpr qsizetype kOffered = 8;
} // namespace

const QStringList& VideoExtensions() {
    // engine/VideoExtensions.txt, which the packages read too.
    static const QStringList extensions{
#include "engine/VideoExtensions.inc"
    };
    return extensions;
}

QStringList OfferedVideoExtensions() {
    return VideoExtensions().first(kOffered);
}

bool HasVideoExtension(const QString& fileName) {
    return VideoExtensions().contains(QFileInfo(fileName).suffix().toLower());
}
